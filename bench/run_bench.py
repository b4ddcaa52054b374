#!/usr/bin/env python3
"""Runs the open benchmark and prints tables of medians and ratios.

    python3 bench/run_bench.py [--build DIR] [--serial-build DIR] [--repeat 3]
                               [--no-peer] [--files a,b] [--start-pairs 41]

For every benchmark file (generated on first use by generate_files.py) it
measures, each in a fresh process, in rounds repeated REPEAT times: the
tight floor (the file streamed in large blocks, comments skipped, every
token converted with fast_float, nothing stored, one thread), the older
whole-file-string floor, the plug-in's open (openFile) and open + loading
every waveform, `korvel info` (wall time and peak memory, with the tool's
base memory measured on a tiny file), `korvel quality` and `korvel plot` (its default page as SVG, with the
picture's size) beside it, the same for the one-thread build
when --serial-build names one, and for Touchstone files the peer,
scikit-rf, loading the file and computing z, y and (two-ports) stability.
For Touchstone files it also measures the write floor (the file's numbers
formatted shortest round trip into 4 MiB blocks and written, one thread)
and `korvel convert FILE -o OUT.ts`, shown against the read floor plus the
write floor.
Times are shown as ratios against the tight floor measured in the same
run: the machine is shared and absolute times say little. Last, the
tool's start: `korvel info` on the small example against `tclsh` on an
empty script, in alternating runs, wall and CPU time.
"""
import argparse
import json
import os
import statistics
import subprocess
import sys
import tempfile
import time

HERE = os.path.dirname(os.path.abspath(__file__))
ROOT = os.path.dirname(HERE)

PEER = r'''
import json, resource, sys, time
import numpy
# scikit-rf 0.15 still names numpy's scalar aliases that numpy 1.24 removed.
for alias, builtin in (("complex", complex), ("float", float), ("int", int), ("bool", bool)):
    if not hasattr(numpy, alias):
        setattr(numpy, alias, builtin)
t0 = time.perf_counter()
import skrf
t1 = time.perf_counter()
n = skrf.Network(sys.argv[1])
t2 = time.perf_counter()
z = n.z; y = n.y
if n.nports == 2:
    k = n.stability
t3 = time.perf_counter()
print(json.dumps({"load_seconds": t2 - t1, "calc_seconds": t3 - t2,
                  "peak_rss_mb": resource.getrusage(resource.RUSAGE_SELF).ru_maxrss / 1024.0}))
'''


def run_json(command):
    result = subprocess.run(command, stdout=subprocess.PIPE, stderr=subprocess.PIPE, text=True)
    if result.returncode != 0:
        raise RuntimeError("%s failed: %s" % (" ".join(command), result.stderr[-2000:]))
    return json.loads(result.stdout.strip().splitlines()[-1])


def median_of(runs, key):
    return statistics.median(run[key] for run in runs)


def peer_python(requested):
    """The first interpreter that can import skrf: the one asked for, the
    system's (Debian's python3-scikit-rf installs there, which a pyenv or
    virtualenv python3 on PATH does not see), then this one. None if none."""
    candidates = [requested] if requested else ["/usr/bin/python3", sys.executable]
    for python in candidates:
        if python and os.path.exists(python) and subprocess.run(
                [python, "-c", "import skrf"], stdout=subprocess.DEVNULL,
                stderr=subprocess.DEVNULL).returncode == 0:
            return python
    return None


def run_tool(command):
    """Runs `korvel` to its end; its wall time in seconds and its peak
    resident memory in MB, from the kernel's account of that one child."""
    start = time.perf_counter()
    child = subprocess.Popen(command, stdout=subprocess.DEVNULL, stderr=subprocess.PIPE)
    _, status, usage = os.wait4(child.pid, 0)
    seconds = time.perf_counter() - start
    child.stderr.close()
    if os.waitstatus_to_exitcode(status) != 0:
        raise RuntimeError("%s failed" % " ".join(command))
    return {"seconds": seconds, "peak_rss_mb": usage.ru_maxrss / 1024.0}


