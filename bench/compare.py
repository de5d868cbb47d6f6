#!/usr/bin/env python3
"""Runs bench_datatools and times what a user would script instead with numpy, on the same
files in the same run: numpy.loadtxt for the two reads, numpy.interp (on log10 of the
frequencies) for the re-sampling onto 10 001 log-spaced points. Prints each pair and the ratio.

usage: bench/compare.py [--bench build-tests/bench/bench_datatools] [--million FILE] [--rounds N]
numpy is optional (Debian: python3-numpy); without it only the bench's own figures are shown.
"""
import argparse
import os
import re
import statistics
import subprocess
import sys
import time

ROOT = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))


def median_ms(rounds, work):
    times = []
    for _ in range(rounds):
        start = time.perf_counter()
        work()
        times.append((time.perf_counter() - start) * 1000.0)
    return statistics.median(times)


def main():
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("--bench", default=os.path.join(ROOT, "build-tests", "bench", "bench_datatools"))
    parser.add_argument("--million", default="million-points.frd")
    parser.add_argument("--rounds", type=int, default=21)
    args = parser.parse_args()

    fft = os.path.join(ROOT, "tests", "fixtures", "fft-linear-48000.frd")
    output = subprocess.run([args.bench, "--rounds", str(args.rounds), "--million", args.million],
                            check=True, capture_output=True, text=True).stdout
    print(output, end="")
    ours = {}
    for key, pattern in (("read48k", r"read fft-linear-48000\.frd\s+([\d.]+) ms"),
                         ("read1m", r"read 1 000 000 log-spaced points\s+([\d.]+) ms"),
                         ("normalize", r"normalize 48 000 points[^\d]+[\d ]+log points\s+([\d.]+) ms")):
        ours[key] = float(re.search(pattern, output).group(1))

    try:
        import numpy as np
    except ImportError:
        print("numpy is not installed (Debian: apt-get install python3-numpy): no comparison")
        return 0

    rounds = args.rounds
    theirs = {}
    theirs["read48k"] = median_ms(rounds, lambda: np.loadtxt(fft, comments="*"))
    theirs["read1m"] = median_ms(max(3, rounds // 4), lambda: np.loadtxt(args.million, comments="*"))
    source = np.loadtxt(fft, comments="*")

    def interp():
        # The same result as Normalize: the grid's frequencies rounded to 4 decimals, the
        # magnitudes, phases of 0, and each column's minimum and maximum.
        grid = 10.0 ** (np.arange(10001) / 2000.0)
        result = np.zeros((grid.size, 3))
        result[:, 0] = np.round(grid + 0.00004, 4)
        result[:, 1] = np.interp(np.log10(grid), np.log10(source[:, 0]), source[:, 1])
        return result, result.min(axis=0), result.max(axis=0)

    theirs["normalize"] = median_ms(rounds, interp)

    print()
    print(f"{'work':<44} {'ours':>10} {'numpy':>10} {'numpy / ours':>13}")
    for key, what, numpy_name in (("read48k", "read fft-linear-48000.frd", "loadtxt"),
                                  ("read1m", "read 1 000 000 log-spaced points", "loadtxt"),
                                  ("normalize", "normalize 48 000 onto 10 001 log points", "interp")):
        print(f"{what:<44} {ours[key]:8.3f} ms {theirs[key]:8.3f} ms {theirs[key] / ours[key]:12.1f}x"
              f"   (numpy.{numpy_name})")
    return 0


if __name__ == "__main__":
    sys.exit(main())
