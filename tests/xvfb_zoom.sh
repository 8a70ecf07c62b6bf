#!/usr/bin/env bash
# The page view of the real main window on a laptop screen (1366x768): the
# window fits the screen and opens with the whole page; Ctrl+1 and
# Ctrl+wheel zoom, so that a 40x30 red picture covers about 1,200 red
# pixels at 100 % and about 4,800 at 200 %; the wheel scrolls the page
# while the menu bar and toolbar stay, and the middle button pans it; a
# drag with the select tool at 200 % moves the picture by half the
# distance on the screen, as the saved project shows. Leaves screenshots in the output directory.
# Arguments: the pagimo binary, dump_elements, the output directory.
set -u
bin=$1
dump=$2
outdir=$3
. "$(dirname "$0")/xvfb_common.sh"
start_x 141 190 1366x768x24 -noreset
mkdir -p "$outdir"

convert -size 40x30 xc:red "$scratch/red.png" || fail "no picture made"
printf '%s\n' "$scratch/red.png" "$scratch/zoomed" > "$scratch/answers"
start_pagimo

wid=$(xdotool search --name '^unnamed$' | head -1)
[ -n "$wid" ] || fail "no main window titled unnamed"
read -r ww wh <<< "$(xdotool getwindowgeometry "$wid" | sed -nE 's/.*Geometry: ([0-9]+)x([0-9]+).*/\1 \2/p')"
[ "$ww" -le 1366 ] && [ "$wh" -le 768 ] || fail "the window is ${ww}x${wh}, larger than the screen"

view() { grep '^   pagearea at' "$out" | tail -1; }
zoom() { view | sed -E 's/.* zoom ([0-9.]+) .*/\1/'; }
awk -v z="$(zoom)" 'BEGIN { exit !(z < 1) }' || fail "the window did not open at Fit page: $(view)"
import -window root "$outdir/xvfb-zoom-fit.png" || fail "no screenshot"

# The red pixels of the screen.
red() {
    import -window root "$scratch/shot.png"
    convert "$scratch/shot.png" -fill black +opaque red -fill white -opaque red -format '%[fx:int(mean*w*h+0.5)]' info:
}

xdotool windowfocus --sync "$wid" 2>/dev/null
xdotool key --window "$wid" ctrl+1
wait_for "zoom 1.000000" 10 || fail "Ctrl+1 did not show 100 %"
read -r ax ay aw ah <<< "$(view | sed -E 's/.* at ([0-9-]+),([0-9-]+) window .* size ([0-9]+)x([0-9]+)/\1 \2 \3 \4/')"

# A picture placed with a click, at its own size.
tool 21
px=$((ax + aw / 2 - 100)) py=$((ay + 200))
click "$px" "$py"
wait_for "-> ReDrawPage" 20 || fail "the picture was not placed"
sleep 0.5
n=$(red)
[ "$n" -ge 1100 ] && [ "$n" -le 1300 ] || fail "at 100 % the picture covers $n red pixels, not about 1,200"

# Ctrl+wheel over the picture: 125 %, 150 %, 200 %, around the pointer.
xdotool mousemove $((px + 20)) $((py + 15))
sleep 0.2
xdotool keydown ctrl click 4 click 4 click 4 keyup ctrl
wait_for "zoom 2.000000" 10 || fail "Ctrl+wheel did not zoom to 200 %: $(view)"
sleep 0.5
n=$(red)
[ "$n" -ge 4500 ] && [ "$n" -le 5100 ] || fail "at 200 % the picture covers $n red pixels, not about 4,800"
import -window root "$outdir/xvfb-zoom-200.png"

# Save, then move the picture with the select tool by (100, 60) on the
# screen, and save again.
saved() { saved_elements "$scratch/zoomed.pfz" | grep '^1 21 '; }
xdotool key --window "$wid" ctrl+s
for _ in $(seq 1 100); do [ -s "$scratch/zoomed.pfz" ] && break; sleep 0.1; done
before=$(saved)
[ -n "$before" ] || fail "the saved project holds no picture"
tool 18
click $((px + 20)) $((py + 15))
drag $((px + 20)) $((py + 15)) $((px + 120)) $((py + 75))
rm -f "$scratch/zoomed.pfz"
xdotool key --window "$wid" ctrl+s
for _ in $(seq 1 100); do [ -s "$scratch/zoomed.pfz" ] && break; sleep 0.1; done
after=$(saved)
read -r _ _ bx1 by1 bx2 by2 _ <<< "$before"
read -r _ _ mx1 my1 mx2 my2 _ <<< "$after"
[ $((mx1 - bx1)) -eq 50 ] && [ $((my1 - by1)) -eq 30 ] && [ $((mx2 - bx2)) -eq 50 ] ||
    fail "a drag of 100,60 at 200 % moved the picture from '$before' to '$after', not by 50,30"

# The wheel scrolls the page; the menu bar and the toolbar stay.
convert "$scratch/shot.png" -crop 1366x60+0+0 +repage "$scratch/top-before.png"
xdotool mousemove $((ax + aw / 2)) $((ay + ah / 2))
for _ in $(seq 1 10); do xdotool click 5; done
sleep 0.5
import -window root "$scratch/shot.png"
convert "$scratch/shot.png" -crop 1366x60+0+0 +repage "$scratch/top-after.png"
[ "$(compare -metric AE "$scratch/top-before.png" "$scratch/top-after.png" null: 2>&1)" = "0" ] ||
    fail "the menu bar or the toolbar moved while the page scrolled"
cp "$scratch/shot.png" "$outdir/xvfb-zoom-scrolled.png"

# A drag with the middle button pans: 100 screen pixels down at 200 % show
# 50 points more of the page's top.
top() { view | sed -E 's/.* window [0-9.-]+,([0-9.-]+) .*/\1/'; }
before=$(top)
xdotool mousemove $((ax + aw / 2)) $((ay + 200)) mousedown 2
for i in 1 2 3 4; do xdotool mousemove $((ax + aw / 2)) $((ay + 200 + 25 * i)); sleep 0.05; done
xdotool mouseup 2
sleep 0.5
awk -v a="$before" -v b="$(top)" 'BEGIN { exit !(a - b > 49 && a - b < 51) }' ||
    fail "a middle-button drag of 100 pixels at 200 % panned from $before to $(top)"

kill "$pid" 2>/dev/null
wait "$pid" 2>/dev/null
pid=""
echo "1 passed, 0 failed"
