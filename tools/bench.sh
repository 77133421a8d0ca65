#!/usr/bin/env bash
# Builds the benchmarks in a Release tree of their own and prints one table: every figure of
# the programmer beside a baseline measured in the same run, the ratio, the goal and whether
# it is met. On a loaded machine the absolute figures wander; the ratios much less, since the
# program and its baseline take turns. Each measurement is repeated with the two interleaved,
# and the table gives the median and the spread of the repeats; a goal that some repeats meet
# and others miss is called "noisy" rather than met or missed. bench/table.py prints the table
# and holds the goals.
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

# The table from the raw figures in directory $1 (bench/table.py, which also holds the goals).
print_table() {
    local kind=--no-quick
    [ -z "$quick" ] || kind=--quick
    python3 "$here/bench/table.py" "$1" --rounds "$(cat "$1/rounds")" "$kind"
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
    [ -f "$build/CMakeCache.txt" ] || cmake --preset dev -S "$here" -B "$build" >/dev/null
else
    echo "Building ${targets[*]} (Release, $build)" >&2
    cmake --preset bench -S "$here" -B "$build" >/dev/null
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
    # $raw exists by now, so the mode reaches the one directory made, the runtime folder.
    # shellcheck disable=SC2174
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
