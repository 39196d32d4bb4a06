#!/usr/bin/env python3
"""Measures the whole conversion against the I/O limit; called by scripts/bench.

    run_benchmarks.py BUILD_DIR DATA_DIR [--repeat N] [--skip-callgrind]
    run_benchmarks.py BUILD_DIR DATA_DIR --compare BASELINE_BUILD_DIR [--repeat N]
    run_benchmarks.py BUILD_DIR DATA_DIR --memory-only
    run_benchmarks.py BUILD_DIR DATA_DIR --quadratic-only [--compare BASELINE_BUILD_DIR]

For every generated file it prints the conversion's time, split into user
and kernel time, and throughput; the limit measured in the same run, in turns
with the conversion (cp of the source plus cp of a file of the patch map's
size, and the same followed by fsync of both copies, since the conversion
puts its patch map on disk before it replaces the target); the ratio of the
two and the peak memory. Then the scaling ratios, the peak memory of the
instrument reading on files whose maps dwarf them, the shapes that once cost
the square of their size, and the instructions per input byte under
callgrind.

With --compare it measures the patchconv of BASELINE_BUILD_DIR (an earlier
version, built with the same preset) beside this one, in turns within one run:
time and peak memory on the 100 MB realistic file and instructions per input
byte on the 10 MB one. Standard library only.
"""

import argparse
import os
import platform
import re
import shutil
import signal
import subprocess
import sys
import tempfile
import time

MB = 1_000_000

# (name, shape, amount): realistic sizes in bytes, adversarial in counts.
FILES = [
    ("realistic-1MB", "realistic", 1 * MB),
    ("realistic-10MB", "realistic", 10 * MB),
    ("realistic-100MB", "realistic", 100 * MB),
    ("distinct-banks-10k", "distinct-banks", 10_000),
    ("distinct-banks-100k", "distinct-banks", 100_000),
    ("one-list-10k", "one-list", 10_000),
    ("one-list-100k", "one-list", 100_000),
    ("long-lines-10MB", "long-lines", 10 * MB),
    ("long-lines-100MB", "long-lines", 100 * MB),
    ("all-cr-10MB", "all-cr", 10 * MB),
    ("all-cr-100MB", "all-cr", 100 * MB),
    ("instruments-10MB", "instruments", 10 * MB),
    ("instruments-100MB", "instruments", 100 * MB),
]

# Shapes whose instrument maps must not be held whole in memory: measured for
# peak memory only (see memory_of_instrument_maps).
MEMORY_FILES = [
    ("instrument-banks-200k", "instrument-banks", 200_000),
    ("based-on-chain-1M", "based-on-chain", 1_000_000),
]

# Shapes that once cost the square of their size, each at two sizes with the
# runs that met it; the time and peak memory must grow with the file.
QUADRATIC = [
    ("chain-one-program", 10_000, 20_000, ["--instrument Chain -", "--list", "--check"]),
    ("chain-growing", 8_000, 16_000, ["--list", "--check"]),
    ("colliding-names", 32_768, 65_536, ["-"]),
]

SCALING = [
    ("realistic", "realistic-10MB", "realistic-100MB"),
    ("distinct-banks", "distinct-banks-10k", "distinct-banks-100k"),
    ("one-list", "one-list-10k", "one-list-100k"),
    ("long-lines", "long-lines-10MB", "long-lines-100MB"),
    ("all-cr", "all-cr-10MB", "all-cr-100MB"),
    ("instruments", "instruments-10MB", "instruments-100MB"),
]


class Run:
    """What a finished command took: wall, user and kernel seconds, peak
    memory in bytes and exit status (None when it was cut)."""

    def __init__(self, seconds, usage, status):
        self.seconds = seconds
        self.user = usage.ru_utime
        self.kernel = usage.ru_stime
        self.rss = usage.ru_maxrss * 1024
        self.status = status

    def times(self):
        return f"{self.seconds:7.3f} s (user {self.user:6.3f}, kernel {self.kernel:6.3f})"


# A child forked from this script starts with the script's peak memory as its
# own, which would hide the figures of small runs; GNU time, a small program,
# forks the command itself and tells the command's own peak.
GNU_TIME = "/usr/bin/time"


def start_measured(command, peak_file, **popen):
    """Starts `command` under GNU time, which writes its peak memory in KiB
    into `peak_file`; without GNU time, starts it alone."""
    if os.access(GNU_TIME, os.X_OK):
        command = [GNU_TIME, "-q", "-f", "%M", "-o", peak_file] + command
    # A session of its own, so that a cut run ends with everything it started.
    return subprocess.Popen(command, start_new_session=True, **popen)


