#!/usr/bin/env bash
# The manual pages format without a warning, and each describes every option
# its program's --help lists.
set -euo pipefail
source_dir=$1
build=$2
fail() { echo "$*"; exit 1; }
for program in korvex korvex-extract; do
    page="$source_dir/man/$program.1"
    binary=$(find "$build/src" -name "$program" -type f -perm -u+x | head -n 1)
    # What lintian and man-db check: groff's warnings, at a terminal's width.
    warnings=$(LC_ALL=C.UTF-8 MANWIDTH=80 man --warnings -E UTF-8 -l -Tutf8 -Z "$page" 2>&1 >/dev/null)
    [ -z "$warnings" ] || fail "$program.1: $warnings"
    [ -s "$build/man/$program.1.gz" ] || fail "$program.1 was not built"
    text=$(LC_ALL=C.UTF-8 MANWIDTH=200 man -l "$page" 2>/dev/null)
    for option in $(LC_ALL=C.UTF-8 "$binary" --help | grep -o -- '--[a-z][a-z0-9-]*' | sort -u); do
        grep -q -- "$option" <<<"$text" || fail "$program.1 does not describe $option"
    done
done
echo "manual pages checked"
