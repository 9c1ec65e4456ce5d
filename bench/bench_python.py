#!/usr/bin/env python3
"""gtikit.read against the C++ load alone and against numpy.fromfile of the same bytes.

The file is the storage benchmark's: 1,000,000 records x 64 parameters, one record a second, a
registration file of about 277 MB, written here through gtikit.write. Each reader runs --runs
times; the first run is the cold one, the best of the others the warm one. "vs" = the reader's
time / gtikit.read's time (1.0: as fast as gtikit.read).

    /usr/bin/python3 bench/bench_python.py [--build build/release] [--dir /dev/shm] [--runs 5]
"""

import argparse
import gc
import os
import subprocess
import sys
import time

import numpy as np

RECORDS, PARAMS = 1_000_000, 64


def timed(f, runs):
    seconds = []
    for _ in range(runs):
        gc.collect()
        start = time.perf_counter()
        result = f()
        seconds.append(time.perf_counter() - start)
        del result
    return seconds


def main():
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("--build", default="build/release", help="the Release build folder")
    parser.add_argument("--dir", default="/dev/shm" if os.path.isdir("/dev/shm") else "/tmp",
                        help="where the file goes (default /dev/shm, memory)")
    parser.add_argument("--runs", type=int, default=5)
    args = parser.parse_args()
    sys.path.insert(0, os.path.join(args.build, "python"))
    import gtikit

    path = os.path.join(args.dir, "gtikit-bench-python.realtim")
    i = np.arange(RECORDS)
    values = (np.arange(PARAMS, dtype=np.float32)[None, :] + (i % 977)[:, None].astype(np.float32) * np.float32(0.01))
    params = [gtikit.Param(f"параметр{p}", f"Параметр {p}", "ед") for p in range(PARAMS)]
    times = np.datetime64("2023-11-13T22:13:20", "s") + i.astype("timedelta64[s]")
    gtikit.write(path, gtikit.Log(params, times, (1000 + i * 0.001).astype(np.float32), values))
    del values, times
    size = os.path.getsize(path)
    try:
        loads = subprocess.run([os.path.join(args.build, "bench", "bench_load_file"), path, str(args.runs)],
                               check=True, capture_output=True, text=True).stdout.split("\n")
        cpp = [float(line.split()[0]) for line in loads if line]
        py = timed(lambda: gtikit.read(path), args.runs)
        floor = timed(lambda: np.fromfile(path, dtype=np.uint8), args.runs)
    finally:
        os.remove(path)

    print(f"{RECORDS} records x {PARAMS} parameters, {size / 1e6:.0f} MB in {args.dir}, {args.runs} runs")
    print(f"{'reader':<28} {'cold s':>8} {'warm s':>8} {'warm MB/s':>10} {'vs cold':>8} {'vs warm':>8}")
    for name, s in (("gtikit.read", py), ("C++ FileStorage::add_file", cpp), ("numpy.fromfile (floor)", floor)):
        warm = min(s[1:]) if len(s) > 1 else s[0]
        py_warm = min(py[1:]) if len(py) > 1 else py[0]
        print(f"{name:<28} {s[0]:8.3f} {warm:8.3f} {size / warm / 1e6:10.0f} {s[0] / py[0]:8.2f} {warm / py_warm:8.2f}")


if __name__ == "__main__":
    main()
