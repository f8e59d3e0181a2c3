#!/usr/bin/env bash
# Ripping the sample audio CD: libcdgrb.so (through the driver bench/cdgrb/rip_driver.cpp)
# beside cd-paranoia reading the same cue sheet piped into lame with the same settings (MPEG
# quality Normal = lame -q 5, plain stereo, ID3v1 title), beside cd-paranoia writing WAV, and
# beside cd-paranoia piped into flac -5 (FLAC level 5 with a TITLE comment).
# Prints the best of three runs of each and the ratio ours/peer (target: at most 1.0; reading
# overlaps encoding in both).
set -euo pipefail
ROOT="$(cd "$(dirname "$0")/.." && pwd)"
BUILD="${PLATTERLY_BUILD:-$ROOT/build}"
DIST="${PLATTERLY_DIST:-$BUILD/dist}"
DRIVER="$BUILD/bench/platterly_bench_cdgrb"
LIB="$DIST/libcdgrb.so"
for f in "$DRIVER" "$LIB"; do
  if [ ! -e "$f" ]; then
    echo "rip: $f is missing; build libcdgrb and the bench folder first" >&2
    exit 1
  fi
done

WORK="$(mktemp -d "${TMPDIR:-/tmp}/platterly-bench-rip-XXXXXX")"
trap 'rm -rf "$WORK"' EXIT
CUE="$("$DRIVER" setup "$WORK/drives")"
TRACKS=$(cd-info --no-header --no-device-info --no-cddb --no-analyze "$CUE" 2>/dev/null |
  grep -cE '^ *[0-9]+: [0-9:]+ +[0-9]+ audio')
mkdir -p "$WORK/ours" "$WORK/peer"

now() { date +%s.%N; }
ours() { # mode
  "$DRIVER" rip "$LIB" "$WORK/drives" "$1" "$WORK/ours" >/dev/null
}
peer() { # mode
  local i
  for i in $(seq 1 "$TRACKS"); do
    case "$1" in
    wav) cd-paranoia -q -d "$CUE" -w "$i" "$WORK/peer/Track$i.wav" 2>/dev/null ;;
    mp3cbr) cd-paranoia -q -d "$CUE" -r "$i" - 2>/dev/null |
      lame --quiet -r -s 44.1 --bitwidth 16 --signed --little-endian -m s -q 5 -b 192 \
        --tt "Track$i" --id3v1-only - "$WORK/peer/Track$i.mp3" 2>/dev/null ;;
    mp3vbr) cd-paranoia -q -d "$CUE" -r "$i" - 2>/dev/null |
      lame --quiet -r -s 44.1 --bitwidth 16 --signed --little-endian -m s -q 5 -V 5 -B 320 \
        --tt "Track$i" --id3v1-only - "$WORK/peer/Track$i.mp3" 2>/dev/null ;;
    flac5) cd-paranoia -q -d "$CUE" -r "$i" - 2>/dev/null |
      flac -s -5 -f --force-raw-format --endian=little --sign=signed --channels=2 --bps=16 \
        --sample-rate=44100 -T "TITLE=Track$i" -o "$WORK/peer/Track$i.flac" - 2>/dev/null ;;
    esac
  done
}
best_of_three() { # function mode
  local best="" start end t
  for _ in 1 2 3; do
    start=$(now)
    "$1" "$2"
    end=$(now)
    t=$(awk -v a="$start" -v b="$end" 'BEGIN { printf "%.6f", b - a }')
    if [ -z "$best" ] || awk -v t="$t" -v b="$best" 'BEGIN { exit !(t < b) }'; then best=$t; fi
  done
  echo "$best"
}

echo "sample disc: $TRACKS tracks, $(stat -c %s "${CUE%.cue}.bin") bytes"
for mode in mp3cbr mp3vbr wav flac5; do
  o=$(best_of_three ours "$mode")
  p=$(best_of_three peer "$mode")
  peer_name="cd-paranoia|lame"
  [ "$mode" = wav ] && peer_name="cd-paranoia"
  [ "$mode" = flac5 ] && peer_name="cd-paranoia|flac"
  printf '%-7s ours %6.3f s  %s %6.3f s  ratio %.2f\n' "$mode" "$o" "$peer_name" "$p" \
    "$(awk -v o="$o" -v p="$p" 'BEGIN { printf "%.4f", o / p }')"
done
