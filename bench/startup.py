#!/usr/bin/env python3
"""Start-up benchmark: the program against an empty Qt Quick window.

Runs both offscreen, alternating, each in a home of its own with no stored
login and no service reachable, and prints the medians of CPU and wall time to
the first frame and to the end (each closes its window 300 ms after the first
frame), of the peak resident memory, and the ratio program/empty of each.

    bench/startup.py [-n RUNS] [BUILD_DIR]

Without BUILD_DIR it configures and builds a Release build in build/bench whose
base URL points at a closed local port. Exits 0 whatever the ratios; non-zero
only when a build or a run fails.
"""

import argparse
import os
import selectors
import statistics
import subprocess
import sys
import tempfile
import time

ROOT = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))
# Nothing listens on the discard port, so every request is refused at once.
UNREACHABLE_BASE_URL = "http://127.0.0.1:9/api/v1/"
TARGETS = {"program": "orvo_bench_program", "empty": "orvo_bench_empty"}
GOAL = 1.3
RUN_TIMEOUT_S = 30.0
FIRST_FRAME_PREFIX = b"first-frame cpu_us="


class RunFailed(Exception):
    pass


def build(build_dir):
    jobs = os.environ.get("CMAKE_BUILD_PARALLEL_LEVEL", "4")
    subprocess.run(
        ["cmake", "-S", ROOT, "-B", build_dir, "-G", "Ninja",
         "-DCMAKE_BUILD_TYPE=Release", "-DORVO_BUILD_TESTS=OFF",
         "-DORVO_API_BASE_URL=" + UNREACHABLE_BASE_URL],
        check=True, stdout=subprocess.DEVNULL)
    subprocess.run(
        ["cmake", "--build", build_dir, "-j", jobs, "--target", *TARGETS.values()],
        check=True, stdout=subprocess.DEVNULL)


def cache_value(build_dir, name, missing="?"):
    try:
        with open(os.path.join(build_dir, "CMakeCache.txt"), encoding="utf-8") as cache:
            for line in cache:
                key, _, value = line.rstrip("\n").partition("=")
                if key.split(":")[0] == name:
                    return value
    except OSError:
        pass
    return missing


def private_environment(home):
    dirs = {name: os.path.join(home, name) for name in ("data", "config", "cache", "tmp", "runtime")}
    for path in dirs.values():
        os.makedirs(path)
    os.chmod(dirs["runtime"], 0o700)
    environment = dict(os.environ)
    environment.update({
        "HOME": home,
        "XDG_DATA_HOME": dirs["data"],
        "XDG_CONFIG_HOME": dirs["config"],
        "XDG_CACHE_HOME": dirs["cache"],
        "XDG_RUNTIME_DIR": dirs["runtime"],
        "TMPDIR": dirs["tmp"],
        "QT_QPA_PLATFORM": "offscreen",
    })
    return environment


def read_output(pipe, deadline):
    """Reads the child's stdout to its end; returns it and when the first-frame line came."""
    output = b""
    first_frame_at = None
    with selectors.DefaultSelector() as selector:
        selector.register(pipe, selectors.EVENT_READ)
        while True:
            remaining = deadline - time.monotonic()
            if remaining <= 0 or not selector.select(remaining):
                raise RunFailed("no end within %.0f s" % RUN_TIMEOUT_S)
            chunk = os.read(pipe, 4096)
            if not chunk:
                return output, first_frame_at
            output += chunk
            if first_frame_at is None and FIRST_FRAME_PREFIX in output \
                    and output.split(FIRST_FRAME_PREFIX, 1)[1].find(b"\n") >= 0:
                first_frame_at = time.monotonic()


def first_frame_cpu_ms(output):
    for line in output.splitlines():
        if line.startswith(FIRST_FRAME_PREFIX):
            return int(line[len(FIRST_FRAME_PREFIX):]) / 1000.0
    raise RunFailed("no first-frame line")


