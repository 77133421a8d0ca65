#!/usr/bin/env bash
# Builds the benchmarks in a Release tree of their own and prints one table: every figure of
# the programmer beside a baseline measured in the same run, the ratio, the goal and whether
# it is met. On a loaded machine the absolute figures wander; the ratios much less, since the
# program and its baseline take turns. Each measurement is repeated with the two interleaved,
# and the table gives the median and the spread of the repeats; a goal that some repeats meet
# and others miss is called "noisy" rather than met or missed.
#
#   tools/bench.sh            build, run everything, print the table
#   tools/bench.sh quick      every driver once with small counts, in the everyday build tree
#                             (build/), and the table without goals: proves the drivers, not
#                             the program's speed (CI runs it)
#   tools/bench.sh soak       build and run the long soak alone (bench/link/soak.py)
#   tools/bench.sh table DIR  print the table again from the raw figures kept in DIR
#   ZELMAR_BENCH_DIR=dir      build tree (default build-bench/ at the top of the repository)
#   ZELMAR_BENCH_KEEP=dir     keep the raw figures (Google Benchmark JSON, key value lines)
#   ZELMAR_BENCH_REPEATS=n    repeats of each measurement (default 5; 3 for the pty ones)
#   ZELMAR_BENCH_HOGS=n       CPU hogs for the headroom's loaded run (default 2)
set -euo pipefail

here="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
quick=""
[ "${1:-}" != "quick" ] || quick=1
build="${ZELMAR_BENCH_DIR:-$here/build-bench}"
repeats="${ZELMAR_BENCH_REPEATS:-5}"
link_repeats="${ZELMAR_BENCH_REPEATS:-3}"
hogs="${ZELMAR_BENCH_HOGS:-2}"
# Counts of the pseudo-terminal and simulator drivers: answers timed, objects of the table
# read, start-ups, objects of each headroom trial.
answers=3000
table_objects=8192
startups=15
headroom_objects=1000
headroom_flags=()
# Objects of the read at the device's real pace with the window disturbed.
disturbed_objects=300
if [ -n "$quick" ]; then
    build="${ZELMAR_BENCH_DIR:-$here/build}"
    repeats=1
    link_repeats=1
    answers=300
    table_objects=600
    startups=2
    headroom_objects=50
    headroom_flags=(--coarse)
    disturbed_objects=40
fi
targets=(engine_bench pane_bench list_load_bench link_bench programmer_probe minimal_answerer
         empty_window zelmar-simulator)
jobs="$(nproc)"
[ "$jobs" -le 2 ] || jobs=2

