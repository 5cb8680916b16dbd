#!/usr/bin/env bash
# Starts the built program on a private X server, checks where and how big its window is, closes
# it with Esc and expects exit code 0. Exit 77 (skipped) when there is no Xvfb to run it on.
set -u
program=${1:?usage: smoke.sh PATH-TO-TAVREL}
if ! command -v Xvfb >/dev/null; then
  echo "SKIP: Xvfb is not installed (Debian package xvfb)"
  exit 77
fi
for tool in xdotool xwininfo xprop; do
  command -v "$tool" >/dev/null || { echo "FAIL: $tool is not installed (Debian packages xdotool, x11-utils)"; exit 1; }
done

screen_width=1280
screen_height=1024
work=$(mktemp -d)
xvfb_pid=""
program_pid=""
cleanup() {
  [ -n "$program_pid" ] && kill "$program_pid" 2>/dev/null
  [ -n "$xvfb_pid" ] && kill "$xvfb_pid" 2>/dev/null
  rm -rf "$work"
}
trap cleanup EXIT

# A free display: Xvfb writes the number it took to the descriptor it is given.
exec 5>"$work/display"
Xvfb -displayfd 5 -screen 0 "${screen_width}x${screen_height}x24" -nolisten tcp >"$work/xvfb.log" 2>&1 &
xvfb_pid=$!
for _ in $(seq 50); do
  [ -s "$work/display" ] && break
  sleep 0.1
done
exec 5>&-
if [ ! -s "$work/display" ]; then
  echo "FAIL: Xvfb did not start"; cat "$work/xvfb.log"; exit 1
fi
export DISPLAY=":$(head -n1 "$work/display")"
unset QT_QPA_PLATFORM WAYLAND_DISPLAY
# In a sanitizer build, leaks the desktop libraries keep until exit are not the program's.
export LSAN_OPTIONS="${LSAN_OPTIONS:+$LSAN_OPTIONS:}suppressions=$(cd "$(dirname "$0")" && pwd)/lsan.supp"

"$program" >"$work/program.log" 2>&1 &
program_pid=$!

if ! window=$(timeout 20 xdotool search --sync --onlyvisible --name '^Tavrel$' 2>/dev/null | head -n1) || [ -z "$window" ]; then
  echo "FAIL: no window titled Tavrel appeared"; cat "$work/program.log"; exit 1
fi
# Let the window settle before measuring it.
sleep 0.5

failed=0
geometry() { xwininfo -id "$1" | awk -v key="$2" -F: '$0 ~ key {gsub(/ /, "", $2); print $2}'; }
x=$(geometry "$window" "Absolute upper-left X")
y=$(geometry "$window" "Absolute upper-left Y")
width=$(geometry "$window" "Width")
height=$(geometry "$window" "Height")
if xprop -root _NET_SUPPORTING_WM_CHECK 2>/dev/null | grep -q 'window id'; then
  # With a window manager the outer size, frame included, is 666 x 464.
  extents=$(xprop -id "$window" _NET_FRAME_EXTENTS 2>/dev/null | awk -F' = ' '{print $2}' | tr -d ' ')
  IFS=, read -r left right top bottom <<<"${extents:-0,0,0,0}"
  outer_width=$(( width + left + right ))
  outer_height=$(( height + top + bottom ))
  echo "window manager present; outer ${outer_width}x${outer_height} (client ${width}x${height})"
  [ "$outer_width" = 666 ] && [ "$outer_height" = 464 ] || { echo "FAIL: expected outer 666 x 464"; failed=1; }
else
  # No window manager: no frame, so the client is the whole 666 x 464, centred on the screen.
  echo "no window manager; window ${width}x${height} at ${x},${y}"
  [ "$width" = 666 ] && [ "$height" = 464 ] || { echo "FAIL: expected 666 x 464"; failed=1; }
  expected_x=$(( (screen_width - 666) / 2 ))
  expected_y=$(( (screen_height - 464) / 2 ))
  [ "$x" = "$expected_x" ] && [ "$y" = "$expected_y" ] || { echo "FAIL: expected at $expected_x,$expected_y"; failed=1; }
fi
xprop -id "$window" WM_CLASS | grep -q '"Tavrel"' || { echo "FAIL: class name is not Tavrel"; failed=1; }

# Esc as the keyboard sends it, to the focused window.
xdotool windowfocus --sync "$window" >/dev/null 2>&1
xdotool key Escape 2>/dev/null
status=""
for _ in $(seq 50); do
  if ! kill -0 "$program_pid" 2>/dev/null; then
    wait "$program_pid"; status=$?; break
  fi
  sleep 0.1
done
if [ -z "$status" ]; then
  echo "FAIL: still running 5 s after Esc"; cat "$work/program.log"; exit 1
fi
program_pid=""
if [ "$status" != 0 ]; then
  echo "FAIL: exit code $status after Esc"; cat "$work/program.log"; exit 1
fi
echo "closed by Esc with exit code 0"
exit $failed
