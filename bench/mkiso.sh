#!/usr/bin/env bash
# Building an ISO image of one tree (a few thousand small files in folders plus a few files of
# hundreds of MB): `platterly-cli mkiso --fs 3` (ISO9660 + Joliet) and `--fs 7` (+ UDF) beside
# `genisoimage -J`, `genisoimage -J -udf` and `xorriso -as mkisofs -J`, and beside a plain `cat`
# of the same files to the same disk. Caches are warm; each tool runs once to warm up, then the
# best of five runs counts. Prints MB/s of the tree, the time ratio ours/peer (target: at most
# 1.0 against the fastest peer of the same file systems) and our share of cat's speed (target:
# at least 0.8), and the peak memory of every tool.
set -euo pipefail
. "$(dirname "$0")/lib.sh"
bench_init mkiso genisoimage xorriso

# The tree: small files of 200 B to 16 KB in 60 folders (two levels), and the big files.
TREE="$WORK/tree"
bench_tree "$TREE" "${MKISO_SMALL_FILES:-3000}" 60 "${MKISO_BIG_FILES:-3}" "${MKISO_BIG_MB:-200}" 7
TREE_BYTES=$(find "$TREE" -type f -printf '%s\n' | awk '{ s += $1 } END { print s }')
echo "tree: $(find "$TREE" -type f | wc -l) files, $((TREE_BYTES / 1048576)) MB"

# A drive store of its own, made before any timing (the first start creates the default one).
export PLATTERLY_DRIVES="$WORK/drives"
"$CLI" drives >/dev/null

OUT="$WORK/out.iso"
run() { bench_run "$1" 5 "$OUT" "${@:2}"; }

run ours3 "$CLI" mkiso --fs 3 "$TREE" "$OUT"
run ours7 "$CLI" mkiso --fs 7 "$TREE" "$OUT"
# The writer alone, without the command-line tool's start-up (its engine and libraries).
WRITER="$DIST/isofs-mkiso"
T_writer=0
M_writer=0
if [ -x "$WRITER" ]; then run writer "$WRITER" --fs 3 "$TREE" "$OUT"; fi
run genJ genisoimage -quiet -J -o "$OUT" "$TREE"
run genJudf genisoimage -quiet -J -udf -o "$OUT" "$TREE"
run xorriso xorriso -as mkisofs -quiet -J -o "$OUT" "$TREE"
run cat sh -c 'find "$1" -type f -print0 | xargs -0 cat >"$2"' cat "$TREE" "$OUT"

mbs() { awk -v b="$TREE_BYTES" -v t="$1" 'BEGIN { printf("%8.1f", (t > 0) ? b / 1048576 / t : 0) }'; }
ratio() { bench_ratio "$@"; }
line() { # label time peak
  printf '%-26s %7.3f s %s MB/s  peak %6d KB\n' "$1" "$2" "$(mbs "$2")" "$3"
}
line "platterly-cli --fs 3" "$T_ours3" "$M_ours3"
line "platterly-cli --fs 7" "$T_ours7" "$M_ours7"
if [ -x "$WRITER" ]; then line "isofs-mkiso --fs 3" "$T_writer" "$M_writer"; fi
line "genisoimage -J" "$T_genJ" "$M_genJ"
line "genisoimage -J -udf" "$T_genJudf" "$M_genJudf"
line "xorriso -as mkisofs -J" "$T_xorriso" "$M_xorriso"
line "cat" "$T_cat" "$M_cat"
fastest3=$(awk -v a="$T_genJ" -v b="$T_xorriso" 'BEGIN { print (a < b) ? a : b }')
echo "ratio ours/peer --fs 3: $(ratio "$T_ours3" "$T_genJ") vs genisoimage -J," \
  "$(ratio "$T_ours3" "$T_xorriso") vs xorriso, $(ratio "$T_ours3" "$fastest3") vs the fastest"
echo "ratio ours/peer --fs 7: $(ratio "$T_ours7" "$T_genJudf") vs genisoimage -J -udf"
echo "share of cat's speed: --fs 3 $(ratio "$T_cat" "$T_ours3"), --fs 7 $(ratio "$T_cat" "$T_ours7")" \
  "$([ -x "$WRITER" ] && echo ", writer alone $(ratio "$T_cat" "$T_writer")")"
