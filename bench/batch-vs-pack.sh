#!/usr/bin/env bash
# Benchmark: `tvk batch` making 1,000 TVK files from two small icons each,
# against a loop of 1,000 `tvk pack` runs making the same files. Both replace
# earlier outputs and keep them safe; `pack` flushes the disk once per file,
# `batch` once for all of them. Prints both times, the ratio and the peak memory
# of `tvk batch`.
source "$(dirname "${BASH_SOURCE[0]}")/common.sh"

bench_setup batch hyperfine
rows=${ROWS:-1000}

mkdir icons out
{
    echo "name,author,left,right,output"
    for ((i = 0; i < rows; i++)); do
        head -c 2048 /dev/urandom >"icons/l$i.ico"
        head -c 1024 /dev/urandom >"icons/r$i.ico"
        echo "Icon $i,Bench,icons/l$i.ico,icons/r$i.ico,out/p$i.tvk"
    done
} >manifest.csv
cat >packs.sh <<SH
for ((i = 0; i < $rows; i++)); do
    "$tvk" pack --name "Icon \$i" --author Bench "icons/l\$i.ico" "icons/r\$i.ico" -o "out/p\$i.tvk"
done
SH

hyperfine -N --style none --warmup 1 --runs 5 --export-csv times.csv \
    -n batch "$tvk batch manifest.csv" \
    -n packs "bash packs.sh" >/dev/null 2>&1
peak=$(/usr/bin/time -f %M "$tvk" batch manifest.csv 2>&1 >/dev/null | tail -n 1)
mean() { awk -F, -v name="$2" '$1 == name { print $2 }' "$1"; }
awk -v rows="$rows" -v b="$(mean times.csv batch)" -v p="$(mean times.csv packs)" -v m="$peak" 'BEGIN {
    printf "%d packages: tvk batch %.0f ms, %d x tvk pack %.0f ms, %.1fx faster; batch peak RSS %.1f MiB\n",
           rows, b * 1000, rows, p * 1000, p / b, m / 1024 }'
echo "Machine: $(nproc) cores, $(df -PT "$work" | awk 'NR == 2 { print $2 }') file system, $(uname -sr)"
