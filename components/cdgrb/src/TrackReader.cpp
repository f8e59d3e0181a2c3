#include "TrackReader.h"

#include "cdgrb/cdgrb.h"

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

std::unique_ptr<TrackReader> TrackReader::open(const Disc& disc, const TrackEntry& track) {
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
    reader->next_ = track.first;
    reader->last_ = track.last;
    cdio_paranoia_seek(reader->paranoia_.get(), track.first, SEEK_SET);
    return reader;
}

int TrackReader::read(std::vector<std::int16_t>& pcm, int maxSectors) {
    tLostSectors = 0;
    tRetries = 0;
    for (int i = 0; i < maxSectors && next_ <= last_; ++i, ++next_) {
        const std::int16_t* sector =
            cdio_paranoia_read_limited(paranoia_.get(), paranoiaCallback, kMaxRetries);
        retries_ += static_cast<std::uint32_t>(tRetries);
        skips_ += static_cast<std::uint32_t>(tLostSectors);
        tRetries = 0;
        if (sector == nullptr || tLostSectors > 0)
            return CDGRB_E_READ;
        pcm.insert(pcm.end(), sector, sector + kSamplesPerSector);
    }
    return CDGRB_OK;
}

} // namespace cdgrb
