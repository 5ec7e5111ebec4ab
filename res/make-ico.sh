#!/usr/bin/env bash
# make-ico.sh SVG ICO: renders an SVG at the usual icon sizes and packs them into one .ico.
set -euo pipefail
svg=$1; ico=$2
tmp=$(mktemp -d)
trap 'rm -rf "$tmp"' EXIT
pngs=()
for size in 16 20 24 32 40 48 64 256; do
  rsvg-convert -w "$size" -h "$size" "$svg" -o "$tmp/$size.png"
  pngs+=("$tmp/$size.png")
done
# Small sizes as plain bitmaps for old readers, 256 as PNG as Windows expects.
icotool -c -o "$ico" "${pngs[@]:0:7}" -r "${pngs[7]}"
