#include "Id3Tag.h"

#include "Text.h"

namespace cdgrb {
namespace {

constexpr std::size_t kHeader = 10;

void putBigEndian(std::vector<std::uint8_t>& out, std::size_t at, std::uint32_t value,
                  bool syncsafe) {
    for (int i = 0; i < 4; ++i) {
        const int shift = (3 - i) * (syncsafe ? 7 : 8);
        out[at + i] = static_cast<std::uint8_t>((value >> shift) & (syncsafe ? 0x7F : 0xFF));
    }
}

std::uint32_t readBigEndian(const std::vector<std::uint8_t>& in, std::size_t at, bool syncsafe) {
    std::uint32_t v = 0;
    for (int i = 0; i < 4; ++i)
        v = (v << (syncsafe ? 7 : 8)) | (in[at + i] & (syncsafe ? 0x7F : 0xFF));
    return v;
}

} // namespace

bool id3v2FrameWritable(const std::string& id) {
    if (id.size() != 4)
        return false;
    for (char c : id) {
        if (!((c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9')))
            return false;
    }
    return id[0] == 'T' || id[0] == 'W' || id == "COMM" || id == "USLT";
}

bool builtByLibrary(const std::string& id) {
    return id == "USLT" || id == "TXXX" || id == "WXXX";
}

namespace {

void appendText(std::vector<std::uint8_t>& body, const std::string& utf8, bool wide,
                bool terminate) {
    if (!wide) {
        for (char c : toLatin1(utf8))
            body.push_back(static_cast<std::uint8_t>(c));
        if (terminate)
            body.push_back(0);
        return;
    }
    for (char16_t u : toUtf16WithBom(utf8)) {
        body.push_back(static_cast<std::uint8_t>(u & 0xFF));
        body.push_back(static_cast<std::uint8_t>(u >> 8));
    }
    if (terminate) {
        body.push_back(0);
        body.push_back(0);
    }
}

} // namespace

std::vector<std::uint8_t> buildFrame(const std::string& id, const std::string& utf8Value,
                                     int version) {
    std::string description;
    std::string value = utf8Value;
    if (id != "USLT") {
        if (const auto eq = value.find('='); eq != std::string::npos) {
            description = value.substr(0, eq);
            value = value.substr(eq + 1);
        }
    }
    const bool url = id == "WXXX";
    const bool wide = !fitsLatin1(description) || (!url && !fitsLatin1(value));
    std::vector<std::uint8_t> body{static_cast<std::uint8_t>(wide ? 1 : 0)};
    if (id == "USLT")
        body.insert(body.end(), {'e', 'n', 'g'});
    appendText(body, description, wide, true);
    appendText(body, value, wide && !url, false);
    std::vector<std::uint8_t> frame(id.begin(), id.end());
    frame.resize(10, 0);
    putBigEndian(frame, 4, static_cast<std::uint32_t>(body.size()), version >= 4);
    frame.insert(frame.end(), body.begin(), body.end());
    return frame;
}

std::vector<std::uint8_t> appendFrames(const std::vector<std::uint8_t>& tag,
                                       const std::vector<std::vector<std::uint8_t>>& frames) {
    if (frames.empty() || tag.size() < kHeader || tag[0] != 'I' || tag[1] != 'D' || tag[2] != '3' ||
        (tag[3] != 3 && tag[3] != 4) || (tag[5] & 0x40) != 0)
        return tag;
    const bool syncsafeFrames = tag[3] >= 4;
    const std::size_t end = std::min(tag.size(), kHeader + readBigEndian(tag, 6, true));
    // Walk LAME's frames up to the padding (a zero byte where an identifier would start).
    std::size_t at = kHeader;
    while (at + kHeader <= end && tag[at] != 0) {
        const std::size_t size = readBigEndian(tag, at + 4, syncsafeFrames);
        if (at + kHeader + size > end)
            return tag;
        at += kHeader + size;
    }
    std::vector<std::uint8_t> out(tag.begin(), tag.begin() + static_cast<std::ptrdiff_t>(at));
    for (const auto& frame : frames)
        out.insert(out.end(), frame.begin(), frame.end());
    putBigEndian(out, 6, static_cast<std::uint32_t>(out.size() - kHeader), true);
    return out;
}

} // namespace cdgrb
