#!/usr/bin/env python3
"""Measures the whole conversion against the I/O limit; called by scripts/bench.

    run_benchmarks.py BUILD_DIR DATA_DIR [--repeat N] [--skip-callgrind]
    run_benchmarks.py BUILD_DIR DATA_DIR --compare BASELINE_BUILD_DIR [--repeat N]
    run_benchmarks.py BUILD_DIR DATA_DIR --memory-only
    run_benchmarks.py BUILD_DIR DATA_DIR --quadratic-only [--compare BASELINE_BUILD_DIR]

For every generated file it prints the conversion's time and throughput, the
limit measured in the same run (cp of the source plus cp of a file of the
patch map's size, and the same followed by fsync of both copies, since the
conversion puts its patch map on disk before it replaces the target), the
ratio of the two, the node floor (allocating and freeing one node per patch
in a fresh process), the peak memory and the peak memory per patch. Then the
scaling ratios, the peak memory of the instrument reading on files whose
maps dwarf them, and the instructions per input byte under callgrind.

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


def run_timed(command, timeout=None):
    """Runs a command; returns (seconds, max RSS in KiB, exit status). One
    still running after `timeout` seconds is killed: its status is None."""
    start = time.perf_counter()
    process = subprocess.Popen(command, stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
    killed = False
    while True:
        pid, status, usage = os.wait4(process.pid, os.WNOHANG if timeout else 0)
        if pid != 0:
            break
        if time.perf_counter() - start > timeout:
            process.kill()
            killed = True
        time.sleep(0.005)
    seconds = time.perf_counter() - start
    return seconds, usage.ru_maxrss, None if killed else os.waitstatus_to_exitcode(status)


def remove(path):
    try:
        os.remove(path)
    except FileNotFoundError:
        pass


def best(repeat, prepare, command):
    """The fastest of `repeat` runs, each after `prepare`."""
    results = []
    for _ in range(repeat):
        prepare()
        results.append(run_timed(command))
    return min(results, key=lambda r: r[0])


def count_patches(vpm):
    with open(vpm, "rb") as f:
        return sum(chunk.count(b"\n") for chunk in iter(lambda: f.read(1 << 20), b"")) - 2


def measure(build, data, name, repeat):
    source = generate(build, data, name)
    target = os.path.join(data, name + ".vpm")
    patchconv = os.path.join(build, "cli", "patchconv")
    seconds, rss, status = best(repeat, lambda: remove(target), [patchconv, source, target])
    if status != 0:
        sys.exit(f"patchconv failed on {name} with status {status}")
    size = os.path.getsize(source)
    map_size = os.path.getsize(target)
    patches = count_patches(target)

    copy_source = os.path.join(data, "copy.ins")
    copy_map = os.path.join(data, "copy.vpm")

    def copies(sync):
        def run():
            remove(copy_source)
            remove(copy_map)
            start = time.perf_counter()
            subprocess.run(["cp", source, copy_source], check=True)
            subprocess.run(["cp", target, copy_map], check=True)
            if sync:
                subprocess.run(["sync", copy_source, copy_map], check=True)
            return time.perf_counter() - start
        return min(run() for _ in range(repeat))

    limit = copies(sync=False)
    limit_sync = copies(sync=True)
    remove(copy_source)
    remove(copy_map)
    floor = min(float(subprocess.run([os.path.join(build, "bench", "patchconv-node-floor"), str(patches)],
                                     check=True, capture_output=True, text=True).stdout)
                for _ in range(repeat))
    return {
        "name": name, "size": size, "map": map_size, "patches": patches, "seconds": seconds,
        "rss": rss * 1024, "limit": limit, "limit_sync": limit_sync, "floor": floor,
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
    whole = results["instruments-100MB"]["seconds"]
    print(f"  --instrument NAME, 100 MB      {one[0]:7.3f} s  {one[0] / whole:5.2f}x "
          f"(whole file {whole:.3f} s)  maxRSS {one[1] * 1024 / MB:.1f} MB")
    whole = results["instruments-10MB"]["seconds"]
    print(f"  --each-instrument, 10 MB       {each[0]:7.3f} s  {each[0] / whole:5.2f}x "
          f"(whole file {whole:.3f} s)  maxRSS {each[1] * 1024 / MB:.1f} MB, {maps} maps, each put on disk")


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
            seconds, rss, status = run_piped(command, piped)
            if status not in (0, 1):
                sys.exit(f"patchconv {label} failed on {name} with status {status}")
            print(f"  {name:<22} {size:6.1f} MB  {label:<22} {seconds:7.2f} s  "
                  f"maxRSS {rss * 1024 / MB:7.1f} MB", flush=True)


def quadratic_shapes(builds, data, timeout=400):
    """Time and peak memory of the shapes of QUADRATIC at both sizes, for each
    build in `builds` (label, folder); a run past `timeout` seconds is cut."""
    print()
    print("shapes that once cost the square of their size (goal: twice the size, about twice")
    print("the time and at most twice the memory):")
    floor = run_timed(["true"])[1] * 1024 / MB
    print(f"  (a child's peak memory starts at this script's own, {floor:.1f} MB: it counts from fork)")
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
                    seconds, rss, status = run_timed(command + (["-"] if to_output else []), timeout)
                    cut = " (cut)" if status is None else ""
                    figures.append(f"{amount:>6}: {seconds:7.2f} s{cut} {rss * 1024 / MB:8.1f} MB")
                print(f"  {shape:<18} {arguments:<22} {label:<9} " + "   ".join(figures), flush=True)


def run_piped(command, piped):
    """Runs a command with the file `piped` fed through a pipe (or no input);
    returns (seconds, max RSS in KiB, exit status)."""
    if piped is None:
        return run_timed(command)
    start = time.perf_counter()
    feeder = subprocess.Popen(["cat", piped], stdout=subprocess.PIPE)
    process = subprocess.Popen(command, stdin=feeder.stdout, stdout=subprocess.DEVNULL,
                               stderr=subprocess.DEVNULL)
    feeder.stdout.close()
    _, status, usage = os.wait4(process.pid, 0)
    feeder.wait()
    return time.perf_counter() - start, usage.ru_maxrss, os.waitstatus_to_exitcode(status)


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
    print(f"{'build':<48} {'100 MB s':>8} {'MB/s':>7} {'maxRSS MB':>9} {'instr/byte':>10}")
    for label, which in (("baseline " + baseline, baseline), ("this " + build, build)):
        seconds, rss, status = min(runs[which], key=lambda r: r[0])
        if status != 0:
            sys.exit(f"patchconv of {which} failed with status {status}")
        instructions, small = instructions_per_byte(which, data)
        print(f"{label:<48} {seconds:8.3f} {size / MB / seconds:7.1f} {rss * 1024 / MB:9.1f} "
              f"{instructions / small:10.1f}", flush=True)


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
    print(f"best of {args.repeat} runs; times in seconds; limit = cp of the source + cp of a file "
          f"of the patch map's size; +fsync = the same with both copies put on disk")
    print()
    header = (f"{'file':<20} {'input MB':>8} {'map MB':>7} {'patches':>9} {'convert':>8} {'MB/s':>7} "
              f"{'limit':>6} {'ratio':>6} {'+fsync':>7} {'ratio':>6} {'floor':>6} {'maxRSS MB':>9} "
              f"{'B/patch':>8}")
    print(header)
    results = {}
    for name, _, _ in FILES:
        r = measure(args.build, args.data, name, args.repeat)
        results[name] = r
        per_patch = f"{r['rss'] / r['patches']:.0f}" if r["patches"] > 0 else "-"
        print(f"{name:<20} {r['size'] / MB:8.1f} {r['map'] / MB:7.1f} {r['patches']:9d} "
              f"{r['seconds']:8.3f} {r['size'] / MB / r['seconds']:7.1f} {r['limit']:6.3f} "
              f"{r['seconds'] / r['limit']:6.1f} {r['limit_sync']:7.3f} "
              f"{r['seconds'] / r['limit_sync']:6.1f} {r['floor']:6.3f} {r['rss'] / MB:9.1f} "
              f"{per_patch:>8}", flush=True)

    print()
    print("scaling (time of the larger file / time of the smaller; 10x the input, goal <= 11):")
    for shape, small, large in SCALING:
        print(f"  {shape:<16} {results[large]['seconds'] / results[small]['seconds']:5.2f}")

    big = results["realistic-100MB"]
    print()
    print(f"100 MB realistic: conversion / limit = {big['seconds'] / big['limit']:.1f} "
          f"(goal <= 4); with fsync in the limit: {big['seconds'] / big['limit_sync']:.1f}; "
          f"conversion less the node floor, over the fsync limit: "
          f"{(big['seconds'] - big['floor']) / big['limit_sync']:.1f}")
    print(f"peak memory per patch on it: {big['rss'] / big['patches']:.0f} bytes "
          f"({(big['rss'] - big['size']) / big['patches']:.0f} beyond the file's size)")

    instrument_reading(args.build, args.data, results, args.repeat)
    memory_of_instrument_maps(args.build, args.data)
    quadratic_shapes([("this", args.build)], args.data)

    if not args.skip_callgrind:
        instructions, size = instructions_per_byte(args.build, args.data)
        print(f"instructions per input byte (callgrind, realistic-10MB): "
              f"{instructions / size:.1f} ({instructions} / {size}; goal <= 40)")


if __name__ == "__main__":
    main()
