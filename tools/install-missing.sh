# shellcheck shell=bash
# Sourced by the project's scripts: install_missing PACKAGE... installs, on Debian, those of
# the packages that are not installed yet, through sudo when not run as root, and does
# nothing when all are present.
install_missing() {
    local missing=()
    for p in "$@"; do
        dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
    done
    [ ${#missing[@]} -eq 0 ] && return
    echo "Installing: ${missing[*]}"
    local sudo=""
    [ "$(id -u)" -eq 0 ] || sudo="sudo"
    $sudo apt-get update
    $sudo env DEBIAN_FRONTEND=noninteractive apt-get install -y "${missing[@]}"
}
