#!/usr/bin/env python3
"""The benchmark table from the raw figures that tools/bench.sh leaves in a directory.

  table.py DIR [--rounds N] [--quick | --no-quick]

DIR holds the Google Benchmark JSON (engine, pane, list), the pseudo-terminal rounds
(latency.N.txt, table.N.txt, startup.N.txt), the headroom and disturbed-read lines. --rounds is
the number of pseudo-terminal rounds (default: DIR/rounds); --quick judges no goal and fails on a
broken driver instead (default: whether DIR/quick says 1). Prints one line per figure, the
program beside its baseline, and how many goals are met.
"""
import argparse
import json
import operator
import os
import statistics
import sys

# Every goal of the table, the one place they are set. A goal compares the program's figure
# ("value"), the program's figure against the threshold times the baseline's ("ratio"), or the
# program's figure less the baseline's ("diff"); the text is what the table's goal column says.
#    name                comparison  threshold  text
GOALS = {
    "engine values":    ("value >=", 5,         ">= 5 M/s"),
    "window values":    ("value >=", 5,         ">= 5 M/s"),
    "answer p99":       ("ratio <=", 1.2,       "<= 1.2x"),
    "whole-table read": ("ratio >=", 0.8,       ">= 0.8x"),
    "pane append p99":  ("ratio <=", 1.2,       "<= 1.2x"),
    "list shown":       ("value <",  1000,      "< 1000 ms"),
    "start-up":         ("ratio <=", 2,         "<= 2x"),
    "memory":           ("diff <=",  12,        "<= +12 MB"),
    "headroom":         ("value >=", 64,        ">= 64x"),
    "headroom ratio":   ("ratio >=", 1.0,       ">= 1.0x"),
    "late answers":     ("value ==", 0,         "0"),
    "missed answers":   ("value ==", 0,         "0"),
}

COMPARE = {">=": operator.ge, "<=": operator.le, "<": operator.lt, "==": operator.eq}


def goal(name):
    """The goal's text and its test of one repeat, `test(program, baseline)`."""
    comparison, threshold, text = GOALS[name]
    kind, op = comparison.split()
    compare = COMPARE[op]
    if kind == "value":
        return text, lambda p, b: compare(p, threshold)
    if kind == "ratio":
        return text, lambda p, b: compare(p, threshold * b)
    if kind == "diff":
        return text, lambda p, b: compare(p - b, threshold)
    raise ValueError(f"goal {name}: unknown comparison {comparison!r}")


def arguments():
    parser = argparse.ArgumentParser(description="The benchmark table from kept raw figures.")
    parser.add_argument("dir", help="the raw figures (ZELMAR_BENCH_KEEP of tools/bench.sh)")
    parser.add_argument("--rounds", type=int, help="pseudo-terminal rounds (default: DIR/rounds)")
    parser.add_argument("--quick", action=argparse.BooleanOptionalAction,
                        help="a quick run: no goals, a broken driver fails (default: DIR/quick)")
    args = parser.parse_args()
    if args.rounds is None:
        with open(f"{args.dir}/rounds") as f:
            args.rounds = int(f.read())
    if args.quick is None:
        try:
            with open(f"{args.dir}/quick") as f:
                args.quick = f.read().strip() == "1"
        except FileNotFoundError:
            args.quick = False
    return args


args = arguments()
raw, link_repeats, quick = args.dir, args.rounds, args.quick


def benchmarks(name):
    """Each benchmark's repeats, in order: {short name: [run, ...]}."""
    with open(f"{raw}/{name}.json") as f:
        runs = [b for b in json.load(f)["benchmarks"] if b.get("run_type") != "aggregate"]
    out = {}
    for b in sorted(runs, key=lambda b: b.get("repetition_index", 0)):
        parts = b["run_name"].split("/") if "run_name" in b else b["name"].split("/")
        key = parts[0] + "/" + "/".join(p for p in parts[1:] if p.startswith("only_data") or p.isdigit())
        out.setdefault(key, []).append(b)
    return out


