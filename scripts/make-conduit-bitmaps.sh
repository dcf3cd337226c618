#!/usr/bin/env bash
# Draws the conduit's dialog pictures with ImageMagick and stores them as
# 256-colour Windows bitmaps (8 bits per pixel, 256-entry palette):
#   102, 103, 104, 105  48x24 on light grey (192,192,192), the key colour that
#                       the action dialog makes transparent
#   108                 46x100 picture of the about dialog, shown unchanged
# Usage: scripts/make-conduit-bitmaps.sh [output folder, default conduit/res]
set -euo pipefail
out="${1:-$(dirname "$0")/../conduit/res}"
mkdir -p "$out"
IM=/usr/bin/convert
tmp=$(mktemp -d)
trap 'rm -rf "$tmp"' EXIT

grey='rgb(192,192,192)'
# A handheld at the left: dark case, green screen, two buttons.
handheld=(-fill 'rgb(64,64,72)' -stroke 'rgb(32,32,40)' -draw 'roundrectangle 2,2 13,21 2,2'
    -fill 'rgb(150,190,120)' -stroke none -draw 'rectangle 4,4 11,13'
    -fill 'rgb(200,200,210)' -draw 'rectangle 4,16 6,18' -draw 'rectangle 9,16 11,18')
monitor=(-fill 'rgb(230,230,235)' -stroke 'rgb(40,40,60)' -draw 'rectangle 30,3 45,15'
    -fill 'rgb(60,90,170)' -stroke none -draw 'rectangle 32,5 43,13'
    -fill 'rgb(90,90,100)' -draw 'rectangle 36,16 39,18' -draw 'rectangle 32,19 43,20')
small() {  # name, drawing arguments
    local name=$1
    shift
    $IM -size 48x24 "xc:$grey" +antialias "$@" -alpha off -depth 8 "rgb:$tmp/$name.rgb"
}

# Handheld overwrites desktop: handheld, arrow, monitor.
small 102 "${handheld[@]}" "${monitor[@]}" \
    -fill 'rgb(0,128,0)' -stroke none -draw 'polygon 15,10 22,10 22,7 27,12 22,17 22,14 15,14'
# Do nothing: handheld and monitor kept apart by a no-entry sign.
small 103 "${handheld[@]}" "${monitor[@]}" \
    -fill none -stroke 'rgb(200,0,0)' -strokewidth 2 -draw 'circle 21,12 21,6' -draw 'line 17,8 25,16'
# Delete on the handheld: handheld, red cross, waste bin.
small 105 "${handheld[@]}" \
    -fill 'rgb(200,200,205)' -stroke 'rgb(60,60,70)' -draw 'rectangle 28,7 39,21' -draw 'rectangle 26,4 41,6' \
    -draw 'line 31,9 31,19' -draw 'line 34,9 34,19' -draw 'line 37,9 37,19' \
    -fill none -stroke 'rgb(200,0,0)' -strokewidth 2 -draw 'line 16,8 23,15' -draw 'line 23,8 16,15'
# Show the status: a small window with a progress bar.
small 104 -fill white -stroke 'rgb(40,40,60)' -draw 'rectangle 4,3 43,20' \
    -fill 'rgb(0,0,128)' -stroke none -draw 'rectangle 5,4 42,7' \
    -fill white -stroke 'rgb(96,96,96)' -draw 'rectangle 8,12 39,16' \
    -fill 'rgb(0,0,160)' -stroke none -draw 'rectangle 9,13 12,15' -draw 'rectangle 14,13 17,15' \
    -draw 'rectangle 19,13 22,15' -draw 'rectangle 24,13 27,15'
# The about picture: a handheld in front of a blue gradient.
$IM -size 46x100 gradient:'rgb(40,70,150)-rgb(170,200,240)' \
    -fill 'rgb(60,60,70)' -stroke 'rgb(20,20,30)' -draw 'roundrectangle 6,10 39,92 5,5' \
    -fill 'rgb(150,190,120)' -stroke 'rgb(30,30,30)' -draw 'rectangle 11,18 34,56' \
    -stroke 'rgb(40,70,40)' -draw 'line 14,24 31,24' -draw 'line 14,30 28,30' \
    -draw 'line 14,36 31,36' -draw 'line 14,42 25,42' -draw 'line 14,48 30,48' \
    -fill 'rgb(200,200,210)' -stroke none -draw 'circle 15,70 15,65' -draw 'circle 30,70 30,65' \
    -draw 'roundrectangle 17,80 28,85 2,2' \
    -colors 250 -alpha off -depth 8 "rgb:$tmp/108.rgb"

for picture in 102:48:24 103:48:24 104:48:24 105:48:24 108:46:100; do
    IFS=: read -r name w h <<<"$picture"
    python3 - "$tmp/$name.rgb" "$w" "$h" "$out/bitmap$name.bmp" <<'PY'
import struct, sys
raw, w, h, target = open(sys.argv[1], 'rb').read(), int(sys.argv[2]), int(sys.argv[3]), sys.argv[4]
pixels = [raw[i:i + 3] for i in range(0, w * h * 3, 3)]
palette = []
for p in pixels:
    if p not in palette:
        palette.append(p)
assert len(palette) <= 256, len(palette)
index = {p: i for i, p in enumerate(palette)}
palette += [b'\0\0\0'] * (256 - len(palette))
stride = (w + 3) & ~3
rows = b''
for y in range(h - 1, -1, -1):  # bottom-up
    row = bytes(index[pixels[y * w + x]] for x in range(w))
    rows += row + b'\0' * (stride - w)
pal = b''.join(bytes((p[2], p[1], p[0], 0)) for p in palette)
offset = 14 + 40 + len(pal)
header = struct.pack('<2sIHHI', b'BM', offset + len(rows), 0, 0, offset)
info = struct.pack('<IiiHHIIiiII', 40, w, h, 1, 8, 0, len(rows), 2835, 2835, 256, 0)
open(target, 'wb').write(header + info + pal + rows)
PY
done
echo "bitmaps written to $out"
