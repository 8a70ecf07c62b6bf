# What the real-window tests share, sourced by each: the scratch folder and
# the program's output file, clean-up on exit, failing with the program's
# output, waiting for a trace line, and an X server of the test's own.
# The sourcing script sets bin (the pagimo binary) first.
scratch=$(mktemp -d)
out=$scratch/out.txt
pid=""
xpid=""

cleanup() {
    [ -n "$pid" ] && kill -9 "$pid" 2>/dev/null
    [ -n "$xpid" ] && kill "$xpid" 2>/dev/null
    rm -rf "$scratch"
}
trap cleanup EXIT

fail() {
    echo "FAILED: $*"
    echo "---- program output"
    grep -v '^   gadget' "$out" | tail -40
    exit 1
}

wait_for() { # pattern, seconds
    for _ in $(seq 1 $(($2 * 10))); do
        grep -q -- "$1" "$out" 2>/dev/null && return 0
        sleep 0.1
    done
    return 1
}

# start_x FIRST LAST SIZE [XVFB OPTIONS]: an X server on the first free
# display number of the range, ready when the function returns.
start_x() {
    local n
    for n in $(seq "$1" "$2"); do
        [ -e /tmp/.X$n-lock ] || [ -e /tmp/.X11-unix/X$n ] || { display=":$n"; break; }
    done
    local size=$3
    shift 3
    Xvfb "$display" -screen 0 "$size" -nolisten tcp "$@" >/dev/null 2>&1 &
    xpid=$!
    export DISPLAY=$display
    for _ in $(seq 1 50); do xdotool getdisplaygeometry >/dev/null 2>&1 && break; sleep 0.1; done
}

# start_pagimo [ARGS]: the program on that server with assigns of the test's
# own (requester answers come from $scratch/answers when it exists), up to
# its main loop; its output goes to $out.
start_pagimo() {
    mkdir -p "$scratch/T" "$scratch/fonts"
    export PAGIMO_ASSIGN_T=$scratch/T PAGIMO_ASSIGN_FONTS=$scratch/fonts XDG_CACHE_HOME=$scratch/cache
    [ -f "$scratch/answers" ] && export PAGIMO_REQUESTERS=$scratch/answers
    unset QT_QPA_PLATFORM PAGIMO_SCREEN
    cd "$scratch" || fail "no scratch folder"
    "$bin" "$@" > "$out" 2>&1 &
    pid=$!
    wait_for "-> MainLoop()" 20 || fail "the main window did not open"
    sleep 1
}

# saved_elements ARCHIVE: the elements of a saved project, a line each, as
# dump_elements ($dump) reads its element file unpacked by Info-ZIP's unzip.
saved_elements() {
    local pff
    rm -rf "$scratch/unzipped"
    unzip -q "$1" -d "$scratch/unzipped" || fail "unzip cannot open the saved project"
    pff=$(find "$scratch/unzipped" -name Elemente.pff | head -1)
    [ -n "$pff" ] || fail "no element file in the archive"
    "$dump" "$pff" || fail "the element file does not read back"
}

centre() { # gadget id -> "x y" on the screen
    grep -m1 "^   gadget $1 at" "$out" | sed -E 's/.* at ([0-9-]+),([0-9-]+) size ([0-9]+)x([0-9]+)/\1 \2 \3 \4/' |
        awk '{ print int($1 + $3 / 2), int($2 + $4 / 2) }'
}

# What a person does with the mouse: a click on a tool gadget (and the mode
# it sets), a drag moved in steps as a hand does, a click on the screen.
tool() { # gadget id
    read -r gx gy <<< "$(centre "$1")"
    xdotool mousemove "$gx" "$gy" click 1
    wait_for "-> ResetPagimoScreen($1)" 30 || fail "the tool $1 did not change the mode"
}
drag() { # x1 y1 x2 y2 on the screen
    xdotool mousemove "$1" "$2"
    sleep 0.2
    xdotool mousedown 1
    for i in 1 2 3 4; do
        xdotool mousemove $(($1 + ($3 - $1) * i / 4)) $(($2 + ($4 - $2) * i / 4))
        sleep 0.05
    done
    sleep 0.2
    xdotool mouseup 1
    sleep 0.3
}
click() { xdotool mousemove "$1" "$2"; sleep 0.2; xdotool click 1; sleep 0.3; }