def pairs(name):
    """Each key's value in every round of a pseudo-terminal measurement."""
    out = {}
    for run in range(1, link_repeats + 1):
        with open(f"{raw}/{name}.{run}.txt") as f:
            for line in f:
                if line.strip():
                    k, v = line.split()
                    out.setdefault(k, []).append(float(v))
    return out


def single(name):
    with open(f"{raw}/{name}.txt") as f:
        return {k: float(v) for k, v in (line.split() for line in f if line.strip())}


engine = benchmarks("engine")
pane = benchmarks("pane")
lists = benchmarks("list")
latency = pairs("latency")
table = pairs("table")
startup = pairs("startup")
rows = []


def fmt(x):
    return f"{x:.4g}"


def row(name, program, baseline, unit, judged_by=None, show="ratio"):
    """One line over paired repeats, judged by the goal named `judged_by`: each repeat meets it
    or not; the verdict is the median's, or "noisy" when the repeats disagree. A quick run
    judges nothing: its counts are too small for any goal."""
    text, test = goal(judged_by) if judged_by and not quick else (None, None)
    n = min(len(program), len(baseline))
    program, baseline = program[:n], baseline[:n]
    p, b = statistics.median(program), statistics.median(baseline)
    if show == "values":
        mid, spread = "-", "-"
    elif show == "ratio":
        ratios = [x / y for x, y in zip(program, baseline)]
        mid = f"{statistics.median(ratios):.3g}x"
        spread = f"{min(ratios):.3g}-{max(ratios):.3g}x" if n > 1 else "-"
    else:
        diffs = [x - y for x, y in zip(program, baseline)]
        mid = f"+{statistics.median(diffs):.1f} {unit}"
        spread = f"{min(diffs):.1f}-{max(diffs):.1f}" if n > 1 else "-"
    if test is None:
        verdict = "-"
    else:
        each = [test(x, y) for x, y in zip(program, baseline)]
        verdict = "noisy" if 0 < sum(each) < len(each) else ("yes" if test(p, b) else "NO")
    rows.append((name, f"{fmt(p)} {unit}", f"{fmt(b)} {unit}", mid, spread, text or "-", verdict,
                 str(n)))


def rates(runs, key="values/s"):
    return [r[key] / 1e6 for r in runs]


bare = rates(engine["BM_BareAnswerer/"])
for only_data, label in ((1, "Only Data on"), (0, "Only Data off")):
    row(f"Engine: values per CPU second ({label})",
        rates(engine[f"BM_EngineValues/only_data:{only_data}"]), bare, "M/s", "engine values")
for only_data, label in ((1, "Only Data on"), (0, "Only Data off")):
    row(f"Window: values per CPU second ({label})",
        rates(engine[f"BM_ReceivedValues/only_data:{only_data}"]), bare, "M/s", "window values")

# The goal is judged against the minimal program answering the same read exchange: a poll
# answered at once is quicker to answer than one that follows the device's pause before it.
for q, judged_by in (("p50", None), ("p99", "answer p99")):
    row(f"Answer latency {q}, pty", latency[f"programmer.{q}_us"], latency[f"exchange.{q}_us"],
        "us", judged_by)
    row(f"Answer latency {q}, pty, against bare polls", latency[f"programmer.{q}_us"],
        latency[f"minimal.{q}_us"], "us")
row("Whole-table read, objects/s, pty", table["programmer.objects_per_s"],
    table["minimal.objects_per_s"], "/s", "whole-table read")

line, bare_pane = pane["BM_DataLine/"], pane["BM_BarePane/"]
for key, label, judged_by in (("p50_us", "Pane append p50", None),
                              ("p99_us", "Pane append p99", "pane append p99"),
                              ("p99_cpu_us", "Pane append p99, thread CPU only", None)):
    row(label, [r[key] for r in line], [r[key] for r in bare_pane], "us", judged_by)

row("List: 100,000 entries into the shown list",
    [r["real_time"] for r in lists["BM_SetItemsShown/100000"]],
    [r["real_time"] for r in lists["BM_BareListWidget/100000"]], "ms", "list shown")
