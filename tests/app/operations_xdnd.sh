#!/usr/bin/env bash
# A real drop between two processes on a private X server: the drag source helper drags a picture
# file onto the running program by the X drag-and-drop protocol, driven by synthetic mouse input.
# Passes when the program's original-size label changes, the program's final answer to the source
# (XdndFinished) says the drop was not accepted and nothing was done, and the file is still there.
# Exit 77 (skipped) when there is no Xvfb.
set -u
program=${1:?usage: operations_xdnd.sh PATH-TO-TAVREL PATH-TO-DRAG-SOURCE}
source_helper=${2:?usage: operations_xdnd.sh PATH-TO-TAVREL PATH-TO-DRAG-SOURCE}
if ! command -v Xvfb >/dev/null; then
  echo "SKIP: Xvfb is not installed (Debian package xvfb)"
  exit 77
fi
for tool in xdotool xwininfo; do
  command -v "$tool" >/dev/null || { echo "FAIL: $tool is not installed (Debian packages xdotool, x11-utils)"; exit 1; }
done

work=$(mktemp -d)
pids=()
cleanup() {
  for pid in "${pids[@]}"; do kill "$pid" 2>/dev/null; done
  rm -rf "$work"
}
trap cleanup EXIT

exec 5>"$work/display"
Xvfb -displayfd 5 -screen 0 1280x1024x24 -nolisten tcp >"$work/xvfb.log" 2>&1 &
pids+=($!)
for _ in $(seq 50); do
  [ -s "$work/display" ] && break
  sleep 0.1
done
exec 5>&-
[ -s "$work/display" ] || { echo "FAIL: Xvfb did not start"; cat "$work/xvfb.log"; exit 1; }
export DISPLAY=":$(head -n1 "$work/display")"
unset QT_QPA_PLATFORM WAYLAND_DISPLAY
# In a sanitizer build, leaks the desktop libraries keep until exit are not ours.
export LSAN_OPTIONS="${LSAN_OPTIONS:+$LSAN_OPTIONS:}suppressions=$(cd "$(dirname "$0")" && pwd)/lsan.supp"

picture="$work/dropped.png"
"$source_helper" --make-png "$picture" 64 48 || { echo "FAIL: could not make the picture"; exit 1; }

"$program" >"$work/program.log" 2>&1 &
pids+=($!)
if ! window=$(timeout 20 xdotool search --sync --onlyvisible --name '^Tavrel$' 2>/dev/null | head -n1) || [ -z "$window" ]; then
  echo "FAIL: no window titled Tavrel appeared"; cat "$work/program.log"; exit 1
fi
sleep 0.5
geometry() { xwininfo -id "$1" | awk -v key="$2" -F: '$0 ~ key {gsub(/ /, "", $2); print $2}'; }
left=$(geometry "$window" "Absolute upper-left X")
top=$(geometry "$window" "Absolute upper-left Y")

# The original-size label lies at (16, 113), 208 x 24, in the window; the preview box at (242, 10).
"$source_helper" "$picture" $((left + 16)) $((top + 113)) 208 24 >"$work/source.out" 2>"$work/source.log" &
source_pid=$!
pids+=("$source_pid")
if ! timeout 20 xdotool search --sync --onlyvisible --name '^tavrel-drag-source$' >/dev/null 2>&1; then
  echo "FAIL: the drag source did not show"; cat "$work/source.log"; exit 1
fi
sleep 0.5

# Press in the source, move over the preview box in steps so each move is seen, and release.
target_x=$((left + 450))
target_y=$((top + 220))
xdotool mousemove 60 60 mousedown 1
sleep 0.3
for step in 1 2 3 4 5 6 7 8 9 10; do
  xdotool mousemove $((60 + (target_x - 60) * step / 10)) $((60 + (target_y - 60) * step / 10))
  sleep 0.1
done
xdotool mousemove $((target_x + 2)) $((target_y + 2))
sleep 0.3
xdotool mouseup 1

for _ in $(seq 100); do
  kill -0 "$source_pid" 2>/dev/null || break
  sleep 0.1
done
cat "$work/source.out"
failed=0
grep -q '^finished: not accepted, no action$' "$work/source.out" || { echo "FAIL: the source did not hear 'not performed'"; failed=1; }
grep -q '^label changed: yes$' "$work/source.out" || { echo "FAIL: the original-size label did not change"; failed=1; }
[ -f "$picture" ] || { echo "FAIL: the dragged file is gone"; failed=1; }
if [ $failed -ne 0 ]; then
  echo "--- program output"; cat "$work/program.log"
  echo "--- drag source output"; cat "$work/source.log"
fi
exit $failed
