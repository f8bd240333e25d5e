#!/usr/bin/env bash
# Benchmark: `tvk pack` against coreutils, for two icons of 1 KiB, 1 MiB, 64 MiB
# and 1 GiB each (inputs in the page cache, every run replacing an earlier
# output). `tvk pack` writes beside the output, waits until the data is on disk,
# renames it over the output and syncs the folder. The fair comparison is the
# same guarantee done with coreutils: `cat` into a file beside the output,
# `sync -d` on it, `mv` over the output. Plain `cat LEFT RIGHT > OUT`, which
# promises nothing, stays as a reference. Prints each mean time, the ratios and
# the peak memory of `tvk pack`. Needs about 6 GiB of free disk in
# ${TMPDIR:-/var/tmp}.
source "$(dirname "${BASH_SOURCE[0]}")/common.sh"

bench_setup bench hyperfine

mean() { # the mean of one command in a hyperfine CSV export
    awk -F, -v name="$2" '$1 == name { print $2 }' "$1"
}

printf '%-8s %12s %16s %7s %12s %7s %10s\n' \
    "icons" "tvk pack" "cat, sync, mv" "ratio" "cat" "ratio" "peak RSS"
for row in "1K:1 20" "1M:1024 20" "64M:65536 5" "1G:1048576 3"; do
    label="${row%%:*}"
    rest="${row#*:}"
    kib="${rest% *}"
    runs="${rest#* }"
    head -c "$((kib * 1024))" /dev/urandom >L
    head -c "$((kib * 1024))" /dev/urandom >R
    cat L R >/dev/null # into the page cache

    hyperfine -N --style none --warmup 1 --runs "$runs" \
        --prepare "sh -c 'echo earlier > out.tvk && echo earlier > out.cat && sync'" \
        --export-csv times.csv \
        -n tvk "$tvk pack --name Bench --author Bench L R -o out.tvk" \
        -n safe "sh -c 'cat L R > .out.cat.new && sync -d .out.cat.new && mv .out.cat.new out.cat'" \
        -n cat "sh -c 'cat L R > out.cat'" >/dev/null 2>&1
    rm -f out.tvk
    peak=$(/usr/bin/time -f %M "$tvk" pack --name Bench --author Bench L R -o out.tvk 2>&1 >/dev/null)
    cmp -s <(cat L R) <(tail -c "$((2 * kib * 1024))" out.tvk) || { echo "wrong output" >&2; exit 1; }

    t=$(mean times.csv tvk)
    s=$(mean times.csv safe)
    c=$(mean times.csv cat)
    awk -v l="$label" -v t="$t" -v c="$c" -v s="$s" -v p="$peak" 'BEGIN {
        printf "%-8s %10.1f ms %14.1f ms %6.2fx %10.1f ms %6.2fx %7.1f MiB\n",
               l, t * 1000, s * 1000, t / s, c * 1000, t / c, p / 1024 }'
    rm -f L R out.tvk out.cat
done
echo "Machine: $(nproc) cores, $(awk '/MemTotal/ { printf "%.0f GiB", $2 / 1048576 }' /proc/meminfo)," \
     "$(df -PT "$work" | awk 'NR == 2 { print $2 }') file system, $(uname -sr)"
