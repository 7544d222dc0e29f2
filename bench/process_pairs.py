#!/usr/bin/env python3
# SPDX-License-Identifier: GPL-3.0-or-later
"""Times a command as a whole process against a yardstick command, run in turn (A B A B ...).

Each run's CPU time (user + system) and peak memory come from the kernel's accounting of the
finished child (wait4), its wall time from the monotonic clock; output goes to /dev/null. The
ratio A/B is taken pair by pair, so it holds while a shared machine's speed drifts; the medians
are printed. Usage:

    process_pairs.py [-n PAIRS] [--label TEXT] --vs 'B COMMAND' -- A COMMAND [ARG...]
"""

import argparse
import os
import shlex
import statistics
import subprocess
import sys
import time


def run_once(argv):
    start = time.monotonic()
    with open(os.devnull, "wb") as null:
        child = subprocess.Popen(argv, stdout=null, stderr=null)
        _, status, usage = os.wait4(child.pid, 0)
    wall = time.monotonic() - start
    child.returncode = os.waitstatus_to_exitcode(status)
    return {
        "cpu": usage.ru_utime + usage.ru_stime,
        "wall": wall,
        "peak_mib": usage.ru_maxrss / 1024.0,
        "status": child.returncode,
    }


def main():
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("-n", type=int, default=7, help="counted pairs (default 7)")
    parser.add_argument("--warmup", type=int, default=1, help="uncounted pairs first")
    parser.add_argument("--vs", required=True, help="the yardstick command, as one string")
    parser.add_argument("--label", default=None, help="the row's name in the output")
    parser.add_argument("command", nargs=argparse.REMAINDER)
    args = parser.parse_args()
    a = args.command[1:] if args.command[:1] == ["--"] else args.command
    b = shlex.split(args.vs)
    if not a or not b or args.n < 1:
        parser.error("a command after --, a --vs command and at least one pair are needed")

    for _ in range(args.warmup):
        run_once(a)
        run_once(b)
    pairs = [(run_once(a), run_once(b)) for _ in range(args.n)]
    if any(x["status"] != 0 for pair in pairs for x in pair):
        print("note: a run exited with a non-zero status", file=sys.stderr)

    def med(values):
        return statistics.median(values)

    cpu_a = med([p[0]["cpu"] for p in pairs])
    cpu_b = med([p[1]["cpu"] for p in pairs])
    wall_a = med([p[0]["wall"] for p in pairs])
    wall_b = med([p[1]["wall"] for p in pairs])
    cpu_ratios = [p[0]["cpu"] / p[1]["cpu"] for p in pairs if p[1]["cpu"] > 0]
    wall_ratios = [p[0]["wall"] / p[1]["wall"] for p in pairs]
    peak_a = med([p[0]["peak_mib"] for p in pairs])
    label = args.label or " ".join(a)
    print(
        f"{label}: {args.n} pairs; cpu {cpu_a * 1000:.1f} ms vs {cpu_b * 1000:.1f} ms, "
        f"ratio {med(cpu_ratios):.2f} (min {min(cpu_ratios):.2f}, max {max(cpu_ratios):.2f}); "
        f"wall {wall_a * 1000:.1f} ms vs {wall_b * 1000:.1f} ms, ratio {med(wall_ratios):.2f}; "
        f"peak {peak_a:.1f} MiB"
    )


if __name__ == "__main__":
    main()
