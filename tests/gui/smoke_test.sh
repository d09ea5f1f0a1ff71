#!/usr/bin/env bash
# Starts the real zembra program under a private X server, waits for its
# window titled "Zembra", quits with Ctrl+Q and expects exit status 0.
# Skips (status 77) only when no X server can be had here.
set -u
zembra=${1:?usage: smoke_test.sh path/to/zembra}

skip() {
  echo "SKIP: $*"
  exit 77
}
fail() {
  echo "FAIL: $*"
  [ -s "$work/err" ] && sed 's/^/  zembra: /' "$work/err" | grep -v XGetInputFocus | head -40
  exit 1
}

command -v Xvfb >/dev/null || skip "Xvfb is not installed (scripts/install-deps.sh installs it)"
command -v xdotool >/dev/null || skip "xdotool is not installed (scripts/install-deps.sh installs it)"

work=$(mktemp -d)
xvfb_pid=""
app_pid=""
cleanup() {
  [ -n "$app_pid" ] && kill "$app_pid" 2>/dev/null
  [ -n "$xvfb_pid" ] && kill "$xvfb_pid" 2>/dev/null
  wait 2>/dev/null
  rm -rf "$work"
}
trap cleanup EXIT

# Xvfb picks a free display itself and writes its number to descriptor 3.
Xvfb -displayfd 3 -screen 0 1280x800x24 -nolisten tcp 3>"$work/display" 2>"$work/xvfb.log" &
xvfb_pid=$!
for _ in $(seq 100); do
  [ -s "$work/display" ] && break
  kill -0 "$xvfb_pid" 2>/dev/null || break
  sleep 0.1
done
[ -s "$work/display" ] || skip "Xvfb could not start: $(tail -n 3 "$work/xvfb.log")"
export DISPLAY=":$(head -n 1 "$work/display")"
unset QT_QPA_PLATFORM QT_QPA_PLATFORMTHEME WAYLAND_DISPLAY
# In a sanitizer build, leaks inside system libraries are not ours to report.
export LSAN_OPTIONS=${LSAN_OPTIONS:-suppressions=$(cd "$(dirname "$0")/.." && pwd)/lsan.supp}

"$zembra" >"$work/out" 2>"$work/err" &
app_pid=$!

window=$(timeout 60 xdotool search --sync --onlyvisible --name '^Zembra$' 2>/dev/null | head -n 1)
[ -n "$window" ] || fail "no visible window titled \"Zembra\" appeared"
echo "found window $window titled \"$(xdotool getwindowname "$window")\""

# Without a window manager nothing has the keyboard focus until given it.
xdotool windowfocus --sync "$window"
xdotool key --clearmodifiers ctrl+q

for _ in $(seq 300); do
  kill -0 "$app_pid" 2>/dev/null || break
  sleep 0.1
done
kill -0 "$app_pid" 2>/dev/null && fail "zembra still runs 30 s after Ctrl+Q"
wait "$app_pid"
status=$?
app_pid=""
[ "$status" -eq 0 ] || fail "zembra exited with status $status"
echo "PASS: zembra showed its window and quit with status 0"
