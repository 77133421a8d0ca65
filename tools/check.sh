#!/usr/bin/env bash
# The slow checks that the everyday test run leaves out; CI runs them after `tools/dev.sh test`.
#   layers  proves that an include reaching up a layer does not compile (tools/layers.py), then
#         builds the logic, its tests and the engine benchmark without Qt (build-noqt/) and
#         runs the tests: a Qt include below the Qt side fails here
#   asan  builds every test with AddressSanitizer and UndefinedBehaviorSanitizer (g++, into
#         build-asan/) and runs them; any sanitizer report fails the check
#   tsan  builds the tests of the line thread and its seam with the window (and the simulator
#         they play against) with ThreadSanitizer (clang, into build-tsan/) and runs them; any
#         report fails the check
#   fuzz  builds the libFuzzer targets of fuzz/ (clang, into build-fuzz/) and runs each for a
#         bounded time on a copy of its committed corpus; any crash fails the check, and the
#         input that caused it is kept in build-fuzz/artifacts/
#   package builds the Debian package (tools/dev.sh package) and checks it: lintian reports no
#         error, the desktop entry and the AppStream metainfo validate, and the programs
#         unpacked from it run and print the project's version
#   windows cross-builds the layers below the Qt side and their tests for 64-bit Windows
#         (MinGW-w64, with GoogleTest built from Debian's sources by the same toolchain, into
#         build-windows/) and runs the tests under Wine; a header only POSIX systems have,
#         included below the Qt side, fails it before the build does. The Qt side, which has
#         no Qt for Windows to link with here, is compiled for syntax and types alone
#   bench runs every benchmark driver once with small counts (tools/bench.sh quick) in the
#         everyday build tree, so that a driver that no longer follows the program breaks here
# With no argument all run. ZELMAR_FUZZ_SECONDS sets each fuzz target's time (default 60).
# Installs what is missing (Debian 12) the way tools/dev.sh does.
set -euo pipefail

here="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
jobs="$(nproc)"
packages=(g++ make cmake qt6-base-dev qt6-serialport-dev libgtest-dev libgmock-dev
          clang libclang-rt-14-dev dpkg-dev lintian desktop-file-utils appstream)
fuzz_targets=(engine_fuzz list_file_fuzz)

# shellcheck source=tools/install-missing.sh
source "$here/tools/install-missing.sh"

# The sanitizers' reports go to files in $1 as well as failing the process, so that one printed
# by a child process (the simulator under a test) or swallowed by a test that expects a failure
# still counts.
fresh_reports() {
    rm -rf "$1"
    mkdir -p "$1"
}

