#include "DiscModel.h"

#include "RegularFile.h"
#include "discengine/Disc.h"
#include "discengine/Errors.h"

#include <algorithm>
#include <cstring>

namespace discengine {
namespace {

class DiscInfo final : public IDiscInfoX {
public:
    std::int32_t mediaType = kMediaNone, discType = kDiscTypeUnknown, discStatus = kDiscUnknown,
                 lastSession = 255, sessions = 0, tracks = 0;
    bool erasable = false, open = false;

    std::int32_t MediaType() const override { return mediaType; }
    std::int32_t DiscType() const override { return discType; }
    std::int32_t DiscStatus() const override { return discStatus; }
    std::int32_t LastSessionStatus() const override { return lastSession; }
    bool IsErasable() const override { return erasable; }
    bool IsOpen() const override { return open; }
    std::int32_t SessionCount() const override { return sessions; }
    std::int32_t TrackCount() const override { return tracks; }
};

class TrackInfo final : public ITrackInfoX {
public:
    std::int32_t session = 1, start = 0, blocks = 0;
    bool audio = false, data = false, blank = false;

    std::int32_t SessionNumber() const override { return session; }
    bool IsAudio() const override { return audio; }
    bool IsData() const override { return data; }
    bool IsBlank() const override { return blank; }
    std::int32_t StartAddress() const override { return start; }
    std::int32_t BlockCount() const override { return blocks; }
};

class AudioTrackList final : public IAudioTrackListX {
public:
    std::vector<std::int32_t> lengths;
    std::int32_t Count() const override { return static_cast<std::int32_t>(lengths.size()); }
    std::int32_t TrackLength(std::int32_t n) const override {
        if (n < 1 || n > Count())
            throw EngineError("Audio track " + std::to_string(n) + " does not exist");
        return lengths[static_cast<std::size_t>(n - 1)];
    }
};

std::int32_t SessionsOf(const MediumState& m) {
    return m.tracks.empty() ? 0 : m.tracks.back().session;
}

} // namespace

bool MediumIsOpen(const MediumState& m) {
    return m.discStatus == kDiscEmpty || m.discStatus == kDiscIncomplete;
}

std::int32_t UsedBlocksOf(const MediumState& m) {
    return m.tracks.empty() ? 0 : m.tracks.back().start + m.tracks.back().blocks;
}

std::int32_t FreeBlocksOf(const MediumState& m) {
    if (!MediumIsOpen(m))
        return 0;
    return std::max(0, m.capacity - UsedBlocksOf(m));
}

bool IsCDMedia(std::int32_t t) {
    return t == kMediaCDR || t == kMediaCDRW || t == kMediaCDROM;
}

std::int32_t OneXSpeed(std::int32_t t) {
    if (t >= kMediaDVDROM && t <= kMediaDVDPRDual)
        return kDVDSpeed1x;
    if (t >= kMediaHDDVDR && t <= kMediaHDDVDROM)
        return kHDDVDSpeed1x;
    if (t >= kMediaBDR && t <= kMediaBDROM)
        return kBDSpeed1x;
    return kCDSpeed1x;
}

std::shared_ptr<IDiscInfoX> MakeDiscInfo(const std::optional<MediumState>& medium) {
    auto info = std::make_shared<DiscInfo>();
    if (!medium || medium->mediaType == kMediaNone)
        return info;
    const MediumState& m = *medium;
    info->mediaType = m.mediaType;
    info->discType = m.discType;
    info->discStatus = m.discStatus;
    info->lastSession = m.lastSessionStatus;
    info->erasable = m.erasable;
    info->open = MediumIsOpen(m);
    info->sessions = SessionsOf(m);
    info->tracks = static_cast<std::int32_t>(m.tracks.size()) + (info->open ? 1 : 0);
    return info;
}

std::shared_ptr<ITrackInfoX> MakeTrackInfo(const std::optional<MediumState>& medium,
                                           std::int32_t n) {
    if (!medium || medium->mediaType == kMediaNone || n < 1)
        return nullptr;
    const MediumState& m = *medium;
    auto count = static_cast<std::int32_t>(m.tracks.size());
    auto track = std::make_shared<TrackInfo>();
    if (n <= count) {
        const TrackState& t = m.tracks[static_cast<std::size_t>(n - 1)];
        track->session = t.session;
        track->audio = t.audio;
        track->data = !t.audio;
        track->start = t.start;
        track->blocks = t.blocks;
        return track;
    }
    if (n == count + 1 && MediumIsOpen(m)) {
        // The open track: in the incomplete last session, or the first of a new one.
        std::int32_t sessions = SessionsOf(m);
        track->session =
            (m.lastSessionStatus == kSessionIncomplete && sessions > 0) ? sessions : sessions + 1;
        track->blank = true;
        track->start = UsedBlocksOf(m);
        track->blocks = FreeBlocksOf(m);
        return track;
    }
    return nullptr;
}

std::shared_ptr<IAudioTrackListX> MakeAudioTrackList(const std::optional<MediumState>& medium) {
    auto list = std::make_shared<AudioTrackList>();
    if (medium && medium->mediaType != kMediaNone)
        for (const auto& t : medium->tracks)
            if (t.audio)
                list->lengths.push_back(t.blocks);
    return list;
}

std::int32_t DetectFileSystems(const std::filesystem::path& image, std::int32_t start) {
    int error = 0;
    SourceFile in = OpenRegularFile(image, error);
    if (!in.IsOpen())
        return 0;
    std::int32_t bits = 0;
    char block[2048];
    // Volume descriptors from block 16; the UDF recognition sequence follows the terminator.
    bool terminated = false;
    for (std::int64_t i = 16; i < 16 + 64; ++i) {
        if (ReadAt(in.Fd(), block, sizeof block, (std::int64_t{start} + i) * 2048) != sizeof block)
            break;
        if (std::memcmp(block + 1, "CD001", 5) == 0) {
            auto type = static_cast<unsigned char>(block[0]);
            if (type == 1)
                bits |= kFsISO9660;
            if (type == 2 && block[88] == '%' && block[89] == '/' &&
                (block[90] == '@' || block[90] == 'C' || block[90] == 'E'))
                bits |= kFsJoliet;
            if (type == 255)
                terminated = true;
            continue;
        }
        if (std::memcmp(block + 1, "NSR02", 5) == 0 || std::memcmp(block + 1, "NSR03", 5) == 0) {
            bits |= kFsUDF;
            break;
        }
        if (std::memcmp(block + 1, "BEA01", 5) == 0 || std::memcmp(block + 1, "TEA01", 5) == 0 ||
            std::memcmp(block + 1, "BOOT2", 5) == 0)
            continue;
        if (terminated || bits == 0)
            break;
    }
    return bits;
}

} // namespace discengine
