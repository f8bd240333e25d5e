#!/usr/bin/env bash
# A file manager's thumbnail of a TVK file against its thumbnail of a picture:
# the thumbnailer entry's command (`tvk thumbnail`) making a 256-pixel PNG of an
# icon with a 256-pixel PNG and 48, 32 and 16-pixel bitmaps, side by side with
# the desktop's own image thumbnailer (gdk-pixbuf-thumbnailer) on the same icon.
# PAIRS runs of each (21 by default), alternating; prints the medians, their
# ratio (the target: within 1.5x) and the peak memory of each (under 64 MiB).
source "$(dirname "${BASH_SOURCE[0]}")/common.sh"

bench_setup thumbnails python3 libgdk-pixbuf2.0-bin
python3 "$ROOT/bench/icons.py"

python3 - "$tvk" "${PAIRS:-21}" <<'PY'
import os, statistics, subprocess, sys, time
tvk, pairs = sys.argv[1], int(sys.argv[2])
commands = {
    "gdk-pixbuf-thumbnailer": ["gdk-pixbuf-thumbnailer", "-s", "256", "sizes.ico", "g.png"],
    "tvk thumbnail": [tvk, "thumbnail", "--size", "256", "sizes.tvk", "t.png"],
}
times = {name: [] for name in commands}
peaks = {name: 0 for name in commands}
for _ in range(pairs + 2):
    for name, command in commands.items():
        start = time.perf_counter()
        child = subprocess.Popen(command, stdout=subprocess.DEVNULL)
        _, status, usage = os.wait4(child.pid, 0)
        times[name].append(time.perf_counter() - start)
        peaks[name] = max(peaks[name], usage.ru_maxrss)
        assert status == 0, name
medians = {name: statistics.median(runs[2:]) * 1000 for name, runs in times.items()}
for name in commands:
    print(f"{name:24} {medians[name]:6.1f} ms   peak {peaks[name] / 1024:5.1f} MiB")
print(f"ratio {medians['tvk thumbnail'] / medians['gdk-pixbuf-thumbnailer']:.2f}x")
PY
