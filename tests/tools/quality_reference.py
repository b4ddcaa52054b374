#!/usr/bin/python3
"""Checks `korvel quality` against an independent computation with numpy.

    python3 tests/tools/quality_reference.py [--korvel build/korvel] FILE...

For each file it takes the S-parameters the tool's plug-in hands over
(`korvel dump --format csv`, every value exactly as received), computes
the passivity, reciprocity and causality metrics, the worst entry and
point, and K and mu with numpy (the largest singular value by numpy's SVD),
and compares them with `korvel quality --json` and `--points`. K and mu are
allowed, beside the tolerance, what rounding alone can change in their
formulas, which cancel near lossless points. Files the
plug-in refuses are skipped; files with complex references must be
reported as not judged. Prints one line per file and a summary; exit 1 on
any difference above the tolerance (1e-9).
"""
import argparse
import csv
import io
import json
import re
import subprocess
import sys

import numpy as np

TOLERANCE = 1e-9
NAME = re.compile(r"^S-Par/S([a-z]*)\((\w+),(\w+)\)$")


def run(command):
    return subprocess.run(command, stdout=subprocess.PIPE, stderr=subprocess.PIPE)


def load_matrices(korvel, path):
    """{segment: (frequencies, S[points, n, n])} and the terminal order."""
    names = run([korvel, "list", path]).stdout.decode("utf-8", "replace").split("\n")
    terminals = []
    for name in names:
        match = re.match(r"^Zo/Zo([a-z]?)\((\w+)\)$", name)
        if match:
            terminals.append(match.group(1) + match.group(2))
    n = len(terminals)
    index = {t: i for i, t in enumerate(terminals)}
    dump = run([korvel, "dump", "--format", "csv", path] + [n for n in names if n.startswith("S-Par/")])
    if dump.returncode != 0:
        return None, terminals
    segments = {}
    seen = {}
    for row in csv.DictReader(io.StringIO(dump.stdout.decode("utf-8", "replace"))):
        match = NAME.match(row["name"])
        modes, a, b = match.groups()
        i = index[(modes[:1] if modes else "") + a]
        j = index[(modes[1:] if modes else "") + b]
        g = int(row["segment"])
        # Point k of a segment is the k-th row of its name there.
        k = seen.get((g, i, j), 0)
        seen[(g, i, j)] = k + 1
        freqs, points = segments.setdefault(g, ([], []))
        if k == len(points):
            points.append(np.zeros((n, n), dtype=complex))
            freqs.append(float(row["f [Hz]"]))
        points[k][i, j] = complex(float(row["re"]), float(row["im"]))
    result = {g: (np.array(freqs), np.array(points)) for g, (freqs, points) in segments.items()}
    return result, terminals


def metrics(s):
    points, n, _ = s.shape
    pm = np.linalg.svd(s, compute_uv=False)[:, 0]
    pw = np.where(pm > 1.00001, (pm - 1.00001) / 0.1, 0.0)
    out = {"pm": pm, "passivity": max(points - pw.sum(), 0) / points * 100}
    if n > 1:
        rm = np.abs(s - np.transpose(s, (0, 2, 1))).sum(axis=(1, 2)) / (n * (n - 1))
        rw = np.where(rm > 1e-6, (rm - 1e-6) / 0.1, 0.0)
        out["rm"] = rm
        out["reciprocity"] = max(points - rw.sum(), 0) / points * 100
    if points >= 3:
        v = np.diff(s, axis=0)
        r = v[1:].real * v[:-1].imag - v[1:].imag * v[:-1].real
        positive = np.where(r > 0, r, 0).sum(axis=0)
        total = np.abs(r).sum(axis=0)
        scores = np.where(total > 0, 100 * positive / np.where(total > 0, total, 1), 100.0)
        out["causality"] = scores.min()
        out["scores"] = scores
    if n == 2:
        s11, s12, s21, s22 = s[:, 0, 0], s[:, 0, 1], s[:, 1, 0], s[:, 1, 1]
        delta = s11 * s22 - s12 * s21
        with np.errstate(divide="ignore", invalid="ignore"):
            out["k"] = (1 - abs(s11) ** 2 - abs(s22) ** 2 + abs(delta) ** 2) / (2 * abs(s12 * s21))
            out["mu"] = (1 - abs(s11) ** 2) / (abs(s22 - delta * np.conj(s11)) + abs(s12 * s21))
            # What rounding alone may change in each, relative to the
            # result: the size of the terms over that of the result. Near a
            # lossless point (|S11| -> 1, |S21| -> 0) both formulas cancel.
            eps = np.finfo(float).eps
            k_terms = (1 + abs(s11) ** 2 + abs(s22) ** 2 + abs(delta) ** 2) / (2 * abs(s12 * s21))
            mu_terms = (1 + abs(s11) ** 2) / (abs(s22 - delta * np.conj(s11)) + abs(s12 * s21))
            out["k_slack"] = 64 * eps * k_terms
            out["mu_slack"] = 64 * eps * mu_terms
    return out


