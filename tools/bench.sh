#!/usr/bin/env bash
# Builds the benchmarks in a Release tree of their own and prints one table: every figure of
# the programmer beside a baseline measured in the same run, the ratio, the goal and whether
# it is met. On a loaded machine the absolute figures wander; the ratios much less, since the
# program and its baseline run in the same spell (the pseudo-terminal ones take turns).
#
#   tools/bench.sh            build, run everything, print the table
#   ZELMAR_BENCH_DIR=dir      build tree (default build-bench/ at the top of the repository)
#   ZELMAR_BENCH_KEEP=dir     keep the raw figures (Google Benchmark JSON, key value lines)
set -euo pipefail

here="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
build="${ZELMAR_BENCH_DIR:-$here/build-bench}"
targets=(engine_bench pane_bench list_load_bench link_bench programmer_probe minimal_answerer empty_window)

echo "Building ${targets[*]} (Release, $build)" >&2
cmake -S "$here" -B "$build" -DCMAKE_BUILD_TYPE=Release -DZELMAR_TESTS=OFF >/dev/null
cmake --build "$build" -j"$(nproc)" --target "${targets[@]}" >/dev/null

raw="${ZELMAR_BENCH_KEEP:-$(mktemp -d)}"
mkdir -p "$raw"
[ -n "${ZELMAR_BENCH_KEEP:-}" ] || trap 'rm -rf "$raw"' EXIT

export QT_QPA_PLATFORM=offscreen
if [ -z "${XDG_RUNTIME_DIR:-}" ]; then
    export XDG_RUNTIME_DIR="$raw/runtime"
    mkdir -p -m 0700 "$XDG_RUNTIME_DIR"
fi

link="$build/bench/link"
load_before="$(cut -d' ' -f1-3 /proc/loadavg)"

echo "Engine: received values per second ..." >&2
"$build/bench/engine/engine_bench" --benchmark_format=json --benchmark_out="$raw/engine.json" \
    --benchmark_out_format=json >/dev/null
echo "Pane: one append to the full pane ..." >&2
"$build/bench/pane/pane_bench" --benchmark_format=json --benchmark_out="$raw/pane.json" \
    --benchmark_out_format=json >/dev/null
echo "List: an object list file into the list box ..." >&2
"$build/bench/listfile/list_load_bench" --benchmark_format=json \
    --benchmark_out="$raw/list.json" --benchmark_out_format=json >/dev/null
echo "Answer latency over a pseudo-terminal ..." >&2
"$link/link_bench" latency 3000 \
    programmer read "$link/programmer_probe latency" \
    minimal poll "$link/minimal_answerer {port} poll" >"$raw/latency.txt"
echo "Whole-table read over a pseudo-terminal ..." >&2
"$link/link_bench" table \
    programmer "$link/programmer_probe read" \
    minimal "$link/minimal_answerer {port} read" >"$raw/table.txt"
echo "Start-up to first paint ..." >&2
"$link/link_bench" startup 15 \
    programmer "$link/programmer_probe startup" \
    empty "$link/empty_window" >"$raw/startup.txt"

load_after="$(cut -d' ' -f1-3 /proc/loadavg)"
cpu="$(grep -m1 'model name' /proc/cpuinfo | cut -d: -f2- | sed 's/^ *//')"
echo "Machine: $(nproc) cores, ${cpu:-unknown CPU}; load average before $load_before, after $load_after"

python3 - "$raw" <<'EOF'
import json
import sys

raw = sys.argv[1]


def benchmarks(name):
    with open(f"{raw}/{name}.json") as f:
        return {b["name"].split("/")[0] + "/" + "/".join(p for p in b["name"].split("/")[1:]
                                                         if p.startswith("only_data")): b
                for b in json.load(f)["benchmarks"]}


def pairs(name):
    with open(f"{raw}/{name}.txt") as f:
        return {k: float(v) for k, v in (line.split() for line in f if line.strip())}


engine = benchmarks("engine")
with open(f"{raw}/list.json") as f:
    lists = {b["name"]: b["real_time"] for b in json.load(f)["benchmarks"]}
pane = benchmarks("pane")
latency = pairs("latency")
table = pairs("table")
startup = pairs("startup")

rows = []


