#!/usr/bin/env python3
"""Writes the large benchmark files, deterministically (fixed seeds).

    python3 bench/generate_files.py [OUTPUT_DIR]     (default bench/data)

Files: a 1,000,000-point RI .s2p (about 140 MB), a 200,000-point MA .s4p, a
2,000-point DB .s16p with one point per line, a .s2p with a noise block, and
an SC file of about 100 MB with two sweep parameters (6 blocks), noise and
group delay. Existing files are kept.
"""
import cmath
import math
import os
import random
import sys


def network(rng, ports, f):
    """A plausible passive-ish network: S[i][j] as complex numbers."""
    matrix = []
    for i in range(ports):
        row = []
        for j in range(ports):
            magnitude = (0.2 + 0.6 * rng.random()) if i == j else 0.05 + 0.9 * rng.random() / ports
            angle = -2.0 * math.pi * f * 1e-10 * (1 + i + j) + rng.uniform(-0.1, 0.1)
            row.append(cmath.rect(magnitude, angle))
        matrix.append(row)
    return matrix


def touchstone_pairs(matrix, fmt):
    """Value pairs of one point in Touchstone order (2-ports column-major)."""
    ports = len(matrix)
    if ports == 2:
        order = [(0, 0), (1, 0), (0, 1), (1, 1)]
    else:
        order = [(i, j) for i in range(ports) for j in range(ports)]
    pairs = []
    for i, j in order:
        value = matrix[i][j]
        if fmt == "RI":
            pairs.append((value.real, value.imag))
        elif fmt == "MA":
            pairs.append((abs(value), math.degrees(cmath.phase(value))))
        else:
            pairs.append((20.0 * math.log10(max(abs(value), 1e-12)), math.degrees(cmath.phase(value))))
    return pairs


def write_touchstone(path, ports, points, fmt, lines_per_point, seed, noise_points=0):
    rng = random.Random(seed)
    with open(path, "w") as out:
        out.write("! korvelSC benchmark file, seed %d\n" % seed)
        out.write("# GHz S %s R 50\n" % fmt)
        step = 40.0 / points
        for p in range(points):
            f = 0.01 + step * p
            pairs = touchstone_pairs(network(rng, ports, f * 1e9), fmt)
            numbers = ["%.9g %.9g" % pair for pair in pairs]
            per_line = max(1, len(numbers) // lines_per_point)
            chunks = [numbers[k:k + per_line] for k in range(0, len(numbers), per_line)]
            out.write("%.9g " % f + " ".join(chunks[0]) + "\n")
            for chunk in chunks[1:]:
                out.write("  " + " ".join(chunk) + "\n")
        if noise_points:
            nstep = 40.0 / noise_points
            for p in range(noise_points):
                f = 0.01 + nstep * p
                out.write("%.9g %.6g %.6g %.6g %.6g\n" % (
                    f, 0.5 + 0.02 * f, 0.3 + 0.1 * rng.random(), rng.uniform(-180, 180), 0.2 + 0.05 * rng.random()))


def write_sc(path, points, seed):
    """Two ports, 6 blocks (temp 2 values x vdd 3 values), noise and group delay."""
    rng = random.Random(seed)
    with open(path, "w") as out:
        out.write("*| korvelSC benchmark file, seed %d\n" % seed)
        out.write("*| N=2 DATA=%d NOISE=1 GROUPDELAY=1 COMPLEX_DATAFORMAT=RI\n" % points)
        out.write("*| NumOfBlock=6 NumOfParam=2 ParamNames=temp vdd\n")
        out.write("*| ParamSweep temp: 25 85, vdd: 1.0 1.2 1.4\n")
        out.write("+ Zo= 50 50\n")
        step = 40e9 / points
        for block in range(6):
            out.write("+ DATA=\n")
            for p in range(points):
                f = 1e7 + step * p
                matrix = network(rng, 2, f)
                out.write("+ %.9g\n" % f)
                out.write("+ " + " ".join("%.9g %.9g" % (v.real, v.imag) for row in matrix for v in row) + "\n")
            out.write("*| frequency NFmin GammaOpt_mag GammaOpt_ang Rn\n")
            for p in range(points):
                f = 1e7 + step * p
                out.write("*| %.9g %.6g %.6g %.6g %.6g\n" % (
                    f, 0.5 + 0.02 * f / 1e9, 0.3 + 0.1 * rng.random(), rng.uniform(-180, 180), 0.2))
            out.write("+ DATA=\n")
            for p in range(points):
                f = 1e7 + step * p
                out.write("+ %.9g\n" % f)
                out.write("+ " + " ".join("%.6g" % (1e-10 * (1 + rng.random())) for _ in range(4)) + "\n")


FILES = [
    ("ri_1m.s2p", lambda path: write_touchstone(path, 2, 1_000_000, "RI", 1, 1)),
    ("ma_200k.s4p", lambda path: write_touchstone(path, 4, 200_000, "MA", 4, 2)),
    ("db_2k.s16p", lambda path: write_touchstone(path, 16, 2_000, "DB", 1, 3)),
    ("noise_200k.s2p", lambda path: write_touchstone(path, 2, 200_000, "MA", 1, 4, noise_points=200_000)),
    ("sweep_6blocks.sc0", lambda path: write_sc(path, 72_000, 5)),
]


def main():
    directory = sys.argv[1] if len(sys.argv) > 1 else os.path.join(os.path.dirname(__file__), "data")
    os.makedirs(directory, exist_ok=True)
    for name, writer in FILES:
        path = os.path.join(directory, name)
        if os.path.exists(path):
            continue
        writer(path + ".tmp")
        os.replace(path + ".tmp", path)
        print("wrote %s (%.1f MB)" % (path, os.path.getsize(path) / 1e6))


if __name__ == "__main__":
    main()
