#!/usr/bin/env bash
# Drives the real main window on a 1366x768 X server, too small for the
# window: the window must fit the screen and scroll with the mouse wheel to
# the bottom of the page, and a click near the page's lower edge must
# arrive with the window coordinates of that spot. Leaves a screenshot in
# the output directory.
# Arguments: the pagimo binary, the output directory.
set -u
bin=$1
outdir=$2
. "$(dirname "$0")/xvfb_common.sh"
start_x 141 190 1366x768x24 -noreset

start_pagimo

wid=$(xdotool search --name '^unnamed$' | head -1)
[ -n "$wid" ] || fail "no main window titled unnamed"
read -r ww wh <<< "$(xdotool getwindowgeometry "$wid" | sed -nE 's/.*Geometry: ([0-9]+)x([0-9]+).*/\1 \2/p')"
[ "$ww" -le 1366 ] && [ "$wh" -le 768 ] || fail "the window is ${ww}x${wh}, larger than the screen"

# The line tool, then the page area: where it lies in the window.
read -r lx ly lw lh <<< "$(grep -m1 '^   gadget 19 at' "$out" | sed -E 's/.* at ([0-9-]+),([0-9-]+) size ([0-9]+)x([0-9]+)/\1 \2 \3 \4/')"
xdotool mousemove $((lx + lw / 2)) $((ly + lh / 2)) click 1
wait_for "-> ResetPagimoScreen(19)" 30 || fail "the line tool did not change the mode"
read -r ox oy aw ah <<< "$(grep -m1 '^   pagearea at' "$out" | sed -E 's/.* window ([0-9-]+),([0-9-]+) size ([0-9]+)x([0-9]+)/\1 \2 \3 \4/')"
[ $((oy + ah)) -gt 768 ] || fail "the page area ends at $((oy + ah)), so nothing needs scrolling"

# Scroll to the bottom with the wheel over the page.
xdotool mousemove 600 400
for _ in $(seq 1 40); do xdotool click 5; done
sleep 0.5
wait_for "view scrolled to" 10 || fail "the view did not scroll"
read -r sx sy gx gy <<< "$(grep '^   view scrolled to' "$out" | tail -1 | sed -E 's/.* to ([0-9-]+),([0-9-]+) pagearea at ([0-9-]+),([0-9-]+)/\1 \2 \3 \4/')"
[ $((gy + ah)) -le 768 ] || fail "the page area's lower edge (at $((gy + ah))) is still below the screen"

# A click on the page near its lower edge, where it shows on the screen,
# arrives with the window coordinates of that spot: 5 points above the
# page's lower edge (the page is centred in its area).
x=$((aw / 2 - 100)) y=$((ah - (ah - 842) / 2 - 5))
xdotool mousemove $((gx + x)) $((gy + y))
sleep 0.3
xdotool click 1
wait_for "   button 232 at" 30 || fail "the click on the page did not arrive"
for code in 104 232; do
    grep -q -- "   button $code at $((ox + x)),$((oy + y))\$" "$out" ||
        fail "button $code did not arrive at $((ox + x)),$((oy + y)): $(grep "   button $code" "$out")"
done

mkdir -p "$outdir"
import -window root "$outdir/xvfb-scrolled-window.png" || fail "no screenshot"

kill "$pid" 2>/dev/null
wait "$pid" 2>/dev/null
pid=""
echo "1 passed, 0 failed"
