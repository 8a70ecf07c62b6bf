#!/usr/bin/env bash
# Builds Pagimo, its tests and the fuzz harnesses with AddressSanitizer and
# UndefinedBehaviorSanitizer in build-asan/ and runs the whole test suite
# there, leak checking on: any memory error, undefined behaviour or leak in
# the program's own code fails the run. Called by .ci/run after ./test;
# extra arguments go to ctest. Relies on the packages ./test installs.
set -e
top=$(cd "$(dirname "$0")/.." && pwd)
build="$top/build-asan"
if [ ! -f "$build/build.ninja" ]; then
    cmake -S "$top" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DPAGIMO_SANITIZE=ON
fi
cmake --build "$build" -- -j2

# Leaks inside system libraries (fontconfig's and Qt's caches) are suppressed
# by library in tests/lsan.supp; none of ours are.
export ASAN_OPTIONS="detect_leaks=1:abort_on_error=1:detect_stack_use_after_return=1:check_initialization_order=1"
export UBSAN_OPTIONS="halt_on_error=1:print_stacktrace=1"
export LSAN_OPTIONS="suppressions=$top/tests/lsan.supp:print_suppressions=0"
# libstdc++'s regex matcher recurses once per character; with the larger
# frames of an instrumented build the tests' matches on whole qpdf dumps
# need more than the usual 8 MiB of stack.
ulimit -s 262144
cd "$build"
exec ctest --output-on-failure -j2 "$@"