def finish_measured(process, peak_file, start, timeout=None):
    """Waits for a process that start_measured started, killing it after
    `timeout` seconds; its Run."""
    killed = False
    while True:
        pid, status, usage = os.wait4(process.pid, os.WNOHANG if timeout else 0)
        if pid != 0:
            break
        if time.perf_counter() - start > timeout:
            os.killpg(process.pid, signal.SIGKILL)
            killed = True
        time.sleep(0.005)
    process.returncode = status  # reaped here: Popen must not wait for it again
    run = Run(time.perf_counter() - start, usage, None if killed else os.waitstatus_to_exitcode(status))
    try:
        with open(peak_file) as f:
            run.rss = int(f.read().split()[-1]) * 1024
    except (OSError, ValueError, IndexError):
        pass  # no GNU time: the peak counts from this script's fork
    return run


def run_timed(command, timeout=None):
    """Runs a command; returns its Run. One still running after `timeout`
    seconds is killed."""
    with tempfile.TemporaryDirectory() as folder:
        peak_file = os.path.join(folder, "peak")
        start = time.perf_counter()
        process = start_measured(command, peak_file, stdout=subprocess.DEVNULL,
                                 stderr=subprocess.DEVNULL)
        return finish_measured(process, peak_file, start, timeout)


def remove(path):
    try:
        os.remove(path)
    except FileNotFoundError:
        pass


def best(repeat, prepare, command):
    """The fastest of `repeat` runs, each after `prepare`."""
    runs = []
    for _ in range(repeat):
        prepare()
        runs.append(run_timed(command))
    return min(runs, key=lambda r: r.seconds)


def count_patches(vpm):
    with open(vpm, "rb") as f:
        return sum(chunk.count(b"\n") for chunk in iter(lambda: f.read(1 << 20), b"")) - 2


def measure(build, data, name, repeat):
    """The conversion of the file `name` and the limit of copying it and its
    map, run in turns `repeat` times; the best of each."""
    source = generate(build, data, name)
    target = os.path.join(data, name + ".vpm")
    patchconv = os.path.join(build, "cli", "patchconv")
    remove(target)
    if run_timed([patchconv, source, target]).status != 0:
        sys.exit(f"patchconv failed on {name}")
    copy_source = os.path.join(data, "copy.ins")
    copy_map = os.path.join(data, "copy.vpm")

    def copies(sync):
        remove(copy_source)
        remove(copy_map)
        start = time.perf_counter()
        subprocess.run(["cp", source, copy_source], check=True)
        subprocess.run(["cp", target, copy_map], check=True)
        if sync:
            subprocess.run(["sync", copy_source, copy_map], check=True)
        return time.perf_counter() - start

    conversions, limits, limits_sync = [], [], []
    for _ in range(repeat):
        limits.append(copies(sync=False))
        conversions.append(run_timed([patchconv, source, target]))
        limits_sync.append(copies(sync=True))
    remove(copy_source)
    remove(copy_map)
    if any(run.status != 0 for run in conversions):
        sys.exit(f"patchconv failed on {name}")
    return {
        "name": name, "size": os.path.getsize(source), "map": os.path.getsize(target),
        "patches": count_patches(target), "run": min(conversions, key=lambda r: r.seconds),
        "limit": min(limits), "limit_sync": min(limits_sync),
    }


def instructions_per_byte(build, data, name="realistic-10MB"):
    source = os.path.join(data, name + ".ins")
    target = os.path.join(data, "callgrind.vpm")
    with tempfile.TemporaryDirectory() as folder:
        out = os.path.join(folder, "callgrind.out")
        subprocess.run(["valgrind", "--tool=callgrind", "--callgrind-out-file=" + out,
                        os.path.join(build, "cli", "patchconv"), source, target],
                       check=True, capture_output=True)
        with open(out) as f:
            totals = re.search(r"^(?:summary|totals): (\d+)", f.read(), re.M)
    remove(target)
    return int(totals.group(1)), os.path.getsize(source)


def instrument_reading(build, data, results, repeat):
    """The instrument reading on the files of many instruments, against the
    whole-file conversion of the same file: one instrument of the 100 MB file, and
    every instrument of the 10 MB one, each into a map of its own."""
    patchconv = os.path.join(build, "cli", "patchconv")
    folder = os.path.join(data, "each-instrument")
    target = os.path.join(data, "instrument.vpm")

    def clear():
        remove(target)
        shutil.rmtree(folder, ignore_errors=True)
        os.makedirs(folder)

    large = os.path.join(data, "instruments-100MB.ins")
    one = best(repeat, clear, [patchconv, "--instrument", "Family 0 Synth XL", large, target])
    small = os.path.join(data, "instruments-10MB.ins")
    each = best(repeat, clear, [patchconv, "--each-instrument", "-d", folder, small])
    maps = len(os.listdir(folder))
    shutil.rmtree(folder)
    remove(target)
    print()
    print("instrument reading against the whole-file conversion of the same file (goal <= 2x):")
    whole = results["instruments-100MB"]["run"].seconds
    print(f"  --instrument NAME, 100 MB      {one.times()}  {one.seconds / whole:5.2f}x "
          f"(whole file {whole:.3f} s)  maxRSS {one.rss / MB:.1f} MB")
    whole = results["instruments-10MB"]["run"].seconds
    print(f"  --each-instrument, 10 MB       {each.times()}  {each.seconds / whole:5.2f}x "
          f"(whole file {whole:.3f} s)  maxRSS {each.rss / MB:.1f} MB, {maps} maps, each put on disk")


