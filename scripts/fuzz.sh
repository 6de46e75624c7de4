#!/bin/sh
# Builds the libFuzzer targets with clang and runs each from its seed corpus
# for a bounded time (FUZZ_SECONDS, default 60). Any finding fails, and the
# input that caused it is printed.
set -eu
root="$(cd "$(dirname "$0")/.." && pwd)"
seconds="${FUZZ_SECONDS:-60}"
build="$root/build/fuzz"

CC=clang-14 CXX=clang++-14 cmake -S "$root" -B "$build" -G Ninja \
    -DCMAKE_BUILD_TYPE=RelWithDebInfo -DORVO_FUZZ=ON -DORVO_BUILD_TESTS=OFF
cmake --build "$build" -j "$(nproc)" --target orvo_fuzzers

status=0
for target in "$build"/fuzz/fuzz_*; do
    [ -f "$target" ] && [ -x "$target" ] || continue
    name="$(basename "$target")"
    seeds="$root/fuzz/corpus/${name#fuzz_}"
    work="$(mktemp -d)"
    mkdir -p "$work/corpus"
    [ -d "$seeds" ] && cp "$seeds"/* "$work/corpus/" 2>/dev/null || true
    echo "== $name: ${seconds}s"
    if (cd "$work" && "$target" -max_total_time="$seconds" -timeout=10 -rss_limit_mb=2048 \
            -print_final_stats=1 corpus) >"$work/log" 2>&1; then
        grep -E "stat::number_of_executed_units" "$work/log" || true
    else
        status=1
        tail -n 60 "$work/log"
        for input in "$work"/crash-* "$work"/leak-* "$work"/timeout-* "$work"/oom-*; do
            [ -f "$input" ] || continue
            echo "-- input that caused it ($(basename "$input")), as hex:"
            od -A x -t x1z -v "$input" | head -n 64
        done
    fi
    rm -rf "$work"
done
exit "$status"
