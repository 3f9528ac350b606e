#!/bin/sh
# `talvex --window --start 2:24:100 --loop` under a virtual X server: the run reaches its end
# fade within seconds and starts again as a fresh image of the same process (a new window,
# the same pid, no second process); Escape then ends it with exit code 0.
# Usage: loop_smoke.sh TALVEX_BINARY OUTPUT_DIR   (run inside xvfb-run)
set -u
talvex=$1
out=$2
mkdir -p "$out"
# As in window_smoke.sh: the display libraries' own allocations are not ours to report.
export ASAN_OPTIONS="${ASAN_OPTIONS:-detect_leaks=0}"
SDL_AUDIODRIVER=${SDL_AUDIODRIVER:-dummy} "$talvex" --window --start 2:24:100 --loop 2>"$out/stderr.txt" &
pid=$!
. "$(dirname "$0")/common.sh"
# Where the program's image lies in memory: a fresh image lies elsewhere (address space
# randomisation).
image_base() { head -n 1 "/proc/$pid/maps" 2>/dev/null | cut -d- -f1; }

# Up to four minutes each (a sanitized start-up on a busy machine is slow): the first window,
# then a fresh start. The new image's window may get the old one's id back from the X server,
# so a start shows as the window gone for a moment and back, or as a new image base.
deadline=$(($(date +%s) + 240))
window=""
while [ -z "$window" ]; do
  [ "$(date +%s)" -lt "$deadline" ] || fail "no Talvex window appeared"
  running || fail "talvex ended before its window appeared"
  window=$(find_window)
  sleep 0.1
done
first_base=$(image_base)
echo "first run: window $window"
deadline=$(($(date +%s) + 240))
gone=0
again=""
while [ -z "$again" ]; do
  [ "$(date +%s)" -lt "$deadline" ] || fail "the run did not start again"
  running || fail "talvex ended instead of starting again"
  window=$(find_window)
  base=$(image_base)
  if [ -z "$window" ]; then
    gone=1
  elif [ "$gone" -eq 1 ] || { [ -n "$base" ] && [ "$base" != "$first_base" ]; }; then
    again=$window
  fi
  sleep 0.05
done
echo "second run: window $again"
# The same process, its image replaced; nothing forked off it.
running || fail "talvex is gone"
children=$(ps -o pid= --ppid "$pid" | wc -l)
[ "$children" -eq 0 ] || fail "talvex has $children child processes"
name=$(ps -o comm= -p "$pid")
[ "$name" = "$(basename "$talvex")" ] || fail "after the restart the process is called '$name'"

status=""
for i in $(seq 1 600); do
  if [ $((i % 100)) -eq 1 ]; then
    window=$(find_window)
    [ -n "$window" ] && timeout 10 xdotool windowfocus --sync "$window" 2>/dev/null
    timeout 10 xdotool key Escape
  fi
  if ! running; then
    wait "$pid"
    status=$?
    break
  fi
  sleep 0.1
done
[ -n "$status" ] || { kill -9 "$pid"; fail "talvex did not quit on Escape"; }
echo "exit code: $status"
cat "$out/stderr.txt"
[ "$status" -eq 0 ]
