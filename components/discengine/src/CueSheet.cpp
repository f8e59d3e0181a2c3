#include "CueSheet.h"

#include "isofs/ImageReader.h"

#include <cctype>

#include <cstdio>

namespace discengine {
namespace {

constexpr std::int32_t kFramesPerSecond = 75;

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

// Walks the characters of a UTF-8 text: `take(code, valid)` for each, a malformed byte counting
// as one invalid character.
template <class Take> void DecodeUtf8(const std::string& utf8, Take take) {
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
        take(code, valid);
    }
}

void AddText(std::string& sheet, const char* indent, const CueText& text) {
    const std::pair<const char*, const std::string*> fields[] = {
        {"TITLE", &text.title},           {"PERFORMER", &text.performer},
        {"SONGWRITER", &text.songwriter}, {"COMPOSER", &text.composer},
        {"ARRANGER", &text.arranger},     {"MESSAGE", &text.message}};
    for (const auto& [keyword, value] : fields)
        if (!value->empty())
            sheet += std::string(indent) + keyword + " \"" + CdTextLatin1(*value) + "\"\n";
}

// Codes (catalog, ISRC) are plain letters and digits; anything else is left out.
bool PlainCode(const std::string& code) {
    if (code.empty())
        return false;
    for (unsigned char c : code)
        if (!std::isalnum(c))
            return false;
    return true;
}

const char* ModeName(CueTrackMode mode) {
    switch (mode) {
    case CueTrackMode::Mode1Raw:
        return "MODE1/2352";
    case CueTrackMode::Mode2Raw:
        return "MODE2/2352";
    default:
        return "AUDIO";
    }
}

} // namespace

std::string CdTextLatin1(const std::string& utf8) {
    std::string out;
    DecodeUtf8(utf8, [&](std::uint32_t code, bool valid) {
        if (!valid || code < 0x20 || code == 0x7F || (code >= 0x80 && code < 0xA0) || code > 0xFF)
            code = '?';
        if (code == '"')
            code = '\'';
        out += static_cast<char>(code);
    });
    return out;
}

std::string SheetTextToUtf8(const std::string& text) {
    bool valid = true;
    DecodeUtf8(text, [&](std::uint32_t, bool ok) { valid = valid && ok; });
    return valid ? text : isofs::latin1ToUtf8(text);
}

std::string CueSheetText(const std::string& binFileName, const CueDisc& disc) {
    std::string sheet;
    if (PlainCode(disc.catalog))
        sheet += "CATALOG " + disc.catalog + "\n";
    AddText(sheet, "", disc.text);
    if (!disc.genre.empty())
        sheet += "GENRE \"" + CdTextLatin1(disc.genre) + "\"\n"; // libcdio skips REM GENRE
    sheet += "FILE \"" + CdTextLatin1(binFileName) + "\" BINARY\n";
    for (std::size_t i = 0; i < disc.tracks.size(); ++i) {
        const CueTrack& track = disc.tracks[i];
        char number[8];
        std::snprintf(number, sizeof number, "%02zu", (i + 1) % 100);
        sheet += std::string("  TRACK ") + number + " " + ModeName(track.mode) + "\n";
        AddText(sheet, "    ", track.text);
        if (PlainCode(track.isrc))
            sheet += "    ISRC " + track.isrc + "\n";
        if (track.gapFrames > 0)
            sheet += "    INDEX 00 " + Msf(track.start - track.gapFrames) + "\n";
        sheet += "    INDEX 01 " + Msf(track.start) + "\n";
    }
    return sheet;
}

} // namespace discengine
