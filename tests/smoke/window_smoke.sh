#!/bin/sh
# A real window under a virtual X server: start `talvex --window`, let it run a second, take a
# screenshot (it must not be all black), send Escape and expect a clean exit.
# Usage: window_smoke.sh TALVEX_BINARY OUTPUT_DIR   (run inside xvfb-run)
set -u
talvex=$1
out=$2
mkdir -p "$out"
# In a sanitized build, the leak checker would report the display drivers' and D-Bus's own
# allocations, which outlive every program using them; our code is leak-checked by the unit tests.
export ASAN_OPTIONS="${ASAN_OPTIONS:-detect_leaks=0}"
SDL_AUDIODRIVER=${SDL_AUDIODRIVER:-dummy} "$talvex" --window 2>"$out/stderr.txt" &
pid=$!

window=""
for _ in $(seq 1 100); do
  window=$(xdotool search --name '^Talvex$' 2>/dev/null | head -n 1)
  [ -n "$window" ] && break
  sleep 0.1
done
if [ -z "$window" ]; then
  echo "no Talvex window appeared"
  kill -0 "$pid" 2>/dev/null && echo "talvex is running" || echo "talvex is not running"
  xwininfo -root -tree 2>&1 | head -n 12
  cat "$out/stderr.txt"
  kill "$pid" 2>/dev/null; exit 1
fi
sleep 1

# The count and the first scene's opening frames are dark; something lit must show within
# a few seconds either way.
brightest=0
for _ in $(seq 1 20); do
  xwd -root -silent >"$out/screen.xwd" && ffmpeg -loglevel error -y -i "$out/screen.xwd" "$out/screen.png"
  rm -f "$out/screen.xwd"
  brightest=$(ffmpeg -loglevel error -i "$out/screen.png" \
    -vf "format=gray,signalstats,metadata=print:key=lavfi.signalstats.YMAX:file=-" -f null - |
    sed -n 's/.*YMAX=//p')
  brightest=${brightest:-0}
  [ "$brightest" -gt 0 ] && break
  sleep 0.2
done
echo "brightest grey on the screen: $brightest"

# Focus the window (there is no window manager) and press Escape as a keyboard would.
xdotool windowfocus --sync "$window" 2>/dev/null
xdotool key Escape
status=""
for i in $(seq 1 300); do
  if ! kill -0 "$pid" 2>/dev/null; then
    wait "$pid"; status=$?; break
  fi
  if [ "$i" -eq 100 ]; then
    echo "still running 10 s after Escape; pressing it again"
    xdotool windowfocus --sync "$window" 2>/dev/null
    xdotool key --window "$window" Escape
  fi
  sleep 0.1
done
if [ -z "$status" ]; then
  echo "talvex did not quit on Escape"; kill -9 "$pid"; exit 1
fi
echo "exit code: $status"; cat "$out/stderr.txt"
[ "$status" -eq 0 ] || exit 1
[ "$brightest" -gt 0 ] || { echo "the screenshot is all black"; exit 1; }
