#!/bin/sh
# Runs one test binary with a home, data, config, runtime and temporary
# directory of its own, emptied first, so parallel tests never share files.
# With ORVO_TEST_SHARD=k/n set, a Qt Test or Qt Quick Test binary runs only
# every n-th of its test functions, starting at the k-th (a Quick Test names
# them <case>::<function>, and lists them on its error output); with
# ORVO_TEST_COPY_DIR=1 as well, it runs from a copy of its directory, so that
# shards moving the programs beside the binary do not meet.
set -eu
home="$1"
shift
rm -rf "$home"
mkdir -p "$home/data" "$home/config" "$home/cache" "$home/tmp" "$home/runtime"
chmod 700 "$home/runtime"
export HOME="$home" XDG_DATA_HOME="$home/data" XDG_CONFIG_HOME="$home/config" \
    XDG_CACHE_HOME="$home/cache" XDG_RUNTIME_DIR="$home/runtime" TMPDIR="$home/tmp"
export QT_QPA_PLATFORM="${QT_QPA_PLATFORM:-offscreen}"
if [ -n "${ORVO_TEST_COPY_DIR:-}" ]; then
    binary="$1"
    shift
    cp -a "$(dirname "$binary")" "$home/app"
    set -- "$home/app/$(basename "$binary")" "$@"
fi
if [ -n "${ORVO_TEST_SHARD:-}" ]; then
    shard="${ORVO_TEST_SHARD%/*}"
    shards="${ORVO_TEST_SHARD#*/}"
    functions="$("$@" -functions 2>&1 |
        sed -n 's/^\([A-Za-z_][A-Za-z0-9_]*\(::[A-Za-z_][A-Za-z0-9_]*\)\{0,1\}\)()$/\1/p' |
        awk -v k="$shard" -v n="$shards" '(NR - 1) % n == k - 1')"
    if [ -z "$functions" ]; then
        echo "run-isolated.sh: shard $ORVO_TEST_SHARD has no test functions" >&2
        exit 1
    fi
    # The names are plain identifiers: word splitting is what is meant here.
    # shellcheck disable=SC2086
    exec "$@" $functions
fi
exec "$@"
