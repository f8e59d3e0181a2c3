#!/usr/bin/env bash
# volume_udf-huge-file-entry.sh OUT: a UDF-only image whose one file's entry claims 2^60 bytes
# while recording 3; see ../README.md.
set -euo pipefail
OUT="$1"
WORK="$(mktemp -d)"
trap 'rm -rf "$WORK"' EXIT
mkdir "$WORK/src"
printf 'abc' >"$WORK/src/a.txt"
genisoimage -quiet -no-pad -udf -V HUGE -o "$OUT" "$WORK/src"
blocks=$(($(stat -c %s "$OUT") / 2048))
for ((b = 0; b < blocks; b++)); do
  tag=$(od -An -tu2 -j $((b * 2048)) -N2 "$OUT" | tr -d ' ')
  type=$(od -An -tu1 -j $((b * 2048 + 27)) -N1 "$OUT" | tr -d ' ')
  # A file entry (tag 261) of a regular file (ICB file type 5): its information length is the
  # 64-bit field at byte 56.
  if [ "$tag" = 261 ] && [ "$type" = 5 ]; then
    printf '\000\000\000\000\000\000\000\020' | dd of="$OUT" bs=1 seek=$((b * 2048 + 56)) \
      conv=notrunc status=none
    exit 0
  fi
done
echo "$0: no file entry found" >&2
exit 1