def spawn_timed(command):
    """Runs `command` with its output thrown away; its wall time and its CPU
    time (user + system, the kernel's account of that one child) in
    seconds. Started with posix_spawn, so that the parent's own fork costs
    little of the wall time."""
    devnull = os.open(os.devnull, os.O_WRONLY)
    try:
        start = time.perf_counter()
        pid = os.posix_spawnp(command[0], command, os.environ,
                              file_actions=[(os.POSIX_SPAWN_DUP2, devnull, 1), (os.POSIX_SPAWN_DUP2, devnull, 2)])
        _, status, usage = os.wait4(pid, 0)
        wall = time.perf_counter() - start
    finally:
        os.close(devnull)
    if os.waitstatus_to_exitcode(status) != 0:
        raise RuntimeError("%s failed" % " ".join(command))
    return wall, usage.ru_utime + usage.ru_stime


def start_cost(korvel, pairs):
    """The tool's start: `korvel info` on the small example against `tclsh`
    on an empty script, run in turn (A B A B ...) so that a change in the
    machine's load falls on both alike; medians of each, one warm-up
    each."""
    with tempfile.TemporaryDirectory() as scratch:
        script = os.path.join(scratch, "empty.tcl")
        with open(script, "w") as empty:
            empty.write("\n")
        tool = [korvel, "info", os.path.join(ROOT, "examples", "amp.s2p")]
        tclsh = ["tclsh", script]
        spawn_timed(tool)
        spawn_timed(tclsh)
        runs = {"tool": [], "tclsh": []}
        for _ in range(pairs):
            runs["tool"].append(spawn_timed(tool))
            runs["tclsh"].append(spawn_timed(tclsh))
    cost = {}
    for name, measured in runs.items():
        cost[name + "_wall_s"] = statistics.median(wall for wall, _ in measured)
        cost[name + "_cpu_s"] = statistics.median(cpu for _, cpu in measured)
    return cost


def print_start_cost(cost, pairs):
    print("\nThe start: `korvel info examples/amp.s2p` against `tclsh` on an empty script "
          "(%d alternating pairs, medians):\n" % pairs)
    print("| | korvel info (ms) | tclsh (ms) | korvel / tclsh | target |")
    print("|---|---|---|---|---|")
    for kind, label in (("wall", "wall"), ("cpu", "CPU")):
        tool = cost["tool_%s_s" % kind]
        tclsh = cost["tclsh_%s_s" % kind]
        print("| %s | %.1f | %.1f | %.2f | ≤ 1.5 |" % (label, tool * 1e3, tclsh * 1e3, tool / tclsh))


