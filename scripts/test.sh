#!/bin/sh
# Sets up the machine, checks the formatting, then builds and runs the whole
# suite twice: a normal build and one under AddressSanitizer and
# UndefinedBehaviorSanitizer with leak reports. Between the two, the real
# program runs in a window on a virtual screen. Any failure or finding fails.
set -eu
root="$(cd "$(dirname "$0")/.." && pwd)"
cd "$root"

"$root/scripts/install-deps.sh"
"$root/scripts/format.sh" --check

jobs="$(nproc)"

cmake -S "$root" -B "$root/build/release" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
    -DORVO_WERROR=ON
cmake --build "$root/build/release" -j "$jobs"
ctest --test-dir "$root/build/release" --output-on-failure -j "$jobs"

# The program as a user starts it, against the development service.
"$root/scripts/window-check.sh"

cmake -S "$root" -B "$root/build/asan" -G Ninja -DCMAKE_BUILD_TYPE=Debug \
    -DORVO_WERROR=ON -DORVO_SANITIZE=ON
cmake --build "$root/build/asan" -j "$jobs"
ASAN_OPTIONS="detect_leaks=1:abort_on_error=0:halt_on_error=1:strict_string_checks=1" \
LSAN_OPTIONS="suppressions=$root/tests/sanitizer/lsan.supp:print_suppressions=0" \
UBSAN_OPTIONS="halt_on_error=1:print_stacktrace=1" \
    ctest --test-dir "$root/build/asan" --output-on-failure -j "$jobs"

# Every parser of untrusted input, fuzzed for a bounded time.
"$root/scripts/fuzz.sh"
