#!/usr/bin/env bash
# Checks the installed income-tax page in headless Chromium: tst_taxpage.html loads the page in a
# frame beside it, runs the checks and prints them into the document, which Chromium dumps.
#   tst_taxpage.sh <folder of the installed page> <tst_taxpage.html>
set -euo pipefail
page_folder=$1
checks=$2
chromium=${CHROMIUM:-$(command -v chromium || true)}
if [ -z "$chromium" ]; then
  echo "chromium is not installed (scripts/setup installs it)" >&2
  exit 1
fi
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
cp "$page_folder"/tax.html "$page_folder"/tax.css "$page_folder"/tax.js "$work"/
cp "$checks" "$work"/tst_taxpage.html
"$chromium" --headless --no-sandbox --disable-gpu --disable-quic --no-first-run \
  --disable-background-networking --disable-component-update --disable-sync \
  --allow-file-access-from-files --user-data-dir="$work/profile" --virtual-time-budget=5000 \
  --dump-dom "file://$work/tst_taxpage.html" 2>"$work/chromium.log" >"$work/dom.html" || {
  cat "$work/chromium.log" >&2
  exit 1
}
# The results, unescaped.
results=$(sed -n '/<pre id="results">/,/<\/pre>/p' "$work/dom.html" |
  sed -e 's/<[^>]*>//g' -e 's/&gt;/>/g' -e 's/&lt;/</g' -e 's/&amp;/\&/g')
echo "$results"
summary=$(echo "$results" | grep -E '^[0-9]+ passed, [0-9]+ failed$' || true)
[ -n "$summary" ] || { echo "no results from the page" >&2; exit 1; }
[[ $summary == *" 0 failed" ]] || exit 1
[[ $summary != "0 passed"* ]] || exit 1
