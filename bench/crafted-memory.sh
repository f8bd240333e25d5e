#!/usr/bin/env bash
# Peak memory of `tvk info`, `tvk info --json` and `tvk unpack` on a crafted TVK
# file: a sparse file of 2 GiB (a few KiB on disk) whose name is 2 GiB long, as
# its NameLength declares. The promise: under 10 MiB each, whatever a file declares (the README).
source "$(dirname "${BASH_SOURCE[0]}")/common.sh"

bench_setup crafted python3

python3 - <<'PY'
import struct
name_length = 2**31 - 1
with open("huge.tvk", "wb") as f:
    f.write(struct.pack("<i", name_length) + b"n" * 4096)
    f.seek(4 + name_length)
    f.write(struct.pack("<i", 1) + b"B" + struct.pack("<ii", 0, 0))
PY

printf '%-28s %10s\n' "command" "peak RSS"
for command in "info huge.tvk" "info --json huge.tvk" "unpack --force huge.tvk"; do
    # shellcheck disable=SC2086 # the command's words are meant to split
    peak=$(/usr/bin/time -f %M "$tvk" $command 2>&1 >/dev/null | tail -n 1)
    awk -v c="tvk $command" -v p="$peak" 'BEGIN { printf "%-28s %6.1f MiB\n", c, p / 1024 }'
done
echo "File: $(stat -c %s huge.tvk) bytes, $(du -k huge.tvk | cut -f1) KiB on disk"
