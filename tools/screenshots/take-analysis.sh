#!/usr/bin/env bash
# Takes the screenshots of the query form and the annual chart: runs the real program under Xvfb
# on a fresh ledger holding a year (2026) of the default member's records, logs in with the
# default account, opens each form and saves the window in docs/. Needs python3, sqlite3,
# xvfb-run, xdotool and ImageMagick's import.
set -euo pipefail
source "$(dirname "$0")/fresh_ledger.sh"

# A year of the default member's income and expenditure, in the predefined categories.
python3 - >records.sql <<'PY'
import datetime, random
random.seed(7)
epoch = datetime.date(1899, 12, 30)
spending = [(7, ['午饭', '晚饭', '早餐', '聚餐'], 15, 180), (8, ['地铁', '公交', '打车'], 3, 60),
            (9, ['房租'], 2500, 2500), (10, ['电费', '水费', '燃气费'], 60, 260),
            (11, ['话费', '宽带'], 50, 120), (12, ['衣服', '鞋子'], 120, 600),
            (16, ['超市购物', '洗衣液'], 30, 260), (15, ['电影', 'KTV'], 40, 200)]
rows, key = [], 0
def add(month, day, category, content, payout, income, kind):
    global key
    key += 1
    date = datetime.date(2026, month, day)
    rows.append(f"insert into fPayout values ({key}, {category}, '{content}', {payout}, {income}, "
                f"{(date - epoch).days}, '家长', null, '{kind}', {month}, 2026, {(month - 1) // 3 + 1});")
for month in range(1, 13):
    add(month, 10, 1, f'{month}月工资', 'null', 12000, '收入')
    if month in (6, 12): add(month, 20, 2, '半年奖金', 'null', 8000, '收入')
    if month % 4 == 1: add(month, 15, 3, '理财收益', 'null', random.randint(300, 1500), '收入')
    for category, contents, low, high in spending:
        for _ in range(1 if low == high else random.randint(1, 3)):
            add(month, random.randint(1, 28), category, random.choice(contents),
                random.randint(low, high), 'null', '支出')
print('begin;', *rows, 'commit;', sep='\n')
PY
sqlite3 DataBase/Hearthbook.mdb <records.sql

LC_ALL=zh_CN.UTF-8 LANG=zh_CN.UTF-8 xvfb-run -a -s "-screen 0 1024x768x24" bash -c '
  set -e
  "$0" & pid=$!
  sleep 3
  xdotool type --delay 50 admin; xdotool key Return
  xdotool type --delay 50 admin; xdotool key Return
  sleep 3
  xdotool mousemove 178 413 click 1   # 收支查询分析
  sleep 3
  import -window root -crop 792x573+116+97 +repage "$1/docs/query.png"
  xdotool mousemove 362 236 click 1   # the page 帐目统计
  sleep 1
  import -window root -crop 792x573+116+97 +repage "$1/docs/query-stats.png"
  xdotool mousemove 178 447 click 1   # 财务统计分析
  sleep 3
  import -window root -crop 792x573+116+97 +repage "$1/docs/chart.png"
  kill $pid
' "$program" "$top"
echo "screenshots in $top/docs"
