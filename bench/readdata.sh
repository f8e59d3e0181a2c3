#!/usr/bin/env bash
# Reading a data disc of about 600 MB (a few large files and 5,000 small ones in folders):
# `platterly-cli read F: --folder` beside `xorriso -osirrox on -indev IMAGE -extract / DIR` and
# `cp -r` of a loop-free extraction of the same image (target: at most 1.0 against xorriso), and
# `platterly-cli read F: --iso` beside `cat` of the disc image (target: at most 1.2). Caches are
# warm; each tool runs once to warm up, then the best of three runs counts.
set -euo pipefail
. "$(dirname "$0")/lib.sh"
bench_init readdata genisoimage xorriso

TREE="$WORK/tree"
bench_tree "$TREE" "${READDATA_SMALL_FILES:-5000}" 50 "${READDATA_BIG_FILES:-3}" \
  "${READDATA_BIG_MB:-180}" 11
IMAGE="$WORK/disc.iso"
genisoimage -quiet -J -udf -V BENCHDISC -o "$IMAGE" "$TREE"
echo "disc: $(find "$TREE" -type f | wc -l) files, $(($(stat -c %s "$IMAGE") / 1048576)) MB"

export PLATTERLY_DRIVES="$WORK/drives"
"$CLI" drives >/dev/null
"$CLI" insert F: "$IMAGE" >/dev/null
PLAIN="$WORK/plain"
xorriso -osirrox on -indev "$IMAGE" -extract / "$PLAIN" >/dev/null 2>&1
chmod -R u+w "$PLAIN"

OUT="$WORK/out"
RUNS=${READDATA_RUNS:-3}
bench_run folder "$RUNS" "$OUT" "$CLI" read F: --folder "$OUT"
bench_run xorriso "$RUNS" "$OUT" xorriso -osirrox on -indev "$IMAGE" -extract / "$OUT"
bench_run cp "$RUNS" "$OUT" cp -r "$PLAIN" "$OUT"
bench_run iso "$RUNS" "$OUT" "$CLI" read F: --iso "$OUT"
bench_run cat "$RUNS" "$OUT" sh -c 'cat "$1" >"$2"' cat "$IMAGE" "$OUT"

line() { printf '%-30s %7.3f s  peak %7d KB\n' "$1" "$2" "$3"; }
line "platterly-cli read --folder" "$T_folder" "$M_folder"
line "xorriso -extract" "$T_xorriso" "$M_xorriso"
line "cp -r" "$T_cp" "$M_cp"
line "platterly-cli read --iso" "$T_iso" "$M_iso"
line "cat of the image" "$T_cat" "$M_cat"
echo "ratio folder copy: $(bench_ratio "$T_folder" "$T_xorriso") vs xorriso (target <= 1.0)," \
  "$(bench_ratio "$T_folder" "$T_cp") vs cp -r"
echo "ratio Read To ISO: $(bench_ratio "$T_iso" "$T_cat") vs cat (target <= 1.2)"
