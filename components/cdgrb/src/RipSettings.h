#pragma once

#include <filesystem>
#include <string>
#include <variant>
#include <vector>

// A grabber's encoder settings, copied out of the caller's option record so that the rip never
// reads caller memory after it has started.
namespace cdgrb {

struct Id3v2Frame {
    std::string id;    // four characters
    std::string value; // UTF-8
};

struct Mp3Settings {
    std::string title, artist, album, year; // UTF-8
    int genre = 12;
    std::vector<Id3v2Frame> extraFrames;
    int bitrate = 192;
    int mpegQuality = 0; // 0 Normal, 1 Low, 2 High, 3 Voice
    bool jointStereo = false;
    bool original = false;
    bool crc = false;
    bool copyright = false;
    bool privateFlag = false;
    bool vbrHeader = false;
    int vbrMaxBitrate = 320;
    bool vbr = false;
    int vbrQuality = 5;
    bool id3v1 = false;
    bool id3v2 = false;
};

struct OggSettings {
    int bitrate = 128;
    // UTF-8 comment texts; empty ones are not written.
    std::string title, version, album, artist, organization, description, genre, date, location,
        copyright;
};

struct FlacSettings {
    int level = 5;
    std::vector<std::pair<std::string, std::string>> comments; // name, UTF-8 value
};

enum class Format { Raw = 1, Wav = 2, Mp3 = 3, Ogg = 4, Flac = 5 };

struct RipSettings {
    Format format = Format::Wav;
    std::filesystem::path output;
    Mp3Settings mp3;
    OggSettings ogg;
    FlacSettings flac;
};

// Reads a record as GrbSetEncoderOptions receives it. Returns CDGRB_OK or a negative CDGRB_E_*
// code: an unknown format, a size other than the record's, a null record, an output path that
// is empty or fills its field without terminator (it would name another file), or a frame array
// that does not match its count.
int parseRecord(int format, const void* record, int size, RipSettings& out);

} // namespace cdgrb
