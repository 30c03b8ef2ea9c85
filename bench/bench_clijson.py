#!/usr/bin/env python3
"""zrvu-cli history as JSON Lines against the text mode, in one run.

    bench/bench_clijson.py BUILD_DIR [--runs N]

A year of 10-minute records (2023: 52,560 record lines and the header) from
zrsim over loopback UDP, read alternately with and without --json; prints
the median wall time and the CPU time zrvu-cli used per mode, and the
ratios json/text. The wall time includes the instrument's pacing, the CPU
time is what the output format costs.
"""
import os
import resource
import statistics
import subprocess
import sys
import tempfile
import time


def main():
    build = os.path.abspath(sys.argv[1] if len(sys.argv) > 1 else "build")
    runs = int(sys.argv[sys.argv.index("--runs") + 1]) if "--runs" in sys.argv else 3
    sim = subprocess.Popen([os.path.join(build, "tools/zrsim/zrsim"), "--udp", "127.0.0.1:0"],
                           stdout=subprocess.PIPE, text=True)
    port = None
    try:
        for line in sim.stdout:
            if line.startswith("ZRSIM UDP"):
                port = line.split()[3]
            if line.startswith("ZRSIM READY"):
                break
        cli = os.path.join(build, "cli/zrvu-cli")
        base = [cli, "--udp", "127.0.0.1:" + port, "--address", "1", "history", "2023-01-01", "2023-12-31"]
        wall = {"text": [], "json": []}
        cpu = {"text": [], "json": []}
        lines = {}
        with tempfile.TemporaryDirectory() as work:
            for _ in range(runs):
                for mode in ("text", "json"):
                    args = base + (["--json"] if mode == "json" else [])
                    out = os.path.join(work, mode + ".out")
                    before = resource.getrusage(resource.RUSAGE_CHILDREN)
                    start = time.monotonic()
                    with open(out, "wb") as f:
                        status = subprocess.run(args, stdout=f, cwd=work).returncode
                    wall[mode].append(time.monotonic() - start)
                    after = resource.getrusage(resource.RUSAGE_CHILDREN)
                    cpu[mode].append(after.ru_utime - before.ru_utime + after.ru_stime - before.ru_stime)
                    if status != 0:
                        sys.exit("%s mode ended with status %d" % (mode, status))
                    with open(out, "rb") as f:
                        lines[mode] = sum(1 for _ in f)
    finally:
        sim.terminate()
        sim.wait()
    # The result line is the one more; fewer would be lines lost.
    if lines["json"] != lines["text"] + 1:
        sys.exit("json gave %d lines for text's %d" % (lines["json"], lines["text"]))
    for mode in ("text", "json"):
        print("%-4s  %6d lines  wall %.2f s  cpu %.2f s (median of %d)"
              % (mode, lines[mode], statistics.median(wall[mode]), statistics.median(cpu[mode]), runs))
    print("json/text  wall %.2fx  cpu %.2fx"
          % (statistics.median(wall["json"]) / statistics.median(wall["text"]),
             statistics.median(cpu["json"]) / statistics.median(cpu["text"])))


if __name__ == "__main__":
    main()
