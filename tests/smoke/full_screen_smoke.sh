#!/bin/sh
# Full screen and back under a bare X server (no window manager), as a keyboard would do it:
# `talvex` starts full screen, F11 makes it a window, Alt+Enter full screen again, Escape ends
# it. Each time the window must have the size asked for and show the picture whole, centred
# and 4:3 (the rest black), in one and the same process.
# Usage: full_screen_smoke.sh TALVEX_BINARY OUTPUT_DIR   (inside xvfb-run, screen 1920x1080)
set -u
talvex=$1
out=$2
mkdir -p "$out"
# As in window_smoke.sh: the display libraries' own allocations are not ours to report.
export ASAN_OPTIONS="${ASAN_OPTIONS:-detect_leaks=0}"
screen=$(xwininfo -root | sed -n 's/.*geometry \([0-9]*x[0-9]*\).*/\1/p')
[ "$screen" = "1920x1080" ] || { echo "needs a 1920x1080 screen, not '$screen'"; exit 1; }

# The tunnel with the credits fills the whole picture for half a minute.
SDL_AUDIODRIVER=${SDL_AUDIODRIVER:-dummy} "$talvex" --start 1:4:0 2>"$out/stderr.txt" &
pid=$!
. "$(dirname "$0")/common.sh"

window=""
for _ in $(seq 1 600); do
  window=$(find_window)
  [ -n "$window" ] && break
  running || fail "talvex ended before its window appeared"
  sleep 0.2
done
[ -n "$window" ] || fail "no Talvex window appeared"

# Place and size of the window: X Y WIDTH HEIGHT.
geometry() {
  [ -n "$window" ] || return 0
  xwininfo -id "$window" 2>/dev/null | awk '/Absolute upper-left X/ {x=$NF} /Absolute upper-left Y/ {y=$NF}
                                            /Width:/ {w=$NF} /Height:/ {h=$NF} END {print x, y, w, h}'
}

# Waits (up to four minutes: a sanitized start-up on a busy machine is slow) until the window has the
# geometry given and the screen's lit part is the picture of a window of that size: inside
# the 4:3 display's 640x400 area (at 80,100 of 800x600, centred and scaled), at least three
# quarters of it in each direction, and nothing lit outside.
expect_view() {
  want="$1 $2 $3 $4"
  name=$5
  # The display: the largest 4:3 rectangle in the window, centred; the picture within it.
  dw=$(($3 * 3 > $4 * 4 ? $4 * 4 / 3 : $3))
  dh=$((dw * 3 / 4))
  px=$(($1 + ($3 - dw) / 2 + dw / 10))
  py=$(($2 + ($4 - dh) / 2 + dh / 6))
  pw=$((dw * 4 / 5))
  ph=$((dh * 2 / 3))
  deadline=$(($(date +%s) + 240))
  while [ "$(date +%s)" -lt "$deadline" ]; do
    running || fail "talvex ended ($name)"
    window=$(find_window)
    got=$(geometry)
    if [ "$got" = "$want" ]; then
      xwd -root -silent >"$out/screen.xwd" &&
        ffmpeg -loglevel error -y -i "$out/screen.xwd" -pix_fmt rgb24 "$out/$name.png"
      rm -f "$out/screen.xwd"
      # The box around every pixel brighter than 24 (cropdetect alone goes by line averages).
      crop=$(ffmpeg -hide_banner -i "$out/$name.png" \
        -vf "format=gray,lut=y='if(gt(val,24),255,0)',cropdetect=limit=0:round=2:skip=0" -f null - 2>&1 |
        sed -n 's/.*crop=\([0-9:]*\).*/\1/p' | tail -n 1)
      if [ -n "$crop" ]; then
        IFS=: read -r cw ch cx cy <<END
$crop
END
        if [ "$cx" -ge $((px - 2)) ] && [ "$cy" -ge $((py - 2)) ] &&
          [ $((cx + cw)) -le $((px + pw + 2)) ] && [ $((cy + ch)) -le $((py + ph + 2)) ] &&
          [ $((cw * 4)) -ge $((pw * 3)) ] && [ $((ch * 4)) -ge $((ph * 3)) ]; then
          echo "$name: window $got, picture ${cw}x${ch} at $cx,$cy (expected within ${pw}x${ph} at $px,$py)"
          return 0
        fi
      fi
    fi
    sleep 0.3
  done
  fail "$name: window '$got' (expected '$want'), lit part '$crop' (expected within ${pw}x${ph} at $px,$py)"
}

key() {
  timeout 10 xdotool windowfocus --sync "$window" 2>/dev/null
  timeout 10 xdotool key "$1"
}

expect_view 0 0 1920 1080 full_screen
key F11
expect_view 560 240 800 600 window
key alt+Return
expect_view 0 0 1920 1080 full_screen_again

key Escape
status=""
for i in $(seq 1 300); do
  if ! running; then
    wait "$pid"
    status=$?
    break
  fi
  [ "$i" -eq 100 ] && key Escape
  sleep 0.1
done
[ -n "$status" ] || { kill -9 "$pid"; fail "talvex did not quit on Escape"; }
echo "exit code: $status"
cat "$out/stderr.txt"
[ "$status" -eq 0 ]
