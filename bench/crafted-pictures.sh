#!/usr/bin/env bash
# The slowest pictures a file can hold within the byte limits, as `tvk thumbnail`
# and the window's path-box previews meet them (bench/icons.py describes each).
# The target: every one ends within 200 ms, in under 64 MiB. Prints the time
# and peak memory of each.
source "$(dirname "${BASH_SOURCE[0]}")/common.sh"

bench_setup pictures python3 hyperfine
python3 "$ROOT/bench/icons.py"
preview="$ROOT/build/bench/tvk_preview_time"

printf '%-34s %10s %10s\n' "case" "time" "peak"
for file in entries text twelve inflate ordinary sizes; do
    ms=$(hyperfine -N -i -r 5 --export-json t.json "$tvk thumbnail $file.tvk out.png" >/dev/null &&
        python3 -c 'import json; print(round(json.load(open("t.json"))["results"][0]["mean"] * 1000, 1))')
    peak=$(/usr/bin/time -f %M "$tvk" thumbnail "$file.tvk" out.png 2>&1 | tail -n 1)
    printf '%-34s %7s ms %6s MiB\n' "tvk thumbnail $file.tvk" "$ms" "$((peak / 1024))"
done
for file in twelve.ico text-preview.ico inflate-preview.ico ordinary.ico sizes.ico; do
    printf '%-34s %7s ms\n' "preview of $file" "$("$preview" "$file" | cut -d' ' -f1)"
done
