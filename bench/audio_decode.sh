#!/usr/bin/env bash
# Decoding MP3 to 44.1 kHz/16-bit/stereo WAV: our TAudioFile2 reader/writer pair (the driver
# bench/audio/decode_driver.cpp) beside `ffmpeg -i X.mp3 -f wav`, one process per file for both.
# Prints the best of three runs of each and the ratio ours/peer (target: at most 1.1).
set -euo pipefail
ROOT="$(cd "$(dirname "$0")/.." && pwd)"
BUILD="${PLATTERLY_BUILD:-$ROOT/build}"
DRIVER="$BUILD/bench/platterly_bench_audio_decode"
if [ ! -x "$DRIVER" ]; then
  echo "audio_decode: $DRIVER is missing; build the bench folder first" >&2
  exit 1
fi

WORK="$(mktemp -d "${TMPDIR:-/tmp}/platterly-bench-audio-XXXXXX")"
trap 'rm -rf "$WORK"' EXIT

# Four minutes of music-like material (tones over noise), encoded by lame in common settings.
make_mp3() { # name seconds lame-options...
  local name=$1 seconds=$2
  shift 2
  ffmpeg -nostdin -v error -y -f lavfi \
    -i "sine=frequency=220:sample_rate=44100:duration=$seconds" -f lavfi \
    -i "anoisesrc=color=pink:amplitude=0.2:sample_rate=44100:duration=$seconds" \
    -filter_complex "[0][1]amix=inputs=2,aformat=channel_layouts=stereo" \
    -c:a pcm_s16le "$WORK/$name.wav"
  lame --quiet "$@" "$WORK/$name.wav" "$WORK/$name.mp3"
  rm "$WORK/$name.wav"
}
make_mp3 cbr320 60 -b 320
make_mp3 cbr128 60 -b 128
make_mp3 vbr2 60 -V 2
make_mp3 vbr6 60 -V 6
FILES=("$WORK"/*.mp3)

now() { date +%s.%N; }
ours() { for f in "${FILES[@]}"; do "$DRIVER" "$f" "$WORK/ours.wav"; done; }
peer() { for f in "${FILES[@]}"; do ffmpeg -nostdin -v error -y -i "$f" -f wav "$WORK/peer.wav"; done; }
best_of_three() { # command
  local best="" start end t
  for _ in 1 2 3; do
    start=$(now)
    "$1"
    end=$(now)
    t=$(awk -v a="$start" -v b="$end" 'BEGIN { printf "%.6f", b - a }')
    if [ -z "$best" ] || awk -v t="$t" -v b="$best" 'BEGIN { exit !(t < b) }'; then best=$t; fi
  done
  echo "$best"
}

ours # warm the cache and check that the driver works before timing
peer
t_ours=$(best_of_three ours)
t_peer=$(best_of_three peer)
printf 'files: %d MP3, %d s of audio\n' "${#FILES[@]}" 240
printf 'ours (TAudioFile2): %.3f s\n' "$t_ours"
printf 'peer (ffmpeg -f wav): %.3f s\n' "$t_peer"
printf 'ratio ours/peer: %s (target <= 1.1)\n' \
  "$(awk -v a="$t_ours" -v b="$t_peer" 'BEGIN { printf "%.2f", a / b }')"
