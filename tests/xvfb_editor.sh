#!/usr/bin/env bash
# Textboxes and the text editor in the real window: a textbox drawn with
# the mouse shows a UTF-8 letter and a second box drawn for the same file
# continues it; the editor button opens the editor on the first box with its
# text, typed text is saved with the editor's Save button, and after leaving
# the editor the saved project holds the new text and its PDF every word
# once, in order. Leaves screenshots in the output directory.
# Arguments: the pagimo binary, the output directory.
set -u
bin=$1
outdir=$2
. "$(dirname "$0")/xvfb_common.sh"
start_x 241 290 1920x1200x24 -noreset
mkdir -p "$outdir"

{
    printf 'Liebe Grüße aus Köln, „Anna“ – 5 €.\n\n'
    for n in $(seq 1 16); do printf 'Absatz %s mit einigen Wörtern, die über die Zeile hinaus laufen und umbrechen. ' "$n"; done
    printf '\nSchluss.\n'
} > "$scratch/brief.txt"
# Only the first box's file comes from the answer file; the second box's
# file and the project's name are typed into the real file requesters.
printf '%s\n' "$scratch/brief.txt" > "$scratch/answers"
# The project's drawer is the scratch folder, where the file requesters
# then start: only short names are typed (a long path typed into Qt's file
# dialog races its completion list, which can swallow keys).
start_pagimo "DataPath=$scratch"
wid=$(xdotool search --name '^unnamed$' | head -1)
[ -n "$wid" ] || fail "no main window titled unnamed"

read -r ax ay aw ah <<< "$(grep '^   pagearea at' "$out" | tail -1 | sed -E 's/.* at ([0-9-]+),([0-9-]+) window .* size ([0-9]+)x([0-9]+)/\1 \2 \3 \4/')"
cx=$((ax + aw / 2)) cy=$((ay + 300))

read -r tx ty <<< "$(centre 22)"
click "$tx" "$ty"
wait_for "-> ResetPagimoScreen(22)" 20 || fail "the textbox tool did not change the mode"
xdotool mousemove $((cx - 200)) $((cy - 100)); sleep 0.2
xdotool mousedown 1
for i in 1 2 3 4; do xdotool mousemove $((cx - 200 + 75 * i)) $((cy - 100 + 50 * i)); sleep 0.05; done
xdotool mouseup 1
wait_for "-> SetTextboxFile" 20 || fail "drawing a textbox did not ask for its text file"
sleep 1
# A second box for the same file, lower down, continues the text.
click "$tx" "$ty"
xdotool mousemove $((cx - 200)) $((cy + 200)); sleep 0.2
xdotool mousedown 1
for i in 1 2 3 4; do xdotool mousemove $((cx - 200 + 75 * i)) $((cy + 200 + 50 * i)); sleep 0.05; done
xdotool mouseup 1
sleep 1
[ "$(grep -c -- "-> SetTextboxFile" "$out")" -ge 2 ] || fail "the second box did not ask for its file"
# The existing file is chosen in the real requester: it opens, and nothing
# asks whether to replace it.
type_into_requester() { # title, path
    local w
    for _ in $(seq 1 50); do w=$(xdotool search --onlyvisible --name "^$1\$" | head -1); [ -n "$w" ] && break; sleep 0.1; done
    [ -n "$w" ] || fail "no requester titled $1"
    xdotool windowfocus --sync "$w" 2>/dev/null
    xdotool key --window "$w" ctrl+a
    xdotool type --window "$w" --delay 20 "$2"
    # The first Return may only close the name completion's list.
    for _ in 1 2; do
        sleep 0.5
        [ -n "$(xdotool search --onlyvisible --name "^$1\$")" ] || break
        xdotool key --window "$w" Return
    done
    sleep 1
}
boxes_before=$(grep -c -- "-> AddGObject(1" "$out")
type_into_requester "Insert a textbox" "brief.txt"
[ -z "$(xdotool search --onlyvisible --name '^Insert a textbox$')" ] || {
    import -window root "$outdir/xvfb-requester.png"
    fail "choosing an existing text file asked a question"
}
[ "$(grep -c -- "-> AddGObject(1" "$out")" -gt "$boxes_before" ] || fail "the second box was not made"
import -window root "$outdir/xvfb-textboxes.png" || fail "no screenshot"

read -r sx sy <<< "$(centre 18)"
click "$sx" "$sy"
click $((cx - 100)) $((cy - 50))
read -r ex ey <<< "$(centre 57)"
click "$ex" "$ey"
wait_for "-> GUIOpenWindow(2)" 20 || fail "the editor button did not open the editor"
sleep 1
import -window root "$outdir/xvfb-editor.png" || fail "no screenshot"
edwin=$(xdotool search --name '^Text editor$' | head -1)
[ -n "$edwin" ] || fail "no editor window"

# Type at the end of the text, save, leave.
xdotool windowfocus --sync "$edwin" 2>/dev/null
xdotool key --window "$edwin" ctrl+End
xdotool type --window "$edwin" --delay 30 "Neu getippt."
sleep 0.3
read -r vx vy <<< "$(centre 71)"
click "$vx" "$vy"
wait_for "-> Message 00020047" 20 || fail "the Save button did not arrive"
read -r qx qy <<< "$(centre 72)"
click "$qx" "$qy"
wait_for "-> GUICloseWindow(2)" 20 || fail "the editor did not close"
sleep 0.5
import -window root "$outdir/xvfb-editor-left.png" || fail "no screenshot"

xdotool windowfocus --sync "$wid" 2>/dev/null
xdotool key --window "$wid" ctrl+s
type_into_requester "Save as" "letter.pfz"
for _ in $(seq 1 100); do [ -s "$scratch/letter.pfz" ] && break; sleep 0.1; done
[ -s "$scratch/letter.pfz" ] || fail "the project was not saved"
sleep 0.5
text=$(unzip -p "$scratch/letter.pfz" PAG4/Texte/brief.txt) || fail "the text file is not in the project"
case "$text" in
*"Liebe Grüße aus Köln, „Anna“ – 5 €."*"Neu getippt."*) ;;
*) fail "the saved text is not the edited one: $text" ;;
esac

kill "$pid" 2>/dev/null
wait "$pid" 2>/dev/null
pid=""

# The PDF of the saved project: every word once, in order, across both boxes.
"$bin" --pdf "$scratch/letter.pdf" "$scratch/letter.pfz" > /dev/null 2>&1 || fail "the saved project does not export"
flat() { tr '\f' ' ' | tr -s '[:space:]' ' ' | sed 's/^ //; s/ $//'; }
# A word hyphenated at a line's end is whole again.
words=$(pdftotext "$scratch/letter.pdf" - | flat | sed -E 's/([[:alpha:]])- ([[:lower:]])/\1\2/g')
want=$(unzip -p "$scratch/letter.pfz" PAG4/Texte/brief.txt | flat)
[ "$words" = "$want" ] || fail "the PDF's words are not the text's: $words"
echo "1 passed, 0 failed"
