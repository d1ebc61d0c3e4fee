#!/usr/bin/env bash
# Compiles the help file from the sources in this folder.
#   build_help.sh <work folder> <output file>
# The sources are UTF-8. A help file in Chinese (PRC) stores the names in its contents, index and
# title in GBK, so the project, contents and index are converted to GBK in the work folder; the
# pages stay UTF-8 and declare it. chmcmd then writes an ASCII-named file, which is copied to the
# output name (that may be Chinese).
#   HELP_DEFAULT_TOPIC=<page.html> opens the compiled file on that page (for looking at one page).
set -euo pipefail
source_dir=$(cd "$(dirname "$0")" && pwd)
work=$1
output=$2

rm -rf "$work"
mkdir -p "$work"
cp "$source_dir"/*.html "$source_dir"/*.css "$work"/
# Viewers built on wxHTML (xchm) wrap lines only at ASCII blanks, so a blank after each Chinese
# punctuation mark lets long Chinese paragraphs wrap instead of running off the window.
for page in "$work"/*.html; do
  sed -E -i 's/(，|。|：|；|、|！|？|）)/\1 /g' "$page"
done
for name in pennyvale.hhp contents.hhc index.hhk; do
  sed 's/charset=utf-8/charset=gb2312/' "$source_dir/$name" | iconv -f UTF-8 -t GBK > "$work/$name"
done

if [ -n "${HELP_DEFAULT_TOPIC:-}" ]; then
  sed -i "s/^Default topic=.*/Default topic=$HELP_DEFAULT_TOPIC/" "$work/pennyvale.hhp"
fi

cd "$work"
log=$(chmcmd --verbosity 1 pennyvale.hhp 2>&1) || { echo "$log" >&2; exit 1; }
if echo "$log" | grep -qi 'error'; then echo "$log" >&2; exit 1; fi
[ -s pennyvale_help.chm ] || { echo "$log" >&2; echo "build_help: no help file written" >&2; exit 1; }
mkdir -p "$(dirname "$output")"
cp pennyvale_help.chm "$output"
