#!/usr/bin/env bash
# volume_iso-huge-folder.sh OUT: a plain ISO9660 image whose folder DOCS claims 4 GiB - 2 KiB
# of directory records; see ../README.md.
set -euo pipefail
OUT="$1"
WORK="$(mktemp -d)"
trap 'rm -rf "$WORK"' EXIT
mkdir -p "$WORK/src/docs"
printf 'abc' >"$WORK/src/docs/a.txt"
genisoimage -quiet -no-pad -V HUGEDIR -o "$OUT" "$WORK/src"
u8() { od -An -tu1 -j "$1" -N1 "$OUT" | tr -d ' '; }
u32() { od -An -tu4 -j "$1" -N4 "$OUT" | tr -d ' '; }
# The root folder's extent, from the root record of the primary volume descriptor.
root=$(($(u32 $((16 * 2048 + 156 + 2))) * 2048))
pos=$root
while [ "$(u8 $pos)" -ne 0 ]; do
  len=$(u8 $pos)
  name=$(dd if="$OUT" bs=1 skip=$((pos + 33)) count="$(u8 $((pos + 32)))" status=none | tr -d '\000')
  if [ "$name" = DOCS ]; then
    # Data length, both-endian: 0xFFFFF800 little-endian, then big-endian.
    printf '\000\370\377\377\377\377\370\000' | dd of="$OUT" bs=1 seek=$((pos + 10)) \
      conv=notrunc status=none
    exit 0
  fi
  pos=$((pos + len))
done
echo "$0: no DOCS record found" >&2
exit 1
