#!/usr/bin/env bash
# Rebuilds the committed icons from TVK_Mak.svg, and the two marks from the
# shapes below (needs imagemagick, with an SVG reader for the first). The build
# itself uses the committed files, so it needs no image tools.
set -euo pipefail
cd "$(dirname "${BASH_SOURCE[0]}")"
for size in 16 32 48 64 128 256; do
    convert -background none TVK_Mak.svg -resize "${size}x${size}" "TVK_Mak-$size.png"
done
# The program's icon: a 16x16 and a 32x32 image of 256 colours each.
convert TVK_Mak-16.png TVK_Mak-32.png -colors 256 TVK_Mak.ico
# The mark of an icon that is not an ICO file, one picture for each size a box
# may ask for: a yellow triangle with an exclamation mark.
for size in 16 24 32 48 64; do
    awk -v s="$size" 'BEGIN {
        e = s / 16; b = s / 8
        printf "polygon %.3f,%.3f %.3f,%.3f %.3f,%.3f\n", s / 2, e, s - e, s - e, e, s - e
        printf "roundrectangle %.3f,%.3f %.3f,%.3f %.3f,%.3f\n", s / 2 - b / 2, s * 0.35,
            s / 2 + b / 2, s * 0.65, b / 3, b / 3
        printf "circle %.3f,%.3f %.3f,%.3f\n", s / 2, s * 0.78, s / 2 + b * 0.6, s * 0.78
    }' >"warning-$size.mvg"
    convert -size "${size}x${size}" xc:none \
        -stroke '#806000' -strokewidth "$(awk -v s="$size" 'BEGIN { print s / 16 }')" \
        -fill '#ffc800' -draw "stroke-linejoin round $(sed -n 1p "warning-$size.mvg")" \
        -stroke none -fill black -draw "$(sed -n 2p "warning-$size.mvg")" \
        -draw "$(sed -n 3p "warning-$size.mvg")" "warning-$size.png"
    rm "warning-$size.mvg"
done
# The mark of a picture that an icon is made from, for the same sizes: a framed
# landscape, a hill under a sun. Its dark frame shows on a light box, its light
# inside on a dark one.
for size in 16 24 32 48 64; do
    awk -v s="$size" 'BEGIN {
        e = s / 16
        printf "roundrectangle %.3f,%.3f %.3f,%.3f %.3f,%.3f\n", e, s * 0.16, s - e, s * 0.84, e, e
        printf "polygon %.3f,%.3f %.3f,%.3f %.3f,%.3f %.3f,%.3f %.3f,%.3f\n", e * 2, s * 0.78,
            s * 0.4, s * 0.42, s * 0.6, s * 0.62, s * 0.72, s * 0.5, s - e * 2, s * 0.78
        printf "circle %.3f,%.3f %.3f,%.3f\n", s * 0.7, s * 0.3, s * 0.7 + s * 0.08, s * 0.3
    }' >"picture-$size.mvg"
    convert -size "${size}x${size}" xc:none \
        -stroke '#1d4f91' -strokewidth "$(awk -v s="$size" 'BEGIN { print s / 16 }')" \
        -fill '#e6f2ff' -draw "$(sed -n 1p "picture-$size.mvg")" \
        -stroke none -fill '#2e7d32' -draw "$(sed -n 2p "picture-$size.mvg")" \
        -fill '#f0a000' -draw "$(sed -n 3p "picture-$size.mvg")" "picture-$size.png"
    rm "picture-$size.mvg"
done
