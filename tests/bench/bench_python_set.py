#!/usr/bin/env python3
"""One setting from Python against one sgctl process: the time per gen.set(pattern=...) on an
open generator, per gen.set() with opening the port, and per `sgctl --port COM7 set pattern ...`
run as a process, each against the same emulator, alternating two patterns so that every call
is a real change confirmed by the generator's report.

    PYTHONPATH=build/python python3 tests/bench/bench_python_set.py [RUNS]
"""

import os
import shutil
import statistics
import subprocess
import sys
import time

import kestrelon

HERE = os.path.dirname(os.path.abspath(__file__))


def find_sgctl():
    built = os.path.join(HERE, "..", "..", "build", "tools", "sgctl", "sgctl")
    for path in (os.environ.get("KESTRELON_SGCTL"), built, shutil.which("sgctl")):
        if path and os.access(path, os.X_OK):
            return os.path.abspath(path)
    sys.exit("bench_python_set: sgctl was not found (KESTRELON_SGCTL names it)")


def timed(runs, call):
    times = []
    for i in range(runs):
        start = time.perf_counter()
        call(i)
        times.append((time.perf_counter() - start) * 1000)
    return min(times), statistics.median(times)


def main():
    runs = int(sys.argv[1]) if len(sys.argv) > 1 else 200
    sgctl = find_sgctl()
    patterns = ("SMPTE", "100%ColorBar")
    with kestrelon.emulator(com=7) as port:
        with kestrelon.open(port) as gen:
            kept = timed(runs, lambda i: gen.set(pattern=patterns[i % 2]))

        def opened(i):
            with kestrelon.open(port) as g:
                g.set(pattern=patterns[i % 2])

        each = timed(runs, opened)

        def process(i):
            subprocess.run([sgctl, "--port", port, "set", "pattern", patterns[i % 2]],
                           check=True, stdout=subprocess.DEVNULL)

        sgctl_run = timed(runs, process)
    print(f"one setting confirmed (set pattern), {runs} runs each, against sgsim on a "
          "pseudo-terminal:")
    for name, (best, median) in (
        ("gen.set(), port open", kept),
        ("kestrelon.open() + gen.set()", each),
        ("sgctl set, one process", sgctl_run),
    ):
        print(f"  {name:32} best {best:8.3f} ms   median {median:8.3f} ms")
    print(f"  one sgctl process takes {sgctl_run[1] / kept[1]:.1f} times the median gen.set()")


if __name__ == "__main__":
    main()
