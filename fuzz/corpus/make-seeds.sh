#!/usr/bin/env bash
# Makes the seed corpus of every fuzz target, and the crashers that regressions/scripts/ writes,
# so no binary file has to live in the repository.
#   make-seeds.sh OUT [ISOFS_MKISO]
# OUT/<target>/ gets the seeds, OUT/regressions/<target>/ the scripted crashers. ISOFS_MKISO is
# our own image writer (build/dist/isofs-mkiso); without it only the other tools' images are made.
# Every seed has fixed content and file dates; image tools may still stamp the time of the run.
set -euo pipefail

if [ $# -lt 1 ] || [ $# -gt 2 ]; then
  echo "usage: $0 OUT [ISOFS_MKISO]" >&2
  exit 2
fi
OUT="$1"
WRITER="${2:-}"
HERE="$(cd "$(dirname "$0")" && pwd)"
FUZZ="$(dirname "$HERE")"
ROOT="$(dirname "$FUZZ")"

# mkudffs lives in /usr/sbin, which a normal user's PATH on Debian leaves out.
PATH="$PATH:/usr/sbin:/sbin"
for tool in genisoimage xorriso mkudffs; do
  command -v "$tool" >/dev/null || { echo "$0: $tool is missing (scripts/setup installs it)" >&2; exit 1; }
done

WORK="$(mktemp -d)"
trap 'rm -rf "$WORK"' EXIT
rm -rf "$OUT"
mkdir -p "$OUT"/{volume_iso,volume_udf,load_image,cue_import,toc_import,ini_file,language_file,wav_header}

# ---- bytes ------------------------------------------------------------------------------------

# le N BYTES: N as BYTES little-endian bytes.
le() {
  local v=$1 n=$2 i
  for ((i = 0; i < n; i++)); do
    printf "\\$(printf %03o $(((v >> (8 * i)) & 255)))"
  done
}
# pattern N: N bytes of a fixed, not silent pattern.
pattern() {
  head -c "$1" < <(yes 'Platterly fuzz seed 0123456789' | tr -d '\n')
}

# ---- disc images ------------------------------------------------------------------------------

TREE="$WORK/tree"
mkdir -p "$TREE/Documents/Archive/deep/er/still" "$TREE/Pictures/Holiday" "$TREE/Empty folder"
printf 'Hello from a seed disc.\n' >"$TREE/Readme.txt"
pattern 5000 >"$TREE/Documents/Long file name with spaces.txt"
pattern 2048 >"$TREE/Documents/exactly one block.bin"
: >"$TREE/Documents/empty.txt"
printf 'x' >"$TREE/Documents/Archive/deep/er/still/x.txt"
printf 'caf\xc3\xa9 na\xc3\xafve \xe2\x98\x83\n' >"$TREE/Pictures/Holiday/Caf$(printf '\xc3\xa9') $(printf '\xe2\x98\x83').txt"
for i in 1 2 3 4 5 6 7 8 9 10 11 12; do
  printf 'picture %s\n' "$i" >"$TREE/Pictures/IMG_00$i.JPG"
done
# Same file dates every run, so the images differ at most by the time the tools stamp.
find "$TREE" -exec touch -h -d '2023-11-14 22:13:20 UTC' {} +

export SOURCE_DATE_EPOCH=1700000000
geniso() { # geniso OUT ARGS...: genisoimage without its 300 KiB of padding
  local out=$1
  shift
  genisoimage -quiet -no-pad -V SEEDVOL "$@" -o "$out" "$TREE"
}
geniso "$OUT/volume_iso/genisoimage-plain.iso"
geniso "$OUT/volume_iso/genisoimage-joliet.iso" -J
geniso "$OUT/volume_iso/genisoimage-joliet-rock.iso" -J -R
geniso "$OUT/volume_iso/genisoimage-level4.iso" -iso-level 4
xorriso -as mkisofs -quiet -no-pad -V SEEDVOL -J -joliet-long -o "$OUT/volume_iso/xorriso-joliet.iso" \
  "$TREE" 2>/dev/null
geniso "$OUT/volume_udf/genisoimage-udf-bridge.iso" -udf

# mkudffs writes empty UDF volumes of the revisions and layouts our reader may meet: plain
# partitions, and a write-once disc with a virtual allocation table.
for kind in hd:1.02 hd:1.50 hd:2.01 cdr:2.01; do
  img="$OUT/volume_udf/mkudffs-${kind%%:*}-${kind#*:}.udf"
  truncate -s $((300 * 2048)) "$img"
  mkudffs --blocksize=2048 --media-type="${kind%%:*}" --udfrev="${kind#*:}" --label=SEEDUDF \
    --uuid=0123456789abcdef "$img" >/dev/null
done

if [ -n "$WRITER" ]; then
  # Our own writer: 1 ISO9660, 3 + Joliet, 4 UDF, 5 ISO9660 + UDF bridge, 7 all three.
  for fs in 1 3 7; do
    "$WRITER" --fs "$fs" --label SEEDVOL --file-date "$TREE" "$OUT/volume_iso/isofs-fs$fs.iso"
  done
  for fs in 4 5; do
    "$WRITER" --fs "$fs" --label SEEDVOL --file-date "$TREE" "$OUT/volume_udf/isofs-fs$fs.iso"
  done
  cp "$OUT/volume_iso/isofs-fs7.iso" "$OUT/volume_udf/isofs-fs4.iso" "$OUT/load_image/"
fi
cp "$OUT/volume_iso/genisoimage-joliet-rock.iso" "$OUT/volume_iso/genisoimage-plain.iso" \
  "$OUT/volume_udf/genisoimage-udf-bridge.iso" "$OUT/volume_udf/mkudffs-hd-2.01.udf" "$OUT/load_image/"

# ---- cue sheets and TOC files -----------------------------------------------------------------
# The fuzz target lays these files beside the sheet: sheet.bin (16 frames), audio.bin (12),
# track01.wav (8), track02.wav (9), data.bin (16 raw sectors), data.iso (16 blocks).

cue() { printf '%s\n' "${@:2}" >"$OUT/cue_import/$1.cue"; }
cue same-name 'FILE "sheet.bin" BINARY' '  TRACK 01 AUDIO' '    INDEX 01 00:00:00'
cue other-name 'FILE "audio.bin" BINARY' '  TRACK 01 AUDIO' '    INDEX 01 00:00:00'
cue two-tracks 'FILE "sheet.bin" BINARY' '  TRACK 01 AUDIO' '    INDEX 01 00:00:00' \
  '  TRACK 02 AUDIO' '    INDEX 00 00:00:06' '    INDEX 01 00:00:08'
cue three-files 'FILE "track01.wav" WAVE' '  TRACK 01 AUDIO' '    INDEX 01 00:00:00' \
  'FILE "track02.wav" WAVE' '  TRACK 02 AUDIO' '    INDEX 01 00:00:00' \
  'FILE "audio.bin" MOTOROLA' '  TRACK 03 AUDIO' '    PREGAP 00:00:02' '    INDEX 01 00:00:00'
cue cd-text 'CATALOG 0123456789012' 'PERFORMER "The Seeds"' 'TITLE "Album of Seeds"' \
  'REM GENRE Test' 'REM DATE 2023' 'FILE "sheet.bin" BINARY' '  TRACK 01 AUDIO' \
  '    TITLE "First"' '    PERFORMER "Someone"' '    SONGWRITER "Writer"' '    ISRC USABC2300001' \
  '    FLAGS DCP PRE' '    INDEX 01 00:00:00' '  TRACK 02 AUDIO' '    TITLE "Second"' \
  '    INDEX 01 00:00:10'
cue gaps 'FILE "sheet.bin" BINARY' '  TRACK 01 AUDIO' '    INDEX 01 00:00:00' '    POSTGAP 00:00:01' \
  '  TRACK 02 AUDIO' '    PREGAP 00:00:02' '    INDEX 01 00:00:08'
cue mixed-mode 'FILE "data.bin" BINARY' '  TRACK 01 MODE1/2352' '    INDEX 01 00:00:00' \
  'FILE "sheet.bin" BINARY' '  TRACK 02 AUDIO' '    PREGAP 00:02:00' '    INDEX 01 00:00:00'
cue mode1-2048 'FILE "data.iso" BINARY' '  TRACK 01 MODE1/2048' '    INDEX 01 00:00:00'
cue mode2-2352 'FILE "data.bin" BINARY' '  TRACK 01 MODE2/2352' '    INDEX 01 00:00:00'
printf 'file "sheet.bin" binary\r\n  track 1 audio\r\n    index 1 0:0:0\r\n' \
  >"$OUT/cue_import/lower-case-crlf.cue"

toc() { printf '%s\n' "${@:2}" >"$OUT/toc_import/$1.toc"; }
toc same-name 'CD_DA' 'TRACK AUDIO' 'FILE "sheet.bin" 0'
toc other-name 'CD_DA' 'TRACK AUDIO' 'AUDIOFILE "audio.bin" 0'
toc two-tracks 'CD_DA' 'TRACK AUDIO' 'FILE "sheet.bin" 0 00:00:08' \
  'TRACK AUDIO' 'PREGAP 00:00:02' 'FILE "sheet.bin" 00:00:08 00:00:08'
toc wav-files 'CD_DA' 'TRACK AUDIO' 'NO COPY' 'TWO_CHANNEL_AUDIO' 'FILE "track01.wav" 0' \
  'TRACK AUDIO' 'SILENCE 00:00:01' 'FILE "track02.wav" 0' 'START 00:00:01'
toc cd-text 'CD_DA' 'CATALOG "0123456789012"' \
  'CD_TEXT { LANGUAGE_MAP { 0 : EN } LANGUAGE 0 { TITLE "Album of Seeds" PERFORMER "The Seeds" } }' \
  'TRACK AUDIO' 'ISRC "USABC2300001"' \
  'CD_TEXT { LANGUAGE 0 { TITLE "First" PERFORMER "Someone" SONGWRITER "Writer" } }' \
  'FILE "sheet.bin" 0 00:00:10' 'INDEX 00:00:05' \
  'TRACK AUDIO' 'CD_TEXT { LANGUAGE 0 { TITLE "Second" } }' 'FILE "sheet.bin" 00:00:10'
toc data-track 'CD_ROM' 'TRACK MODE1' 'DATAFILE "data.iso"' 'TRACK AUDIO' 'FILE "audio.bin" 0'

# ---- settings and language files --------------------------------------------------------------

printf '%s\n' '[Config]' 'Flag=1' 'LanguagePath=langs' 'LanguageFile=english.ini' 'SkinDir=skins' \
  'LogFile=platterly.log' '' '[Options]' 'TempDir=/tmp/platterly' 'EnableLog=1' \
  'BootApplication=0' 'GrabOutputFormat=3' 'AutoPlay=-1' >"$OUT/ini_file/config.ini"
printf '; written by hand\r\n[Options]\r\nAutoPlay = 0x1\r\n  # a comment\r\nEnableLog=$10\r\n\r\n[ Config ]\r\nErased=1\r\nkey with spaces = value = with = signs\r\n[options]\r\nAutoPlay=0\r\n' \
  >"$OUT/ini_file/crlf-comments-duplicates.ini"
printf '%s\n' 'orphan=before any section' '[]' '[Empty]' '[Fuzz]' 'Other=1' 'written=old' \
  '[Numbers]' 'a=-9223372036854775808' 'b=9223372036854775807' 'c=+12' 'd=0x' 'e= $ff ' \
  >"$OUT/ini_file/edges.ini"

# Every key of the built-in table, as the program writes a complete language file.
{
  printf '[Language]\nFlags=1\n'
  sed -n 's/^PLATTERLY_LANG(\([A-Za-z0-9_]*\), "\(.*\)")$/\1=\2/p' "$ROOT/core/LanguageTable.def"
} >"$OUT/language_file/english.ini"
printf '%s\n' '[Language]' 'Flags=1' 'IDS_MSG_DirNotExistInImage=  Zeile eins#13Zeile zwei#13  ' \
  'IDS_READCD_LABEL_Status_CopyingFile=Kopiere: [%s]#13#13#1#13' \
  'IDS_WRITECD_LABEL_Status_AddingFile=#13' >"$OUT/language_file/partial-with-breaks.ini"
printf '[Language]\r\nFlags=0\r\nIDS_WRITECD_MSG_FileNotExist=not marked complete\r\n' \
  >"$OUT/language_file/not-complete.ini"

# ---- WAV headers ------------------------------------------------------------------------------

# Chunks are made in files (they hold NUL bytes) and put together by riff.
fmtchunk() { # fmtchunk TAG CHANNELS RATE BITS [EXTENSIBLE]
  local tag=$1 ch=$2 rate=$3 bits=$4 align=$(($2 * $4 / 8))
  printf 'fmt '
  if [ "${5:-}" = ext ]; then le 40 4; else le 16 4; fi
  le "$tag" 2
  le "$ch" 2
  le "$rate" 4
  le $((rate * align)) 4
  le "$align" 2
  le "$bits" 2
  if [ "${5:-}" = ext ]; then
    le 22 2
    le "$bits" 2
    le 3 4
    printf '\001\000\000\000\000\000\020\000\200\000\000\252\000\070\233\161'
  fi
}
riff() { # riff OUT FILE...: RIFF WAVE around the concatenated chunk files
  local out=$1
  shift
  local body
  body=$(cat "$@" | wc -c)
  { printf 'RIFF'; le $((4 + body)) 4; printf 'WAVE'; cat "$@"; } >"$out"
}
datachunk() { printf 'data'; le "$1" 4; pattern "$1"; }
C="$WORK/chunks"
mkdir -p "$C"
fmtchunk 1 2 44100 16 >"$C/cd"
fmtchunk 65534 2 44100 16 ext >"$C/cd-ext"
fmtchunk 1 1 22050 8 >"$C/mono"
fmtchunk 3 2 44100 32 >"$C/float"
datachunk 9408 >"$C/data"
datachunk 2352 >"$C/data-short"
{ printf 'LIST'; le 13 4; printf 'INFOINAM'; le 5 4; printf 'Seed\000'; printf '\000'; } >"$C/list"
{ printf 'data'; le 1000000 4; pattern 100; } >"$C/data-claims-more"
riff "$OUT/wav_header/cd.wav" "$C/cd" "$C/data"
riff "$OUT/wav_header/cd-extensible.wav" "$C/cd-ext" "$C/data"
riff "$OUT/wav_header/list-odd-chunk.wav" "$C/cd" "$C/list" "$C/data-short"
riff "$OUT/wav_header/mono-8bit.wav" "$C/mono" "$C/data-short"
riff "$OUT/wav_header/float.wav" "$C/float" "$C/data-short"
riff "$OUT/wav_header/data-before-format.wav" "$C/data-short" "$C/cd"
riff "$OUT/wav_header/data-claims-more.wav" "$C/cd" "$C/data-claims-more"

# ---- scripted crashers ------------------------------------------------------------------------
# regressions/scripts/TARGET-NAME.sh OUTFILE writes one crasher of TARGET.
for script in "$FUZZ"/regressions/scripts/*.sh; do
  [ -e "$script" ] || continue
  name="$(basename "$script" .sh)"
  target="${name%%-*}"
  mkdir -p "$OUT/regressions/$target"
  bash "$script" "$OUT/regressions/$target/$name"
done

echo "seeds in $OUT: $(find "$OUT" -type f | wc -l) files"