def ratio(runs_a, key_a, runs_b, key_b):
    return median_of(runs_a, key_a) / median_of(runs_b, key_b)


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("--build", default=os.path.join(ROOT, "build"))
    parser.add_argument("--serial-build", default="",
                        help="a build configured with -DKORVEL_SERIAL=ON, measured beside --build")
    parser.add_argument("--data", default=os.path.join(HERE, "data"))
    parser.add_argument("--repeat", type=int, default=3)
    parser.add_argument("--no-peer", action="store_true")
    parser.add_argument("--files", default="")
    parser.add_argument("--peer-python", default="", help="interpreter that runs scikit-rf")
    parser.add_argument("--start-pairs", type=int, default=41,
                        help="alternating runs of korvel info and tclsh for the start cost (0: none)")
    args = parser.parse_args()

    subprocess.run([sys.executable, os.path.join(HERE, "generate_files.py"), args.data], check=True)
    builds = {"parallel": args.build}
    if args.serial_build:
        builds["serial"] = args.serial_build
    names = sorted(os.listdir(args.data))
    if args.files:
        names = [n for n in names if n in args.files.split(",")]
    peer = None if args.no_peer else peer_python(args.peer_python)
    if not args.no_peer and peer is None:
        print("scikit-rf not found: the peer column stays empty", file=sys.stderr)
    # The tool's own memory before any sample: `korvel info` on a tiny file.
    tiny = os.path.join(ROOT, "examples", "amp.s2p")

    rows = []
    for name in names:
        path = os.path.join(args.data, name)
        if name.endswith(".tmp"):
            continue
        runs = {key: [] for key in ("floor", "whole", "peer", "base", "quality", "plot", "write", "convert")}
        svg_bytes = 0
        for build in builds:
            runs["open " + build] = []
            runs["info " + build] = []
        # Every measurement once per round, rounds repeated: a change in the
        # machine's load falls on all of them alike.
        for _ in range(args.repeat):
            bench = os.path.join(args.build, "bench", "open_bench")
            runs["floor"].append(run_json([bench, "floor", path]))
            runs["whole"].append(run_json([bench, "floor-fastfloat", path]))
            for build, folder in builds.items():
                plugin = os.path.join(folder, "libkorvelSC.so")
                runs["open " + build].append(run_json([bench, "open", path, plugin]))
                runs["info " + build].append(run_tool([os.path.join(folder, "korvel"), "info", path]))
            # `korvel quality` right beside `korvel info` on the same file.
            runs["quality"].append(run_tool([os.path.join(args.build, "korvel"), "quality", path]))
            # `korvel plot` (the default page, as SVG) likewise.
            with tempfile.TemporaryDirectory() as scratch:
                picture = os.path.join(scratch, "page.svg")
                runs["plot"].append(run_tool([os.path.join(args.build, "korvel"), "plot", path, "-o", picture]))
                svg_bytes = os.path.getsize(picture)
            runs["base"].append(run_tool([os.path.join(args.build, "korvel"), "info", tiny]))
            if peer and not name.endswith(".sc0"):
                runs["peer"].append(run_json([peer, "-c", PEER, path]))
            if not name.endswith(".sc0"):
                with tempfile.TemporaryDirectory() as scratch:
                    out = os.path.join(scratch, "out.ts")
                    runs["write"].append(run_json([bench, "floor-write", path, out]))
                    runs["convert"].append(run_tool([os.path.join(args.build, "korvel"), "convert", path,
                                                     "-o", out]))
        opened = runs["open parallel"]
        row = {
            "file": name,
            "size_mb": os.path.getsize(path) / 1e6,
            "floor_s": median_of(runs["floor"], "seconds"),
            "whole_floor_s": median_of(runs["whole"], "seconds"),
            "stored_mb": median_of(opened, "stored_mb"),
            "open_rss_mb": median_of(opened, "peak_rss_after_open_mb") - median_of(opened, "baseline_rss_mb"),
            "rss_after_load_mb": median_of(opened, "rss_after_load_mb") - median_of(opened, "baseline_rss_mb"),
            "info_rss_mb": median_of(runs["info parallel"], "peak_rss_mb") - median_of(runs["base"], "peak_rss_mb"),
            "quality_s": median_of(runs["quality"], "seconds"),
            "plot_s": median_of(runs["plot"], "seconds"),
            "plot_rss_mb": median_of(runs["plot"], "peak_rss_mb"),
            "info_peak_mb": median_of(runs["info parallel"], "peak_rss_mb"),
            "svg_kb": svg_bytes / 1e3,
        }
        for build in builds:
            row["open_s " + build] = median_of(runs["open " + build], "open_seconds")
            row["open_load_s " + build] = row["open_s " + build] + median_of(runs["open " + build], "load_seconds")
            row["info_s " + build] = median_of(runs["info " + build], "seconds")
        if runs["convert"]:
            row["write_floor_s"] = median_of(runs["write"], "seconds")
            row["convert_s"] = median_of(runs["convert"], "seconds")
            row["read_write_floor_s"] = row["floor_s"] + row["write_floor_s"]
        if runs["peer"]:
            row["peer_s"] = median_of(runs["peer"], "load_seconds") + median_of(runs["peer"], "calc_seconds")
            row["peer_rss_mb"] = median_of(runs["peer"], "peak_rss_mb")
        rows.append(row)
        print(json.dumps(row), file=sys.stderr)
    print_tables(rows, "serial" in builds)
    if args.start_pairs > 0:
        cost = start_cost(os.path.join(args.build, "korvel"), args.start_pairs)
        print(json.dumps(cost), file=sys.stderr)
        print_start_cost(cost, args.start_pairs)


