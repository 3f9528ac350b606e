# Shared by the smoke tests that watch a running talvex: $pid is the program, $out the folder
# holding its stderr.txt.

# Whether talvex still runs (a finished child stays a zombie until waited for).
running() {
  state=$(ps -o stat= -p "$pid" 2>/dev/null)
  [ -n "$state" ] && [ "${state#Z}" = "$state" ]
}

# Says why, what is left of the program and its windows, and ends the test.
fail() {
  echo "$1"
  running && echo "talvex is running" || echo "talvex is not running"
  xwininfo -root -tree 2>&1 | grep -i talvex
  cat "$out/stderr.txt"
  kill "$pid" 2>/dev/null
  exit 1
}

# The visible window of that name (SDL may make and drop others on the way).
find_window() { xdotool search --onlyvisible --name '^Talvex$' 2>/dev/null | tail -n 1; }
