# Sourced by run.sh and window-check.sh with $root, $build and $port set:
# builds the program against the development service on 127.0.0.1:$port, with
# the stand-ins beside it where it looks for the proxy core and the Windows
# tools (they are not on this platform).
cmake -S "$root" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
    -DORVO_API_BASE_URL="http://127.0.0.1:$port/api/v1/" -DORVO_DEV_STANDINS=ON
cmake --build "$build" -j "$(nproc)" --target orvo orvo_dev_service orvo_close_window

mkdir -p "$build/standin-log"
export PATH="$build/src/app/standin-tools:$PATH" ORVO_STANDIN_DIR="$build/standin-log"
