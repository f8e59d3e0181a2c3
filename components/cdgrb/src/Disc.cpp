#include "Disc.h"

#include <cdio/cd_types.h>
#include <cdio/cdtext.h>

#include <array>

namespace cdgrb {
namespace {

// CD-Text pack types 0x80.. as libcdio names their fields; 0x8E is UPC/EAN for the disc and
// ISRC for a track.
std::optional<cdtext_field_t> fieldForKind(int track, int kind) {
    switch (kind) {
    case 0x0:
        return CDTEXT_FIELD_TITLE;
    case 0x1:
        return CDTEXT_FIELD_PERFORMER;
    case 0x2:
        return CDTEXT_FIELD_SONGWRITER;
    case 0x3:
        return CDTEXT_FIELD_COMPOSER;
    case 0x4:
        return CDTEXT_FIELD_ARRANGER;
    case 0x5:
        return CDTEXT_FIELD_MESSAGE;
    case 0x6:
        return CDTEXT_FIELD_DISCID;
    case 0x7:
        return CDTEXT_FIELD_GENRE;
    case 0xE:
        return track == 0 ? CDTEXT_FIELD_UPC_EAN : CDTEXT_FIELD_ISRC;
    default:
        return std::nullopt;
    }
}

struct FsInfo {
    std::string volume;
    std::string fileSystem;
};

FsInfo probeFileSystem(CdIo_t* cdio, const std::vector<TrackEntry>& tracks) {
    for (const TrackEntry& t : tracks) {
        if (t.audio)
            continue;
        cdio_iso_analysis_t analysis{};
        const cdio_fs_anal_t fs = cdio_guess_cd_type(cdio, 0, t.number, &analysis);
        switch (CDIO_FSTYPE(fs)) {
        case CDIO_FS_ISO_9660:
        case CDIO_FS_ISO_9660_INTERACTIVE:
            return {analysis.iso_label, "ISO9660"};
        case CDIO_FS_UDF:
        case CDIO_FS_ISO_UDF:
            return {analysis.iso_label, "UDF"};
        case CDIO_FS_HFS:
        case CDIO_FS_ISO_HFS:
            return {analysis.iso_label, "HFS"};
        default:
            return {analysis.iso_label, ""};
        }
    }
    return {"", tracks.empty() ? "" : "CDDA"};
}

} // namespace

std::optional<Disc> Disc::open(const Source& source) {
    Disc disc;
    disc.driver_ = source.driver;
    disc.cdio_.reset(cdio_open(source.path.c_str(), static_cast<driver_id_t>(source.driver)));
    if (!disc.cdio_)
        return std::nullopt;
    const track_t first = cdio_get_first_track_num(disc.cdio_.get());
    const track_t count = cdio_get_num_tracks(disc.cdio_.get());
    if (first == CDIO_INVALID_TRACK || count == CDIO_INVALID_TRACK || count == 0)
        return std::nullopt;
    for (track_t t = first; t < first + count; ++t) {
        TrackEntry e;
        e.number = t;
        e.audio = cdio_get_track_format(disc.cdio_.get(), t) == TRACK_FORMAT_AUDIO;
        e.first = cdio_get_track_lsn(disc.cdio_.get(), t);
        e.last = cdio_get_track_last_lsn(disc.cdio_.get(), t);
        if (e.first == CDIO_INVALID_LSN)
            return std::nullopt;
        // An image cut short ends before its last tracks: they stay listed, without sectors.
        if (e.last == CDIO_INVALID_LSN || e.last < e.first)
            e.last = e.first - 1;
        disc.tracks_.push_back(e);
    }
    return disc;
}

std::optional<TrackEntry> Disc::audioTrack(int index) const {
    if (index < 0)
        return std::nullopt;
    for (const TrackEntry& t : tracks_) {
        if (t.audio && index-- == 0)
            return t;
    }
    return std::nullopt;
}

bool Disc::sectorsPresent(const TrackEntry& track) const {
    // Reading the first and the last sector is enough for an image cut short; a drive's damaged
    // sectors in between are found by the rip itself.
    if (track.last < track.first)
        return false;
    std::array<std::uint8_t, CDIO_CD_FRAMESIZE_RAW> buffer{};
    for (std::int32_t lsn : {track.first, track.last}) {
        if (cdio_read_audio_sectors(cdio_.get(), buffer.data(), lsn, 1) != DRIVER_OP_SUCCESS)
            return false;
    }
    return true;
}

std::optional<std::string> Disc::cdText(int track, int kind) const {
    const auto field = fieldForKind(track, kind);
    if (!field || track < 0 || track > 99)
        return std::nullopt;
    cdtext_t* text = cdio_get_cdtext(cdio_.get());
    if (!text)
        return std::nullopt;
    const char* value = cdtext_get_const(text, *field, static_cast<track_t>(track));
    if (!value || !*value)
        return std::nullopt;
    return std::string(value);
}

std::string Disc::volumeName() const {
    return probeFileSystem(cdio_.get(), tracks_).volume;
}

std::string Disc::fileSystemName() const {
    return probeFileSystem(cdio_.get(), tracks_).fileSystem;
}

bool Disc::isImage() const {
    return driver_ == DRIVER_BINCUE || driver_ == DRIVER_CDRDAO || driver_ == DRIVER_NRG;
}

} // namespace cdgrb
