#!/usr/bin/env python3
"""Real-time headroom: the fastest pace of the simulated device at which a program reads the
first OBJECTS objects without a single missed or late answer.

  headroom.py [--coarse] SIMULATOR OBJECTS NAME "COMMAND" [NAME "COMMAND" ...]
  headroom.py --pace BPS SIMULATOR OBJECTS NAME "COMMAND" [NAME "COMMAND" ...]

For each program, a bisection over the device's pace (bytes per second, in steps of a few per
cent between 1 and 4096 times the real line's 120): at each pace the simulator starts with the
answer window of one byte time at that pace, the program is started on its terminal
("{port}" in COMMAND and ZELMAR_COM1 name it) and must report "done ... table_fnv H boxes 0"
with the hash of the objects read; the simulator's own count of missed and late answers must
be zero. A run that does not end in time fails. Prints "key value" lines; every trial goes to
standard error. --coarse stops the bisection at a factor of two, for a quick run that only
proves the driver. --pace runs one read at that pace instead, and prints what the simulator
counted: the missed and late answers.
"""
import math
import os
import re
import signal
import subprocess
import sys
import tempfile
import time

LINE_BPS = 120


def entry(obj):
    # A data byte of 172 is left out: the program reads such an object a second time to tell
    # it from a poll, which the minimal program does not, and the two must read the same
    # exchanges.
    value = 3 if obj == 8176 else (obj * 7 + 3) % 256
    return 171 if value == 172 else value


def fnv(values):
    h = 2166136261
    for v in values:
        h = ((h ^ v) * 16777619) & 0xFFFFFFFF
    return h


def stop(proc):
    if proc.poll() is None:
        proc.send_signal(signal.SIGTERM)
        try:
            proc.wait(5)
        except subprocess.TimeoutExpired:
            proc.kill()
            proc.wait()


def trial(simulator, table, objects, command, pace, work):
    """One read at `pace`: (passed, what the simulator counted)."""
    link = os.path.join(work, "line")
    sim = subprocess.Popen([simulator, "--pace", str(pace), "--table", table, "--link", link,
                            "--exit-on-close"], stdout=subprocess.PIPE, stderr=subprocess.PIPE,
                           text=True)
    sim.stdout.readline()
    words = [w.replace("{port}", link) for w in command.split()]
    # Three times what the bytes take at this pace, and the program's start.
    limit = 5 + 3 * objects * 8 / pace
    program = subprocess.Popen(words, stdout=subprocess.PIPE, stderr=subprocess.DEVNULL,
                               text=True, env=dict(os.environ, ZELMAR_COM1=link, QT_QPA_PLATFORM="offscreen"))
    try:
        out, _ = program.communicate(timeout=limit)
    except subprocess.TimeoutExpired:
        stop(program)
        out, _ = program.communicate()
    report = next((line for line in out.splitlines() if line.startswith("done")), "")
    try:
        _, err = sim.communicate(timeout=5)
    except subprocess.TimeoutExpired:
        stop(sim)
        _, err = sim.communicate()
    counts = re.search(r"missed (\d+), late (\d+)", err or "")
    missed, late = (int(counts.group(1)), int(counts.group(2))) if counts else (-1, -1)
    hash_ok = f"table_fnv {fnv(entry(o) for o in range(objects))} boxes 0" in report
    return hash_ok, missed, late, out


def verdict(hash_ok, missed, late, _report=""):
    return hash_ok and missed == 0 and late == 0, f"missed {missed} late {late} " + (
        "table ok" if hash_ok else "no sound end")


def headroom(simulator, table, objects, name, command, work, resolution):
    # Bisection over log2 of the multiple of the line's pace; `lo` passed (or is the floor).
    lo, hi = 0.0, 12.0
    best = None
    trials = 0
    while hi - lo > resolution:
        mid = (lo + hi) / 2
        pace = round(LINE_BPS * 2 ** mid)
        passed, what = verdict(*trial(simulator, table, objects, command, pace, work))
        trials += 1
        print(f"{name}: pace {pace} B/s ({pace / LINE_BPS:.1f}x): "
              f"{'ok' if passed else 'FAIL'} ({what})", file=sys.stderr, flush=True)
        if passed:
            lo, best = mid, pace
        else:
            hi = mid
    return best or 0, trials


def main(args):
    resolution, pace = 0.05, None
    if args[:1] == ["--coarse"]:
        args, resolution = args[1:], 1.0
    elif args[:1] == ["--pace"] and len(args) > 1:
        args, pace = args[2:], int(args[1])
    if len(args) < 4 or len(args) % 2 != 0:
        print(__doc__, file=sys.stderr)
        return 2
    simulator, objects = args[0], int(args[1])
    with tempfile.TemporaryDirectory() as work:
        table = os.path.join(work, "table.txt")
        with open(table, "w") as f:
            f.writelines(f"{o} {entry(o)}\n" for o in range(8192))
        for i in range(2, len(args), 2):
            name, command = args[i], args[i + 1]
            if pace is not None:
                hash_ok, missed, late, out = trial(simulator, table, objects, command, pace, work)
                print(f"{name}: pace {pace} B/s: {verdict(hash_ok, missed, late)[1]}",
                      file=sys.stderr, flush=True)
                # The disturbance the program reports it went through.
                done = re.search(r"dialogs (\d+) moves (\d+)", out)
                print(f"{name}.missed {missed}\n{name}.late {late}\n"
                      f"{name}.table_ok {int(hash_ok)}\n"
                      f"{name}.dialogs {done.group(1) if done else -1}\n"
                      f"{name}.moves {done.group(2) if done else -1}", flush=True)
                continue
            best, trials = headroom(simulator, table, objects, name, command, work, resolution)
            print(f"{name}.headroom_bps {best}")
            print(f"{name}.headroom_x {best / LINE_BPS:.4g}")
            print(f"{name}.trials {trials}", flush=True)
    return 0


if __name__ == "__main__":
    sys.exit(main(sys.argv[1:]))
