#include "WavFile.h"

#include "audio/AudioError.h"

#include <algorithm>
#include <array>
#include <fstream>
#include <optional>
#include <string>

namespace audio {
namespace {

std::uint32_t le32(const unsigned char* p) {
    return p[0] | (p[1] << 8) | (p[2] << 16) | (static_cast<std::uint32_t>(p[3]) << 24);
}
std::uint16_t le16(const unsigned char* p) {
    return static_cast<std::uint16_t>(p[0] | (p[1] << 8));
}

} // namespace

WavLayout readWavLayout(const std::filesystem::path& file) {
    const std::string name = "[" + file.string() + "]";
    auto fail = [&](const std::string& why) {
        return AudioError("The WAV file " + name + " " + why);
    };

    std::error_code ec;
    const std::uint64_t fileSize = std::filesystem::file_size(file, ec);
    if (ec)
        throw fail("cannot be read");
    std::ifstream in(file, std::ios::binary);
    if (!in)
        throw fail("cannot be opened");

    std::array<unsigned char, 12> riff{};
    if (!in.read(reinterpret_cast<char*>(riff.data()), riff.size()) ||
        std::string(riff.begin(), riff.begin() + 4) != "RIFF" ||
        std::string(riff.begin() + 8, riff.end()) != "WAVE")
        throw fail("is not a RIFF WAVE file");

    WavLayout layout;
    bool haveFormat = false;
    std::uint64_t offset = 12;
    // Every chunk moves the offset forward by at least its 8-byte header, so this ends.
    while (offset + 8 <= fileSize) {
        std::array<unsigned char, 8> head{};
        in.seekg(static_cast<std::streamoff>(offset));
        if (!in.read(reinterpret_cast<char*>(head.data()), head.size()))
            break;
        const std::string id(head.begin(), head.begin() + 4);
        const std::uint64_t size = le32(head.data() + 4);
        const std::uint64_t body = offset + 8;

        if (id == "fmt ") {
            if (size < 16)
                throw fail("has a format chunk that is too short");
            std::array<unsigned char, 16> fmt{};
            if (!in.read(reinterpret_cast<char*>(fmt.data()), fmt.size()))
                throw fail("is cut off inside its format chunk");
            layout.formatTag = le16(fmt.data());
            layout.channels = le16(fmt.data() + 2);
            layout.sampleRate = le32(fmt.data() + 4);
            layout.byteRate = le32(fmt.data() + 8);
            layout.blockAlign = le16(fmt.data() + 12);
            layout.bitsPerSample = le16(fmt.data() + 14);
            haveFormat = true;
        } else if (id == "data") {
            if (!haveFormat)
                throw fail("has its data before its format chunk");
            layout.dataOffset = body;
            const std::uint64_t present = fileSize - body;
            // Writers that stream leave 0 or 0xFFFFFFFF for "up to the end of the file".
            layout.dataBytes =
                (size == 0 || size == 0xFFFFFFFFu) ? present : std::min(size, present);
            break;
        }
        offset = body + size + (size & 1);
    }
    if (!haveFormat)
        throw fail("has no format chunk");
    if (layout.dataOffset == 0)
        throw fail("has no data chunk");
    if (layout.channels == 0)
        throw fail("claims zero channels");
    if (layout.sampleRate == 0)
        throw fail("claims a sample rate of zero");
    if (layout.blockAlign == 0)
        throw fail("claims a block size of zero");
    if (layout.isUncompressed()) {
        const unsigned bytesPerSample = (layout.bitsPerSample + 7u) / 8u;
        if (layout.bitsPerSample == 0 || layout.bitsPerSample > 64)
            throw fail("claims " + std::to_string(layout.bitsPerSample) + " bits per sample");
        if (layout.blockAlign != layout.channels * bytesPerSample)
            throw fail("claims blocks of " + std::to_string(layout.blockAlign) + " bytes for " +
                       std::to_string(layout.channels) + " channels of " +
                       std::to_string(layout.bitsPerSample) + " bits");
        if (layout.byteRate != static_cast<std::uint64_t>(layout.sampleRate) * layout.blockAlign)
            throw fail("claims " + std::to_string(layout.byteRate) + " bytes a second for " +
                       std::to_string(layout.sampleRate) + " blocks of " +
                       std::to_string(layout.blockAlign) + " bytes");
    }
    return layout;
}

} // namespace audio
