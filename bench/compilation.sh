#!/usr/bin/env bash
# A folder of 100,000 small files in 200 folders added to the data compilation through the Burn
# CD page (offscreen, the real window and engine), then written as an ISO image file with
# "Write to ISO image file" (ISO 9660 + Joliet + UDF, no auto-verify: what genisoimage does);
# beside `genisoimage -J -udf` on the same tree. Caches are warm; the
# tools run in turns, back to back, and the best of three runs counts. Prints the time and peak
# memory of each step, the longest event-loop stall while adding (target: under 100 ms) and the
# ratios ours/genisoimage (targets: add + write time at most 1.0, peak memory at most 1.5).
set -euo pipefail
ROOT="$(cd "$(dirname "$0")/.." && pwd)"
BUILD="${PLATTERLY_BUILD:-$ROOT/build}"
DRIVER="$BUILD/bench/platterly_bench_compilation"
if [ ! -x "$DRIVER" ]; then
  echo "compilation: $DRIVER is missing; build the target platterly_bench_compilation" >&2
  exit 1
fi
command -v genisoimage >/dev/null || { echo "compilation: genisoimage is missing (scripts/setup)" >&2; exit 1; }
TIME=/usr/bin/time
[ -x "$TIME" ] || { echo "compilation: GNU time ($TIME) is missing" >&2; exit 1; }

WORK="$(mktemp -d "${TMPDIR:-/tmp}/platterly-bench-compilation-XXXXXX")"
trap 'rm -rf "$WORK"' EXIT
TREE="$WORK/tree"
FILES=${COMPILATION_FILES:-100000}
FOLDERS=${COMPILATION_FOLDERS:-200}
RUNS=${COMPILATION_RUNS:-3}
start=$(date +%s.%N)
"$DRIVER" tree "$TREE" "$FILES" "$FOLDERS"
echo "tree: $(find "$TREE" -type f | wc -l) files in $(find "$TREE" -mindepth 1 -type d | wc -l)" \
  "folders, $(du -sm "$TREE" | cut -f1) MB, made in $(awk -v s="$start" -v e="$(date +%s.%N)" 'BEGIN { printf "%.1f", e - s }') s"

OUT="$WORK/out.iso"
export QT_QPA_PLATFORM=offscreen PLATTERLY_PHYSICAL_DRIVES=0
min() { awk -v a="$1" -v b="$2" 'BEGIN { print (a == "" || b < a) ? b : a }'; }
max() { awk -v a="$1" -v b="$2" 'BEGIN { print (a == "" || b > a) ? b : a }'; }
value() { awk -v k="$1" '$1 == k { print $2 }' "$WORK/ours.out"; }

genisoimage -quiet -J -udf -o "$OUT" "$TREE" # warm-up
G_T="" G_M="" O_ADD="" O_WRITE="" O_WHOLE="" O_PEAK="" O_PEAK_ADD="" O_PEAK_WRITE="" O_STALL="" O_WSTALL=""
for _ in $(seq 1 "$RUNS"); do
  rm -f "$OUT"
  "$TIME" -f '%e %M' -o "$WORK/time" genisoimage -quiet -J -udf -o "$OUT" "$TREE"
  read -r t m <"$WORK/time"
  G_T=$(min "$G_T" "$t"); G_M=$(max "$G_M" "$m")

  rm -rf "$OUT" "$WORK/home"
  mkdir -p "$WORK/home"
  if ! "$TIME" -f '%e %M' -o "$WORK/time" "$DRIVER" run "$TREE" "$OUT" "$WORK/home" >"$WORK/ours.out" 2>"$WORK/ours.err"; then
    echo "compilation: the page did not write the image:" >&2
    cat "$WORK/ours.out" "$WORK/ours.err" >&2
    exit 1
  fi
  read -r t m <"$WORK/time"
  O_PEAK=$(max "$O_PEAK" "$m")
  O_ADD=$(min "$O_ADD" "$(value add_s)")
  O_WRITE=$(min "$O_WRITE" "$(value write_s)")
  O_WHOLE=$(min "$O_WHOLE" "$(awk -v a="$(value add_s)" -v w="$(value write_s)" 'BEGIN { print a + w }')")
  O_PEAK_ADD=$(max "$O_PEAK_ADD" "$(value add_peak_kb)")
  O_PEAK_WRITE=$(max "$O_PEAK_WRITE" "$(value write_peak_kb)")
  O_STALL=$(max "$O_STALL" "$(value add_stall_ms)")
  O_WSTALL=$(max "$O_WSTALL" "$(value write_stall_ms)")
done
echo "page: $(awk '$1 == "counter" { $1 = ""; print substr($0, 2) }' "$WORK/ours.out") in the root;" \
  "window alone $(value base_kb) KB before adding"

ratio() { awk -v a="$1" -v b="$2" 'BEGIN { printf("%.2f", (b > 0) ? a / b : 0) }'; }
printf '%-34s %8.2f s  peak %8d KB\n' "page: add folder" "$O_ADD" "$O_PEAK_ADD"
printf '%-34s %8.2f s  peak %8d KB\n' "page: write ISO file" "$O_WRITE" "$O_PEAK_WRITE"
printf '%-34s %8.2f s  peak %8d KB (whole process)\n' "page: add + write" "$O_WHOLE" "$O_PEAK"
printf '%-34s %8.2f s  peak %8d KB\n' "genisoimage -J -udf" "$G_T" "$G_M"
echo "longest event-loop stall: adding $O_STALL ms (target: under 100), writing $O_WSTALL ms"
echo "ratio ours/genisoimage: time $(ratio "$O_WHOLE" "$G_T") (target: at most 1.0)," \
  "peak memory $(ratio "$O_PEAK" "$G_M") (target: at most 1.5)"
