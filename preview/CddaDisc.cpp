#include "preview/CddaDisc.h"

#include "preview/PlayerError.h"

#include <QRegularExpression>

namespace preview {

std::optional<CdaAddress> ParseCdaPath(const QString& fileName) {
    static const QRegularExpression pattern(
        QStringLiteral("^([A-Za-z]):[\\\\/]+Track(\\d{1,3})\\.cda$"),
        QRegularExpression::CaseInsensitiveOption);
    const auto match = pattern.match(fileName);
    if (!match.hasMatch())
        return std::nullopt;
    const int track = match.captured(2).toInt();
    if (track < 1)
        return std::nullopt;
    return CdaAddress{match.captured(1).at(0).toUpper().toLatin1(), track};
}

std::unique_ptr<CddaDisc> CddaDisc::Open(const discengine::CdioSource& source) {
    std::unique_ptr<CddaDisc> disc(new CddaDisc);
    disc->source_ = source;
    disc->cdio_.reset(cdio_open(source.path.c_str(), static_cast<driver_id_t>(source.driver)));
    if (!disc->cdio_)
        throw PlayerError("The disc cannot be opened for playing (" + source.path + ")");
    const track_t first = cdio_get_first_track_num(disc->cdio_.get());
    const track_t count = cdio_get_num_tracks(disc->cdio_.get());
    if (first == CDIO_INVALID_TRACK || count == CDIO_INVALID_TRACK)
        throw PlayerError("The disc has no readable table of contents");
    for (track_t t = first; t < first + count; ++t) {
        if (cdio_get_track_format(disc->cdio_.get(), t) != TRACK_FORMAT_AUDIO)
            continue;
        const lsn_t start = cdio_get_track_lsn(disc->cdio_.get(), t);
        const lsn_t last = cdio_get_track_last_lsn(disc->cdio_.get(), t);
        if (start == CDIO_INVALID_LSN || last == CDIO_INVALID_LSN || last < start)
            throw PlayerError("The disc's table of contents is damaged at track " +
                              std::to_string(t));
        disc->tracks_.push_back({start, last - start + 1});
    }
    if (disc->tracks_.empty())
        throw PlayerError("The disc holds no audio track");
    return disc;
}

bool CddaDisc::ReadSectors(std::int32_t lsn, std::uint32_t count, char* out) const {
    // One sector at a time: on an image libcdio reports a read of several sectors that runs
    // past the end of the file as done, leaving the missing ones as they were in `out`.
    for (std::uint32_t i = 0; i < count; ++i)
        if (cdio_read_audio_sector(cdio_.get(), out + std::size_t{i} * kSectorBytes,
                                   lsn + static_cast<std::int32_t>(i)) != DRIVER_OP_SUCCESS)
            return false;
    return true;
}

} // namespace preview
