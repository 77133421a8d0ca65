#!/usr/bin/env python3
"""Soak: the program (Qt offscreen, real QSerialPort) against the simulator at its fast pace
for a long run of read exchanges, with noise, dropped answers and the device vanishing twice.

  soak.py [--quick] SIMULATOR PROGRAMMER_PROBE [EXCHANGES]      (default 1,000,000)

The probe reads the whole table job after job until EXCHANGES objects are done, reopening the
port after each vanishing. The device is three simulators one after the other on the same
link: the first two vanish after a third of the exchanges each, the last stays to the end.
Each runs with noise after its unanswered idle polls and counts its answers against a 20 ms
window. Each loses answers on the way, every 997th, 998th and 999th in turn: the exchange
starts again after a loss, and an exchange has three answers, so each period's losses keep
falling on one kind of answer - the command, the high and the low address byte respectively. Prints "key value" lines and the verdicts: every object a
job called done equals the device's table; resident memory grows by less than 1 MB after the
first job; open descriptors do not grow. --quick judges only what was read: a short run's first
job ends with the first vanishing, before memory and descriptors have settled.
"""
import os
import queue
import re
import subprocess
import sys
import tempfile
import threading
import time


def entry(obj):
    return 3 if obj == 8176 else (obj * 7 + 3) % 256


def main(args):
    quick = args[:1] == ["--quick"]
    if quick:
        args = args[1:]
    if len(args) not in (2, 3):
        print(__doc__, file=sys.stderr)
        return 2
    simulator, probe = args[0], args[1]
    exchanges = int(args[2]) if len(args) == 3 else 1_000_000
    with tempfile.TemporaryDirectory() as work:
        table = os.path.join(work, "table.txt")
        with open(table, "w") as f:
            f.writelines(f"{o} {entry(o)}\n" for o in range(8192))
        link = os.path.join(work, "line")
        vanish_after = max(1, exchanges // 3)

        def device(seed, last):
            drop_every = 996 + seed
            command = [simulator, "--fast", "--answer-window", "20000", "--table", table,
                       "--link", link, "--noise", "3", "--drop-answers", str(drop_every), "--seed",
                       str(seed)]
            command += ["--exit-on-close"] if last else ["--hangup-after", str(vanish_after)]
            sim = subprocess.Popen(command, stdout=subprocess.PIPE, stderr=subprocess.PIPE,
                                   text=True)
            sim.stdout.readline()
            return sim

        devices = [device(1, False)]
        start = time.monotonic()
        program = subprocess.Popen([probe, "soak", str(exchanges), table],
                                   stdout=subprocess.PIPE, text=True,
                                   env=dict(os.environ, ZELMAR_COM1=link, QT_QPA_PLATFORM="offscreen"))
        lines = queue.Queue()
        threading.Thread(target=lambda: [lines.put(l) for l in program.stdout] + [lines.put(None)],
                         daemon=True).start()
        summary = None
        last_note = start
        while summary is None:
            if devices[-1].poll() is not None and len(devices) < 3:
                # The device vanished; it comes back as a fresh one on the same link.
                devices.append(device(len(devices) + 1, len(devices) == 2))
            try:
                line = lines.get(timeout=0.2)
            except queue.Empty:
                continue
            if line is None:
                break
            if line.startswith("soak "):
                summary = line
            elif time.monotonic() - last_note > 30:
                last_note = time.monotonic()
                print(f"soak: {time.monotonic() - start:.0f} s, {line.strip()}", file=sys.stderr,
                      flush=True)
        program.wait()
        seconds = time.monotonic() - start
        counts = []
        for sim in devices:
            try:
                _, err = sim.communicate(timeout=10)
            except subprocess.TimeoutExpired:
                sim.terminate()
                _, err = sim.communicate()
            found = re.search(r"answers in time (\d+), missed (\d+), late (\d+), dropped (\d+)",
                              err)
            counts.append([int(x) for x in found.groups()] if found else [-1] * 4)
    if summary is None:
        print("soak: the program ended without its summary", file=sys.stderr)
        return 1
    words = summary.split()[1:]
    figures = {words[i]: int(words[i + 1]) for i in range(0, len(words), 2)}
    for key, value in figures.items():
        print(f"{key} {value}")
    print(f"seconds {seconds:.1f}")
    print(f"exchanges_per_s {figures['done'] / seconds:.0f}")
    print(f"devices {len(devices)}")
    for name, i in (("answers_in_time", 0), ("missed", 1), ("late", 2), ("dropped", 3)):
        print(f"device_{name} {sum(c[i] for c in counts)}")
    growth = figures["rss_max_kb"] - figures["rss_first_kb"]
    fds = figures["fds_max"] - figures["fds_first"]
    verdicts = (("objects done equal the device's table", figures["wrong"] == 0),
                ("at least the exchanges asked for", figures["done"] >= exchanges),
                ("the device vanished and came back twice", figures["reopenings"] >= 2),
                (f"resident memory after the first job grew {growth} kB (< 1024)",
                 quick or growth < 1024),
                (f"open descriptors after the first job grew {fds} (0)", quick or fds == 0))
    for what, ok in verdicts:
        print(f"{'yes' if ok else 'NO '} {what}")
    return 0 if all(ok for _, ok in verdicts) else 1


if __name__ == "__main__":
    sys.exit(main(sys.argv[1:]))