# Prints every report in $1; fails when there is one.
no_reports() {
    compgen -G "$1/*" >/dev/null || return 0
    echo "Sanitizer reports:" >&2
    for report in "$1"/*; do
        echo "== $report" >&2
        cat "$report" >&2
    done
    return 1
}

check_asan() {
    local build="$here/build-asan"
    local reports="$build/sanitizer-reports"
    fresh_reports "$reports"
    export ASAN_OPTIONS="abort_on_error=1:detect_leaks=1:detect_stack_use_after_return=1:strict_init_order=1:log_path=$reports/asan"
    export UBSAN_OPTIONS="print_stacktrace=1:halt_on_error=1:log_path=$reports/ubsan"
    export LSAN_OPTIONS="suppressions=$here/tools/lsan.supp:print_suppressions=0"
    export QT_QPA_PLATFORM=offscreen

    # The preset builds Debug: unoptimised code builds quicker, and every report points at the
    # line that caused it.
    cmake --preset asan -S "$here" -B "$build" >/dev/null
    # The build runs the test programs to list their tests, so the options above apply to it too.
    cmake --build "$build" -j"$jobs"
    local status=0
    ctest --test-dir "$build" --output-on-failure -j"$jobs" || status=1
    no_reports "$reports" || status=1
    unset ASAN_OPTIONS UBSAN_OPTIONS LSAN_OPTIONS
    return $status
}

check_tsan() {
    local build="$here/build-tsan"
    local reports="$build/sanitizer-reports"
    fresh_reports "$reports"
    # Qt itself is not built with the sanitizer: what it synchronises inside its own library
    # (a queued call handed from one thread to the other) is invisible and named in the
    # suppressions; what the program shares across the threads is its own and is checked.
    export TSAN_OPTIONS="halt_on_error=1:second_deadlock_stack=1:suppressions=$here/tools/tsan.supp:log_path=$reports/tsan"
    export QT_QPA_PLATFORM=offscreen
    cmake --preset tsan -S "$here" -B "$build" >/dev/null
    cmake --build "$build" -j"$jobs" --target qt_line_thread_test e2e_line_thread_test
    local status=0
    ctest --test-dir "$build" --output-on-failure -j"$jobs" -R 'LineThread' || status=1
    no_reports "$reports" || status=1
    unset TSAN_OPTIONS
    return $status
}

check_layers() {
    local build="$here/build-noqt"
    cmake --preset layers -S "$here" -B "$build" >/dev/null
    # The everyday tree, when there is one, holds the Qt layers too.
    local trees=("$build")
    [ ! -f "$here/build/compile_commands.json" ] || trees+=("$here/build")
    python3 "$here/tools/layers.py" "${trees[@]}"
    cmake --build "$build" -j"$jobs"
    ctest --test-dir "$build" --output-on-failure -j"$jobs"
}

check_fuzz() {
    local build="$here/build-fuzz"
    local seconds="${ZELMAR_FUZZ_SECONDS:-60}"
    cmake --preset fuzz -S "$here" -B "$build" >/dev/null
    cmake --build "$build" -j"$jobs" --target "${fuzz_targets[@]}"

    work="$(mktemp -d)"
    trap 'rm -rf "$work"' EXIT
    mkdir -p "$build/artifacts"
    # The targets run side by side, one core each; new inputs go to the copy, never to fuzz/.
    local pids=()
    for target in "${fuzz_targets[@]}"; do
        cp -r "$here/fuzz/corpus/$target" "$work/$target"
        "$build/fuzz/$target" "$work/$target" -max_total_time="$seconds" -timeout=10 \
            -rss_limit_mb=2048 -max_len=4096 -print_final_stats=1 \
            -artifact_prefix="$build/artifacts/$target-" >"$work/$target.log" 2>&1 &
        pids+=($!)
    done
    local status=0
    for i in "${!fuzz_targets[@]}"; do
        local target="${fuzz_targets[$i]}"
        if wait "${pids[$i]}"; then
            echo "$target: $(grep -m1 'stat::number_of_executed_units' "$work/$target.log" | awk '{print $2}') inputs, no failure"
        else
            echo "$target FAILED; its log:" >&2
            tail -n 60 "$work/$target.log" >&2
            echo "Reproduce with: $build/fuzz/$target <input from $build/artifacts/>" >&2
            status=1
        fi
    done
    return $status
}

check_package() {
    "$here/tools/dev.sh" package
    local deb
    deb="$(ls "$here"/build-package/zelmar-programator_*.deb)"
    local version
    version="$(sed -n 's/^project(.* VERSION \([0-9.]*\).*/\1/p' "$here/CMakeLists.txt")"
    local unpacked
    unpacked="$(mktemp -d)"
    # A RETURN trap outlives the function unless it removes itself.
    trap 'rm -rf "$unpacked"; trap - RETURN' RETURN
    dpkg-deb -x "$deb" "$unpacked"

    # lintian's own complaint about running as root goes to stderr, its findings to stdout.
    local findings
    findings="$(lintian --fail-on error --display-level ">=warning" "$deb")" || {
        echo "lintian found errors:" >&2
        echo "$findings" >&2
        return 1
    }
    echo "lintian: ${findings:-no error or warning}"
    desktop-file-validate "$unpacked/usr/share/applications/zelmar-programator.desktop"
    appstreamcli validate --no-net "$unpacked"/usr/share/metainfo/*.metainfo.xml
    local status=0
    for program in zelmar-cli zelmar-programator; do
        local printed
        printed="$(QT_QPA_PLATFORM=offscreen "$unpacked/usr/bin/$program" --version)"
        if [ "$printed" = "$program $version" ]; then
            echo "$printed (from the unpacked package)"
        else
            echo "$program --version printed '$printed', not '$program $version'" >&2
            status=1
        fi
    done
    return $status
}

# Headers that POSIX systems have and Windows' own C runtime has not. MinGW brings some of them
# (unistd.h), so the cross build alone would let them by where MSVC would not.
posix_only_headers='unistd|pwd|grp|termios|pthread|dirent|poll|dlfcn|spawn|semaphore|syslog|fnmatch|glob|libgen|strings|sys/(socket|wait|ioctl|mman|select|time|un|utsname|resource|file|uio|epoll)|netinet/[a-z_]+|arpa/[a-z_]+'

check_windows() {
    install_missing g++-mingw-w64-x86-64-posix wine64 googletest
    local below_qt=("$here"/src/core "$here"/src/line "$here"/src/ui "$here"/src/batch
                    "$here"/tools/simulator/{device,device_table,options}.{h,cpp})
    local found
    if found="$(grep -rnE "^[[:space:]]*#[[:space:]]*include[[:space:]]*<($posix_only_headers)\.h>" \
                    "${below_qt[@]}")"; then
        echo "POSIX-only headers below the Qt side:" >&2
        echo "$found" >&2
        return 1
    fi

    local build="$here/build-windows"
    # A prefix of the tree's own, made before the build runs the test programs to list their
    # tests; Wine's own chatter (a missing display, stubs it knows of) stays out of the output.
    export WINEPREFIX="$build/wine" WINEDEBUG=-all
    cmake --preset windows -S "$here" -B "$build" >/dev/null
    local wine=/usr/lib/wine
    "$wine/wineserver64" -k 2>/dev/null || true
    "$wine/wine64" wineboot --init >/dev/null 2>&1
    # Then one server for the whole check: left to itself a server ends a few seconds after its
    # last program, and a test program starting just then loses its connection ("recvmsg:
    # Connection reset by peer"). The prefix's services start with the first program a server
    # sees and hold its output as long as they run, which is now the whole check: wineboot, not
    # a test program whose output the build waits to see closed, must be that first one.
    "$wine/wineserver64" -w
    "$wine/wineserver64" -p </dev/null >/dev/null 2>&1
    "$wine/wine64" wineboot >/dev/null 2>&1
    local status=0
    cmake --build "$build" -j"$jobs" && ctest --test-dir "$build" --output-on-failure -j"$jobs" ||
        status=1
    "$wine/wineserver64" -k 2>/dev/null || true
    unset WINEPREFIX WINEDEBUG
    compile_qt_side_for_windows || status=1
    return $status
}

# There is no Qt for Windows here to link the Qt side with, but its Windows branches (the
# console, the ports' names, the registry) still go through the compiler: every source of
# src/qt and src/app, for syntax and types, against Debian's Qt headers and MinGW's Windows
# headers, warnings as errors.
compile_qt_side_for_windows() {
    local qt="/usr/include/$(gcc -dumpmachine)/qt6"
    local flags=(-std=c++20 -fsyntax-only -Wall -Wextra -Wpedantic -Werror '-DZELMAR_VERSION="0"')
    for module in "" QtCore QtGui QtWidgets QtSerialPort; do flags+=(-isystem "$qt/$module"); done
    for folder in "$here"/src/*/ "$here"/src/app/*/; do flags+=(-I "$folder"); done
    local sources
    mapfile -t sources < <(find "$here/src/qt" "$here/src/app" -name '*.cpp' | sort)
    if printf '%s\0' "${sources[@]}" |
        xargs -0 -P"$jobs" -n4 x86_64-w64-mingw32-g++-posix "${flags[@]}"; then
        echo "the Qt side compiles for Windows: ${#sources[@]} sources, syntax and types only"
    else
        echo "the Qt side does not compile for Windows" >&2
        return 1
    fi
}

check_bench() {
    "$here/tools/bench.sh" quick
}

install_missing "${packages[@]}"
case "${1:-all}" in
    layers) check_layers ;;
    asan) check_asan ;;
    tsan) check_tsan ;;
    fuzz) check_fuzz ;;
    package) check_package ;;
    windows) check_windows ;;
    bench) check_bench ;;
    all)
        check_layers
        check_asan
        check_tsan
        check_fuzz
        check_package
        check_windows
        check_bench
        ;;
    *)
        echo "usage: $0 [layers|asan|tsan|fuzz|package|windows|bench]" >&2
        exit 2
        ;;
esac