# The table from the raw figures in directory $1.
print_table() {
python3 - "$1" "$(cat "$1/rounds")" "$quick" <<'EOF'
import glob
import json
import os
import statistics
import sys

raw, link_repeats, quick = sys.argv[1], int(sys.argv[2]), sys.argv[3] == "1"


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


def row(name, program, baseline, unit, goal=None, test=None, show="ratio"):
    """One line over paired repeats. `test(p, b)` says whether one repeat meets the goal; the
    verdict is the median's, or "noisy" when the repeats disagree. A quick run judges nothing:
    its counts are too small for any goal."""
    if quick:
        goal, test = None, None
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
    rows.append((name, f"{fmt(p)} {unit}", f"{fmt(b)} {unit}", mid, spread, goal or "-", verdict,
                 str(n)))


def rates(runs, key="values/s"):
    return [r[key] / 1e6 for r in runs]


bare = rates(engine["BM_BareAnswerer/"])
for only_data, label in ((1, "Only Data on"), (0, "Only Data off")):
    row(f"Engine: values per CPU second ({label})",
        rates(engine[f"BM_EngineValues/only_data:{only_data}"]), bare, "M/s", ">= 5 M/s",
        lambda p, b: p >= 5)
for only_data, label in ((1, "Only Data on"), (0, "Only Data off")):
    row(f"Window: values per CPU second ({label})",
        rates(engine[f"BM_ReceivedValues/only_data:{only_data}"]), bare, "M/s", ">= 5 M/s",
        lambda p, b: p >= 5)

# The goal is judged against the minimal program answering the same read exchange: a poll
# answered at once is quicker to answer than one that follows the device's pause before it.
for q, goal in (("p50", None), ("p99", 1.2)):
    row(f"Answer latency {q}, pty", latency[f"programmer.{q}_us"], latency[f"exchange.{q}_us"],
        "us", None if goal is None else f"<= {goal}x",
        None if goal is None else (lambda p, b, g=goal: p <= g * b))
    row(f"Answer latency {q}, pty, against bare polls", latency[f"programmer.{q}_us"],
        latency[f"minimal.{q}_us"], "us")
row("Whole-table read, objects/s, pty", table["programmer.objects_per_s"],
    table["minimal.objects_per_s"], "/s", ">= 0.8x", lambda p, b: p >= 0.8 * b)

line, bare_pane = pane["BM_DataLine/"], pane["BM_BarePane/"]
for key, label, goal, test in (("p50_us", "Pane append p50", None, None),
                               ("p99_us", "Pane append p99", "<= 1.2x",
                                lambda p, b: p <= 1.2 * b),
                               ("p99_cpu_us", "Pane append p99, thread CPU only", None, None)):
    row(label, [r[key] for r in line], [r[key] for r in bare_pane], "us", goal, test)

row("List: 100,000 entries into the shown list",
    [r["real_time"] for r in lists["BM_SetItemsShown/100000"]],
    [r["real_time"] for r in lists["BM_BareListWidget/100000"]], "ms", "< 1000 ms",
    lambda p, b: p < 1000)
row("List load from file, 32767 entries, shown",
    [r["real_time"] for r in lists["BM_LoadShown/32767"]],
    [r["real_time"] for r in lists["BM_LoadModel/32767"]], "ms")

row("Start-up to first paint (median of 15)", startup["programmer.start_ms_p50"],
    startup["empty.start_ms_p50"], "ms", "<= 2x", lambda p, b: p <= 2 * b)
row("Resident memory after whole-table read", [k / 1024 for k in table["programmer.rss_kb"]],
    [k / 1024 for k in startup["empty.rss_kb_p50"]], "MB", "<= +12 MB",
    lambda p, b: p - b <= 12, show="diff")

for state in ("idle", "hogs"):
    path = f"{raw}/headroom-{state}.txt"
    if not os.path.exists(path) or "minimal.headroom_x" not in open(path).read():
        continue  # a run cut short before it
    h = single(f"headroom-{state}")
    p, b = [h["programmer.headroom_x"]], [h["minimal.headroom_x"]]
    what = "idle" if state == "idle" else "2 CPU hogs"
    row(f"Headroom, {what}: pace x the 1200-baud line", p, b, "x", ">= 64x",
        lambda p, b: p >= 64)
    row(f"Headroom, {what}: program / minimal", p, b, "x", ">= 1.0x", lambda p, b: p >= b)

disturbed = single("disturbed")
for key, label in (("late", "Late answers"), ("missed", "Missed answers")):
    row(f"{label}, real pace, file dialog 3x and 200 moves",
        [disturbed[f"programmer.{key}"]], [disturbed[f"minimal.{key}"]], "", "0",
        lambda p, b: p == 0, show="values")

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
EOF
}

if [ "${1:-}" = "table" ]; then
    cat "$2/machine.txt"
    [ "$(cat "$2/quick" 2>/dev/null)" != 1 ] || quick=1
    print_table "$2"
    exit 0
fi
# shellcheck source=tools/install-missing.sh
source "$here/tools/install-missing.sh"
install_missing g++ make cmake qt6-base-dev qt6-serialport-dev libbenchmark-dev python3 stress-ng

if [ -n "$quick" ]; then
    # The tree the tests were built in, as it is configured: a quick run times nothing that
    # counts, and configuring it for Release would rebuild everything.
    echo "Building ${targets[*]} ($build)" >&2
    [ -f "$build/CMakeCache.txt" ] ||
        cmake -S "$here" -B "$build" -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
else
    echo "Building ${targets[*]} (Release, $build)" >&2
    cmake -S "$here" -B "$build" -DCMAKE_BUILD_TYPE=Release -DZELMAR_TESTS=OFF >/dev/null
fi
cmake --build "$build" -j"$jobs" --target "${targets[@]}" >/dev/null

raw="${ZELMAR_BENCH_KEEP:-$(mktemp -d)}"
mkdir -p "$raw"
hog_pid=""
cleanup() {
    if [ -n "$hog_pid" ]; then
        kill "$hog_pid" 2>/dev/null || true
        wait "$hog_pid" 2>/dev/null || true
    fi
    [ -n "${ZELMAR_BENCH_KEEP:-}" ] || rm -rf "$raw"
}
trap cleanup EXIT

export QT_QPA_PLATFORM=offscreen
if [ -z "${XDG_RUNTIME_DIR:-}" ]; then
    export XDG_RUNTIME_DIR="$raw/runtime"
    mkdir -p -m 0700 "$XDG_RUNTIME_DIR"
fi

link="$build/bench/link"
simulator="$build/tools/simulator/zelmar-simulator"
loadavg() { cut -d' ' -f1-3 /proc/loadavg; }

