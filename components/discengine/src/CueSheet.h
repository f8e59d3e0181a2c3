#pragma once

#include <cstdint>
#include <string>
#include <vector>

// The one cue sheet writer of the engine (burned audio discs, the sample disc and imported
// images all go through it) and its text conversion. It writes the dialect libcdio reads:
// Latin-1 texts, a bare GENRE line, INDEX 00 for gaps inside the BIN, never a keyword libcdio
// refuses (POSTGAP, PREGAP, ...).
namespace discengine {

struct CueText {
    std::string title, performer, songwriter, composer, arranger, message; // UTF-8
};

enum class CueTrackMode { Audio, Mode1Raw, Mode2Raw };

// One track of the BIN: its INDEX 01 frame and the gap (INDEX 00) stored right before it.
struct CueTrack {
    CueTrackMode mode = CueTrackMode::Audio;
    std::int32_t start = 0;
    std::int32_t gapFrames = 0;
    CueText text;
    std::string isrc;
};

struct CueDisc {
    CueText text;
    std::string genre;
    std::string catalog;
    std::vector<CueTrack> tracks;
};

// The sheet for one BIN holding every track (2352-byte sectors).
std::string CueSheetText(const std::string& binFileName, const CueDisc& disc);

// UTF-8 to Latin-1 for CD-Text: characters outside Latin-1, control characters and malformed
// bytes become '?', double quotes become single ones (they would end the field).
std::string CdTextLatin1(const std::string& utf8);

// A text read from a sheet, as UTF-8: kept when it is valid UTF-8, else taken as Latin-1 (what
// most sheets are written in).
std::string SheetTextToUtf8(const std::string& text);

} // namespace discengine
