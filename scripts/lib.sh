# Shared by the scripts: the Debian packages KORVEX needs, and a quiet installer.
# shellcheck shell=bash

KORVEX_ROOT=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)

# Building and running.
KORVEX_RUN_PACKAGES=(
    cmake ninja-build g++ pkg-config
    qt6-base-dev qt6-qpa-plugins libqt6widgets6 qt6-translations-l10n qt6-l10n-tools
    libreoffice-calc fonts-ipafont-gothic
)
# Only the test suite needs these.
KORVEX_TEST_PACKAGES=(
    libgtest-dev googletest xvfb xauth
    desktop-file-utils appstream dpkg-dev file lintian shared-mime-info man-db
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

# The sanitizer build and the fuzzers use clang and its runtime.
KORVEX_SANITIZE_PACKAGES=(
    clang libclang-rt-14-dev
)

# Configures the given build folder (with any -D settings that follow it) and
# builds it, optionally only some targets. Says what it builds; on a terminal
# the build's progress shows on one line. The build's own output is shown only
# when something fails.
korvex_build() {
    local dir=$1
    shift
    local log status=0
    mkdir -p "$dir"
    local configure=()
    while [ $# -gt 0 ] && [ "${1#-D}" != "$1" ]; do
        configure+=("$1")
        shift
    done
    log=$(cmake -S "$KORVEX_ROOT" -B "$dir" -G Ninja "${configure[@]}" 2>&1) || {
        echo "$log"
        return 1
    }
    echo "Building KORVEX in ${dir#"$KORVEX_ROOT"/}/ (the first build takes a few minutes)..."
    log=$(mktemp)
    if [ -t 1 ]; then
        cmake --build "$dir" "$@" 2>&1 | tee "$log" | korvex_progress || status=$?
    else
        cmake --build "$dir" "$@" >"$log" 2>&1 || status=$?
    fi
    [ "$status" -eq 0 ] || cat "$log"
    rm -f "$log"
    return "$status"
}

# Turns ninja's "[12/72] Building ..." lines into one line that counts up.
korvex_progress() {
    local line
    while IFS= read -r line; do
        if [[ $line =~ ^\[([0-9]+)/([0-9]+)\] ]]; then
            printf '\r  step %s of %s' "${BASH_REMATCH[1]}" "${BASH_REMATCH[2]}"
        fi
    done
    printf '\r\033[K'
}

# Runs the tests of a build folder; prints the failures with their output, and
# the summary, without a line for every test that passed.
korvex_ctest() {
    local dir=$1
    shift
    ctest --test-dir "$dir" --output-on-failure -j2 "$@" 2>&1 |
        grep -v -E '^ *Start +[0-9]+: |Passed +[0-9.]+ sec$|^Internal ctest changing'
}
