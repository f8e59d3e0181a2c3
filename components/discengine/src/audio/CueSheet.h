#pragma once

#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

namespace discengine::audioimage {

// One track of a burned BIN: its INDEX 01 frame, the silent gap (INDEX 00) stored in the BIN
// right before it, and its CD-Text title (UTF-8; empty: none).
struct CueTrack {
    std::int32_t start = 0;
    std::int32_t gapFrames = 0;
    std::string title;
};

// The cue sheet text for one BIN holding every track, in the dialect libcdio reads: Latin-1
// texts, INDEX 00 for gaps inside the BIN, no keywords libcdio refuses.
std::string CueSheetText(const std::string& binFileName, const std::vector<CueTrack>& tracks);

// UTF-8 to Latin-1 for CD-Text: characters outside Latin-1, control characters and malformed
// bytes become '?', double quotes become single ones (they would end the field).
std::string CdTextLatin1(const std::string& utf8);

} // namespace discengine::audioimage