def cell(row, key, floor_key="floor_s"):
    return "%.2f" % (row[key] / row[floor_key]) if key in row else "—"


def print_tables(rows, serial):
    print("Open and `korvel info`, as ratios to the floor (both cores; one core beside it):\n")
    print("| file | MB | floor (s) | open | open, one core | open + load | korvel info | korvel info, one core "
          "| open / whole-string floor | scikit-rf / open |")
    print("|---|---|---|---|---|---|---|---|---|---|")
    for row in rows:
        peer = "%.1f×" % (row["peer_s"] / row["open_s parallel"]) if "peer_s" in row else "—"
        print("| %s | %.0f | %.3f | %s | %s | %s | %s | %s | %s | %s |" % (
            row["file"], row["size_mb"], row["floor_s"], cell(row, "open_s parallel"),
            cell(row, "open_s serial") if serial else "—", cell(row, "open_load_s parallel"),
            cell(row, "info_s parallel"), cell(row, "info_s serial") if serial else "—",
            cell(row, "open_s parallel", "whole_floor_s"), peer))
    print("\n`korvel quality` beside `korvel info` on the same file (both cores):\n")
    print("| file | korvel info (s) | korvel quality (s) | quality / info |")
    print("|---|---|---|---|")
    for row in rows:
        print("| %s | %.3f | %.3f | %.2f |" % (row["file"], row["info_s parallel"], row["quality_s"],
                                              row["quality_s"] / row["info_s parallel"]))
    print("\n`korvel plot FILE -o PAGE.svg` (the default page) beside `korvel info` on the same file (both cores):\n")
    print("| file | korvel info (s) | korvel plot (s) | plot / info | peak MB, info | peak MB, plot | SVG (KB) |")
    print("|---|---|---|---|---|---|---|")
    for row in rows:
        print("| %s | %.3f | %.3f | %.2f | %.0f | %.0f | %.0f |" % (
            row["file"], row["info_s parallel"], row["plot_s"], row["plot_s"] / row["info_s parallel"],
            row["info_peak_mb"], row["plot_rss_mb"], row["svg_kb"]))
    print("\n`korvel convert FILE -o OUT.ts` against the read floor plus the write floor:\n")
    print("| file | read floor (s) | write floor (s) | convert (s) | convert / (read + write floor) |")
    print("|---|---|---|---|---|")
    for row in rows:
        if "convert_s" in row:
            print("| %s | %.3f | %.3f | %.3f | %s |" % (
                row["file"], row["floor_s"], row["write_floor_s"], row["convert_s"],
                cell(row, "convert_s", "read_write_floor_s")))
    print("\nMemory (MB): what an open stores, and the peaks above the process's own base:\n")
    print("| file | stored | peak of open | peak of korvel info | korvel info / stored | "
          "scikit-rf peak | after loading every waveform |")
    print("|---|---|---|---|---|---|---|")
    for row in rows:
        stored = max(row["stored_mb"], 1e-9)
        peer_rss = "%.0f" % row["peer_rss_mb"] if "peer_rss_mb" in row else "—"
        print("| %s | %.0f | %.0f | %.0f | %.2f | %s | %.0f |" % (
            row["file"], row["stored_mb"], row["open_rss_mb"], row["info_rss_mb"], row["info_rss_mb"] / stored,
            peer_rss, row["rss_after_load_mb"]))


if __name__ == "__main__":
    main()