row("List load from file, 32767 entries, shown",
    [r["real_time"] for r in lists["BM_LoadShown/32767"]],
    [r["real_time"] for r in lists["BM_LoadModel/32767"]], "ms")

row("Start-up to first paint (median of 15)", startup["programmer.start_ms_p50"],
    startup["empty.start_ms_p50"], "ms", "start-up")
row("Resident memory after whole-table read", [k / 1024 for k in table["programmer.rss_kb"]],
    [k / 1024 for k in startup["empty.rss_kb_p50"]], "MB", "memory", show="diff")

for state in ("idle", "hogs"):
    path = f"{raw}/headroom-{state}.txt"
    if not os.path.exists(path):
        continue
    with open(path) as f:
        if "minimal.headroom_x" not in f.read():
            continue  # a run cut short before it
    h = single(f"headroom-{state}")
    p, b = [h["programmer.headroom_x"]], [h["minimal.headroom_x"]]
    what = "idle" if state == "idle" else "2 CPU hogs"
    row(f"Headroom, {what}: pace x the 1200-baud line", p, b, "x", "headroom")
    row(f"Headroom, {what}: program / minimal", p, b, "x", "headroom ratio")

disturbed = single("disturbed")
for key, label in (("late", "Late answers"), ("missed", "Missed answers")):
    row(f"{label}, real pace, file dialog 3x and 200 moves",
        [disturbed[f"programmer.{key}"]], [disturbed[f"minimal.{key}"]], "",
        f"{key} answers", show="values")

sound = (all(v == 1 for v in table["programmer.table_ok"])
         and all(v == 0 for v in table["programmer.boxes"])
         and all(v == 1 for v in table["minimal.table_ok"])
         and disturbed["programmer.table_ok"] == 1)
# Both programs went through the whole disturbance.
disturbed_whole = all(disturbed[f"{name}.{key}"] == count for name in ("programmer", "minimal")
                      for key, count in (("dialogs", 3), ("moves", 200)))
head = ("name", "program", "baseline", "ratio", "spread", "goal", "met?", "n")
widths = [max(len(str(r[i])) for r in rows + [head]) for i in range(len(head))]
print(" | ".join(h.ljust(w) for h, w in zip(head, widths)))
print("-+-".join("-" * w for w in widths))
for r in rows:
    print(" | ".join(str(c).ljust(w) for c, w in zip(r, widths)))
met = sum(r[6] == "yes" for r in rows)
noisy = sum(r[6] == "noisy" for r in rows)
goals = sum(r[6] != "-" for r in rows)
print(f"\nGoals met: {met} of {goals}" + (f", {noisy} too noisy to judge" if noisy else "") +
      f". Whole-table read delivered every byte to its object: {'yes' if sound else 'NO'}."
      f" Disturbed read went through 3 dialogs and 200 moves: {'yes' if disturbed_whole else 'NO'}.")
print("program and baseline: medians of the repeats; ratio: median of the repeats' ratios; "
      "spread: their lowest and highest; n: repeats.")
print("Baselines: engine - a bare switch answering the same device stream (no text, controls "
      "or log); latency - a QSerialPort program doing the bare read exchange (and, against bare polls, "
      "answering every 172 with 0x55 at once); table read, headroom and the disturbed read - the "
      "same program doing the bare read exchange, in the last with a window of its own on its "
      "one thread, disturbed alike; pane - a plain QPlainTextEdit "
      "with the same 16000 characters and front cut; list - a bare QListWidget given the same "
      "100,000 texts; list load - the same load without a view; start-up and memory - an empty "
      "QWidget window at its first paint.")
# A quick run proves the drivers: a read that went wrong, or a program that read nothing at
# any pace, is a broken driver or a broken program.
if quick and (not sound or not disturbed_whole
              or any(r[1].startswith("0 ") for r in rows if r[0].startswith("Headroom"))):
    sys.exit("A driver or the program is broken: see the table above.")