def close(a, b, relative=True, slack=0.0):
    if a is None or b is None:
        return a is None and b is None
    a = float(a)
    b = float(b)
    if np.isnan(a) or np.isnan(b):
        return np.isnan(a) and np.isnan(b)
    if np.isinf(a) or np.isinf(b):
        return a == b
    return abs(a - b) <= TOLERANCE * (max(1.0, abs(b)) if relative else 1.0) + slack


def value(x):
    return float(x) if not isinstance(x, str) else float(x.replace("Infinity", "inf"))


def check_file(korvel, path):
    """'' when the file agrees, else what differs; None when refused."""
    quality = run([korvel, "quality", "--json", path])
    if quality.returncode != 0 and not quality.stdout:
        return None
    doc = json.loads(quality.stdout.decode("utf-8").splitlines()[0])
    if doc["references"] == "complex":
        return "" if not doc["segments"] else "complex references judged"
    matrices, terminals = load_matrices(korvel, path)
    if matrices is None:
        return None
    points = run([korvel, "quality", "--points", path]).stdout.decode("utf-8", "replace").splitlines()[1:]
    per_point = {}
    for line in points:
        fields = line.rsplit(",", 6)
        per_point.setdefault(int(fields[1]), []).append(fields[2:])
    problems = []
    for segment in doc["segments"]:
        g = segment["segment"]
        freqs, s = matrices[g]
        ref = metrics(s)
        if not close(segment["passivity"]["value"], ref["passivity"], False):
            problems.append("passivity %r != %r" % (segment["passivity"]["value"], ref["passivity"]))
        if not close(segment["passivity"]["largestSingularValue"], ref["pm"].max()):
            problems.append("largest PM")
        if "reciprocity" in ref and not close(segment["reciprocity"]["value"], ref["reciprocity"], False):
            problems.append("reciprocity %r != %r" % (segment["reciprocity"]["value"], ref["reciprocity"]))
        if "causality" in ref:
            if not close(segment["causality"]["value"], ref["causality"], False):
                problems.append("causality %r != %r" % (segment["causality"]["value"], ref["causality"]))
        elif segment["causality"]["value"] is not None:
            problems.append("causality given for fewer than 3 points")
        rows = per_point.get(g, [])
        if len(rows) != len(freqs):
            problems.append("points: %d rows for %d points" % (len(rows), len(freqs)))
            continue
        for k, row in enumerate(rows):
            if not close(value(row[0]), freqs[k]) or not close(value(row[1]), ref["pm"][k]):
                problems.append("PM at point %d: %s != %r" % (k, row[1], ref["pm"][k]))
                break
            if "rm" in ref and not close(value(row[2]), ref["rm"][k]):
                problems.append("RM at point %d" % k)
                break
            if "k" in ref and (not close(value(row[3]), ref["k"][k], slack=ref["k_slack"][k]) or
                               not close(value(row[4]), ref["mu"][k], slack=ref["mu_slack"][k])):
                problems.append("K or mu at point %d: %s %s != %r %r" % (k, row[3], row[4], ref["k"][k], ref["mu"][k]))
                break
    return "; ".join(problems)


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("--korvel", default="build/korvel")
    parser.add_argument("files", nargs="+")
    args = parser.parse_args()
    checked = refused = failed = 0
    for path in args.files:
        problems = check_file(args.korvel, path)
        if problems is None:
            refused += 1
            continue
        checked += 1
        if problems:
            failed += 1
            print("DIFFERS %s: %s" % (path, problems))
    print("%d files checked, %d agree to %g, %d differ, %d refused by the reader" %
          (checked, checked - failed, TOLERANCE, failed, refused))
    return 1 if failed else 0


if __name__ == "__main__":
    sys.exit(main())
