// The RIFF/WAVE reader of the audio image: only what a CD can hold unchanged is accepted, the
// rest goes back to the caller for decoding.
#include "CdWav.h"

#include <algorithm>
#include <array>
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace discengine::audioimage {
namespace {

std::uint32_t Le32(const unsigned char* p) {
    return std::uint32_t{p[0]} | std::uint32_t{p[1]} << 8 | std::uint32_t{p[2]} << 16 |
           std::uint32_t{p[3]} << 24;
}
std::uint16_t Le16(const unsigned char* p) {
    return static_cast<std::uint16_t>(p[0] | p[1] << 8);
}

constexpr std::uint16_t kFormatPcm = 1;
constexpr std::uint16_t kFormatExtensible = 0xFFFE;
// KSDATAFORMAT_SUBTYPE_PCM: 00000001-0000-0010-8000-00aa00389b71
constexpr std::array<unsigned char, 16> kPcmSubformat{
    0x01, 0x00, 0x00, 0x00, 0x00, 0x00, 0x10, 0x00, 0x80, 0x00, 0x00, 0xAA, 0x00, 0x38, 0x9B, 0x71};

// Checks a fmt chunk; empty when it describes CD audio.
std::string CheckFormat(const unsigned char* fmt, std::uint32_t size) {
    if (size < 16)
        return "the format chunk is too short";
    std::uint16_t tag = Le16(fmt);
    if (tag == kFormatExtensible) {
        if (size < 40 || std::memcmp(fmt + 24, kPcmSubformat.data(), kPcmSubformat.size()) != 0)
            return "the samples are not PCM";
    } else if (tag != kFormatPcm) {
        return "the samples are not PCM (format " + std::to_string(tag) + ")";
    }
    std::uint16_t channels = Le16(fmt + 2), blockAlign = Le16(fmt + 12), bits = Le16(fmt + 14);
    std::uint32_t rate = Le32(fmt + 4), byteRate = Le32(fmt + 8);
    if (channels != 2)
        return std::to_string(channels) + " channels instead of 2";
    if (rate != 44100)
        return std::to_string(rate) + " Hz instead of 44100 Hz";
    if (bits != 16)
        return std::to_string(bits) + " bits per sample instead of 16";
    if (blockAlign != 4 || byteRate != 176400)
        return "the block size or byte rate contradicts 44100 Hz 16-bit stereo";
    return {};
}

std::int64_t ModifiedNs(const struct stat& st) {
    return std::int64_t{st.st_mtim.tv_sec} * 1000000000 + st.st_mtim.tv_nsec;
}

} // namespace

std::int32_t CdWav::Frames() const {
    std::int64_t frames = (dataBytes + kFrameBytes - 1) / kFrameBytes;
    return static_cast<std::int32_t>(std::max<std::int64_t>(frames, kMinTrackFrames));
}

std::optional<CdWav> ProbeCdWav(const std::filesystem::path& file, std::string& why) {
    int error = 0;
    SourceFile source = OpenRegularFile(file, error);
    if (!source.IsOpen()) {
        why = OpenFailureReason(file, error);
        return std::nullopt;
    }
    return ProbeCdWav(source, file, why);
}

std::optional<CdWav> ProbeCdWav(const SourceFile& source, const std::filesystem::path& file,
                                std::string& why) {
    struct stat st {};
    ::fstat(source.Fd(), &st);
    CdWav wav;
    wav.path = file;
    wav.fileSize = st.st_size;
    wav.modified = ModifiedNs(st);

    unsigned char head[12];
    if (ReadAt(source.Fd(), reinterpret_cast<char*>(head), 12, 0) != 12 ||
        std::memcmp(head, "RIFF", 4) != 0 || std::memcmp(head + 8, "WAVE", 4) != 0) {
        why = "it is not a RIFF WAVE file";
        return std::nullopt;
    }
    bool haveFormat = false;
    std::int64_t pos = 12;
    // Every step moves at least 8 bytes forward, so the walk ends at the end of the file.
    while (pos + 8 <= wav.fileSize) {
        unsigned char chunk[8];
        if (ReadAt(source.Fd(), reinterpret_cast<char*>(chunk), 8, pos) != 8)
            break;
        std::uint32_t size = Le32(chunk + 4);
        std::int64_t body = pos + 8;
        if (std::memcmp(chunk, "fmt ", 4) == 0) {
            unsigned char fmt[40] = {};
            std::uint32_t want = std::min<std::uint32_t>(size, sizeof fmt);
            if (body + want > wav.fileSize ||
                ReadAt(source.Fd(), reinterpret_cast<char*>(fmt), want, body) != want) {
                why = "the format chunk is truncated";
                return std::nullopt;
            }
            if (std::string reason = CheckFormat(fmt, size); !reason.empty()) {
                why = reason;
                return std::nullopt;
            }
            haveFormat = true;
        } else if (std::memcmp(chunk, "data", 4) == 0) {
            if (!haveFormat) {
                why = "the data chunk comes before the format chunk";
                return std::nullopt;
            }
            if (size == 0) {
                why = "it holds no audio";
                return std::nullopt;
            }
            if (body + std::int64_t{size} > wav.fileSize) {
                why = "the header claims " + std::to_string(size) +
                      " bytes of audio, the file holds " + std::to_string(wav.fileSize - body);
                return std::nullopt;
            }
            if (size % 4 != 0) {
                why = "the audio ends in the middle of a sample";
                return std::nullopt;
            }
            wav.dataOffset = body;
            wav.dataBytes = size;
            return wav;
        }
        pos = body + std::int64_t{size} + (size & 1);
    }
    why = haveFormat ? "it has no data chunk" : "it has no format chunk";
    return std::nullopt;
}

} // namespace discengine::audioimage

namespace discengine::audioimage {

OpenedTrack OpenInsertedTrack(const CdWav& inserted) {
    OpenedTrack track;
    track.file = OpenRegularFile(inserted.path, track.error);
    if (!track.file.IsOpen()) {
        track.problem = "Cannot open the source file: " + std::string(std::strerror(track.error));
        return track;
    }
    std::string why;
    auto now = ProbeCdWav(track.file, inserted.path, why);
    if (!now) {
        track.error = EINVAL;
        track.problem = "The source file is no longer a 44.1 kHz 16-bit stereo WAV file: " + why;
        return track;
    }
    const std::int64_t planned = std::int64_t{inserted.Frames()} * kFrameBytes;
    track.offset = now->dataOffset;
    track.bytes = std::min(now->dataBytes, planned);
    track.changed = now->dataBytes != inserted.dataBytes || now->modified != inserted.modified;
    return track;
}

} // namespace discengine::audioimage
