#!/usr/bin/env bash
# Installs a build into a staging prefix and checks that exactly the expected files land.
set -euo pipefail
build=$1
stage=$(mktemp -d)
trap 'rm -rf "$stage"' EXIT
cmake --install "$build" --prefix "$stage" >/dev/null
actual=$(cd "$stage" && find . -type f -o -type l | sort)
expected=$(sort <<'LIST'
./bin/korvex
./bin/korvex-extract
./share/applications/korvex.desktop
./share/icons/hicolor/16x16/apps/korvex.png
./share/icons/hicolor/32x32/apps/korvex.png
./share/icons/hicolor/48x48/apps/korvex.png
./share/icons/hicolor/scalable/apps/korvex.svg
./share/doc/korvex/changelog.gz
./share/doc/korvex/copyright
./share/man/man1/korvex-extract.1.gz
./share/man/man1/korvex.1.gz
./share/metainfo/io.github.korvex.Korvex.metainfo.xml
./share/mime/packages/korvex.xml
LIST
)
[ "$actual" = "$expected" ] || { diff <(echo "$expected") <(echo "$actual"); exit 1; }
for size in 16 32 48; do
    file "$stage/share/icons/hicolor/${size}x$size/apps/korvex.png" | grep -q "$size x $size" ||
        { echo "icon $size is not $size x $size"; exit 1; }
done
[ -x "$stage/bin/korvex" ] && [ -x "$stage/bin/korvex-extract" ]
# The installed extractor runs from its new place.
"$stage/bin/korvex-extract" --help | grep -q -- --band
# man finds the installed pages by the program's name.
MANPATH="$stage/share/man" man -w korvex-extract | grep -q "^$stage/" ||
    { echo "man does not find korvex-extract(1)"; exit 1; }
echo "staged install complete"
