#include "Checksums.h"

#include <array>
#include <cstdlib>

namespace cdgrb {
namespace {

constexpr std::uint32_t kSkippedFrames = 5;

std::array<std::uint32_t, 256> makeCrcTable() {
    std::array<std::uint32_t, 256> table{};
    for (std::uint32_t i = 0; i < 256; ++i) {
        std::uint32_t c = i;
        for (int k = 0; k < 8; ++k)
            c = (c & 1) ? 0xEDB88320u ^ (c >> 1) : c >> 1;
        table[i] = c;
    }
    return table;
}

const std::array<std::uint32_t, 256> kCrcTable = makeCrcTable();

std::uint32_t digitSum(std::uint32_t n) {
    std::uint32_t sum = 0;
    for (; n > 0; n /= 10)
        sum += n % 10;
    return sum;
}

} // namespace

TrackChecksums::TrackChecksums(std::uint32_t samples, bool firstTrack, bool lastTrack)
    : from_(firstTrack ? kSkippedFrames * kSamplesPerFrame : 1),
      to_(lastTrack ? (samples > kSkippedFrames * kSamplesPerFrame
                           ? samples - kSkippedFrames * kSamplesPerFrame
                           : 0)
                    : samples) {}

void TrackChecksums::add(const std::int16_t* pcm, std::size_t samples) {
    const auto* bytes = reinterpret_cast<const std::uint8_t*>(pcm);
    for (std::size_t i = 0; i < samples * 4; ++i)
        crc_ = kCrcTable[(crc_ ^ bytes[i]) & 0xFF] ^ (crc_ >> 8);
    for (std::size_t i = 0; i < samples; ++i) {
        const std::int16_t left = pcm[2 * i];
        const std::int16_t right = pcm[2 * i + 1];
        for (const int v : {static_cast<int>(left), static_cast<int>(right)}) {
            const auto magnitude = static_cast<std::uint32_t>(std::abs(v));
            if (magnitude > peak_)
                peak_ = magnitude;
        }
        const std::uint32_t multiplier = ++position_;
        if (multiplier < from_ || multiplier > to_)
            continue;
        const std::uint32_t sample =
            static_cast<std::uint16_t>(left) |
            (static_cast<std::uint32_t>(static_cast<std::uint16_t>(right)) << 16);
        v1_ += multiplier * sample;
        const std::uint64_t product = static_cast<std::uint64_t>(multiplier) * sample;
        v2_ += static_cast<std::uint32_t>(product) + static_cast<std::uint32_t>(product >> 32);
    }
}

DiscIds discIds(const std::vector<TrackEntry>& tracks) {
    DiscIds ids;
    if (tracks.empty())
        return ids;
    ids.tracks = static_cast<int>(tracks.size());
    const auto leadOut = static_cast<std::uint32_t>(tracks.back().last + 1);
    std::uint32_t digits = 0;
    for (std::size_t i = 0; i < tracks.size(); ++i) {
        const auto offset = static_cast<std::uint32_t>(tracks[i].first);
        ids.id1 += offset;
        ids.id2 += (offset > 0 ? offset : 1) * static_cast<std::uint32_t>(i + 1);
        digits += digitSum((offset + 150) / 75);
    }
    ids.id1 += leadOut;
    ids.id2 += leadOut * static_cast<std::uint32_t>(tracks.size() + 1);
    const std::uint32_t seconds =
        leadOut / 75 - static_cast<std::uint32_t>(tracks.front().first) / 75;
    ids.cddb = ((digits % 255) << 24) | (seconds << 8) | static_cast<std::uint32_t>(tracks.size());
    return ids;
}

} // namespace cdgrb
