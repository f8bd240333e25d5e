#!/usr/bin/env bash
# A file manager's thumbnail of a TVK file against its thumbnail of a picture:
# the thumbnailer entry's command (tvk-thumbnail) and `tvk thumbnail` from a shell,
# each making a 128-pixel PNG of an ordinary 256-pixel icon, side by side with the
# desktop's own image thumbnailer (gdk-pixbuf-thumbnailer) on the same icon.
source "$(dirname "${BASH_SOURCE[0]}")/common.sh"

bench_setup thumbnails python3 hyperfine libgdk-pixbuf2.0-bin
python3 "$ROOT/bench/icons.py"
helper="$ROOT/build/cli/tvk-thumbnail"

hyperfine -N -w 20 -r "${RUNS:-300}" \
    -n "gdk-pixbuf-thumbnailer -s 128 ordinary.ico" "gdk-pixbuf-thumbnailer -s 128 ordinary.ico g.png" \
    -n "tvk-thumbnail (thumbnailer entry)" "$helper thumbnail --size 128 ordinary.tvk t.png" \
    -n "tvk thumbnail --size 128" "$tvk thumbnail --size 128 ordinary.tvk t.png" 2>&1 |
    grep -E '^Benchmark|Time \(mean'
