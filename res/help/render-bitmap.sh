#!/bin/sh
# render-bitmap.sh SVG WIDTH HEIGHT OUT.bmp: a 24-bit bitmap of the drawing at that size, on white
# where the drawing is transparent.
set -eu
png=$4.png
rsvg-convert -w "$2" -h "$3" "$1" -o "$png"
convert "$png" -background white -alpha remove -type TrueColor "BMP3:$4"
rm -f "$png"
