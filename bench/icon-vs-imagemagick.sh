#!/usr/bin/env bash
# Benchmark: `tvk icon` against ImageMagick's `convert -define icon:auto-resize`, each
# making the full icon (256, 64, 48, 40, 32, 24, 20 and 16 pixels) from three 1024-pixel
# pictures made here with ImageMagick: a drawn logo with transparent parts and thin
# lines, a plasma cut to a rounded shape on nothing, and a photo-like JPEG. Prints the
# median time of 9 runs and the peak memory of each, then per size the SSIM of each
# icon's picture against the area average in linear light with alpha premultiplied
# (bench/icon-quality.py makes it and computes SSIM). Targets: `tvk icon` at most half
# ImageMagick's time, under 64 MiB, and an SSIM at least ImageMagick's at every size.
source "$(dirname "${BASH_SOURCE[0]}")/common.sh"

bench_setup icon imagemagick python3 hyperfine
# Debian's own binary, past any wrapper of the same name earlier in PATH.
convert=$(command -v convert-im6.q16 || command -v convert)

"$convert" -size 1024x1024 xc:none \
    -fill 'rgba(30,90,200,1)' -draw 'roundrectangle 96,96 928,928 160,160' \
    -fill 'rgba(250,200,40,0.8)' -draw 'circle 512,512 512,220' \
    -stroke white -strokewidth 3 -draw 'line 160,860 860,160' -draw 'line 160,512 860,512' \
    -stroke none -fill 'rgba(255,255,255,0.5)' -draw 'polygon 300,700 512,300 724,700' -depth 8 logo.png
"$convert" -size 1024x1024 -seed 7 plasma:red-blue -blur 0x1 \
    \( -size 1024x1024 xc:black -fill white -draw 'roundrectangle 64,160 960,864 200,200' \
    -blur 0x8 \) -alpha off -compose copy_opacity -composite -depth 8 plasma.png
"$convert" -size 1024x1024 -seed 11 plasma:tan-skyblue -blur 0x1.5 \
    \( -size 1024x1024 gradient:white-gray30 \) -compose multiply -composite \
    -quality 90 photo.jpg

sizes=256,64,48,40,32,24,20,16
timing() { # median wall time and mean processor time (user and system), in ms, of one
    # command in a hyperfine JSON export
    python3 -c 'import json, sys
r = [x for x in json.load(open(sys.argv[1]))["results"] if x["command"] == sys.argv[2]][0]
print(round(r["median"] * 1000, 1), round((r["user"] + r["system"]) * 1000, 1))' "$1" "$2"
}
peak() { # the peak resident memory, in MiB, of a command
    /usr/bin/time -f %M "$@" 2>&1 >/dev/null | tail -n 1 | awk '{ printf "%.1f", $1 / 1024 }'
}

# Wall time on a busy machine says little: the processor time each used is shown beside it.
printf '%-11s %12s %12s %7s %10s %10s %7s %10s %10s\n' picture "tvk icon" ImageMagick ratio \
    "tvk CPU" "IM CPU" ratio "tvk peak" "IM peak"
for picture in logo.png plasma.png photo.jpg; do
    cat "$picture" >/dev/null # into the page cache
    hyperfine -N --style none --warmup 2 --runs 9 --export-json times.json \
        -n tvk "$tvk icon $picture -o tvk.ico" \
        -n im "$convert $picture -define icon:auto-resize=$sizes im.ico" >/dev/null 2>&1
    read -r t tc < <(timing times.json tvk)
    read -r m mc < <(timing times.json im)
    printf '%-11s %9s ms %9s ms %6.2fx %7s ms %7s ms %6.2fx %6s MiB %6s MiB\n' "$picture" \
        "$t" "$m" "$(awk -v t="$t" -v m="$m" 'BEGIN { print t / m }')" \
        "$tc" "$mc" "$(awk -v t="$tc" -v m="$mc" 'BEGIN { print t / m }')" \
        "$(peak "$tvk" icon "$picture" -o tvk.ico)" \
        "$(peak "$convert" "$picture" -define icon:auto-resize=$sizes im.ico)"
    cp tvk.ico "${picture%.*}-tvk.ico"
    cp im.ico "${picture%.*}-im.ico"
done

echo
echo "SSIM against the area average in linear light (1 is the same picture):"
printf '%-11s %5s %8s %12s\n' picture size "tvk icon" ImageMagick
for picture in logo.png plasma.png photo.jpg; do
    PATH="$(dirname "$convert"):$PATH" python3 "$ROOT/bench/icon-quality.py" "$picture" \
        "${picture%.*}-tvk.ico" "${picture%.*}-im.ico" |
        while read -r side ours theirs; do
            printf '%-11s %5s %8s %12s\n' "$picture" "$side" "$ours" "$theirs"
        done
done
echo "Machine: $(nproc) cores, $(awk '/MemTotal/ { printf "%.0f GiB", $2 / 1048576 }' /proc/meminfo)," \
     "$(uname -sr), ImageMagick $("$convert" -version | awk 'NR == 1 { print $3 }')"
