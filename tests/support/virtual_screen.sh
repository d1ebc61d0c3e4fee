#!/usr/bin/env bash
# Runs a command on a virtual screen of its own (1024x768, 24 bits) and returns its exit status.
# Xvfb picks a free display itself and says which (-displayfd), so tests that run at the same
# time never race for one display number, as "xvfb-run -a" can.
set -uo pipefail
channel=$(mktemp -u)
mkfifo "$channel"
Xvfb -displayfd 3 -screen 0 1024x768x24 -nolisten tcp 3>"$channel" 2>/dev/null &
server=$!
command=""
# Told to stop (a time limit, a closed terminal, Ctrl+C), the script ends the command and the
# screen before it goes, so neither is left running on its own.
stop() {
  [ -n "$command" ] && kill -TERM "$command" 2>/dev/null && wait "$command" 2>/dev/null
  kill "$server" 2>/dev/null
  wait "$server" 2>/dev/null
  exit "$1"
}
trap 'stop 129' HUP
trap 'stop 130' INT
trap 'stop 143' TERM
display=""
read -r -t 30 display <"$channel"
rm -f "$channel"
if [ -z "$display" ]; then
  kill "$server" 2>/dev/null
  echo "virtual_screen.sh: Xvfb did not start" >&2
  exit 125
fi
# The command runs in the background so that a stop signal is acted on at once rather than when
# the command ends. It keeps the script's input and meets Ctrl+C and Ctrl+\ as the script did
# (a background command would otherwise ignore them).
(
  trap - INT QUIT
  DISPLAY=":$display" exec "$@"
) <&0 &
command=$!
wait "$command"
status=$?
command=""
kill "$server" 2>/dev/null
wait "$server" 2>/dev/null
exit $status
