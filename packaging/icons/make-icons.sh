#!/bin/bash
# Draws the notifier's icon (a white antenna with two signal arcs on an orange rounded
# square) and writes the PNGs at 16, 22, 24, 32, 48 and 64 px and the Windows .ico beside
# this script. Needs ImageMagick 6 (`convert`). The 16 px image is drawn on its own 4x grid
# so its strokes land on whole pixels; the larger ones are scaled down from a finer drawing.
set -euo pipefail
cd "$(dirname "$0")"
convert=/usr/bin/convert
tmp=$(mktemp -d)
trap 'rm -rf "$tmp"' EXIT
colour='#D9480F'

"$convert" -size 128x128 xc:none \
    -fill "$colour" -stroke none -draw "roundrectangle 4,4 123,123 26,26" \
    -fill none -stroke white -strokewidth 11 \
    -draw "stroke-linecap round path 'M 79.6,40.4 A 22,22 0 0,1 79.6,71.6 M 48.4,40.4 A 22,22 0 0,0 48.4,71.6'" \
    -draw "stroke-linecap round path 'M 92.3,27.7 A 40,40 0 0,1 92.3,84.3 M 35.7,27.7 A 40,40 0 0,0 35.7,84.3'" \
    -stroke white -strokewidth 12 -draw "line 64,60 64,108" \
    -fill white -stroke none -draw "circle 64,56 64,67" "$tmp/large.png"
"$convert" -size 64x64 xc:none \
    -fill "$colour" -stroke none -draw "roundrectangle 0,0 63,63 12,12" \
    -fill none -stroke white -strokewidth 7 \
    -draw "path 'M 46,12 A 20,20 0 0,1 46,40 M 18,12 A 20,20 0 0,0 18,40'" \
    -stroke none -fill white -draw "rectangle 28,28 35,55" -draw "circle 32,26 32,33" \
    "$tmp/small.png"

"$convert" "$tmp/small.png" -filter box -resize 16x16 -depth 8 -strip tarvolin-16.png
for size in 22 24 32 48 64; do
    "$convert" "$tmp/large.png" -filter Lanczos -resize ${size}x$size -depth 8 -strip tarvolin-$size.png
done
# Windows: the 16 px image in 256 colours first (the window's icon), then every size with
# full colour and alpha for scaled screens and large taskbar icons.
"$convert" \( tarvolin-16.png -colors 256 \) \
    \( tarvolin-22.png tarvolin-24.png tarvolin-32.png tarvolin-48.png tarvolin-64.png -type TrueColorAlpha \) \
    -strip tarvolin.ico
