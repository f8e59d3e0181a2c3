# Shared scaffold of the disc benchmarks, sourced by bench/*.sh (never run on its own):
# finding platterly-cli, a private work folder, the test tree of small and large files, and
# timing a command as the best of several runs with its peak memory.

# bench_init NAME TOOL...: sets ROOT, BUILD, DIST, CLI and WORK (removed at exit); fails
# clearly when platterly-cli or one of the peer tools is missing.
bench_init() {
  BENCH_NAME=$1
  shift
  ROOT="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
  BUILD="${PLATTERLY_BUILD:-$ROOT/build}"
  DIST="${PLATTERLY_DIST:-$BUILD/dist}"
  CLI="$DIST/platterly-cli"
  if [ ! -x "$CLI" ]; then
    echo "$BENCH_NAME: $CLI is missing; build the tools first" >&2
    exit 1
  fi
  local tool
  for tool in "$@"; do
    command -v "$tool" >/dev/null || {
      echo "$BENCH_NAME: $tool is missing (scripts/setup)" >&2
      exit 1
    }
  done
  TIME=/usr/bin/time
  [ -x "$TIME" ] || { echo "$BENCH_NAME: GNU time ($TIME) is missing" >&2; exit 1; }
  WORK="$(mktemp -d "${TMPDIR:-/tmp}/platterly-bench-$BENCH_NAME-XXXXXX")"
  # Extracted trees may come out read-only.
  trap 'chmod -R u+w "$WORK" 2>/dev/null; rm -rf "$WORK"' EXIT
}

# bench_tree DIR SMALL FOLDERS BIG BIG_MB SEED: SMALL files of 200 B to 16 KB spread over
# FOLDERS folders of two levels, and BIG files of BIG_MB each, all random bytes.
bench_tree() {
  local tree=$1 small=$2 folders=$3 big=$4 big_mb=$5 seed=$6 d i
  for d in $(seq 0 $((folders - 1))); do mkdir -p "$tree/folder$d/inner"; done
  awk -v n="$small" -v f="$folders" -v s="$seed" 'BEGIN { srand(s); for (i = 0; i < n; i++)
    printf "%d %d %d\n", i, int(rand() * 16184) + 200, int(rand() * f) }' |
    while read -r i size folder; do
      sub=""
      if [ $((i % 2)) -eq 1 ]; then sub="/inner"; fi
      head -c "$size" /dev/urandom >"$tree/folder$folder$sub/file$i.txt"
    done
  for i in $(seq 1 "$big"); do
    head -c $((big_mb * 1048576)) /dev/urandom >"$tree/big$i.bin"
  done
}

# bench_run NAME RUNS OUT COMMAND...: runs COMMAND once to warm up, then RUNS times, removing
# OUT (file or folder) before each run; sets T_NAME to the best seconds and M_NAME to the
# largest peak memory in KB.
bench_run() {
  local name=$1 runs=$2 out=$3 best="" peak=0 run start end t m
  shift 3
  for run in $(seq 0 "$runs"); do
    chmod -R u+w "$out" 2>/dev/null || true
    rm -rf "$out"
    start=$(date +%s.%N)
    "$TIME" -f '%M' -o "$WORK/.peak" "$@" >/dev/null 2>&1 || {
      echo "$BENCH_NAME: $name failed: $*" >&2
      exit 1
    }
    end=$(date +%s.%N)
    [ "$run" -eq 0 ] && continue
    t=$(awk -v a="$start" -v b="$end" 'BEGIN { print b - a }')
    m=$(tail -n 1 "$WORK/.peak")
    if [ -z "$best" ] || awk -v t="$t" -v b="$best" 'BEGIN { exit !(t < b) }'; then best=$t; fi
    if [ "$m" -gt "$peak" ]; then peak=$m; fi
  done
  chmod -R u+w "$out" 2>/dev/null || true
  rm -rf "$out"
  printf -v "T_$name" '%s' "$best"
  printf -v "M_$name" '%s' "$peak"
}

# bench_ratio A B: A / B with two decimals.
bench_ratio() { awk -v a="$1" -v b="$2" 'BEGIN { printf("%.2f", (b > 0) ? a / b : 0) }'; }
