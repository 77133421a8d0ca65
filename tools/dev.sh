#!/usr/bin/env bash
# The newcomer's commands: installs what is missing (Debian 12), builds, and then
#   run    starts a simulated device on a pseudo-terminal and the programmer connected to it
#   test   runs every test
#   bench  runs the benchmarks beside their baselines and prints one table
#   package builds the Debian package (Release, into build-package/) and prints its path
set -euo pipefail

here="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
build="${ZELMAR_BUILD_DIR:-$here/build}"
packages=(g++ make cmake qt6-base-dev qt6-serialport-dev libgtest-dev libgmock-dev
          libbenchmark-dev python3)

# shellcheck source=tools/install-missing.sh
source "$here/tools/install-missing.sh"

build_all() {
    cmake --preset dev -S "$here" -B "$build" >/dev/null
    cmake --build "$build" -j"$(nproc)"
}

# The simulator this script started. The traps run after run_program has returned, so the
# process id must outlive the function's locals.
simulator_pid=""

stop_simulator() {
    [ -n "$simulator_pid" ] || return 0
    kill "$simulator_pid" 2>/dev/null || true
    wait "$simulator_pid" 2>/dev/null || true
    simulator_pid=""
}

run_program() {
    local simulator="$build/tools/simulator/zelmar-simulator"
    if [ -n "${ZELMAR_COM1:-}" ] || [ ! -x "$simulator" ]; then
        exec "$build/src/zelmar-programator"
    fi
    # COM 1 is the simulated device unless the caller points it at real hardware.
    local link="${TMPDIR:-/tmp}/zelmar-com1"
    trap stop_simulator EXIT
    # Exiting from a signal's trap runs the EXIT trap too.
    trap 'exit 129' HUP
    trap 'exit 130' INT
    trap 'exit 143' TERM
    "$simulator" --link "$link" >/dev/null &
    simulator_pid=$!
    for _ in $(seq 50); do [ -e "$link" ] && break; sleep 0.1; done
    echo "Simulated device on COM 1 ($link). Click the red lamp, then \"Read\"."
    # The programmer's status is the script's, whatever stopping the simulator returns.
    local status=0
    ZELMAR_COM1="$link" "$build/src/zelmar-programator" || status=$?
    stop_simulator
    return "$status"
}

case "${1:-}" in
    run)
        install_missing "${packages[@]}"
        build_all
        run_program
        ;;
    test)
        install_missing "${packages[@]}"
        build_all
        QT_QPA_PLATFORM=offscreen ctest --test-dir "$build" --output-on-failure -j"$(nproc)"
        ;;
    bench)
        install_missing "${packages[@]}"
        exec "$here/tools/bench.sh"
        ;;
    package)
        # dpkg-shlibdeps (dpkg-dev) computes the package's dependencies on the binaries that
        # file finds.
        install_missing g++ make cmake qt6-base-dev qt6-serialport-dev dpkg-dev file
        package_build="$here/build-package"
        # Debian's hardening flags (stack protector, fortified functions, relro, bind now), on
        # top of the preset's Release build without tests and benchmarks.
        export DEB_BUILD_MAINT_OPTIONS=hardening=+all
        cmake --preset package -S "$here" -B "$package_build" \
            -DCMAKE_CXX_FLAGS="$(dpkg-buildflags --get CPPFLAGS) $(dpkg-buildflags --get CXXFLAGS)" \
            -DCMAKE_EXE_LINKER_FLAGS="$(dpkg-buildflags --get LDFLAGS)" >/dev/null
        cmake --build "$package_build" -j"$(nproc)"
        rm -f "$package_build"/*.deb
        (cd "$package_build" && cpack -G DEB >/dev/null)
        ls "$package_build"/*.deb
        ;;
    *)
        echo "usage: $0 run|test|bench|package" >&2
        exit 2
        ;;
esac
