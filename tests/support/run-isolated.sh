#!/bin/sh
# Runs one test binary with a home, data, config, runtime and temporary
# directory of its own, emptied first, so parallel tests never share files.
set -eu
home="$1"
shift
rm -rf "$home"
mkdir -p "$home/data" "$home/config" "$home/cache" "$home/tmp" "$home/runtime"
chmod 700 "$home/runtime"
export HOME="$home" XDG_DATA_HOME="$home/data" XDG_CONFIG_HOME="$home/config" \
    XDG_CACHE_HOME="$home/cache" XDG_RUNTIME_DIR="$home/runtime" TMPDIR="$home/tmp"
export QT_QPA_PLATFORM="${QT_QPA_PLATFORM:-offscreen}"
exec "$@"
