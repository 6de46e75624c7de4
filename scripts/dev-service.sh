# Sourced by run.sh and window-check.sh with $build and $port set: starting
# the development service that dev-build.sh built.

# wait_for <tenths of a second> <command...>: true once the command succeeds.
wait_for() {
    tenths=$1
    shift
    until "$@"; do
        tenths=$((tenths - 1))
        [ "$tenths" -gt 0 ] || return 1
        sleep 0.1
    done
}

# start_dev_service <log>: starts the development service in the background
# (its pid in $service) and waits until it listens.
start_dev_service() {
    "$build/tests/app/orvo_dev_service" "$port" >"$1" 2>&1 &
    service=$!
    if ! wait_for 100 grep -q '^http://' "$1"; then
        cat "$1" >&2
        return 1
    fi
}
