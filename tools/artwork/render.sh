#!/usr/bin/env bash
# Redraws the pictures in resources/images from tools/artwork/render_artwork.cpp.
#   tools/artwork/render.sh            build the drawing program and write the pictures and the
#                                      program's icon (resources/icons)
# Needs Qt 6 and a Song-style CJK font (scripts/setup installs both). Commit the pictures after.
set -euo pipefail
cd "$(dirname "$0")/../.."

build=${ARTWORK_BUILD:-build-artwork}
cmake -S tools/artwork -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Release >/dev/null
cmake --build "$build" --target render_artwork
QT_QPA_PLATFORM=offscreen "$build/render_artwork" resources/images resources/icons
