#!/usr/bin/env bash
# Installs Pennyvale into a temporary folder and starts the installed program as the desktop entry
# does, far enough to show the login (pennyvale --check-start, offscreen).
#   check_install.sh tree    <build folder> <source folder>   cmake --install into a temporary
#                                                             prefix
#   check_install.sh package <build folder> <source folder>   cpack -G DEB, the package's fields
#                                                             and contents, then its files
#                                                             unpacked into a temporary root
# Checks the installed files, the desktop entry and metainfo, that the program finds its help file
# and tax page in share/pennyvale, creates the ledger in the family's ledger folder on first start
# and reaches the same ledger on the next.
set -euo pipefail
mode=$1
build=$(cd "$2" && pwd)
source=$(cd "$3" && pwd)
cmake_command=${CMAKE_COMMAND:-cmake}
cpack_command=${CPACK_COMMAND:-cpack}

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
failures=0
fail() {
  echo "FAIL: $*" >&2
  failures=$((failures + 1))
}
check_file() { [ -f "$1" ] || fail "missing $1"; }

case "$mode" in
tree)
  prefix="$work/prefix"
  "$cmake_command" --install "$build" --prefix "$prefix" >"$work/install.log" ||
    { cat "$work/install.log" >&2; exit 1; }
  ;;
package)
  (cd "$build" && "$cpack_command" -G DEB -B "$work/package" >"$work/cpack.log") ||
    { cat "$work/cpack.log" >&2; exit 1; }
  debs=("$work"/package/pennyvale_*.deb)
  deb=${debs[0]}
  [ -f "$deb" ] || { echo "FAIL: cpack wrote no package" >&2; exit 1; }
  echo "package: $(basename "$deb"), $(stat -c %s "$deb") bytes"

  [ "$(dpkg-deb -f "$deb" Package)" = pennyvale ] || fail "package name"
  depends=$(dpkg-deb -f "$deb" Depends)
  echo "depends: $depends"
  for needed in libqt6core6 libqt6gui6 libqt6widgets6 libqt6sql6 libqt6sql6-sqlite libqt6sql6-psql libpq5 \
    qt6-translations-l10n fonts-arphic-uming fonts-noto-cjk libmdb3 libquazip1-qt6-1 xchm xdg-utils; do
    grep -Eq "(^|[ ,|])$needed( |,|$)" <<<"$depends" || fail "Depends lacks $needed"
  done

  dpkg-deb -c "$deb" >"$work/contents"
  # Everything under /usr, owned by root: nothing that removing the package could leave behind
  # in the users' folders or in /etc.
  if awk '{ print $6 }' "$work/contents" | grep -v '^\./usr/' | grep -vx '\./' >/dev/null; then
    fail "files outside /usr: $(awk '{ print $6 }' "$work/contents" | grep -v '^\./usr/' | grep -vx '\./')"
  fi
  if awk '{ print $2 }' "$work/contents" | grep -vx 'root/root' >/dev/null; then
    fail "files not owned by root"
  fi
  grep -q '\./usr/bin/pennyvale$' "$work/contents" || fail "the package has no usr/bin/pennyvale"

  prefix="$work/root/usr"
  dpkg -x "$deb" "$work/root"
  ;;
*)
  echo "usage: check_install.sh tree|package <build folder> <source folder>" >&2
  exit 2
  ;;
esac

# The installed files.
data="$prefix/share/pennyvale"
check_file "$prefix/bin/pennyvale"
check_file "$data/Pennyvale帮助手册.chm"
check_file "$data/screenshots/main-window.png"
for size in 16 32 48 64 128 256; do
  icon="$prefix/share/icons/hicolor/${size}x${size}/apps/pennyvale.png"
  check_file "$icon"
  [ -f "$icon" ] && [ "$(file -b "$icon" | grep -o "$size x $size")" = "$size x $size" ] ||
    fail "$icon is not $size x $size"
