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
