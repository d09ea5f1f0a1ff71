#!/usr/bin/env bash
# Runs the real zembra program under a private X server:
#  1. from the build tree: its window titled "Zembra" appears; Ctrl+Q ends it with status 0,
#     so does Ctrl+Q in VAG Flipper opened from the keyboard, and so does a close request
#     from the window's close box;
#  2. alone in a folder without its plug-in: a message names the plug-in; dismissed, status 1;
#  3. installed with `cmake --install` into a temporary prefix (when the build folder is
#     given): it finds its plug-in, shows its window and quits with status 0;
#  4. with a song named on the command line (when zembra-cli is beside it to build one):
#     the song is opened at start, its samples written to a folder named after it;
#  5. File > Import Audio with paths typed into its dialogs: the new sample stands in the pool.
# Skips (status 77) only when no X server can be had here.
set -u
zembra=${1:?usage: smoke_test.sh path/to/zembra [build folder]}
build=${2:-}

skip() {
  echo "SKIP: $*"
  exit 77
}
fail() {
  echo "FAIL: $*"
  [ -s "$work/err" ] && grep -v XGetInputFocus "$work/err" | sed 's/^/  zembra: /' | head -40
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

# A display of our own: Xvfb picks a free number itself and writes it to
# descriptor 3, so parallel runs never share one. -noreset: by default the
# server resets when its last client leaves, and a program started during the
# reset is refused ("could not connect to display"), which is what happened
# between one case's exit and the next case's start.
Xvfb -displayfd 3 -noreset -screen 0 1280x800x24 -nolisten tcp 3>"$work/display" 2>"$work/xvfb.log" &
xvfb_pid=$!
for _ in $(seq 300); do
  [ -s "$work/display" ] && break
  kill -0 "$xvfb_pid" 2>/dev/null || break
  sleep 0.1
done
[ -s "$work/display" ] || skip "Xvfb could not start: $(tail -n 3 "$work/xvfb.log")"
export DISPLAY=":$(head -n 1 "$work/display")"
# Start nothing before the server answers a client of its own.
for _ in $(seq 300); do
  xdotool getdisplaygeometry >/dev/null 2>&1 && break
  kill -0 "$xvfb_pid" 2>/dev/null || fail "Xvfb ended: $(tail -n 3 "$work/xvfb.log")"
  sleep 0.1
done
xdotool getdisplaygeometry >/dev/null 2>&1 || fail "display $DISPLAY accepts no connection"
unset QT_QPA_PLATFORM QT_QPA_PLATFORMTHEME WAYLAND_DISPLAY
# In a sanitizer build, leaks inside system libraries are not ours to report,
# and the X keyboard library hands strndup buffers without a final NUL, which
# the strict string check reports although strndup never reads past n.
export LSAN_OPTIONS=${LSAN_OPTIONS:-suppressions=$(cd "$(dirname "$0")/.." && pwd)/lsan.supp}
export ASAN_OPTIONS="${ASAN_OPTIONS:+$ASAN_OPTIONS:}strict_string_checks=0"

# Waits for a visible window whose title matches `pattern` and gives it the
# keyboard (there is no window manager to do so); its id is left in $found.
focus_window() {
  local pattern=$1 what=$2
  found=""
  # Generous limits: a sanitizer build on a busy machine starts slowly.
  for _ in $(seq 600); do
    found=$(xdotool search --onlyvisible --name "$pattern" 2>/dev/null | head -n 1)
    [ -n "$found" ] && break
    kill -0 "$app_pid" 2>/dev/null || fail "$what: zembra ended early"
    sleep 0.2
  done
  [ -n "$found" ] || fail "$what: no window titled $pattern appeared"
  xdotool windowfocus --sync "$found"
}

# Waits up to 60 s for zembra to end and checks its exit status.
wait_exit() {
  local expected=$1 what=$2
  for _ in $(seq 600); do
    kill -0 "$app_pid" 2>/dev/null || break
    sleep 0.1
  done
  kill -0 "$app_pid" 2>/dev/null && fail "$what: still running 60 s after its last key"
  wait "$app_pid"
  local status=$?
  app_pid=""
  [ "$status" -eq "$expected" ] || fail "$what: exit status $status, expected $expected"
}

# Waits up to 60 s for `file` to be written.
wait_for_file() {
  for _ in $(seq 300); do
    [ -s "$1" ] && break
    sleep 0.2
  done
}

# Starts a program (with any further arguments), waits for its window titled
# "Zembra", sends `key` to it (or "close": the close box's request) and checks
# the exit status.
run_case() {
  local program=$1 key=$2 expected=$3 what=$4
  shift 4
  "$program" "$@" >"$work/out" 2>"$work/err" &
  app_pid=$!
  focus_window '^Zembra$' "$what"
  local window=$found
  if [ "$key" = close ]; then
    python3 "$(dirname "$0")/wm_close.py" "$window" || fail "$what: cannot send the close request"
  elif [ "$key" = patcher+ctrl+q ]; then
    # Tools -> Patch VAG Files by keyboard (File menu, Right twice), then
    # Ctrl+Q with the patcher in front.
    for step in alt+f Right Right Return; do
      xdotool key --clearmodifiers "$step"
      sleep 0.3
    done
    focus_window '^VAG Flipper$' "$what"
    xdotool key --clearmodifiers ctrl+q
  else
    xdotool key --clearmodifiers "$key"
  fi
  wait_exit "$expected" "$what"
  echo "ok: $what (exit status $expected)"
}

run_case "$zembra" ctrl+q 0 "build tree: window shown, Ctrl+Q"
run_case "$zembra" patcher+ctrl+q 0 "build tree: VAG Flipper opened by keyboard, Ctrl+Q there"
if command -v python3 >/dev/null; then
  run_case "$zembra" close 0 "build tree: window closed by its close box"
else
  echo "note: python3 missing, close box case not run"
fi

mkdir "$work/lonely"
cp "$zembra" "$work/lonely/zembra"
run_case "$work/lonely/zembra" Return 1 "without its plug-in: message dismissed"
grep -q 'compressplugin' "$work/err" || fail "the start-up failure does not name the plug-in"

# File > Import Audio... (Ctrl+I): the WAV's path typed into the file dialog,
# then the working folder into the folder dialog. The new sample must be
# written and stand selected in the pool: Ctrl+1 puts the selection on a
# track and Save Sheet (Ctrl+S) writes the sheet that says so.
import_case() {
  local what="File > Import Audio: a WAV typed into the dialog becomes a sample in the pool"
  mkdir -p "$work/import/samples"
  python3 - "$work/import/chime.wav" <<'PY' || fail "$what: cannot write the WAV"
import math, struct, sys, wave
with wave.open(sys.argv[1], "wb") as out:
    out.setnchannels(1)
    out.setsampwidth(2)
    out.setframerate(22050)
    out.writeframes(b"".join(struct.pack("<h", int(12000 * math.sin(i * 0.19)))
                             for i in range(11025)))
PY
  "$zembra" >"$work/out" 2>"$work/err" &
  app_pid=$!
  focus_window '^Zembra$' "$what"
  local window=$found
  xdotool key --clearmodifiers ctrl+i
  focus_window '^Open$' "$what"
  xdotool type --delay 10 "$work/import/chime.wav"
  xdotool key Return
  focus_window '^Find Directory$' "$what"
  xdotool type --delay 10 "$work/import/samples"
  xdotool key Return
  wait_for_file "$work/import/samples/chime.vag"
  [ -s "$work/import/samples/chime.vag" ] || fail "$what: no chime.vag was written"
  sleep 1
  xdotool windowfocus --sync "$window"
  xdotool key --clearmodifiers ctrl+1 ctrl+s
  focus_window '^Save As$' "$what"
  xdotool type --delay 10 "$work/import/sheet.json"
  xdotool key Return
  wait_for_file "$work/import/sheet.json"
  grep -q '"chime.vag"' "$work/import/sheet.json" 2>/dev/null ||
    fail "$what: the new sample was not selected in the pool"
  xdotool windowfocus --sync "$window"
  xdotool key --clearmodifiers ctrl+q
  wait_exit 0 "$what"
  echo "ok: $what"
}
if command -v python3 >/dev/null; then
  import_case
else
  echo "note: python3 missing, import case not run"
fi

cli="$(dirname "$zembra")/zembra-cli"
demo="$(cd "$(dirname "$0")/../.." && pwd)/examples/demo.json"
if [ -x "$cli" ] && [ -f "$demo" ]; then
  mkdir "$work/song"
  "$cli" build "$demo" -o "$work/song/demo.bjs" >/dev/null 2>"$work/err" ||
    fail "zembra-cli could not build the demo song"
  run_case "$zembra" ctrl+q 0 "a song named on the command line" "$work/song/demo.bjs"
  [ -s "$work/song/demo/sample00.vag" ] || fail "the song named on the command line was not opened"
else
  echo "note: zembra-cli or the demo song missing, command line song case not run"
fi

if [ -n "$build" ]; then
  for component in app plugin; do
    cmake --install "$build" --prefix "$work/prefix" --component "$component" >/dev/null ||
      fail "cmake --install of $component failed"
  done
  for file in share/applications/zembra.desktop share/icons/hicolor/scalable/apps/zembra.svg; do
    [ -s "$work/prefix/$file" ] || fail "not installed: $file"
  done
  run_case "$work/prefix/bin/zembra" ctrl+q 0 "installed: plug-in found, window shown, Ctrl+Q"
fi
echo "PASS"
