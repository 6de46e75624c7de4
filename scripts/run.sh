#!/bin/sh
# Sets up the machine, builds the program against a local development service
# (the test suite's fake service with a little seeded data) and starts both.
# The proxy core and the Windows tools are the test stand-ins on this platform.
set -eu
root="$(cd "$(dirname "$0")/.." && pwd)"
port="${ORVO_DEV_PORT:-8765}"
build="$root/build/run"

"$root/scripts/install-deps.sh"
cmake -S "$root" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
    -DORVO_API_BASE_URL="http://127.0.0.1:$port/api/v1/"
cmake --build "$build" -j "$(nproc)" --target orvo orvo_dev_service orvo_standin

# The stand-ins where the program looks for the core, and as the system tools.
standin="$build/tests/support/orvo_standin"
mkdir -p "$build/src/app/resources/vpn/x32" "$build/standin-tools" "$build/standin-log"
for name in xray.exe tun2socks.exe; do
    cp "$standin" "$build/src/app/resources/vpn/x32/$name"
done
for name in reg netsh setx taskkill tasklist; do
    cp "$standin" "$build/standin-tools/$name"
done
export PATH="$build/standin-tools:$PATH" ORVO_STANDIN_DIR="$build/standin-log"

"$build/tests/app/orvo_dev_service" "$port" &
service=$!
trap 'kill "$service" 2>/dev/null || true' EXIT INT TERM
sleep 1

if [ -n "${DISPLAY:-}" ]; then
    "$build/src/app/orvo"
else
    echo "run.sh: no DISPLAY; starting the window on a virtual screen (xvfb-run)" >&2
    xvfb-run -a -s "-screen 0 430x880x24 -nolisten tcp" "$build/src/app/orvo"
fi
