#!/usr/bin/env python3
"""Steady-state benchmark: the program signed in, connected and idle, against two yardsticks.

Runs the real program (its own main.cpp with the phase probe) on a virtual
screen with software GL against the development service, with the stand-ins
in place of the proxy core and the Windows tools. Each run signs in, connects
with the home screen's button and measures the connected phase, hides the
window and measures again, shows it, disconnects and measures the idle phase.
The empty 430 x 880 window is measured the same way, and so is the connected
phase's yardstick: that window holding one circle of the glow's size, colour
and 80 ms opacity step. Prints the medians of the CPU share (of one core) and
of the frames per second, and the connected share over the yardstick's.

    bench/steady.py [-n RUNS] [-s SECONDS] [--port PORT] [BUILD_DIR]

Without BUILD_DIR it configures and builds a Release tree in build/bench-steady
whose base URL is the development service on 127.0.0.1:PORT. Exits 0 whatever
the figures; non-zero only when a build or a run fails.
"""

import argparse
import os
import shutil
import statistics
import subprocess
import sys
import tempfile
import time

# The start-up benchmark's reading of a build's cache and its private home.
import startup
from startup import cache_value

ROOT = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))
TARGETS = {"program": "orvo_bench_steady", "empty": "orvo_bench_steady_empty",
           "glow": "orvo_bench_steady_glow"}
SERVICE_TARGET = "orvo_dev_service"
ON_DISPLAY = "ORVO_STEADY_ON_XVFB"
SCREEN = "-screen 0 430x880x24 -nolisten tcp"
SETTLE_AND_STEPS_S = 60.0
PHASES = [
    ("program", "connected", "program, connected"),
    ("program", "connected-hidden", "program, connected, window hidden"),
    ("program", "idle", "program, idle signed in"),
    ("empty", "empty", "empty window"),
    ("glow", "glow", "empty window, one stepped glow"),
]
GOAL_CPU_CONNECTED = 5.0
# Connected and visible against the window that only steps the glow.
GOAL_RATIO_CONNECTED = 1.5


class RunFailed(Exception):
    pass


def base_url(port):
    return "http://127.0.0.1:%d/api/v1/" % port


def build(build_dir, port):
    jobs = os.environ.get("CMAKE_BUILD_PARALLEL_LEVEL", "4")
    # The tests' tree brings the development service and the stand-ins.
    subprocess.run(
        ["cmake", "-S", ROOT, "-B", build_dir, "-G", "Ninja", "-DCMAKE_BUILD_TYPE=Release",
         "-DORVO_API_BASE_URL=" + base_url(port)],
        check=True, stdout=subprocess.DEVNULL)
    subprocess.run(
        ["cmake", "--build", build_dir, "-j", jobs, "--target", SERVICE_TARGET,
         *TARGETS.values()],
        check=True, stdout=subprocess.DEVNULL)


def port_of(url):
    prefix = "http://127.0.0.1:"
    if not url.startswith(prefix):
        return None
    digits = url[len(prefix):].split("/", 1)[0]
    return int(digits) if digits.isdigit() else None


def start_service(build_dir, port, log_path):
    binary = os.path.join(build_dir, "tests", "app", SERVICE_TARGET)
    log = open(log_path, "wb")
    service = subprocess.Popen([binary, str(port)], stdout=log, stderr=subprocess.STDOUT,
                               stdin=subprocess.DEVNULL)
    deadline = time.monotonic() + 10.0
    while time.monotonic() < deadline:
        with open(log_path, "rb") as written:
            if any(line.startswith(b"http://") for line in written.read().splitlines()):
                return service, log
        if service.poll() is not None:
            break
        time.sleep(0.1)
    service.kill()
    service.wait()
    log.close()
    with open(log_path, "rb") as written:
        raise RunFailed("the development service did not start: "
                        + written.read().decode("utf-8", "replace"))


def private_environment(home, build_dir, seconds):
    environment = startup.private_environment(home)
    standin_dir = os.path.join(home, "standin")
    os.makedirs(standin_dir)
    environment.update({
        "QT_QPA_PLATFORM": "xcb",
        "LIBGL_ALWAYS_SOFTWARE": "1",
        "ORVO_BENCH_PHASE_S": str(seconds),
        # The Windows tools the engine runs are the stand-ins placed by the build.
        "PATH": os.path.join(build_dir, "bench", "standin-tools") + os.pathsep
                + os.environ.get("PATH", ""),
        "ORVO_STANDIN_DIR": standin_dir,
    })
    return environment


