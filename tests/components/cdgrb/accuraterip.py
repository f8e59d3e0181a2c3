#!/usr/bin/python3
"""A second, independent reckoning of what a rip of a BIN/CUE disc must report, from the public
description of the algorithms: per track the CRC32 of its PCM and the AccurateRip v1 and v2
checksums, and the disc's AccurateRip and CDDB identifiers.

Usage: accuraterip.py DISC.cue
Prints "disc TRACKS ID1 ID2 CDDB" then "track N CRC32 V1 V2" lines, numbers in hex. Tracks run
from their INDEX 01 to the next track's INDEX 01 (the last to the end of the BIN, the lead-out);
the BIN is the cue's name with ".bin", little-endian 16-bit stereo.

AccurateRip, as publicly described: each stereo sample is one 32-bit word (left in the low half,
right in the high half), multiplied by its 1-based position in the track. v1 sums the products
mod 2^32; v2 sums the low and the high 32 bits of each 64-bit product. The first track leaves
out its first 5 * 588 - 1 samples, the last track its last 5 * 588.
"""
import os
import re
import struct
import sys
import zlib

FRAME_BYTES = 2352
SAMPLES_PER_FRAME = 588


def track_starts(cue_path):
    starts = []
    for line in open(cue_path, encoding="latin-1"):
        m = re.match(r"\s*INDEX\s+01\s+(\d+):(\d+):(\d+)", line)
        if m:
            mm, ss, ff = (int(x) for x in m.groups())
            starts.append((mm * 60 + ss) * 75 + ff)
    return starts


def checksums(words, first, last):
    n = len(words)
    lo = 5 * SAMPLES_PER_FRAME if first else 1
    hi = n - 5 * SAMPLES_PER_FRAME if last else n
    v1 = v2 = 0
    for pos in range(lo, hi + 1):
        product = pos * words[pos - 1]
        v1 += product
        v2 += (product & 0xFFFFFFFF) + (product >> 32)
    return v1 & 0xFFFFFFFF, v2 & 0xFFFFFFFF


def disc_ids(starts, leadout):
    id1 = sum(starts) + leadout
    id2 = sum(max(s, 1) * (i + 1) for i, s in enumerate(starts)) + leadout * (len(starts) + 1)
    digits = sum(sum(int(d) for d in str((s + 150) // 75)) for s in starts)
    seconds = (leadout + 150) // 75 - (starts[0] + 150) // 75
    cddb = ((digits % 255) << 24) | (seconds << 8) | len(starts)
    return id1 & 0xFFFFFFFF, id2 & 0xFFFFFFFF, cddb


def main():
    cue = sys.argv[1]
    data = open(os.path.splitext(cue)[0] + ".bin", "rb").read()
    starts = track_starts(cue)
    leadout = len(data) // FRAME_BYTES
    id1, id2, cddb = disc_ids(starts, leadout)
    print("disc %x %08x %08x %08x" % (len(starts), id1, id2, cddb))
    for i, start in enumerate(starts):
        end = starts[i + 1] if i + 1 < len(starts) else leadout
        pcm = data[start * FRAME_BYTES:end * FRAME_BYTES]
        words = struct.unpack("<%dI" % (len(pcm) // 4), pcm)
        v1, v2 = checksums(words, i == 0, i == len(starts) - 1)
        print("track %d %08x %08x %08x" % (i + 1, zlib.crc32(pcm) & 0xFFFFFFFF, v1, v2))


if __name__ == "__main__":
    main()
