#!/usr/bin/env bash
# Drives the real main window in an X server: a click on a tool button and
# on the page must arrive as the right messages, the quit question is
# answered from a requester file, and a second start hands over to the
# first. Leaves a screenshot of the main window in the output directory.
# Arguments: the pagimo binary, the output directory.
set -u
bin=$1
outdir=$2
. "$(dirname "$0")/xvfb_common.sh"
start_x 91 140 1920x1200x24

printf '0\n2\n' > "$scratch/answers"
start_pagimo

read -r lx ly <<< "$(centre 19)"
xdotool mousemove "$lx" "$ly" click 1
wait_for "-> Message 00020013" 30 || fail "the line tool's click did not arrive as gadget 19"
wait_for "-> ResetPagimoScreen(19)" 30 || fail "the line tool did not change the mode"

read -r ax ay aw ah <<< "$(grep '^   pagearea at' "$out" | tail -1 | sed -E 's/.* at ([0-9-]+),([0-9-]+) window .* size ([0-9]+)x([0-9]+)/\1 \2 \3 \4/')"
xdotool mousemove $((ax + aw / 2)) $((ay + ah / 2))
sleep 0.3
xdotool click 1
wait_for "-> Message 00100000 code 104" 30 || fail "the button press on the page did not arrive"
wait_for "-> Message 00100000 code 232" 30 || fail "the button release on the page did not arrive"
grep -q -- "-> Message 000f0000" "$out" || fail "no pointer move arrived"

mkdir -p "$outdir"
import -window root "$outdir/xvfb-main-window.png" || fail "no screenshot"

# An unsaved project: the quit question, answered Cancel from the file.
read -r tx ty <<< "$(centre 36)"
xdotool mousemove "$tx" "$ty" click 1
wait_for "-> InsertPage" 30 || fail "the insert-page button did not work"
wid=$(xdotool search --name '^unnamed$' | head -1)
[ -n "$wid" ] || fail "no main window titled unnamed"
xdotool windowfocus --sync "$wid" 2>/dev/null
xdotool key --window "$wid" ctrl+q
wait_for "The current project is not saved." 30 || fail "quitting an unsaved project did not ask"
wait_for "   answer 0" 30 || fail "the requester was not answered from the file"
sleep 0.5
kill -0 "$pid" 2>/dev/null || fail "Cancel did not keep the program running"

# A second start hands over to the first and ends with 0.
timeout 20 "$bin" Debug=Off > "$scratch/second.txt" 2>&1
rc=$?
[ $rc -eq 0 ] || fail "the second start ended with $rc"
wait_for "another start asked for this instance" 30 || fail "the first instance was not asked"

# Quit again; the file answers Discard.
xdotool windowfocus --sync "$wid" 2>/dev/null
xdotool key --window "$wid" ctrl+q
for _ in $(seq 1 300); do kill -0 "$pid" 2>/dev/null || break; sleep 0.1; done
if kill -0 "$pid" 2>/dev/null; then fail "Discard did not end the program"; fi
wait "$pid"
rc=$?
pid=""
[ $rc -eq 0 ] || fail "the program ended with $rc"
[ -f "$scratch/PagimoOS4.cfg" ] || fail "no configuration written"

# The example project from the command line: an object list row fills the
# property gadgets, and Create PDF writes a file with a progress window.
example=$(dirname "$0")/../examples/example.pfz
printf '%s\n' "$scratch/fromwindow" > "$scratch/answers2"
export PAGIMO_REQUESTERS=$scratch/answers2
"$bin" "$example" > "$out" 2>&1 &
pid=$!
wait_for "-> MainLoop()" 20 || fail "the main window did not open with the example"
wait_for "-> HLManager()" 30 || fail "the example did not open"
sleep 1
read -r ox oy ow oh <<< "$(grep -m1 '^   gadget 74 at' "$out" | sed -E 's/.* at ([0-9-]+),([0-9-]+) size ([0-9]+)x([0-9]+)/\1 \2 \3 \4/')"
xdotool mousemove $((ox + 40)) $((oy + 30)) click 1
wait_for "-> Message 0002004a" 30 || fail "the object list click did not arrive"
wait_for "-> SetGUIElements(27, 1, 1)" 30 || fail "the first row (a link) did not fill the link gadgets"
import -window root "$outdir/xvfb-object-list.png"
read -r px py <<< "$(centre 33)"
xdotool mousemove "$px" "$py" click 1
wait_for "-> GUIOpenWindow(3)" 30 || fail "no progress window"
for _ in $(seq 1 300); do [ -s "$scratch/fromwindow.pdf" ] && break; sleep 0.1; done
[ -s "$scratch/fromwindow.pdf" ] || fail "Create PDF wrote no file"
pdftotext "$scratch/fromwindow.pdf" - | grep -q "Welcome to Pagimo" || fail "the PDF lacks the example's text"

# The break signal ends the program even while a requester waits for the
# user (the answer file is used up, so the page-removal question stays open).
read -r rx ry <<< "$(centre 37)"
xdotool mousemove "$rx" "$ry" click 1
wait_for "Remove the page with all of them?" 30 || fail "removing a page with elements did not ask"
sleep 0.5
kill -INT "$pid"
for _ in $(seq 1 100); do kill -0 "$pid" 2>/dev/null || break; sleep 0.1; done
kill -0 "$pid" 2>/dev/null && fail "the break signal did not end the program while a requester was open"
wait "$pid"
rc=$?
pid=""
[ $rc -eq 0 ] || fail "the program ended with $rc after the break signal"
echo "1 passed, 0 failed"
