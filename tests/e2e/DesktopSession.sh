#!/bin/sh
# Runs a command on a fresh virtual display with a window manager, as a person's
# desktop has one: windows get title bars and are placed as a real session places them.
# The command starts once the window manager says it is running (its start-up command
# touches a file), so nothing depends on how long it takes to start.
# The session has no message bus: without this address the toolkit's accessibility
# bridge has one started by forking a helper from the program, a child that can hang
# forever under the address sanitizer; an address that fails at once makes it give up.
# Usage: DesktopSession.sh COMMAND [ARGS...]
export DBUS_SESSION_BUS_ADDRESS=unix:path=/dev/null/no-session-bus
exec xvfb-run -a -s "-screen 0 1280x1024x24" sh -c '
ready=$(mktemp -u)
wm=""
if command -v openbox >/dev/null 2>&1; then
  openbox --sm-disable --startup "touch $ready" >/dev/null 2>&1 &
  wm=$!
  tries=0
  while [ ! -e "$ready" ] && [ $tries -lt 1500 ]; do sleep 0.02; tries=$((tries + 1)); done
  rm -f "$ready"
fi
"$@"
status=$?
[ -n "$wm" ] && kill "$wm" 2>/dev/null
exit $status' sh "$@"
