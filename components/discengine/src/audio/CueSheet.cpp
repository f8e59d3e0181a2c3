#include "CueSheet.h"

#include "CdWav.h"

#include <cstdio>

namespace discengine::audioimage {
namespace {

std::string Msf(std::int32_t frames) {
    char text[16];
    std::snprintf(text, sizeof text, "%02d:%02d:%02d", frames / (kFramesPerSecond * 60),
                  (frames / kFramesPerSecond) % 60, frames % kFramesPerSecond);
    return text;
}

// Length of the UTF-8 sequence led by `lead`, 0 for a byte that cannot lead one.
std::size_t SequenceLength(unsigned char lead) {
    if (lead < 0x80)
        return 1;
    if ((lead & 0xE0) == 0xC0)
        return 2;
    if ((lead & 0xF0) == 0xE0)
        return 3;
    if ((lead & 0xF8) == 0xF0)
        return 4;
    return 0;
}

} // namespace

std::string CdTextLatin1(const std::string& utf8) {
    std::string out;
    std::size_t i = 0;
    while (i < utf8.size()) {
        auto lead = static_cast<unsigned char>(utf8[i]);
        std::size_t length = SequenceLength(lead);
        bool valid = length > 0 && i + length <= utf8.size();
        std::uint32_t code = length == 1 ? lead : (lead & (0xFFu >> (length + 1)));
        for (std::size_t k = 1; valid && k < length; ++k) {
            auto next = static_cast<unsigned char>(utf8[i + k]);
            valid = (next & 0xC0) == 0x80;
            code = (code << 6) | (next & 0x3Fu);
        }
        i += valid ? length : 1;
        if (!valid || code < 0x20 || code == 0x7F || (code >= 0x80 && code < 0xA0) || code > 0xFF)
            code = '?';
        if (code == '"')
            code = '\'';
        out += static_cast<char>(code);
    }
    return out;
}

std::string CueSheetText(const std::string& binFileName, const std::vector<CueTrack>& tracks) {
    std::string sheet = "FILE \"" + CdTextLatin1(binFileName) + "\" BINARY\n";
    for (std::size_t i = 0; i < tracks.size(); ++i) {
        char number[8];
        std::snprintf(number, sizeof number, "%02zu", (i + 1) % 100);
        sheet += std::string("  TRACK ") + number + " AUDIO\n";
        if (!tracks[i].title.empty())
            sheet += "    TITLE \"" + CdTextLatin1(tracks[i].title) + "\"\n";
        if (tracks[i].gapFrames > 0)
            sheet += "    INDEX 00 " + Msf(tracks[i].start - tracks[i].gapFrames) + "\n";
        sheet += "    INDEX 01 " + Msf(tracks[i].start) + "\n";
    }
    return sheet;
}

} // namespace discengine::audioimage
