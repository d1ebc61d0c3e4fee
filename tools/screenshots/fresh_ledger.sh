# Sourced by the screenshot scripts: finds the program in the build tree and moves into a
# temporary folder, removed at exit, that holds a freshly created ledger.
# Sets top (the repository), bin and program.
top=$(cd "$(dirname "${BASH_SOURCE[1]}")/../.." && pwd)
bin="$top/${PENNYVALE_BUILD:-build}/bin"
program="$bin/pennyvale"
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
cd "$work"
"$program" --create-database >/dev/null
