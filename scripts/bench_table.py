#!/usr/bin/env python3
"""Prints scripts/bench's table: the median over runs of every figure.

Usage: bench_table.py DIR

DIR holds textures.json and mixer.json (Google Benchmark, with repetitions)
and timing-N.txt (frostmere-capture --timing, one per run).
"""
import glob
import json
import os
import statistics
import sys


def benchmark_rows(path):
    """(name, median real time, unit, extra) per benchmark."""
    with open(path) as f:
        data = json.load(f)
    rows = []
    for b in data["benchmarks"]:
        if b.get("aggregate_name") != "median":
            continue
        extra = ""
        if "x_real_time" in b:
            extra = "%.0fx real time" % b["x_real_time"]
        rows.append((b["run_name"], b["real_time"], b["time_unit"], extra))
    return rows


def timing_runs(folder):
    """Per run: {entry: (frames, p50, p99, max)}, {task: ms}, precalc ms, peak MB."""
    runs = []
    for path in sorted(glob.glob(os.path.join(folder, "timing-*.txt"))):
        entries, tasks, precalc, peak = {}, {}, None, None
        with open(path) as f:
            for line in f:
                words = line.split()
                if not words or words[0].startswith("#") or words[0] == "entry":
                    continue
                if words[0] == "task":
                    tasks[int(words[1])] = float(words[2])
                elif words[0] == "precalc":
                    precalc = float(words[1])
                elif words[0] == "peak" and words[2] != "unknown":
                    peak = float(words[2])
                elif len(words) == 5:
                    entries[words[0]] = tuple(float(w) for w in words[1:])
        runs.append((entries, tasks, precalc, peak))
    return runs


def median(values):
    values = [v for v in values if v is not None]
    return statistics.median(values) if values else float("nan")


def main(folder):
    print("%-44s %12s" % ("benchmark (median of runs)", "time"))
    for name in ("textures", "mixer"):
        path = os.path.join(folder, name + ".json")
        if not os.path.exists(path):  # a table of captures alone
            continue
        for run_name, time, unit, extra in benchmark_rows(path):
            print("%-44s %9.2f %-2s %s" % (run_name, time, unit, extra))
    runs = timing_runs(folder)
    if not runs:
        return 1
    print()
    print("frame cost per timeline entry, ms (median of %d runs)" % len(runs))
    print("%-8s %7s %8s %8s %8s" % ("entry", "frames", "p50", "p99", "max"))
    for entry in runs[0][0]:
        figures = [r[0].get(entry) for r in runs]
        cols = [median([f[i] if f else None for f in figures]) for i in range(4)]
        print("%-8s %7d %8.2f %8.2f %8.2f" % (entry, cols[0], cols[1], cols[2], cols[3]))
    print()
    for task in sorted(runs[0][1]):
        print("precalc task %-3d %8.2f ms" % (task, median([r[1].get(task) for r in runs])))
    print("precalc, all     %8.2f ms" % median([r[2] for r in runs]))
    print("peak memory      %8.1f MB" % median([r[3] for r in runs]))
    return 0


if __name__ == "__main__":
    sys.exit(main(sys.argv[1]))