def run_once(binary, build_dir, seconds):
    with tempfile.TemporaryDirectory(prefix="orvo-steady-") as home:
        environment = private_environment(home, build_dir, seconds)
        log_path = os.path.join(home, "stderr.log")
        with open(log_path, "wb") as log:
            child = subprocess.Popen([binary], stdin=subprocess.DEVNULL, stdout=subprocess.PIPE,
                                     stderr=log, env=environment, cwd=home)
            try:
                output, _ = child.communicate(timeout=3 * seconds + SETTLE_AND_STEPS_S)
            except subprocess.TimeoutExpired:
                child.kill()
                child.wait()
                output = b""
                child.returncode = -1
        phases = {}
        for line in output.decode("utf-8", "replace").splitlines():
            words = line.split()
            if len(words) < 2 or words[0] != "phase":
                continue
            values = dict(word.split("=", 1) for word in words[2:] if "=" in word)
            wall_s = float(values["wall_ms"]) / 1000.0
            phases[words[1]] = {
                "cpu": float(values["cpu_ms"]) / 10.0 / wall_s,  # % of one core
                "fps": float(values["frames"]) / wall_s,
            }
        if child.returncode != 0 or not phases:
            with open(log_path, "rb") as written:
                tail = written.read()[-3000:].decode("utf-8", "replace")
            raise RunFailed("%s: exit code %s, phases %s\n--- end of its stderr ---\n%s"
                            % (os.path.basename(binary), child.returncode, sorted(phases), tail))
        return phases


def print_table(results, runs, seconds, build_dir):
    print("Steady state on Xvfb with software GL, service %s: medians of %d runs, %d s phases"
          % (cache_value(build_dir, "ORVO_API_BASE_URL", ""), runs, seconds))
    print("build: %s (%s)" % (build_dir, cache_value(build_dir, "CMAKE_BUILD_TYPE", "")))
    print("%-36s %16s %10s" % ("", "CPU % of a core", "frames/s"))
    medians = {}
    for program, phase, label in PHASES:
        samples = [run[phase] for run in results[program] if phase in run]
        if not samples:
            print("%-36s %16s %10s" % (label, "-", "-"))
            continue
        cpu = statistics.median(sample["cpu"] for sample in samples)
        fps = statistics.median(sample["fps"] for sample in samples)
        medians[phase] = cpu
        print("%-36s %16.1f %10.1f" % (label, cpu, fps))
    if medians.get("glow"):
        print("connected / one stepped glow: %.2f (goal <= %.1f)"
              % (medians.get("connected", 0.0) / medians["glow"], GOAL_RATIO_CONNECTED))
    print("goal: connected and visible <= %.0f %% of a core; 0 frames/s while hidden"
          % GOAL_CPU_CONNECTED)


def main():
    parser = argparse.ArgumentParser(description=__doc__.split("\n\n")[0])
    parser.add_argument("build_dir", nargs="?",
                        help="a configured and built tree (default: builds build/bench-steady)")
    parser.add_argument("-n", "--runs", type=int, default=3, help="runs of each (default 3)")
    parser.add_argument("-s", "--seconds", type=int, default=30,
                        help="length of each phase (default 30)")
    parser.add_argument("--port", type=int, default=8766,
                        help="port of the development service when building (default 8766)")
    args = parser.parse_args()
    if args.runs < 1 or args.seconds < 1:
        parser.error("--runs and --seconds must be at least 1")

    # The whole benchmark runs on one virtual screen of its own.
    if os.environ.get(ON_DISPLAY) != "1":
        if not shutil.which("xvfb-run"):
            print("steady.py: xvfb-run is missing (scripts/install-deps.sh)", file=sys.stderr)
            return 1
        environment = dict(os.environ, **{ON_DISPLAY: "1"})
        return subprocess.run(["xvfb-run", "-a", "-s", SCREEN, sys.executable,
                               os.path.abspath(__file__), *sys.argv[1:]],
                              env=environment).returncode

    if args.build_dir:
        build_dir = os.path.abspath(args.build_dir)
    else:
        build_dir = os.path.join(ROOT, "build", "bench-steady")
        try:
            build(build_dir, args.port)
        except subprocess.CalledProcessError as failure:
            print("steady.py: the build failed: %s" % failure, file=sys.stderr)
            return 1
    port = port_of(cache_value(build_dir, "ORVO_API_BASE_URL", ""))
    if port is None:
        print("steady.py: %s is not built against a service on 127.0.0.1" % build_dir,
              file=sys.stderr)
        return 1
    binaries = {name: os.path.join(build_dir, "bench", target) for name, target in TARGETS.items()}
    for binary in [*binaries.values(), os.path.join(build_dir, "tests", "app", SERVICE_TARGET)]:
        if not os.access(binary, os.X_OK):
            print("steady.py: %s is not built" % binary, file=sys.stderr)
            return 1

    results = {name: [] for name in binaries}
    with tempfile.TemporaryDirectory(prefix="orvo-steady-service-") as service_dir:
        try:
            service, service_log = start_service(build_dir, port,
                                                 os.path.join(service_dir, "service.log"))
        except RunFailed as failure:
            print("steady.py: %s" % failure, file=sys.stderr)
            return 1
        try:
            for _ in range(args.runs):
                for name, binary in binaries.items():
                    results[name].append(run_once(binary, build_dir, args.seconds))
        except RunFailed as failure:
            print("steady.py: a run failed: %s" % failure, file=sys.stderr)
            return 1
        finally:
            service.terminate()
            service.wait()
            service_log.close()
    print_table(results, args.runs, args.seconds, build_dir)
    return 0


if __name__ == "__main__":
    sys.exit(main())