def row(name, program, baseline, unit, ratio, goal, met):
    rows.append((name, f"{program:.4g} {unit}", f"{baseline:.4g} {unit}", ratio, goal,
                 "-" if met is None else ("yes" if met else "NO")))


bare = engine["BM_BareAnswerer/"]["values/s"]
for bench, what in (("BM_EngineValues", "Engine"), ("BM_ReceivedValues", "Window")):
    for only_data, label in ((1, "Only Data on"), (0, "Only Data off")):
        rate = engine[f"{bench}/only_data:{only_data}"]["values/s"]
        row(f"{what}: values per CPU second ({label})", rate / 1e6, bare / 1e6, "M/s",
            f"{rate / bare:.3f}x", ">= 5 M/s", rate >= 5e6)

for q, goal in (("p50", None), ("p99", 1.5)):
    p, b = latency[f"programmer.{q}_us"], latency[f"minimal.{q}_us"]
    row(f"Answer latency {q}, pty", p, b, "us", f"{p / b:.2f}x",
        "-" if goal is None else f"<= {goal}x", None if goal is None else p <= goal * b)

p, b = table["programmer.objects_per_s"], table["minimal.objects_per_s"]
row("Whole-table read, objects/s, pty", p, b, "/s", f"{p / b:.2f}x", ">= 0.5x", p >= 0.5 * b)

line, bare_pane = pane["BM_DataLine/"], pane["BM_BarePane/"]
row("Pane append p50", line["p50_us"], bare_pane["p50_us"], "us",
    f"{line['p50_us'] / bare_pane['p50_us']:.2f}x", "-", None)
row("Pane append p99", line["p99_us"], bare_pane["p99_us"], "us",
    f"{line['p99_us'] / bare_pane['p99_us']:.2f}x", "< 50 us", line["p99_us"] < 50)
row("Pane append p99, thread CPU only", line["p99_cpu_us"], bare_pane["p99_cpu_us"], "us",
    f"{line['p99_cpu_us'] / bare_pane['p99_cpu_us']:.2f}x", "-", None)

p, b = lists["BM_SetItemsShown/100000"], lists["BM_BareListWidget/100000"]
row("List: 100,000 entries into the shown list", p, b, "ms", f"{p / b:.2f}x", "< 1000 ms",
    p < 1000)
p, b = lists["BM_LoadShown/32767"], lists["BM_LoadModel/32767"]
row("List load from file, 32767 entries, shown", p, b, "ms", f"{p / b:.2f}x", "-", None)

p, b = startup["programmer.start_ms_p50"], startup["empty.start_ms_p50"]
row("Start-up to first paint (median of 15)", p, b, "ms", f"{p / b:.2f}x", "<= 2x", p <= 2 * b)

p, b = table["programmer.rss_kb"] / 1024, startup["empty.rss_kb_p50"] / 1024
row("Resident memory after whole-table read", p, b, "MB", f"+{p - b:.1f} MB", "<= +12 MB",
    p - b <= 12)

sound = (table["programmer.table_ok"] == 1 and table["programmer.boxes"] == 0
         and table["minimal.table_ok"] == 1)
head = ("name", "program", "baseline", "ratio", "goal", "met?")
widths = [max(len(str(r[i])) for r in rows + [head]) for i in range(len(head))]
print(" | ".join(h.ljust(w) for h, w in zip(head, widths)))
print("-+-".join("-" * w for w in widths))
for r in rows:
    print(" | ".join(str(c).ljust(w) for c, w in zip(r, widths)))
met = sum(r[5] == "yes" for r in rows)
goals = sum(r[5] != "-" for r in rows)
print(f"\nGoals met: {met} of {goals}. Whole-table read delivered every byte to its object: "
      f"{'yes' if sound else 'NO'}.")
print("Baselines: engine - a bare switch answering the same device stream (no text, controls "
      "or log); latency - a QSerialPort program answering every 172 with 0x55; table read - "
      "the same program doing the bare read exchange; pane - a plain QPlainTextEdit with the "
      "same 16000 characters and front cut; list - a bare QListWidget given the same 100,000 "
      "texts; list load - the same load without a view; start-up and memory - an empty QWidget "
      "window at "
      "its first paint.")
EOF
