#!/usr/bin/env bash
# The preview player on the sample audio CD of a fresh virtual store: the time from Play to the
# first buffer handed to the sink (best of five, target under 150 ms) and the CPU use while
# playing 30 s (user + system time over wall time, target under 3 % of one core), each printed
# with its ratio to the target. Plays into the silent sink unless PLATTERLY_AUDIO_OUTPUT=device.
set -euo pipefail
ROOT="$(cd "$(dirname "$0")/.." && pwd)"
BUILD="${PLATTERLY_BUILD:-$ROOT/build}"
DRIVER="$BUILD/bench/platterly_bench_preview"
if [ ! -x "$DRIVER" ]; then
  echo "preview: $DRIVER is missing; build the bench folder first" >&2
  exit 1
fi
WORK="$(mktemp -d "${TMPDIR:-/tmp}/platterly-bench-preview-XXXXXX")"
trap 'rm -rf "$WORK"' EXIT
if [ "${PLATTERLY_AUDIO_OUTPUT:-}" = device ]; then unset PLATTERLY_AUDIO_OUTPUT; else
  export PLATTERLY_AUDIO_OUTPUT=silent; fi
export PLATTERLY_PHYSICAL_DRIVES=0

value() { sed -n "s/.*$1=\([0-9.]*\).*/\1/p"; }
best=""
for _ in 1 2 3 4 5; do
  ms=$("$DRIVER" "$WORK/drives" 1 2>/dev/null | value first_buffer_ms)
  if [ -z "$best" ] || awk "BEGIN{exit !($ms < $best)}"; then best=$ms; fi
done
cpu=$("$DRIVER" "$WORK/drives" 30 2>/dev/null | value cpu_percent)
awk -v ms="$best" -v cpu="$cpu" 'BEGIN {
  printf "first buffer after Play: %.2f ms (target 150 ms, ratio %.3f)\n", ms, ms / 150
  printf "CPU while playing 30 s:  %.2f %% of one core (target 3 %%, ratio %.3f)\n", cpu, cpu / 3
}'
