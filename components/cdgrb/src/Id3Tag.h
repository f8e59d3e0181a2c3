#pragma once

#include <cstdint>
#include <string>
#include <vector>

// What the MP3 encoder adds to the ID3v2 tag LAME builds: the frames LAME has no call for.
namespace cdgrb {

// True for the identifiers the library writes: COMM (language "eng", no description), USLT,
// TXXX and WXXX (description before a first "="), and every other T*** and W*** frame. An
// identifier is four characters A-Z or 0-9; a space-padded one is not.
bool id3v2FrameWritable(const std::string& id);

// True for the frames the library builds itself rather than through LAME: USLT, which LAME has no
// call for, and TXXX and WXXX, which LAME writes malformed when their description is empty.
bool builtByLibrary(const std::string& id);

// Such a frame, complete with its header, for an ID3v2 tag of major version `version` (3 or 4):
// USLT with language "eng" and no description; TXXX and WXXX with the text before a first "=" as
// description (else none). Latin-1 when the texts allow, else UTF-16 with byte-order marks (a URL
// is Latin-1 always).
std::vector<std::uint8_t> buildFrame(const std::string& id, const std::string& utf8Value,
                                     int version);

// `tag` (a complete ID3v2 tag as LAME made it) with `frames` appended after its frames and its
// padding dropped. Unchanged when there is nothing to add or `tag` is not a tag this understands.
std::vector<std::uint8_t> appendFrames(const std::vector<std::uint8_t>& tag,
                                       const std::vector<std::vector<std::uint8_t>>& frames);

} // namespace cdgrb
