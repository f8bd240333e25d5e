#!/usr/bin/env bash
# Rebuilds the committed icons from TVK_Mak.svg (needs imagemagick). The build
# itself uses the committed files, so it needs no image tools.
set -euo pipefail
cd "$(dirname "${BASH_SOURCE[0]}")"
for size in 16 32 48 64 128 256; do
    convert -background none TVK_Mak.svg -resize "${size}x${size}" "TVK_Mak-$size.png"
done
# The program's icon: a 16x16 and a 32x32 image of 256 colours each.
convert TVK_Mak-16.png TVK_Mak-32.png -colors 256 TVK_Mak.ico
