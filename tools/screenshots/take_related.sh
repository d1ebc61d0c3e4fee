#!/usr/bin/env bash
# Takes the screenshots of the related-tools page, the diary (day view, period dialog, summary)
# and the income-tax page: runs the real program under Xvfb on a fresh ledger with a few diary
# entries, logs in with the default account, and saves what the screen shows in docs/.
set -euo pipefail
source "$(dirname "$0")/fresh_ledger.sh"

# Entries of the default member for yesterday, today and tomorrow (day numbers, at midnight).
today=$(( ($(date -u +%s) / 86400) + 25569 ))
sqlite3 DataBase/Hearthbook.mdb <<SQL
insert into fDiary values (1, '买了一周的菜，比上周省了二十元。', $((today - 1)), 1);
insert into fDiary values (2, '发工资了。先存三成到定期，给孩子交了兴趣班的学费。
晚上把这个月的水电费都记上了。', $today, 1);
insert into fDiary values (3, '计划：周末去银行问问家庭理财产品的利率。', $((today + 1)), 1);
SQL

LC_ALL=zh_CN.UTF-8 LANG=zh_CN.UTF-8 xvfb-run -a -s "-screen 0 1024x768x24" bash -c '
  set -e
  shot() { import -window root -crop "$1" +repage "$2"; }
  "$0" & pid=$!
  sleep 3
  xdotool type --delay 50 admin; xdotool key Return
  xdotool type --delay 50 admin; xdotool key Return
  sleep 2
  # 家庭理财相关 in the left column (the window is centred on the 1024x768 screen at 116,97)
  xdotool mousemove 178 481 click 1
  sleep 1
  xdotool mousemove 600 600
  sleep 1
  shot 792x573+116+97 "$1/docs/related.png"
  # 理财日志, the first link on the page
  xdotool mousemove 300 199 click 1
  sleep 1
  shot 792x573+116+97 "$1/docs/diary.png"
  # 查询: the period dialog
  xdotool mousemove 858 295 click 1
  sleep 1
  # the dialog, 320 x 112, centred on the screen
  shot 320x112+342+287 "$1/docs/diary-period.png"
  # 确定
  xdotool mousemove 451 366 click 1
  sleep 1
  shot 792x573+116+97 "$1/docs/diary-summary.png"
  kill $pid
' "$program" "$top"

# The tax page with a worked example (30,000 yuan a month, June), in headless Chromium.
cp "$bin"/bank/computer/tax.* "$work"/
cat >>"$work/tax.html" <<'HTML'
<script>
var v = {wage: 30000, insurance: 2000, fund: 2400, children: 2000, elderly: 1000};
for (var k in v) document.getElementById(k).value = v[k];
document.getElementById("month").value = "6";
document.getElementById("compute").click();
</script>
HTML
timeout 90 chromium --headless --no-sandbox --disable-gpu --disable-quic --no-first-run \
  --disable-background-networking --disable-component-update --disable-sync \
  --user-data-dir="$work/profile" --hide-scrollbars --window-size=1100,1180 \
  --screenshot="$top/docs/tax.png" "file://$work/tax.html" 2>/dev/null ||
  echo "the tax page's screenshot did not finish (headless Chromium's --screenshot hangs here)" >&2
echo "screenshots in $top/docs"
