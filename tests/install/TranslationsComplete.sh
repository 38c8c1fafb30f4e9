#!/usr/bin/env bash
# Every text the command lines translate has its Japanese translation: the
# sources are scanned into a copy of the translation file, and nothing in the
# copy may be left unfinished.
set -euo pipefail
source_dir=$1
lupdate=$2
lrelease=$3
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
cp "$source_dir/src/cli/translations/korvex_ja.ts" "$work/korvex_ja.ts"
"$lupdate" -silent -locations none "$source_dir/src/cli" "$source_dir/src/ui/WindowCommandLine.cpp" \
    -ts "$work/korvex_ja.ts"
report=$("$lrelease" "$work/korvex_ja.ts" -qm "$work/korvex_ja.qm")
{ grep -q ' 0 unfinished' <<<"$report" && ! grep -q 'Ignored' <<<"$report"; } || { echo "$report"; grep -B3 'type="unfinished"' "$work/korvex_ja.ts"; exit 1; }
echo "$report" | tail -n 1
