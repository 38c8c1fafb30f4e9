#!/usr/bin/env bash
# Draws KORVEX's window icon with ImageMagick and writes the 32 x 32 and 16 x 16
# images of 16 colours next to this script: an antenna mast sending waves, on a
# dark blue tile.
set -euo pipefail
cd "$(dirname "$0")"

# A band along a circular arc, as a filled polygon (ImageMagick 6 strokes curves
# unreliably at this width): centre, radius, width, start and end angle in
# degrees, clockwise from three o'clock.
band() {
    awk -v cx="$1" -v cy="$2" -v r="$3" -v w="$4" -v a0="$5" -v a1="$6" 'BEGIN {
        k = 3.14159265 / 180
        printf "polygon"
        for (a = a0; a <= a1; a += 5)
            printf " %.1f,%.1f", cx + (r + w / 2) * cos(a * k), cy + (r + w / 2) * sin(a * k)
        for (a = a1; a >= a0; a -= 5)
            printf " %.1f,%.1f", cx + (r - w / 2) * cos(a * k), cy + (r - w / 2) * sin(a * k)
    }'
}

# The picture at 256 x 256; $1 is the wave count (the small image has room for one).
draw() {
    local waves=(-draw "$(band 128 96 88 18 -40 40)" -draw "$(band 128 96 88 18 140 220)")
    if [ "$1" -gt 1 ]; then
        waves+=(-draw "$(band 128 96 48 16 -45 45)" -draw "$(band 128 96 48 16 135 225)")
    fi
    shift
    convert -size 256x256 xc:none \
        -fill '#1b3f73' -stroke none -draw 'roundrectangle 8,8 247,247 44,44' \
        -fill '#f5a623' "${waves[@]}" \
        -stroke white -strokewidth 20 \
        -draw 'line 128,96 82,226' -draw 'line 128,96 174,226' \
        -strokewidth 14 -draw 'line 104,170 152,170' \
        -fill white -stroke none -draw 'circle 128,96 128,74' \
        "$@"
}

draw 2 -resize 32x32 -colors 16 PNG8:korvex-32.png
draw 1 -resize 16x16 -colors 16 PNG8:korvex-16.png
# For the desktop menu: a larger size (korvex.svg is the same picture, scalable).
draw 2 -resize 48x48 PNG32:korvex-48.png