def memory_of_instrument_maps(build, data):
    """Peak memory of the instrument reading where the map is far larger than
    the file (200,000 banks naming one list) or the lists are chained a
    million deep: it must follow the patches that the file holds."""
    patchconv = os.path.join(build, "cli", "patchconv")
    print()
    print("peak memory of the instrument reading (goal < 200 MB each):")
    for name, _, _ in MEMORY_FILES:
        source = generate(build, data, name)
        size = os.path.getsize(source) / MB
        runs = [
            ("--list", [patchconv, "--list", source], None),
            ("--list - (a pipe)", [patchconv, "--list", "-"], source),
            ("--check", [patchconv, "--check", source], None),
            ("--instrument Synth -", [patchconv, "--instrument", "Synth", source, "-"], None),
        ]
        for label, command, piped in runs:
            run = run_piped(command, piped)
            if run.status not in (0, 1):
                sys.exit(f"patchconv {label} failed on {name} with status {run.status}")
            print(f"  {name:<22} {size:6.1f} MB  {label:<22} {run.times()}  "
                  f"maxRSS {run.rss / MB:7.1f} MB", flush=True)


def quadratic_shapes(builds, data, timeout=400):
    """Time and peak memory of the shapes of QUADRATIC at both sizes, for each
    build in `builds` (label, folder); a run past `timeout` seconds is cut."""
    print()
    print("shapes that once cost the square of their size (goal: twice the size, about twice")
    print("the time and at most twice the memory):")
    floor = run_timed(["true"]).rss / MB
    print(f"  (the peak memory of a program that does nothing: {floor:.1f} MB)")
    for shape, small, large, runs in QUADRATIC:
        sources = {}
        for amount in (small, large):
            sources[amount] = os.path.join(data, f"{shape}-{amount}.ins")
            if not os.path.exists(sources[amount]):
                subprocess.run([os.path.join(builds[-1][1], "bench", "patchconv-generate"), shape,
                                str(amount), sources[amount]], check=True)
        for arguments in runs:
            for label, build in builds:
                patchconv = os.path.join(build, "cli", "patchconv")
                figures = []
                for amount in (small, large):
                    words = arguments.split()
                    to_output = words[-1] == "-"
                    command = [patchconv] + words[:-1 if to_output else None] + [sources[amount]]
                    run = run_timed(command + (["-"] if to_output else []), timeout)
                    cut = " (cut)" if run.status is None else ""
                    figures.append(f"{amount:>6}: {run.seconds:7.2f} s{cut} (user {run.user:6.2f}, "
                                   f"kernel {run.kernel:5.2f}) {run.rss / MB:8.1f} MB")
                print(f"  {shape:<18} {arguments:<22} {label:<9} " + "   ".join(figures), flush=True)


