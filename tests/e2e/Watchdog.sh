#!/bin/bash
# Runs a command; when it is still running after LIMIT seconds, prints the stack of every
# thread of each of its processes named NAME (when gdb is installed) and stops them all,
# so that a run which hangs says where it hung instead of only that it took too long.
# Usage: Watchdog.sh LIMIT NAME COMMAND [ARGS...]
limit=$1 name=$2
shift 2

# The processes below $1, read from /proc (a bare machine may lack the process tools).
descendants() {
  local stat s ppid child
  for stat in /proc/[0-9]*/stat; do
    s=$(cat "$stat" 2>/dev/null) || continue
    s=${s##*) }          # after the name, which may hold spaces: "state ppid ..."
    ppid=${s#* }
    ppid=${ppid%% *}
    [ "$ppid" = "$1" ] || continue
    child=${stat#/proc/}
    child=${child%/stat}
    echo "$child"
    descendants "$child"
  done
}

"$@" &
pid=$!
SECONDS=0
while kill -0 "$pid" 2>/dev/null; do
  if [ "$SECONDS" -ge "$limit" ]; then
    tree=$(descendants "$pid")
    echo "watchdog: still running after $limit s; stopped" >&2
    for p in $tree; do
      [ "$(cat /proc/"$p"/comm 2>/dev/null)" = "$name" ] || continue
      if command -v gdb >/dev/null 2>&1; then
        echo "watchdog: the threads of $name (process $p):" >&2
        gdb -batch -p "$p" -ex "thread apply all bt" 2>/dev/null | grep -E '^(Thread|#)' >&2
      fi
    done
    kill $tree "$pid" 2>/dev/null
    break
  fi
  sleep 0.05
done
wait "$pid"
