#!/usr/bin/env bash
# Takes the screenshots of the two entry forms: runs the real program under Xvfb on a fresh
# ledger that holds a month of the default member's records (the current month, which the forms
# list), logs in with the default account, opens 日常收入管理 and then 日常支出管理, and saves
# each main window in docs/income.png and docs/payout.png.
set -euo pipefail
source "$(dirname "$0")/fresh_ledger.sh"

# Day numbers count days since 30 December 1899 (25569 is 1 January 1970).
month=$(date +%Y-%m)
daynumber() { echo $(( $(date -u -d "$month-$1" +%s) / 86400 + 25569 )); }
month_num=$((10#$(date +%m)))
year_num=$(date +%Y)
quarter_num=$(( (month_num - 1) / 3 + 1 ))
id=0
add() { # day, category id, kind, content, amount, note
  id=$((id + 1))
  local column=PayoutAccount
  [ "$3" = 收入 ] && column=IncomeAccount
  echo "insert into fPayout (PayoutID, ItemProjectID, Payout, $column, UseDate, PersonName, Memos,
        ItemType, MonthNum, YearNum, QuarterNum) values ($id, $2, '$4', $5, $(daynumber "$1"),
        '家长', '$6', '$3', $month_num, $year_num, $quarter_num);"
}
{
  echo "begin;"
  add 01 9 支出 "房租" 2800 "按月付"
  add 02 7 支出 "早市买菜" 86 ""
  add 03 8 支出 "地铁月票" 150 ""
  add 05 1 收入 "本月工资" 9600 "税后"
  add 06 10 支出 "电费" 213 "两个月"
  add 06 11 支出 "手机话费" 58 ""
  add 08 16 支出 "超市日用品" 137 "洗衣液、纸巾"
  add 10 7 支出 "周末聚餐" 320 "和老同学"
  add 12 14 支出 "孩子兴趣班" 680 "钢琴课"
  add 14 13 支出 "感冒药" 46 ""
  add 15 2 收入 "季度奖金" 3000 ""
  add 16 12 支出 "冬季外套" 459 ""
  add 18 15 支出 "电影票" 90 "两张"
  add 20 4 收入 "周末兼职" 800 "家教"
  add 21 17 支出 "朋友婚礼礼金" 600 ""
  add 22 10 支出 "燃气费" 96 ""
  add 25 7 支出 "买菜" 112 ""
  add 26 5 收入 "亲戚红包" 500 ""
  add 28 8 支出 "打车" 35 "下雨"
  echo "commit;"
} | sqlite3 DataBase/Hearthbook.mdb

LC_ALL=zh_CN.UTF-8 LANG=zh_CN.UTF-8 xvfb-run -a -s "-screen 0 1024x768x24" bash -c '
  set -e
  "$0" & pid=$!
  sleep 3
  xdotool type --delay 50 admin; xdotool key Return
  xdotool type --delay 50 admin; xdotool key Return
  sleep 2
  # the income and expenditure buttons of the left column (the window is centred on the screen)
  xdotool mousemove 180 306 click 1
  xdotool mousemove 600 700
  sleep 1
  import -window root -crop 792x573+116+97 +repage "$1/docs/income.png"
  xdotool mousemove 180 339 click 1
  xdotool mousemove 600 700
  sleep 1
  import -window root -crop 792x573+116+97 +repage "$1/docs/payout.png"
  kill $pid
' "$program" "$top"
echo "screenshots in $top/docs"
