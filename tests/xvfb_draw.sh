#!/usr/bin/env bash
# Lays out a page in the real main window with the mouse and the keys, as a
# person does: xdotool drags draw a rectangle, a line and a text line, an
# upward lasso selects all three, a click and Delete remove the line, a
# click, Ctrl+C and Ctrl+V copy the rectangle, and Save as writes the
# project. The saved archive, opened by Info-ZIP's unzip, must hold exactly
# what the screen showed, at the window coordinates the clicks arrived at.
# Runs on the screen size given (the small one scrolls the view first).
# Leaves screenshots in the output directory.
# Arguments: the pagimo binary, dump_elements, the output directory, the
# screen size (WxH).
set -u
bin=$1
dump=$2
outdir=$3
size=$4
. "$(dirname "$0")/xvfb_common.sh"
start_x 191 240 "${size}x24" -noreset
tag=${size}
mkdir -p "$outdir"

printf '%s\n' "$scratch/drawn.pfz" > "$scratch/answers"
start_pagimo
wid=$(xdotool search --name '^unnamed$' | head -1)
[ -n "$wid" ] || fail "no main window titled unnamed"

releases() { grep -c -- "-> Message 00100000 code 232" "$out"; }

# The drags below are measured at 100 %, which Ctrl+1 shows on any screen.
xdotool windowfocus --sync "$wid" 2>/dev/null
xdotool key --window "$wid" ctrl+1
wait_for "zoom 1.000000" 10 || fail "Ctrl+1 did not show the page at 100 %"
sleep 0.3

# On a small screen the page is reached by scrolling: the view's upper part
# is enough here, so only its position on the screen matters.
read -r ax ay ox oy zoom aw ah <<< "$(grep '^   pagearea at' "$out" | tail -1 |
    sed -E 's/.* at ([0-9-]+),([0-9-]+) window ([0-9.-]+),([0-9.-]+) zoom ([0-9.]+) size ([0-9]+)x([0-9]+)/\1 \2 \3 \4 \5 \6 \7/')"
# The middle of the page's upper half, where every drag stays on the page
# and on the smallest screen.
cx=$((ax + aw / 2))
cy=$((ay + 320))
[ "$cy" -lt 600 ] || cy=600
win() { # screen -> window, through the zoom the page opened at
    awk -v x="$1" -v y="$2" -v ax="$ax" -v ay="$ay" -v ox="$ox" -v oy="$oy" -v z="$zoom" \
        'function fl(v) { return v < 0 ? -int(-v + 0.999999) : int(v) }
         BEGIN { print fl(ox + (x - ax) / z), fl(oy + (y - ay) / z) }'
}

tool 25
drag $((cx - 200)) $((cy - 150)) $((cx - 50)) $((cy - 50))
tool 19
drag $((cx + 100)) $((cy - 150)) $((cx + 200)) $((cy - 50))
tool 20
read -r tx ty <<< "$(centre 51)"
click "$tx" "$ty"
xdotool key --delay 30 ctrl+a BackSpace
xdotool type --delay 30 "Hello Xvfb"
sleep 0.3
drag $((cx - 200)) $((cy + 60)) $((cx - 200)) $((cy + 60))
import -window root "$outdir/xvfb-drawn-$tag.png" || fail "no screenshot"

# An upward lasso over all three takes them.
tool 18
drag $((cx + 250)) $((cy + 100)) $((cx - 250)) $((cy - 200))
wait_for "-> LassoSelect(1) toggled 3" 20 || fail "the lasso did not take the three elements: $(grep LassoSelect "$out")"
import -window root "$outdir/xvfb-lasso-$tag.png" || fail "no screenshot"

# Empty paper deselects; a click on the line selects it alone; Delete.
click $((cx + 50)) $((cy + 200))
click $((cx + 150)) $((cy - 100))
xdotool windowfocus --sync "$wid" 2>/dev/null
xdotool key --window "$wid" Delete
wait_for "-> DeleteSelection(1)" 20 || fail "Delete did not remove the one selected element"

# A click on the rectangle's top edge, then Ctrl+C and Ctrl+V.
click $((cx - 120)) $((cy - 150))
xdotool key --window "$wid" ctrl+c
wait_for "-> EditCommand(60) with 1 selected" 20 || fail "Ctrl+C did not copy the selected element"
xdotool key --window "$wid" ctrl+v
wait_for "-> EditCommand(62)" 20 || fail "Ctrl+V did not paste"
sleep 0.3
import -window root "$outdir/xvfb-copied-$tag.png" || fail "no screenshot"

# Save (an unnamed project asks for its name, answered from the file).
xdotool key --window "$wid" ctrl+s
for _ in $(seq 1 100); do [ -s "$scratch/drawn.pfz" ] && break; sleep 0.1; done
[ -s "$scratch/drawn.pfz" ] || fail "Save as wrote no project"
sleep 0.5

saved_elements "$scratch/drawn.pfz" > "$scratch/elements"
cat "$scratch/elements"

read -r r1x r1y <<< "$(win $((cx - 200)) $((cy - 150)))"
read -r r2x r2y <<< "$(win $((cx - 50)) $((cy - 50)))"
read -r t1x t1y <<< "$(win $((cx - 200)) $((cy + 60)))"
expect() { grep -q -- "$1" "$scratch/elements" || fail "the saved page lacks: $2"; }
expect "^1 25 $r1x $r1y $r2x $r2y 1 -\$" "the rectangle where it was drawn"
expect "^1 25 $((r1x + 25)) $((r1y + 25)) $((r2x + 25)) $((r2y + 25)) 1 -\$" "its copy 25 pixels on"
expect "^1 20 [0-9]* [0-9]* $t1x $t1y 1 Hello Xvfb\$" "the text line on its release point"
[ "$(grep -c '^1 19 ' "$scratch/elements")" -eq 0 ] || fail "the deleted line was saved"
[ "$(wc -l < "$scratch/elements")" -eq 3 ] || fail "the saved page does not hold three elements"

kill "$pid" 2>/dev/null
wait "$pid" 2>/dev/null
pid=""
echo "1 passed, 0 failed"
