#!/usr/bin/env bash
# Undo and redo in the real main window with the keys a person uses: a
# saved page of a rectangle and a line gets a new rectangle, loses the
# first one to Delete and the line to a move off the page; Ctrl+Z three
# times and Ctrl+S save exactly the page that was saved before, and Ctrl+Y
# brings the drawn rectangle back. The archives are read back through
# Info-ZIP's unzip. Leaves screenshots in the output directory.
# Arguments: the pagimo binary, dump_elements, the output directory.
set -u
bin=$1
dump=$2
outdir=$3
. "$(dirname "$0")/xvfb_common.sh"
start_x 291 340 1920x1200x24 -noreset
mkdir -p "$outdir"

printf '%s\n' "$scratch/page.pfz" > "$scratch/answers"
start_pagimo
wid=$(xdotool search --name '^unnamed$' | head -1)
[ -n "$wid" ] || fail "no main window titled unnamed"

key() { xdotool windowfocus --sync "$wid" 2>/dev/null; xdotool key --window "$wid" "$1"; sleep 0.4; }
saved() { saved_elements "$scratch/page.pfz"; }
save() {
    local before
    before=$(stat -c %Y.%s "$scratch/page.pfz" 2>/dev/null)
    key ctrl+s
    for _ in $(seq 1 100); do
        [ -s "$scratch/page.pfz" ] && [ "$(stat -c %Y.%s "$scratch/page.pfz")" != "$before" ] && break
        sleep 0.1
    done
    sleep 0.5
}

read -r ax ay aw ah <<< "$(grep '^   pagearea at' "$out" | tail -1 | sed -E 's/.* at ([0-9-]+),([0-9-]+) window .* size ([0-9]+)x([0-9]+)/\1 \2 \3 \4/')"
cx=$((ax + aw / 2)) cy=$((ay + 250))

tool 25
drag $((cx - 200)) "$cy" $((cx - 50)) $((cy + 100))
tool 19
drag $((cx + 50)) $((cy - 100)) $((cx + 200)) $((cy - 100))
save
[ -s "$scratch/page.pfz" ] || fail "Save as wrote no project"
original=$(saved)
[ "$(printf '%s\n' "$original" | wc -l)" -eq 2 ] || fail "the first save does not hold two elements: $original"

# Three changes: a new rectangle, the first one deleted, the line moved off.
tool 25
drag $((cx - 200)) $((cy + 200)) $((cx + 100)) $((cy + 300))
tool 18
click $((cx - 200)) $((cy + 50))
key Delete
wait_for "-> DeleteSelection(1)" 20 || fail "Delete did not remove the rectangle"
click $((cx + 120)) $((cy - 100))
key ctrl+m
drag $((cx - 280)) $((cy - 50)) $((cx + 290)) $((cy - 50))
import -window root "$outdir/xvfb-undo-changed.png" || fail "no screenshot"
wait_for "   history: step .* (226)" 20 || fail "the move off the page made no step"

key ctrl+z
key ctrl+z
key ctrl+z
[ "$(grep -c -- "-> Undo: " "$out")" -eq 3 ] || fail "Ctrl+Z did not undo three times"
import -window root "$outdir/xvfb-undo-undone.png" || fail "no screenshot"
save
[ "$(saved)" = "$original" ] || fail "three undos did not give the saved page back: $(saved)"

key ctrl+y
[ "$(grep -c -- "-> Redo: " "$out")" -eq 1 ] || fail "Ctrl+Y did not redo"
save
redone=$(saved)
[ "$(printf '%s\n' "$redone" | wc -l)" -eq 3 ] || fail "the redone page does not hold three elements: $redone"
printf '%s\n' "$redone" | grep -q "^1 25 .* 1 -\$" || fail "no rectangle after the redo"
printf '%s\n' "$original" | while read -r l; do
    printf '%s\n' "$redone" | grep -qxF "$l" || { echo "missing: $l"; exit 1; }
done || fail "the redo lost an element of the saved page"
import -window root "$outdir/xvfb-undo-redone.png" || fail "no screenshot"

kill "$pid" 2>/dev/null
wait "$pid" 2>/dev/null
pid=""
echo "1 passed, 0 failed"
