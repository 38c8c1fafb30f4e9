#!/usr/bin/env bash
# The sample logs are what their generator writes, lie in the past, and give
# the numbers the README's walk-through promises.
set -euo pipefail
source_dir=$1
build=$2
fail() { echo "$*"; exit 1; }
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
"$build/bench/korvex-samplelog" "$work/HAMLOG.HDB" "$work/HAMLOG.CSV" >/dev/null
for log in HAMLOG.HDB HAMLOG.CSV; do
    cmp -s "$work/$log" "$source_dir/samples/$log" ||
        fail "samples/$log is not what korvex-samplelog writes: run ./scripts/make-sample"
done
extract="$build/src/cli/korvex-extract"
rows=$("$extract" --encoding utf-8 "$source_dir/samples/HAMLOG.HDB" | tail -n +2)
today=$(date -u +%Y/%m/%d)
latest=$(cut -d, -f5 <<<"$rows" | tr -d '"' | sort | tail -n 1)
[[ "$latest" < "$today" ]] || fail "the sample has a contact dated $latest"
[ "$("$extract" "$source_dir/samples/HAMLOG.CSV")" = "$("$extract" "$source_dir/samples/HAMLOG.HDB")" ] ||
    fail "the CSV sample does not give the rows of the HDB sample"
selected=$(wc -l <<<"$rows")
# "Read ... (N for the sample's M live contacts); Select ... (S with every filter at `ALL`)"
readme=$(tr '\n' ' ' <"$source_dir/README.md" | tr -s ' ')
# The CSV export holds the live contacts only, one a line.
live=$(grep -c . "$source_dir/samples/HAMLOG.CSV")
grep -q "($((live + 1)) for the sample's $live live contacts)" <<<"$readme" ||
    fail "README's Read count is not $((live + 1)) for $live live contacts"
promised=$(grep -o '([0-9]* with every filter at `ALL`)' <<<"$readme" | grep -o '[0-9]*' | head -n 1)
[ "$promised" = "$selected" ] || fail "README promises $promised rows, the sample gives $selected"
echo "sample checked: $selected rows, the latest on $latest"
