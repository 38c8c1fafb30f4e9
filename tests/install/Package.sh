#!/usr/bin/env bash
# Builds the Debian package from a build folder and checks its control data and contents.
set -euo pipefail
build=$1
out=$(mktemp -d)
trap 'rm -rf "$out"' EXIT
cpack -G DEB --config "$build/CPackConfig.cmake" -B "$out" >/dev/null
deb=$(ls "$out"/korvex_*.deb)

field() { dpkg-deb -f "$deb" "$1"; }
fail() { echo "$*"; exit 1; }
[ "$(field Package)" = korvex ] || fail "package name: $(field Package)"
[[ "$(field Version)" == 2.0* ]] || fail "version: $(field Version)"
[ "$(field Section)" = hamradio ] || fail "section: $(field Section)"
depends=$(field Depends)
for needed in libqt6widgets6 libqt6core6 qt6-qpa-plugins libreoffice-calc fonts-ipafont-gothic; do
    grep -q "$needed" <<<"$depends" || fail "Depends lacks $needed: $depends"
done

contents=$(dpkg-deb -c "$deb" | awk '{ print $NF }')
for path in ./usr/bin/korvex ./usr/bin/korvex-extract ./usr/share/applications/korvex.desktop \
    ./usr/share/icons/hicolor/scalable/apps/korvex.svg \
    ./usr/share/icons/hicolor/32x32/apps/korvex.png \
    ./usr/share/metainfo/io.github.korvex.Korvex.metainfo.xml \
    ./usr/share/mime/packages/korvex.xml \
    ./usr/share/man/man1/korvex.1.gz ./usr/share/man/man1/korvex-extract.1.gz \
    ./usr/share/doc/korvex/copyright ./usr/share/doc/korvex/changelog.gz; do
    grep -qx "$path" <<<"$contents" || fail "package lacks $path"
done
# Nothing outside /usr, and no extraction file or build leftovers.
! grep -v '^\./usr/\|^\./$\|^\./usr$' <<<"$contents" | grep -q . || fail "files outside /usr"
! grep -qi 'KORVEX.tmp\|CMakeFiles' <<<"$contents" || fail "stray files in the package"
# Debian's own checks: no error or warning. The hints below that level are
# shown, not judged (a program that calls no fortifiable libc function is
# reported as not fortified).
status=0
report=$(LC_ALL=C.UTF-8 lintian --fail-on error,warning --display-info "$deb" 2>&1) || status=$?
grep -v 'running with root privileges' <<<"$report" || true
[ "$status" -eq 0 ] || fail "lintian found errors or warnings (status $status)"
echo "package $(basename "$deb") checked"
