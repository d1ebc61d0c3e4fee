#!/usr/bin/env bash
# Takes the README's screenshots: runs the real program under Xvfb on a fresh ledger, logs in
# with the default account, opens a working form, and saves what the screen shows in docs/.
set -euo pipefail
source "$(dirname "$0")/fresh_ledger.sh"

LC_ALL=zh_CN.UTF-8 LANG=zh_CN.UTF-8 xvfb-run -a -s "-screen 0 1024x768x24" bash -c '
  set -e
  "$0" & pid=$!
  sleep 3
  import -window root -crop 340x220+342+274 +repage "$1/docs/login.png"
  xdotool type --delay 50 admin; xdotool key Return
  xdotool type --delay 50 admin; xdotool key Return
  sleep 2
  # the income button of the left column (the window is centred on the 1024x768 screen)
  xdotool mousemove 180 306 click 1
  sleep 1
  xdotool mousemove 180 339
  sleep 1
  import -window root -crop 792x573+116+97 +repage "$1/docs/main-window.png"
  kill $pid
' "$program" "$top"
echo "screenshots in $top/docs"