if [ "${1:-}" = "soak" ]; then
    shift
    exec python3 "$here/bench/link/soak.py" "$simulator" "$link/programmer_probe" "$@"
fi

load_before="$(loadavg)"
gbench=(--benchmark_format=json --benchmark_out_format=json
        --benchmark_repetitions="$repeats" --benchmark_enable_random_interleaving=true)
[ -z "$quick" ] || gbench+=(--benchmark_min_time=0.01)

echo "Engine: received values per second ..." >&2
"$build/bench/engine/engine_bench" "${gbench[@]}" --benchmark_out="$raw/engine.json" >/dev/null
echo "Pane: one append to the full pane ..." >&2
"$build/bench/pane/pane_bench" "${gbench[@]}" --benchmark_out="$raw/pane.json" >/dev/null
echo "List: an object list file into the list box ..." >&2
"$build/bench/listfile/list_load_bench" "${gbench[@]}" --benchmark_out="$raw/list.json" \
    >/dev/null
for run in $(seq "$link_repeats"); do
    echo "Pseudo-terminal, round $run of $link_repeats: latency, whole-table read, start-up ..." >&2
    "$link/link_bench" latency "$answers" \
        programmer read "$link/programmer_probe latency" \
        exchange read "$link/minimal_answerer {port} read" \
        minimal poll "$link/minimal_answerer {port} poll" >"$raw/latency.$run.txt"
    "$link/link_bench" table "$table_objects" \
        programmer "$link/programmer_probe read $table_objects" \
        minimal "$link/minimal_answerer {port} read $table_objects" >"$raw/table.$run.txt"
    "$link/link_bench" startup "$startups" \
        programmer "$link/programmer_probe startup" \
        empty "$link/empty_window" >"$raw/startup.$run.txt"
done

headroom() {
    python3 "$here/bench/link/headroom.py" "${headroom_flags[@]}" "$simulator" \
        "$headroom_objects" \
        programmer "$link/programmer_probe read $headroom_objects" \
        minimal "$link/minimal_answerer {port} read $headroom_objects"
}
echo "The device's real pace, a file dialog and window moves meanwhile ..." >&2
python3 "$here/bench/link/headroom.py" --pace 120 "$simulator" "$disturbed_objects" \
    programmer "$link/programmer_probe disturbed $disturbed_objects" \
    minimal "$link/minimal_answerer {port} read $disturbed_objects disturbed" >"$raw/disturbed.txt"
echo "Headroom, idle: the fastest pace without a missed answer ..." >&2
headroom >"$raw/headroom-idle.txt"
load_after="$(loadavg)"
if [ -n "$quick" ]; then
    # The hogs change the machine, not the driver; the soak is the one driver left.
    echo "Soak, 3000 exchanges ..." >&2
    soak_status=0
    python3 "$here/bench/link/soak.py" --quick "$simulator" "$link/programmer_probe" 3000 \
        >"$raw/soak.txt" || soak_status=$?
    {
        echo "Machine: $(nproc) cores; quick run: every driver once, small counts, no goals"
        echo "Load average (1, 5, 15 min): before $load_before, after $load_after"
        echo 1 >"$raw/rounds"
        echo 1 >"$raw/quick"
    } | tee "$raw/machine.txt"
    table_status=0
    print_table "$raw" || table_status=$?
    sed 's/^/soak: /' "$raw/soak.txt"
    [ "$soak_status" = 0 ] && [ "$table_status" = 0 ]
    exit
fi
echo "Headroom with $hogs CPU hogs ..." >&2
# A session of its own, so that nothing it signals on its way out reaches this script.
setsid stress-ng --cpu "$hogs" --quiet &
hog_pid=$!
sleep 2
load_hogs_before="$(loadavg)"
headroom >"$raw/headroom-hogs.txt"
load_hogs_after="$(loadavg)"
kill "$hog_pid"
wait "$hog_pid" 2>/dev/null || true
hog_pid=""

cpu="$(grep -m1 'model name' /proc/cpuinfo | cut -d: -f2- | sed 's/^ *//')"
{
    echo "Machine: $(nproc) cores, ${cpu:-unknown CPU}"
    echo "Load average (1, 5, 15 min): before $load_before, after $load_after;" \
        "headroom with $hogs hogs: before $load_hogs_before, after $load_hogs_after"
    echo "Repeats: $repeats of each Google Benchmark line (interleaved at random)," \
        "$link_repeats of each pseudo-terminal line (program and baseline taking turns);" \
        "headroom: one bisection each"
    echo "$link_repeats" >"$raw/rounds"
} | tee "$raw/machine.txt"

print_table "$raw"
