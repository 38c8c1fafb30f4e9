# Shared by the scripts: the Debian packages KORVEX needs, and a quiet installer.
# shellcheck shell=bash

KORVEX_ROOT=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)

# Building and running.
KORVEX_RUN_PACKAGES=(
    cmake ninja-build g++ pkg-config
    qt6-base-dev qt6-qpa-plugins libqt6widgets6
    libreoffice-calc fonts-ipafont-gothic
)
# Only the test suite needs these.
KORVEX_TEST_PACKAGES=(
    libgtest-dev googletest xvfb xauth
)

# Installs whichever of the given packages are missing; prints nothing when none are.
korvex_install_missing() {
    local missing=() pkg
    for pkg in "$@"; do
        if ! dpkg-query -W -f='${Status}' "$pkg" 2>/dev/null | grep -q '^install ok installed$'; then
            missing+=("$pkg")
        fi
    done
    [ ${#missing[@]} -eq 0 ] && return 0
    echo "Installing: ${missing[*]}"
    local sudo=()
    [ "$(id -u)" -ne 0 ] && sudo=(sudo)
    "${sudo[@]}" env DEBIAN_FRONTEND=noninteractive apt-get update -qq
    "${sudo[@]}" env DEBIAN_FRONTEND=noninteractive \
        apt-get install -y -qq --no-install-recommends "${missing[@]}" >/dev/null
}

# Configures and builds the given build folder, optionally only some targets;
# quiet unless something fails.
korvex_build() {
    local dir=$1
    shift
    local log
    mkdir -p "$dir"
    log=$(cmake -S "$KORVEX_ROOT" -B "$dir" -G Ninja 2>&1) || {
        echo "$log"
        return 1
    }
    log=$(cmake --build "$dir" "$@" 2>&1) || {
        echo "$log"
        return 1
    }
}
