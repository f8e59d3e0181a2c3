#!/usr/bin/env bash
# Reading a data disc of about 600 MB (a few large files and 5,000 small ones in folders):
# `platterly-cli read F: --folder` beside `xorriso -osirrox on -indev IMAGE -extract / DIR` and
# `cp -r` of a loop-free extraction of the same image (target: at most 1.0 against xorriso), and
# `platterly-cli read F: --iso` beside `cat` of the disc image (target: at most 1.2). Caches are
# warm; each tool runs once to warm up, then the best of three runs counts.
set -euo pipefail
ROOT="$(cd "$(dirname "$0")/.." && pwd)"
BUILD="${PLATTERLY_BUILD:-$ROOT/build}"
DIST="${PLATTERLY_DIST:-$BUILD/dist}"
CLI="$DIST/platterly-cli"
if [ ! -x "$CLI" ]; then
  echo "readdata: $CLI is missing; build the tools first" >&2
  exit 1
fi
for tool in genisoimage xorriso; do
  command -v "$tool" >/dev/null || { echo "readdata: $tool is missing (scripts/setup)" >&2; exit 1; }
done

WORK="$(mktemp -d "${TMPDIR:-/tmp}/platterly-bench-readdata-XXXXXX")"
trap 'chmod -R u+w "$WORK" 2>/dev/null; rm -rf "$WORK"' EXIT
TREE="$WORK/tree"
SMALL_FILES=${READDATA_SMALL_FILES:-5000}
BIG_FILES=${READDATA_BIG_FILES:-3}
BIG_MB=${READDATA_BIG_MB:-180}

for d in $(seq 0 49); do mkdir -p "$TREE/folder$d/inner"; done
awk -v n="$SMALL_FILES" 'BEGIN { srand(11); for (i = 0; i < n; i++)
  printf "%d %d %d\n", i, int(rand() * 16184) + 200, int(rand() * 50) }' |
  while read -r i size folder; do
    sub=""
    if [ $((i % 2)) -eq 1 ]; then sub="/inner"; fi
    head -c "$size" /dev/urandom >"$TREE/folder$folder$sub/file$i.txt"
  done
for i in $(seq 1 "$BIG_FILES"); do
  head -c $((BIG_MB * 1048576)) /dev/urandom >"$TREE/big$i.bin"
done
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
best() { # name command...: best of three seconds after a warm-up; the output is removed each time
  local name=$1 best="" start end t
  shift
  for run in 0 1 2 3; do
    chmod -R u+w "$OUT" 2>/dev/null || true
    rm -rf "$OUT"
    start=$(date +%s.%N)
    "$@" >/dev/null 2>&1
    end=$(date +%s.%N)
    t=$(awk -v a="$start" -v b="$end" 'BEGIN { print b - a }')
    if [ "$run" -gt 0 ] && { [ -z "$best" ] || awk -v t="$t" -v b="$best" 'BEGIN { exit !(t < b) }'; }; then
      best=$t
    fi
  done
  chmod -R u+w "$OUT" 2>/dev/null || true
  rm -rf "$OUT"
  eval "T_$name=$best"
}

best folder "$CLI" read F: --folder "$OUT"
best xorriso xorriso -osirrox on -indev "$IMAGE" -extract / "$OUT"
best cp cp -r "$PLAIN" "$OUT"
best iso "$CLI" read F: --iso "$OUT"
best cat sh -c 'cat "$1" >"$2"' cat "$IMAGE" "$OUT"

ratio() { awk -v a="$1" -v b="$2" 'BEGIN { printf("%.2f", (b > 0) ? a / b : 0) }'; }
printf '%-34s %7.3f s\n' "platterly-cli read --folder" "$T_folder" "xorriso -extract" "$T_xorriso" \
  "cp -r" "$T_cp" "platterly-cli read --iso" "$T_iso" "cat of the image" "$T_cat"
echo "ratio folder copy: $(ratio "$T_folder" "$T_xorriso") vs xorriso (target <= 1.0)," \
  "$(ratio "$T_folder" "$T_cp") vs cp -r"
echo "ratio Read To ISO: $(ratio "$T_iso" "$T_cat") vs cat (target <= 1.2)"
