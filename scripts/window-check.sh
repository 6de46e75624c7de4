#!/bin/sh
# Starts the real program on a virtual screen against the development service,
# waits past the splash page, saves screenshots of both pages, checks the
# window's size, closes the window as a window manager would and checks that
# the program exits 0. Run after scripts/install-deps.sh; the test command does.
set -eu
root="$(cd "$(dirname "$0")/.." && pwd)"
port="${ORVO_DEV_PORT:-8765}"
build="$root/build/run"
out="$build/window-check"

if [ "${1:-}" != "--on-display" ]; then
    . "$root/scripts/dev-build.sh"
    rm -rf "$out"
    mkdir -p "$out/home"
    exec xvfb-run -a -s "-screen 0 1280x1024x24 -nolisten tcp" "$0" --on-display
fi

. "$root/scripts/dev-service.sh"

# A first start: no stored login, nothing left from an earlier run.
export HOME="$out/home" XDG_CONFIG_HOME="$out/home/.config" \
    XDG_DATA_HOME="$out/home/.local/share" XDG_CACHE_HOME="$out/home/.cache" \
    XDG_RUNTIME_DIR="$out/home/runtime"
mkdir -p "$XDG_RUNTIME_DIR"
chmod 700 "$XDG_RUNTIME_DIR"

service=
program=
cleanup() {
    [ -z "$program" ] || kill "$program" 2>/dev/null || true
    [ -z "$service" ] || kill "$service" 2>/dev/null || true
}
trap cleanup EXIT

fail() {
    echo "window-check: $*" >&2
    for log in "$out"/*.log; do
        echo "--- $log (last lines)" >&2
        tail -n 40 "$log" >&2
    done
    exit 1
}

logged() {
    grep -qF "$1" "$out/program.log"
}

program_window() {
    window="$(xwininfo -root -tree | awk '/\("orvo" "orvo"\)/ && / [0-9]+x[0-9]+\+/ { print $1; exit }')"
    [ -n "$window" ]
}

start_dev_service "$out/service.log" || fail "the development service did not start"

"$build/src/app/orvo" >"$out/program.log" 2>&1 &
program=$!
splash_drawn() {
    import -window "$window" "$out/splash.png"
    [ "$(convert "$out/splash.png" -format '%k' info:)" -ge 16 ]
}

wait_for 200 program_window || fail "no window of the program appeared"
# The window is mapped before its first frame: wait until the splash shows.
wait_for 20 splash_drawn || fail "the splash page was not drawn"

wait_for 300 logged "启动画面结束，跳转到主界面" || fail "the splash page did not hand over"
wait_for 100 logged "设置默认服务器" || fail "the home screen got no default server"
# The 300 ms fade, then the home screen as drawn.
sleep 1
import -window "$window" "$out/main.png"

size="$(xwininfo -id "$window" | awk '/^ *Width:/ { w = $2 } /^ *Height:/ { h = $2 } END { print w "x" h }')"
[ "$size" = "430x880" ] || fail "the window is $size, not 430x880"
shot="$(identify -format '%wx%h' "$out/main.png")"
[ "$shot" = "430x880" ] || fail "the screenshot is $shot, not 430x880"
colours="$(convert "$out/main.png" -format '%k' info:)"
[ "$colours" -ge 64 ] || fail "the home screen looks blank ($colours colours)"
# compare exits 1 for images that differ, 0 for alike ones and 2 on an error.
set +e
changed="$(compare -metric AE "$out/splash.png" "$out/main.png" null: 2>&1)"
compared=$?
set -e
[ "$compared" -eq 1 ] || fail "the home screen looks like the splash page (compare: $compared $changed)"

"$build/tests/support/orvo_close_window" "$window" || fail "could not close the window"
(sleep 20 && kill "$program" 2>/dev/null) &
watchdog=$!
set +e
wait "$program"
code=$?
set -e
program=
kill "$watchdog" 2>/dev/null || true
[ "$code" -eq 0 ] || fail "the program exited with $code after its window was closed"
logged "窗口正在关闭，断开VPN连接..." || fail "the program did not see its window close"

echo "window-check: the $size window showed the home screen ($out/main.png) and exited 0 on close"