def run_piped(command, piped):
    """Runs a command with the file `piped` fed through a pipe (or no input);
    returns its Run."""
    if piped is None:
        return run_timed(command)
    with tempfile.TemporaryDirectory() as folder:
        peak_file = os.path.join(folder, "peak")
        start = time.perf_counter()
        feeder = subprocess.Popen(["cat", piped], stdout=subprocess.PIPE)
        process = start_measured(command, peak_file, stdin=feeder.stdout,
                                 stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
        feeder.stdout.close()
        run = finish_measured(process, peak_file, start)
        feeder.wait()
        return run


def machine():
    model = "unknown processor"
    try:
        with open("/proc/cpuinfo") as f:
            model = re.search(r"model name\s*: (.*)", f.read()).group(1)
    except (OSError, AttributeError):
        pass
    with open("/proc/meminfo") as f:
        memory = int(re.search(r"MemTotal:\s*(\d+)", f.read()).group(1)) / 1024 / 1024
    return f"{model}, {os.cpu_count()} cores, {memory:.0f} GiB, {platform.system()} {platform.release()}"


def generate(build, data, name):
    shape, amount = next((shape, amount) for n, shape, amount in FILES + MEMORY_FILES if n == name)
    source = os.path.join(data, name + ".ins")
    if not os.path.exists(source):
        subprocess.run([os.path.join(build, "bench", "patchconv-generate"), shape, str(amount), source],
                       check=True)
    return source


def compare(build, baseline, data, repeat):
    """This build's patchconv against the baseline's, run in turns."""
    source = generate(build, data, "realistic-100MB")
    generate(build, data, "realistic-10MB")
    target = os.path.join(data, "compare.vpm")
    runs = {build: [], baseline: []}
    for _ in range(repeat):
        for which in (baseline, build):
            remove(target)
            runs[which].append(run_timed([os.path.join(which, "cli", "patchconv"), source, target]))
    remove(target)
    size = os.path.getsize(source)
    print(f"{'build':<40} {'100 MB s':>8} {'user':>6} {'kernel':>6} {'MB/s':>7} {'maxRSS MB':>9} "
          f"{'instr/byte':>10}")
    for label, which in (("baseline " + baseline, baseline), ("this " + build, build)):
        run = min(runs[which], key=lambda r: r.seconds)
        if run.status != 0:
            sys.exit(f"patchconv of {which} failed with status {run.status}")
        instructions, small = instructions_per_byte(which, data)
        print(f"{label:<40} {run.seconds:8.3f} {run.user:6.3f} {run.kernel:6.3f} "
              f"{size / MB / run.seconds:7.1f} {run.rss / MB:9.1f} {instructions / small:10.1f}",
              flush=True)


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("build")
    parser.add_argument("data")
    parser.add_argument("--repeat", type=int, default=3)
    parser.add_argument("--skip-callgrind", action="store_true")
    parser.add_argument("--compare", metavar="BASELINE_BUILD_DIR")
    parser.add_argument("--memory-only", action="store_true")
    parser.add_argument("--quadratic-only", action="store_true")
    args = parser.parse_args()
    os.makedirs(args.data, exist_ok=True)
    if args.memory_only:
        print(f"machine: {machine()}")
        memory_of_instrument_maps(args.build, args.data)
        return
    if args.quadratic_only:
        print(f"machine: {machine()}")
        builds = [("baseline", args.compare)] if args.compare else []
        quadratic_shapes(builds + [("this", args.build)], args.data)
        return
    if args.compare:
        print(f"machine: {machine()}")
        print(f"best of {args.repeat} runs, in turns")
        compare(args.build, args.compare, args.data, args.repeat)
        quadratic_shapes([("baseline", args.compare), ("this", args.build)], args.data)
        return

    print(f"machine: {machine()}")
    print(f"best of {args.repeat} runs, the conversion and the limit in turns; times in seconds; "
          f"limit = cp of the source + cp of a file of the patch map's size; +fsync = the same "
          f"with both copies put on disk")
    print()
    print(f"{'file':<20} {'input MB':>8} {'map MB':>7} {'patches':>9} {'convert':>8} {'user':>6} "
          f"{'kernel':>6} {'MB/s':>7} {'limit':>6} {'ratio':>6} {'+fsync':>7} {'ratio':>6} "
          f"{'maxRSS MB':>9}")
    results = {}
    for name, _, _ in FILES:
        r = measure(args.build, args.data, name, args.repeat)
        results[name] = r
        run = r["run"]
        print(f"{name:<20} {r['size'] / MB:8.1f} {r['map'] / MB:7.1f} {r['patches']:9d} "
              f"{run.seconds:8.3f} {run.user:6.3f} {run.kernel:6.3f} "
              f"{r['size'] / MB / run.seconds:7.1f} {r['limit']:6.3f} "
              f"{run.seconds / r['limit']:6.1f} {r['limit_sync']:7.3f} "
              f"{run.seconds / r['limit_sync']:6.1f} {run.rss / MB:9.1f}", flush=True)

    print()
    print("scaling (time of the larger file / time of the smaller; 10x the input, goal <= 11):")
    for shape, small, large in SCALING:
        print(f"  {shape:<16} {results[large]['run'].seconds / results[small]['run'].seconds:5.2f}")

    big = results["realistic-100MB"]
    print()
    print(f"100 MB realistic: conversion / limit = {big['run'].seconds / big['limit']:.1f} "
          f"(goal <= 4); with fsync in the limit: {big['run'].seconds / big['limit_sync']:.1f}; "
          f"peak memory {big['run'].rss / MB:.1f} MB (goal < 64)")

    instrument_reading(args.build, args.data, results, args.repeat)
    memory_of_instrument_maps(args.build, args.data)
    quadratic_shapes([("this", args.build)], args.data)

    if not args.skip_callgrind:
        instructions, size = instructions_per_byte(args.build, args.data)
        print(f"instructions per input byte (callgrind, realistic-10MB): "
              f"{instructions / size:.1f} ({instructions} / {size}; goal <= 20)")


if __name__ == "__main__":
    main()
