#!/bin/sh
# Sets up the machine, builds the program against a local development service
# (the test suite's fake service with a little seeded data) and starts both.
# The proxy core and the Windows tools are the test stand-ins on this platform.
set -eu
root="$(cd "$(dirname "$0")/.." && pwd)"
port="${ORVO_DEV_PORT:-8765}"
build="$root/build/run"

"$root/scripts/install-deps.sh"
. "$root/scripts/dev-build.sh"
. "$root/scripts/dev-service.sh"

service=
trap '[ -z "$service" ] || kill "$service" 2>/dev/null || true' EXIT INT TERM
start_dev_service "$build/dev-service.log"

if [ -n "${DISPLAY:-}" ]; then
    "$build/src/app/orvo"
else
    echo "run.sh: no DISPLAY; starting the window on a virtual screen (xvfb-run)" >&2
    xvfb-run -a -s "-screen 0 430x880x24 -nolisten tcp" "$build/src/app/orvo"
fi
