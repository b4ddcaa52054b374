#!/usr/bin/env python3
"""Runs the open benchmark and prints a table of medians and ratios.

    python3 bench/run_bench.py [--build build] [--repeat 3] [--no-peer] [--files a,b]

For every benchmark file (generated on first use by generate_files.py) it
measures, each in a fresh process, alternating, REPEAT times: the tight
floor (the file streamed in large blocks, comments skipped, every token
converted with fast_float, nothing stored), the older whole-file-string
floor with fast_float, the plug-in's open (openFile) and open + loading
every waveform, and for Touchstone files the peer, scikit-rf, loading the
file and computing z, y and (two-ports) stability. Times are shown as ratios
against the tight floor measured in the same run: the machine is shared and
absolute times say little.
"""
import argparse
import json
import os
import statistics
import subprocess
import sys

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


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("--build", default=os.path.join(ROOT, "build"))
    parser.add_argument("--data", default=os.path.join(HERE, "data"))
    parser.add_argument("--repeat", type=int, default=3)
    parser.add_argument("--no-peer", action="store_true")
    parser.add_argument("--files", default="")
    parser.add_argument("--peer-python", default="", help="interpreter that runs scikit-rf")
    args = parser.parse_args()

    subprocess.run([sys.executable, os.path.join(HERE, "generate_files.py"), args.data], check=True)
    bench = os.path.join(args.build, "bench", "open_bench")
    plugin = os.path.join(args.build, "libkorvelSC.so")
    names = sorted(os.listdir(args.data))
    if args.files:
        names = [n for n in names if n in args.files.split(",")]
    peer = None if args.no_peer else peer_python(args.peer_python)
    if not args.no_peer and peer is None:
        print("scikit-rf not found: the peer column stays empty", file=sys.stderr)

    rows = []
    for name in names:
        path = os.path.join(args.data, name)
        if name.endswith(".tmp"):
            continue
        floor_runs, fast_runs, open_runs, peer_runs = [], [], [], []
        for _ in range(args.repeat):
            floor_runs.append(run_json([bench, "floor", path]))
            fast_runs.append(run_json([bench, "floor-fastfloat", path]))
            open_runs.append(run_json([bench, "open", path, plugin]))
            if peer and not name.endswith(".sc0"):
                peer_runs.append(run_json([peer, "-c", PEER, path]))
        size_mb = os.path.getsize(path) / 1e6
        row = {
            "file": name,
            "size_mb": size_mb,
            "floor_s": median_of(floor_runs, "seconds"),
            "fast_float_s": median_of(fast_runs, "seconds"),
            "open_s": median_of(open_runs, "open_seconds"),
            "open_load_s": median_of(open_runs, "open_seconds") + median_of(open_runs, "load_seconds"),
            "stored_mb": median_of(open_runs, "stored_mb"),
            "open_rss_mb": median_of(open_runs, "peak_rss_after_open_mb") - median_of(open_runs, "baseline_rss_mb"),
            "rss_after_load_mb": median_of(open_runs, "rss_after_load_mb") - median_of(open_runs, "baseline_rss_mb"),
        }
        if peer_runs:
            row["peer_s"] = median_of(peer_runs, "load_seconds") + median_of(peer_runs, "calc_seconds")
            row["peer_rss_mb"] = median_of(peer_runs, "peak_rss_mb")
        rows.append(row)
        print(json.dumps(row), file=sys.stderr)

    print("| file | MB | open MB/s | open / floor | open+load / floor | "
          "open / whole-string floor | scikit-rf / open | peak RSS of open / stored | scikit-rf peak RSS (MB) | "
          "RSS after load (MB) |")
    print("|---|---|---|---|---|---|---|---|---|---|")
    for row in rows:
        peer = "%.1f×" % (row["peer_s"] / row["open_s"]) if "peer_s" in row else "—"
        peer_rss = "%.0f" % row["peer_rss_mb"] if "peer_rss_mb" in row else "—"
        print("| %s | %.0f | %.0f | %.2f | %.2f | %.2f | %s | %.0f / %.0f MB = %.2f | %s | %.0f |" % (
            row["file"], row["size_mb"], row["size_mb"] / row["open_s"], row["open_s"] / row["floor_s"],
            row["open_load_s"] / row["floor_s"], row["open_s"] / row["fast_float_s"], peer,
            row["open_rss_mb"], row["stored_mb"], row["open_rss_mb"] / max(row["stored_mb"], 1e-9), peer_rss,
            row["rss_after_load_mb"]))

if __name__ == "__main__":
    main()
