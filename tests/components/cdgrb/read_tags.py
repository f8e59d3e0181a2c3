#!/usr/bin/python3
"""Prints the tags of an audio file, read by mutagen (an independent tag reader), one
"key=value" line per value (line breaks in values as "\\n"), sorted.

MP3: every ID3v2 frame as "ID" or "ID:description" (COMM and USLT with their language) -> text,
plus "id3v1" -> {title, artist, album, year} from the file's last 128 bytes when present.
Ogg Vorbis and FLAC: the Vorbis comments, names upper-cased -> list of values."""
import sys

import mutagen
import mutagen.id3


def id3_frames(path):
    out = {}
    try:
        tag = mutagen.id3.ID3(path)
    except mutagen.id3.ID3NoHeaderError:
        return out
    out["_version"] = "2.%d" % tag.version[1]
    for frame in tag.values():
        fid = frame.FrameID
        if fid in ("COMM", "USLT"):
            key = "%s:%s:%s" % (fid, frame.lang, frame.desc)
            value = frame.text if fid == "USLT" else list(frame.text)
        elif fid == "TXXX":
            key, value = "TXXX:" + frame.desc, list(frame.text)
        elif fid == "WXXX":
            key, value = "WXXX:" + frame.desc, frame.url
        elif fid.startswith("W"):
            key, value = fid, frame.url
        elif hasattr(frame, "text"):
            key, value = fid, [str(t) for t in frame.text]
        else:
            continue
        out[key] = value
    for raw in tag.unknown_frames:
        out.setdefault("_unknown", []).append(raw[:4].decode("latin-1"))
    return out


def id3v1(path):
    with open(path, "rb") as f:
        f.seek(-128, 2)
        block = f.read(128)
    if block[:3] != b"TAG":
        return None
    def field(a, b):
        return block[a:b].split(b"\0")[0].decode("latin-1")
    return {"title": field(3, 33), "artist": field(33, 63), "album": field(63, 93),
            "year": field(93, 97)}


def main():
    path = sys.argv[1]
    if path.lower().endswith(".mp3"):
        result = id3_frames(path)
        v1 = id3v1(path)
        if v1 is not None:
            result["id3v1"] = v1
    else:
        audio = mutagen.File(path)
        result = {}
        if audio is not None and audio.tags is not None:
            for key, value in audio.tags.items():
                result.setdefault(key.upper(), []).append(value)
            result = {k: [x for v in vs for x in (v if isinstance(v, list) else [v])]
                      for k, vs in result.items()}
    lines = []
    for key, value in result.items():
        if isinstance(value, dict):
            lines += ["%s.%s=%s" % (key, k, v) for k, v in value.items()]
            continue
        for v in value if isinstance(value, list) else [value]:
            lines.append("%s=%s" % (key, str(v).replace("\n", "\\n")))
    sys.stdout.write("".join(line + "\n" for line in sorted(lines)))


if __name__ == "__main__":
    main()