done
check_file "$prefix/share/icons/hicolor/scalable/apps/pennyvale.svg"
desktop="$prefix/share/applications/pennyvale.desktop"
metainfo="$prefix/share/metainfo/pennyvale.metainfo.xml"
check_file "$desktop"
check_file "$metainfo"
desktop-file-validate "$desktop" || fail "desktop-file-validate $desktop"
appstream-util validate-relax --nonet "$metainfo" || fail "appstream-util validate-relax $metainfo"
[ "$mode" = package ] && prefix_seen=/usr || prefix_seen=$prefix
grep -q "<image>file://$prefix_seen/share/pennyvale/screenshots/main-window.png</image>" \
  "$metainfo" || fail "the metainfo's screenshot is not the installed copy"
if [ -d "$source/resources/bank" ]; then
  check_file "$data/bank/computer/tax.html"
fi

# The desktop entry's command, started with the installed program first on the path and a home of
# its own, as a family member's menu would start it.
command=$(sed -n 's/^Exec=//p' "$desktop" | sed 's/ %[fFuUdDnNickvm]//g')
[ -n "$command" ] || fail "the desktop entry has no Exec line"
start() { # start <home> [VAR=value...]: runs the command offscreen, its output in $work/out
  local home=$1
  shift
  (cd / && env -u PENNYVALE_HOME -u XDG_DATA_HOME -u XDG_CONFIG_HOME -u XDG_RUNTIME_DIR \
    HOME="$home" PATH="$prefix/bin:$PATH" QT_QPA_PLATFORM=offscreen LC_ALL=C.UTF-8 "$@" \
    timeout 60 $command --check-start) >"$work/out" 2>"$work/err"
}
expect() { # expect <text>: a line of the last start's output
  grep -qxF -- "$1" "$work/out" || fail "expected '$1' in: $(cat "$work/out" "$work/err")"
}

home="$work/home"
mkdir -p "$home"
ledger="$home/.local/share/pennyvale/DataBase/Hearthbook.mdb"
start "$home" || fail "first start ended with status $?: $(cat "$work/err")"
expect "login shown: 系统登录"
expect "ledger: $ledger (open)"
expect "help: $data/Pennyvale帮助手册.chm (found)"
expect "settings: $home/.config/Pennyvale/fClient.ini"
grep -q "^tax page: $data/bank/computer/tax.html" "$work/out" ||
  fail "the tax page is not looked for in $data: $(cat "$work/out")"
check_file "$ledger"

# The next start opens the same ledger rather than making a new one.
sqlite3 "$ledger" 'create table KeptByNextStart(Mark integer); insert into KeptByNextStart values (7);'
start "$home" || fail "second start ended with status $?: $(cat "$work/err")"
expect "ledger: $ledger (open)"
[ "$(sqlite3 "$ledger" 'select Mark from KeptByNextStart' 2>/dev/null)" = 7 ] ||
  fail "the second start did not keep the ledger"

# $PENNYVALE_HOME and $XDG_DATA_HOME choose the folder, as scripts/run does.
start "$home" PENNYVALE_HOME="$work/family" || fail "start with PENNYVALE_HOME: $(cat "$work/err")"
expect "ledger: $work/family/DataBase/Hearthbook.mdb (open)"
start "$home" XDG_DATA_HOME="$work/xdg" || fail "start with XDG_DATA_HOME: $(cat "$work/err")"
expect "ledger: $work/xdg/pennyvale/DataBase/Hearthbook.mdb (open)"

# A ledger folder that cannot be made is reported, and the program does not start.
touch "$work/not-a-folder"
if start "$home" PENNYVALE_HOME="$work/not-a-folder"; then
  fail "a start in a file instead of a folder succeeded"
fi
grep -q "^message: 无法进入账本文件夹" "$work/err" || fail "no message for a bad ledger folder"

if ((failures)); then
  echo "$failures check(s) failed" >&2
  exit 1
fi
echo "installed $mode: all checks passed"
