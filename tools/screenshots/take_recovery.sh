#!/usr/bin/env bash
# Takes the screenshots of the ledger's safety boxes: a second start on an open ledger, and a
# damaged ledger found by the check at start with the newest good backup offered. Runs the real
# program under Xvfb on a fresh ledger and saves the screen in docs/.
set -euo pipefail
source "$(dirname "$0")/fresh_ledger.sh"
"$program" --backup >/dev/null

LC_ALL=zh_CN.UTF-8 LANG=zh_CN.UTF-8 xvfb-run -a -s "-screen 0 1024x768x24" bash -c '
  set -e
  "$0" & first=$!
  sleep 3
  "$0" & second=$!
  sleep 3
  import -window root -crop 520x220+242+274 +repage "$1/docs/second-start.png"
  kill $second $first 2>/dev/null || true
  wait 2>/dev/null || true
  # The ledger damaged: its second page (the first table) overwritten with garbage.
  python3 -c "
f = open(\"DataBase/Hearthbook.mdb\", \"r+b\"); f.seek(4096); f.write(bytes(range(256)) * 16)"
  # The check runs behind the login; the login, which cannot read the damaged members, brings
  # its offer.
  "$0" & pid=$!
  sleep 3
  xdotool type --delay 50 admin; xdotool key Return
  xdotool type --delay 50 admin; xdotool key Return
  sleep 2
  import -window root -crop 520x280+242+200 +repage "$1/docs/damaged-ledger.png"
  kill $pid 2>/dev/null || true
' "$program" "$top"
echo "screenshots in $top/docs"
