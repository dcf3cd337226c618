#!/usr/bin/env bash
# Draws the installer's artwork: icon 100 (32x32 and 16x16, 16 colours) and
# bitmap 100 (110x240, 256 colours). The results are committed beside this
# script; run it again only to change the pictures.
set -euo pipefail
cd "$(dirname "$0")"
convert=/usr/bin/convert
tmp=$(mktemp -d)
trap 'rm -rf "$tmp"' EXIT

# A mosaic of four tiles: the program's mark.
mosaic() {  # size file
  local s=$1 h=$(($1 / 2)) m=$(($1 / 16 > 0 ? $1 / 16 : 1))
  "$convert" -size "${s}x${s}" xc:none \
    -fill '#1f4e8c' -draw "rectangle $m,$m $((h - 1)),$((h - 1))" \
    -fill '#e0a020' -draw "rectangle $h,$m $((s - m - 1)),$((h - 1))" \
    -fill '#2c9c6a' -draw "rectangle $m,$h $((h - 1)),$((s - m - 1))" \
    -fill '#c03a2b' -draw "rectangle $h,$h $((s - m - 1)),$((s - m - 1))" \
    -fill white -draw "rectangle $((h - m)),$((m * 2)) $((h + m - 1)),$((s - m * 2 - 1))" \
    -draw "rectangle $((m * 2)),$((h - m)) $((s - m * 2 - 1)),$((h + m - 1))" \
    "$2"
}
mosaic 32 "$tmp/icon32.png"
mosaic 16 "$tmp/icon16.png"
"$convert" "$tmp/icon32.png" "$tmp/icon16.png" -colors 16 setup.ico

# The picture at the left of the dialog: a sky over three rows of mosaic
# tiles on a plain base. The dialog centres it in a frame that, depending on
# the dialog font, shows fewer than its 240 rows: the outer 16 rows at the top
# and at the bottom hold nothing but plain rows of one colour each (no
# dithering), so whatever the frame cuts off is only sky and base.
"$convert" -size 110x240 gradient:'#0d2b57-#3f7fc4' \
  -fill '#ffffff30' -draw "polygon 0,150 110,120 110,218 0,218" \
  \( -size 22x22 xc:none -fill '#e0a020' -draw "rectangle 1,1 10,10" \
     -fill '#2c9c6a' -draw "rectangle 11,1 20,10" -fill '#c03a2b' -draw "rectangle 1,11 10,20" \
     -fill '#f2f2f2' -draw "rectangle 11,11 20,20" -write mpr:tile +delete \) \
  \( -size 110x66 tile:mpr:tile \) -geometry +0+152 -composite \
  -fill '#0d2b57' -draw "rectangle 0,218 109,239" \
  \( "$tmp/icon32.png" -scale 200% \) -geometry +23+30 -composite \
  -font DejaVu-Sans-Bold -pointsize 20 -fill white -annotate +20+125 'Tessel' \
  -dither None -colors 256 -type Palette BMP3:setup.bmp
