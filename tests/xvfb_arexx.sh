#!/usr/bin/env bash
# The ARexx tools in the real main window: each shipped tool is chosen in
# the chooser and a picture is placed with a drag, the file requester
# answered from the requester file; the saved project's pictures have the
# tools' sizes, and a picture named like shell commands runs nothing.
# Arguments: the pagimo binary, the output directory.
set -u
bin=$1
outdir=$2
. "$(dirname "$0")/xvfb_common.sh"
start_x 141 190 1920x1200x24

mkdir -p "$scratch/T" "$scratch/fonts"
hostile="$scratch/my photo 'q' \$(touch x) \`touch x\`; touch x.png"
convert -size 400x300 xc:blue "$scratch/photo.png" || fail "no picture made"
cp "$scratch/photo.png" "$hostile"
# One picture a tool, the hostile one last, then the saved project's name.
printf '%s\n' "$scratch/photo.png" "$scratch/photo.png" "$scratch/photo.png" "$scratch/photo.png" \
    "$hostile" "$scratch/saved" > "$scratch/answers"
export PAGIMO_ASSIGN_T=$scratch/T PAGIMO_ASSIGN_FONTS=$scratch/fonts PAGIMO_REQUESTERS=$scratch/answers
unset QT_QPA_PLATFORM PAGIMO_SCREEN
cd "$scratch"
"$bin" > "$out" 2>&1 &
pid=$!
wait_for "-> MainLoop()" 20 || fail "the main window did not open"
sleep 1

box() { # gadget id -> "x y width height" on the screen
    grep -m1 "^   gadget $1 at" "$out" | sed -E 's/.* at ([0-9-]+),([0-9-]+) size ([0-9]+)x([0-9]+)/\1 \2 \3 \4/'
}
centre() { box "$1" | awk '{ print int($1 + $3 / 2), int($2 + $4 / 2) }'; }

read -r px py <<< "$(centre 21)"  # the picture tool
xdotool mousemove "$px" "$py" click 1
wait_for "-> ResetPagimoScreen(21)" 30 || fail "the picture tool did not change the mode"
read -r ax ay aw ah <<< "$(grep '^   pagearea at' "$out" | tail -1 | sed -E 's/.* at ([0-9-]+),([0-9-]+) window .* size ([0-9]+)x([0-9]+)/\1 \2 \3 \4/')"
read -r cx cy <<< "$(centre 81)"
# The page (DIN A4, 595 × 842 points) lies in the middle of the page area.
qx=$((ax + (aw - 595) / 2))
qy=$((ay + (ah - 842) / 2))

# choose N: the N-th tool of the chooser, by the keyboard in its list.
choose() {
    xdotool mousemove "$cx" "$cy" click 1
    sleep 0.5
    xdotool key Home
    for _ in $(seq 1 "$1"); do xdotool key Down; done
    xdotool key Return
    sleep 0.5
}

# place N X Y W H: the picture placed with tool N by a drag, page-relative.
place() {
    local runs done
    runs=$(grep -c -- "-> CheckARexxTool($1)" "$out")
    done=$(grep -c "^   rexx ARexx/.*: 0$" "$out")
    choose "$1"
    xdotool mousemove $((qx + $2)) $((qy + $3)) mousedown 1
    sleep 0.2
    xdotool mousemove $((qx + $2 + $4 / 2)) $((qy + $3 + $5 / 2))
    sleep 0.2
    xdotool mousemove $((qx + $2 + $4)) $((qy + $3 + $5)) mouseup 1
    for _ in $(seq 1 300); do
        [ "$(grep -c -- "-> CheckARexxTool($1)" "$out")" -gt "$runs" ] && break
        sleep 0.1
    done
    [ "$(grep -c -- "-> CheckARexxTool($1)" "$out")" -gt "$runs" ] || fail "tool $1 did not run"
    for _ in $(seq 1 300); do
        [ "$(grep -c "^   rexx ARexx/.*: 0$" "$out")" -gt "$done" ] && break
        sleep 0.1
    done
    [ "$(grep -c "^   rexx ARexx/.*: 0$" "$out")" -gt "$done" ] || fail "tool $1 failed"
    sleep 0.5
    # The picture path names the placed copy: the tool button empties it,
    # so the next drag asks for a picture again.
    xdotool mousemove "$px" "$py" click 1
    sleep 0.5
}

place 1 50 50 20 20
place 2 50 500 20 20
place 3 400 50 20 20
place 4 300 500 200 150
place 1 50 300 20 20
mkdir -p "$outdir"
import -window root "$outdir/xvfb-arexx.png"

read -r sx sy <<< "$(centre 31)"
xdotool mousemove "$sx" "$sy" click 1
for _ in $(seq 1 300); do [ -s "$scratch/saved.pfz" ] && break; sleep 0.1; done
[ -s "$scratch/saved.pfz" ] || fail "the project was not saved"
mkdir "$scratch/unpacked"
(cd "$scratch/unpacked" && unzip -q ../saved.pfz) || fail "the saved project does not unpack"
sizes=$(for f in "$scratch"/unpacked/PAG4/Bilder/*; do identify -format '%w %h\n' "$f"; done | sort)
expected=$(printf '%s\n' "200 150" "300 400" "300 400" "300 400" "400 300" | sort)
[ "$sizes" = "$expected" ] || fail "the saved pictures are $sizes"
[ -e "$scratch/x" ] && fail "the hostile name ran a command"
ls "$scratch"/unpacked/PAG4/Bilder | grep -qF "my photo 'q'" || fail "the hostile picture is not in the project"
kill -INT "$pid"
wait "$pid"
pid=""
echo "1 passed, 0 failed"
