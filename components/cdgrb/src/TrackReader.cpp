#include "TrackReader.h"

#include "cdgrb/cdgrb.h"

#include <algorithm>

namespace cdgrb {
namespace {

constexpr int kMaxRetries = 20;

// Paranoia's callback has no context argument; the reading thread keeps its own counts.
thread_local int tLostSectors = 0;
thread_local int tRetries = 0;

void paranoiaCallback(long /*inpos*/, paranoia_cb_mode_t event) {
    switch (event) {
    case PARANOIA_CB_SKIP:
        ++tLostSectors;
        break;
    case PARANOIA_CB_READERR:
    case PARANOIA_CB_SCRATCH:
    case PARANOIA_CB_REPAIR:
    case PARANOIA_CB_FIXUP_EDGE:
    case PARANOIA_CB_FIXUP_ATOM:
    case PARANOIA_CB_FIXUP_DROPPED:
    case PARANOIA_CB_FIXUP_DUPED:
        ++tRetries;
        break;
    default:
        break;
    }
}

} // namespace

std::unique_ptr<TrackReader> TrackReader::open(const Disc& disc, const TrackEntry& track,
                                               std::int32_t offsetSamples) {
    std::unique_ptr<TrackReader> reader(new TrackReader);
    reader->cdda_.reset(cdio_cddap_identify_cdio(disc.cdio(), CDDA_MESSAGE_FORGETIT, nullptr));
    if (!reader->cdda_)
        return nullptr;
    cdio_cddap_verbose_set(reader->cdda_.get(), CDDA_MESSAGE_FORGETIT, CDDA_MESSAGE_FORGETIT);
    if (cdio_cddap_open(reader->cdda_.get()) != 0)
        return nullptr;
    // Paranoia guesses the byte order from the audio (silence reads as big-endian); images
    // hold little-endian samples, so the guess is overruled for them.
    if (disc.isImage())
        reader->cdda_->bigendianp = 0;
    reader->paranoia_.reset(cdio_paranoia_init(reader->cdda_.get()));
    if (!reader->paranoia_)
        return nullptr;
    cdio_paranoia_modeset(reader->paranoia_.get(), PARANOIA_MODE_FULL ^ PARANOIA_MODE_NEVERSKIP);
    const std::int64_t first = std::int64_t{track.first} * kStereoPerSector + offsetSamples;
    // Rounded towards minus infinity, so the skip is never negative.
    const std::int64_t sector = first >= 0 ? first / kStereoPerSector
                                           : -((-first + kStereoPerSector - 1) / kStereoPerSector);
    reader->nextSector_ = static_cast<std::int32_t>(sector);
    reader->skip_ = first - sector * kStereoPerSector;
    reader->remainingSamples_ = std::int64_t{track.sectors()} * kStereoPerSector;
    reader->discLast_ = disc.tracks().empty() ? track.last : disc.tracks().back().last;
    const std::int32_t seekTo = std::max<std::int32_t>(reader->nextSector_, 0);
    if (seekTo <= reader->discLast_)
        cdio_paranoia_seek(reader->paranoia_.get(), seekTo, SEEK_SET);
    return reader;
}

int TrackReader::fetch() {
    carryAt_ = 0;
    const std::int32_t sector = nextSector_++;
    if (sector < 0 || sector > discLast_) {
        carry_.assign(kSamplesPerSector, 0);
        return CDGRB_OK;
    }
    tLostSectors = 0;
    tRetries = 0;
    const std::int16_t* data =
        cdio_paranoia_read_limited(paranoia_.get(), paranoiaCallback, kMaxRetries);
    retries_ += static_cast<std::uint32_t>(tRetries);
    skips_ += static_cast<std::uint32_t>(tLostSectors);
    if (data == nullptr || tLostSectors > 0)
        return CDGRB_E_READ;
    carry_.assign(data, data + kSamplesPerSector);
    return CDGRB_OK;
}

int TrackReader::read(std::vector<std::int16_t>& pcm, int maxSectors) {
    std::int64_t wanted =
        std::min<std::int64_t>(std::int64_t{maxSectors} * kStereoPerSector, remainingSamples_);
    while (wanted > 0) {
        if (carryAt_ >= carry_.size()) {
            if (const int rc = fetch(); rc != CDGRB_OK)
                return rc;
            carryAt_ = static_cast<std::size_t>(2 * skip_);
            skip_ = 0;
            continue;
        }
        const auto available = static_cast<std::int64_t>((carry_.size() - carryAt_) / 2);
        const std::int64_t take = std::min(available, wanted);
        const auto begin = carry_.begin() + static_cast<std::ptrdiff_t>(carryAt_);
        pcm.insert(pcm.end(), begin, begin + static_cast<std::ptrdiff_t>(2 * take));
        carryAt_ += static_cast<std::size_t>(2 * take);
        wanted -= take;
        remainingSamples_ -= take;
    }
    return CDGRB_OK;
}

} // namespace cdgrb
