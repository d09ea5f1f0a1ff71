#!/usr/bin/env bash
# Takes main-window.png, the metainfo's screenshot, from the real program: the
# demo's samples loaded and dragged onto four tracks, everything named, under a
# private X server. Needs xvfb, xdotool and imagemagick.
#   packaging/screenshots/take.sh [path/to/zembra]   (default: build/release/bin/zembra)
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
source_dir=$(cd "$here/../.." && pwd)
zembra=${1:-$source_dir/build/release/bin/zembra}
for tool in Xvfb xdotool import convert; do
  command -v "$tool" >/dev/null || { echo "error: $tool is missing" >&2; exit 1; }
done

work=$(mktemp -d)
pids=()
trap 'kill "${pids[@]}" 2>/dev/null; rm -rf "$work"' EXIT
Xvfb -displayfd 3 -screen 0 1280x800x24 -nolisten tcp 3>"$work/display" 2>/dev/null &
pids+=($!)
for _ in $(seq 100); do [ -s "$work/display" ] && break; sleep 0.1; done
export DISPLAY=":$(cat "$work/display")"
unset QT_QPA_PLATFORMTHEME QT_QPA_PLATFORM

"$zembra" 2>/dev/null &
pids+=($!)
window=$(timeout 30 xdotool search --sync --onlyvisible --name '^Zembra$' | head -n 1)
# Without a window manager the window sits at 0,0; coordinates are the layout's.
xdotool mousemove 80 307 click 1
dialog=$(timeout 10 xdotool search --sync --onlyvisible --name 'Find Directory' | head -n 1)
xdotool windowfocus --sync "$dialog" type --delay 20 "$source_dir/examples/samples"
xdotool key Return
sleep 1

# Press, move past the drag distance, glide onto the target, release.
drag() {
  xdotool mousemove "$1" "$2" click 1 sleep 0.2 mousedown 1 mousemove $(($1 + 15)) $(($2 + 15))
  for i in 1 2 3 4 5 6; do
    xdotool mousemove $(($1 + ($3 - $1) * i / 6)) $(($2 + ($4 - $2) * i / 6)) sleep 0.05
  done
  xdotool sleep 0.3 mouseup 1 sleep 0.3
}
# Pool rows: bass 41, hat 55, kick 69, snare 83. Tracks 0, 1, 2 below, 3 above.
drag 45 69 378 200
drag 45 83 378 200
drag 45 55 378 200
drag 45 41 240 200
drag 45 83 518 200
drag 45 55 378 100

type_into() {
  xdotool mousemove "$1" "$2" click 1 sleep 0.2 key ctrl+a type --delay 15 "$3"
}
type_into 378 252 Drums
type_into 240 252 Bass
type_into 518 252 Fill
type_into 378 149 Hats
type_into 518 78 Groove
type_into 224 307 Zembra
type_into 366 307 Demo
type_into 464 307 120
xdotool mousemove 80 200 click 1 sleep 0.5

import -window "$window" "$work/shot.png"
convert "$work/shot.png" +repage -strip "$here/main-window.png"
echo "wrote $here/main-window.png ($(identify -format '%wx%h' "$here/main-window.png"))"
