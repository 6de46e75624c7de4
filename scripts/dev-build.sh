# Sourced by run.sh and window-check.sh with $root, $build and $port set:
# builds the program against the development service on 127.0.0.1:$port and
# puts the stand-ins where the program looks for the proxy core and the
# Windows tools (they are not on this platform).
cmake -S "$root" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
    -DORVO_API_BASE_URL="http://127.0.0.1:$port/api/v1/"
cmake --build "$build" -j "$(nproc)" \
    --target orvo orvo_dev_service orvo_standin orvo_close_window

standin="$build/tests/support/orvo_standin"
mkdir -p "$build/src/app/resources/vpn/x32" "$build/standin-tools" "$build/standin-log"
for name in xray.exe tun2socks.exe; do
    cp "$standin" "$build/src/app/resources/vpn/x32/$name"
done
for name in reg netsh setx taskkill tasklist; do
    cp "$standin" "$build/standin-tools/$name"
done
export PATH="$build/standin-tools:$PATH" ORVO_STANDIN_DIR="$build/standin-log"