def run_once(binary):
    with tempfile.TemporaryDirectory(prefix="orvo-bench-") as home:
        environment = private_environment(home)
        log_path = os.path.join(home, "stderr.log")
        with open(log_path, "wb") as log:
            read_end, write_end = os.pipe()
            started = time.monotonic()
            child = subprocess.Popen([binary], stdin=subprocess.DEVNULL, stdout=write_end,
                                     stderr=log, env=environment, cwd=home)
            os.close(write_end)
            try:
                output, first_frame_at = read_output(read_end, started + RUN_TIMEOUT_S)
                _, status, usage = os.wait4(child.pid, 0)
                ended = time.monotonic()
                child.returncode = os.waitstatus_to_exitcode(status)
                if child.returncode != 0:
                    raise RunFailed("exit code %d" % child.returncode)
                if first_frame_at is None:
                    raise RunFailed("no first-frame line")
                return {
                    "cpu_frame": first_frame_cpu_ms(output),
                    "wall_frame": (first_frame_at - started) * 1000.0,
                    "cpu_exit": (usage.ru_utime + usage.ru_stime) * 1000.0,
                    "wall_exit": (ended - started) * 1000.0,
                    "rss": usage.ru_maxrss / 1024.0,  # KiB on Linux
                }
            except RunFailed as failure:
                if child.returncode is None:
                    child.kill()
                    child.wait()
                with open(log_path, "rb") as written:
                    tail = written.read()[-3000:].decode("utf-8", "replace")
                raise RunFailed("%s: %s\n--- end of its stderr ---\n%s"
                                % (os.path.basename(binary), failure, tail)) from None
            finally:
                os.close(read_end)


FIGURES = [
    ("cpu_frame", "CPU to first frame (ms)"),
    ("wall_frame", "wall to first frame (ms)"),
    ("cpu_exit", "CPU to exit (ms)"),
    ("wall_exit", "wall to exit (ms)"),
    ("rss", "peak RSS (MiB)"),
]


def print_table(results, runs, build_dir):
    base_url = cache_value(build_dir, "ORVO_API_BASE_URL")
    service = "no service reachable" if base_url == UNREACHABLE_BASE_URL else "service " + base_url
    print("Start-up offscreen, %s: medians of %d runs each" % (service, runs))
    print("build: %s (%s, base URL %s)" % (build_dir, cache_value(build_dir, "CMAKE_BUILD_TYPE"),
                                           base_url))
    print("%-26s %10s %10s %7s  %s" % ("", "program", "empty", "ratio", "<= %.1f" % GOAL))
    for key, label in FIGURES:
        program = statistics.median(run[key] for run in results["program"])
        empty = statistics.median(run[key] for run in results["empty"])
        ratio = program / empty if empty > 0 else float("inf")
        print("%-26s %10.1f %10.1f %7.2f  %s"
              % (label, program, empty, ratio, "yes" if ratio <= GOAL else "no"))


def main():
    parser = argparse.ArgumentParser(description=__doc__.split("\n\n")[0])
    parser.add_argument("build_dir", nargs="?",
                        help="a configured and built tree (default: builds build/bench)")
    parser.add_argument("-n", "--runs", type=int, default=10, help="runs of each (default 10)")
    args = parser.parse_args()
    if args.runs < 1:
        parser.error("--runs must be at least 1")

    if args.build_dir:
        build_dir = os.path.abspath(args.build_dir)
    else:
        build_dir = os.path.join(ROOT, "build", "bench")
        try:
            build(build_dir)
        except subprocess.CalledProcessError as failure:
            print("startup.py: the build failed: %s" % failure, file=sys.stderr)
            return 1
    binaries = {name: os.path.join(build_dir, "bench", target) for name, target in TARGETS.items()}
    for binary in binaries.values():
        if not os.access(binary, os.X_OK):
            print("startup.py: %s is not built" % binary, file=sys.stderr)
            return 1

    results = {name: [] for name in binaries}
    try:
        for _ in range(args.runs):
            for name, binary in binaries.items():
                results[name].append(run_once(binary))
    except RunFailed as failure:
        print("startup.py: a run failed: %s" % failure, file=sys.stderr)
        return 1
    print_table(results, args.runs, build_dir)
    return 0


if __name__ == "__main__":
    sys.exit(main())
