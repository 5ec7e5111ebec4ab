#!/usr/bin/env bash
# contact-sheet.sh OUTDIR PNG: a review sheet of every OUTDIR/*.ico made by render.sh.
# Top: every image at its smallest size, 1x and 4x, on white and on light blue; then
# the command images at 32 px. Then one row per image: every size at 1x, and the sizes
# up to 36 px at 4x (nearest neighbour), on white and on #C9D5F7 (fold buttons on
# their #265BCC header only).
set -euo pipefail
export LC_ALL=C

if [[ $# -ne 2 ]]; then
  echo "usage: $0 OUTDIR PNG" >&2
  exit 2
fi
here=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
in=$1; sheet=$2
for tool in icotool convert montage; do
  command -v "$tool" >/dev/null || { echo "contact-sheet.sh: $tool not found" >&2; exit 1; }
done

tmp=$(mktemp -d)
trap 'rm -rf "$tmp"' EXIT
font=DejaVu-Sans
white='#FFFFFF'; blue='#C9D5F7'; header='#265BCC'; gap='#8A8F98'

names=(); kinds=()
while read -r name kind src _; do
  [[ -z $name || $name == \#* ]] && continue
  [[ -f $in/$name.ico ]] || { echo "contact-sheet.sh: $in/$name.ico missing" >&2; exit 1; }
  names+=("$name"); kinds+=("$kind")
  mkdir -p "$tmp/x/$name"
  icotool -x -o "$tmp/x/$name" "$in/$name.ico"
done <"$here/images.list"

sizes_in() { # name -> sizes present, ascending
  ls "$tmp/x/$1" | sed -n 's/.*_\([0-9]*\)x[0-9]*x32\.png$/\1/p' | sort -n
}
png_of() { ls "$tmp/x/$1"/*_"$2"x"$2"x32.png; }

# tile NAME SIZE BG ZOOM OUT: one image flattened on BG, scaled by ZOOM, with a margin.
tile() {
  convert "$(png_of "$1" "$2")" -background "$3" -flatten -filter point -resize "$((100 * $4))%" \
    -bordercolor "$3" -border 4 "$5"
}

convert -size 3x3 xc:"$gap" "$tmp/vgap.png"
row=0
# One row per image.
for i in "${!names[@]}"; do
  name=${names[$i]}; kind=${kinds[$i]}
  bgs=("$white" "$blue"); [[ $kind == fold ]] && bgs=("$header")
  parts=()
  convert -size 150x40 xc:"$white" -font "$font" -pointsize 12 -fill black -gravity west \
    -annotate +6+0 "$name" "$tmp/label.png"
  parts+=("$tmp/label.png")
  for zoom in 1 4; do
    for bg in "${bgs[@]}"; do
      cells=()
      for size in $(sizes_in "$name"); do
        (( zoom == 1 || size <= 36 )) || continue
        tile "$name" "$size" "$bg" "$zoom" "$tmp/c${#cells[@]}.png"
        cells+=("$tmp/c${#cells[@]}.png")
      done
      convert -background "$bg" -gravity south "${cells[@]}" +append "$tmp/p${#parts[@]}.png"
      parts+=("$tmp/p${#parts[@]}.png")
    done
  done
  seq=(); for p in "${parts[@]}"; do seq+=("$p" "$tmp/vgap.png"); done
  convert -background "$gap" -gravity center "${seq[@]}" +append "$tmp/row$(printf %03d $row).png"
  row=$((row + 1))
done

# Overview: every image at its smallest size, 1x and 4x.
for zoom in 1 4; do
  for bg in "$white" "$blue"; do
    cells=()
    for name in "${names[@]}"; do
      size=$(sizes_in "$name" | head -n 1)
      b=$bg; [[ $name == fold_* ]] && b=$header
      tile "$name" "$size" "$b" "$zoom" "$tmp/o${#cells[@]}.png"
      cells+=("$tmp/o${#cells[@]}.png")
    done
    half=$(( (${#cells[@]} + 1) / 2 ))
    convert -background "$bg" -gravity center \( "${cells[@]:0:$half}" +append \) \
      \( "${cells[@]:$half}" +append \) -gravity west -append "$tmp/ov_${zoom}_${bg#\#}.png"
  done
done
# Command images at 32 px with the names as captions.
cells=()
for i in "${!names[@]}"; do
  [[ ${kinds[$i]} == command ]] || continue
  convert "$(png_of "${names[$i]}" 32)" -background "$white" -gravity north -extent 96x50 \
    -font "$font" -pointsize 10 -fill black -gravity south -annotate +0+2 "${names[$i]#cmd_}" \
    "$tmp/t${#cells[@]}.png"
  cells+=("$tmp/t${#cells[@]}.png")
done
convert -background "$white" "${cells[@]}" +append "$tmp/toolbar.png"

seq=()
for p in "$tmp/ov_1_FFFFFF.png" "$tmp/ov_1_C9D5F7.png" "$tmp/ov_4_FFFFFF.png" "$tmp/ov_4_C9D5F7.png" \
         "$tmp/toolbar.png" "$tmp"/row*.png; do
  seq+=("$p" "$tmp/vgap.png")
done
convert -background "$gap" -gravity west "${seq[@]}" -append +repage "$sheet"
echo "contact-sheet.sh: $sheet"
