#include "jobs/RipReport.h"

#include "core/MultiLanguages.h"
#include "core/ProductInfo.h"
#include "jobs/RipJob.h"
#include "ui/TextFormat.h"

#include <QDateTime>

#include <cerrno>
#include <chrono>
#include <cstring>
#include <fcntl.h>
#include <future>
#include <thread>
#include <unistd.h>

namespace fs = std::filesystem;
using MultiLanguages::Text;

namespace rip {
namespace {

QString Hex(std::uint32_t v) {
    return QStringLiteral("%1").arg(v, 8, 16, QLatin1Char('0')).toUpper();
}

// Minutes:seconds.frames of a sector count.
QString Msf(std::uint32_t sectors) {
    return QStringLiteral("%1:%2.%3")
        .arg(sectors / 75 / 60, 2, 10, QLatin1Char('0'))
        .arg(sectors / 75 % 60, 2, 10, QLatin1Char('0'))
        .arg(sectors % 75, 2, 10, QLatin1Char('0'));
}

accuraterip::DiscId DiscOf(const TGrbTrackResult& r) {
    return {r.DiscTracks, r.DiscId1, r.DiscId2, r.CddbId};
}

QString FormatLine(const RipJobSettings& s) {
    const auto& o = s.options;
    switch (FormatFor(s.grabOutputFormat).code) {
    case CDGRB_FORMAT_RAW:
        return QStringLiteral("RAW (44.1 kHz, 16 bit, stereo, little-endian)");
    case CDGRB_FORMAT_MP3:
        if (o.enableVbr)
            return QStringLiteral("MP3, VBR quality %1, at most %2 kbit/s")
                .arg(globals::VbrQualities[std::clamp(o.vbrQualityIndex, 0, 9)])
                .arg(globals::Mp3Bitrates[std::clamp(o.vbrMaxBitrateIndex, 0, 13)]);
        return QStringLiteral("MP3, CBR %1 kbit/s")
            .arg(globals::Mp3Bitrates[std::clamp(o.bitrateIndex, 0, 13)]);
    case CDGRB_FORMAT_OGG:
        return QStringLiteral("Ogg Vorbis, %1 kbit/s")
            .arg(globals::OggBitrates[std::clamp(o.oggBitrateIndex, 0, 6)]);
    case CDGRB_FORMAT_FLAC:
        return QStringLiteral("FLAC, compression level %1").arg(std::clamp(o.flacLevel, 0, 8));
    default:
        return QStringLiteral("WAV (44.1 kHz, 16 bit, stereo)");
    }
}

QString LogText(const RipJobSettings& s, const std::vector<TrackRecord>& tracks,
                const QString& accurateRipNote) {
    QStringList l;
    l << QStringLiteral("%1 %2 rip log").arg(core::product::Name, core::product::Version);
    l << QStringLiteral("Date: %1").arg(QDateTime::currentDateTime().toString(Qt::ISODate));
    l << QStringLiteral("Drive: %1").arg(QString::fromStdString(s.driveDescription));
    l << QStringLiteral("Read offset correction: %1 samples").arg(s.readOffset);
    l << QStringLiteral("Read mode: paranoia, overlap checking, up to 20 retries a sector, a "
                        "sector never skipped (the track fails instead)");
    l << QStringLiteral("Output folder: %1").arg(QString::fromStdString(s.outputFolder));
    l << QStringLiteral("Format: %1").arg(FormatLine(s));
    l << QStringLiteral("Replace existing files: %1")
             .arg(s.replaceExisting ? QStringLiteral("yes") : QStringLiteral("no"));
    l << QStringLiteral("AccurateRip: %1")
             .arg(s.options.accurateRip
                      ? QString::fromStdString(s.options.accurateRipAddress)
                      : QStringLiteral("not asked (network use not allowed in the rip options)"));
    if (!accurateRipNote.isEmpty())
        l << QStringLiteral("AccurateRip: %1").arg(accurateRipNote);
    int ok = 0, failed = 0, skipped = 0;
    for (const TrackRecord& t : tracks) {
        l << QString();
        l << QStringLiteral("Track %1  %2")
                 .arg(t.trackNumber, 2, 10, QLatin1Char('0'))
                 .arg(t.title);
        l << QStringLiteral("  File: %1").arg(QString::fromStdString(t.outputPath));
        if (t.result) {
            const TGrbTrackResult& r = *t.result;
            l << QStringLiteral("  Range: %1 - %2 (sectors %3-%4)")
                     .arg(Msf(r.FirstSector), Msf(r.FirstSector + r.Sectors))
                     .arg(r.FirstSector)
                     .arg(r.FirstSector + r.Sectors - 1);
            if (r.ChecksumsValid) {
                l << QStringLiteral("  Peak level: %1 %").arg(r.Peak * 100.0 / 32768.0, 0, 'f', 1);
                l << QStringLiteral("  CRC32: %1").arg(Hex(r.Crc32));
                l << QStringLiteral("  AccurateRip v1: %1  v2: %2")
                         .arg(Hex(r.AccurateRipV1), Hex(r.AccurateRipV2));
            }
            if (!t.accurateRip.isEmpty())
                l << QStringLiteral("  AccurateRip: %1").arg(t.accurateRip);
            l << QStringLiteral("  Read retries: %1  skips: %2")
                     .arg(r.ReadRetries)
                     .arg(r.ReadSkips);
            if (r.Result < 0)
                l << QStringLiteral("  Reason: %1").arg(ResultText(r.Result));
        }
        l << QStringLiteral("  Result: %1").arg(t.status);
        if (t.status == Text(IDS_READCD_LISTVIEW_ITEM_Status_Failed))
            ++failed;
        else if (t.status == Text(IDS_READCD_LISTVIEW_ITEM_Status_Skip))
            ++skipped;
        else
            ++ok;
    }
    l << QString();
    l << QStringLiteral("%1 ripped, %2 skipped, %3 failed").arg(ok).arg(skipped).arg(failed);
    return l.join(QLatin1Char('\n')) + QLatin1Char('\n');
}

} // namespace

QString ResultText(std::int32_t result) {
    switch (result) {
    case CDGRB_OK:
        return QStringLiteral("none");
    case CDGRB_E_DRIVE:
        return QStringLiteral("no readable disc in the drive");
    case CDGRB_E_TRACK:
        return QStringLiteral("the track is not on the disc or not all of it can be read");
    case CDGRB_E_OUTPUT:
        return QStringLiteral("the output file could not be written");
    case CDGRB_E_READ:
        return QStringLiteral("a sector could not be read");
    case CDGRB_E_ENCODER:
        return QStringLiteral("the encoder failed");
    case CDGRB_E_ABORTED:
        return QStringLiteral("cancelled");
    case CDGRB_E_MEDIUM_CHANGED:
        return QStringLiteral("the disc was ejected or changed during the rip");
    case CDGRB_E_PATH_TOO_LONG:
        return QStringLiteral("the output path is too long");
    default:
        return QStringLiteral("error %1").arg(result);
    }
}

std::optional<QString> CheckAccurateRip(const std::string& address,
                                        std::vector<TrackRecord>& tracks,
                                        const std::function<void()>& wait) {
    const TrackRecord* any = nullptr;
    for (const TrackRecord& t : tracks) {
        if (t.result && t.result->ChecksumsValid)
            any = &t;
    }
    if (!any)
        return std::nullopt;
    const accuraterip::DiscId disc = DiscOf(*any->result);
    auto pending = std::async(std::launch::async,
                              [address, disc] { return accuraterip::Fetch(address, disc); });
    while (pending.wait_for(std::chrono::milliseconds(20)) != std::future_status::ready) {
        if (wait)
            wait();
    }
    const accuraterip::Lookup lookup = pending.get();
    if (lookup.status == accuraterip::Lookup::Status::Failed)
        return ui::FormatText(Text(IDS_READCD_AR_Unavailable),
                              {QString::fromStdString(lookup.error)});
    for (TrackRecord& t : tracks) {
        if (!t.result || !t.result->ChecksumsValid)
            continue;
        const auto v = accuraterip::Judge(lookup.entry, disc, t.trackNumber,
                                          t.result->AccurateRipV1, t.result->AccurateRipV2);
        switch (v.verdict) {
        case accuraterip::Verdict::Accurate:
            t.accurateRip = ui::FormatText(Text(IDS_READCD_AR_Accurate),
                                           {static_cast<long long>(v.confidence)});
            break;
        case accuraterip::Verdict::Mismatch:
            t.accurateRip = Text(IDS_READCD_AR_Mismatch);
            break;
        case accuraterip::Verdict::NotInDatabase:
            t.accurateRip = Text(IDS_READCD_AR_NotInDatabase);
            break;
        }
    }
    return std::nullopt;
}

std::optional<fs::path> WriteRipLog(const RipJobSettings& settings,
                                    const std::vector<TrackRecord>& tracks,
                                    const QString& accurateRipNote, std::string& error) {
    const QByteArray text = LogText(settings, tracks, accurateRipNote).toUtf8();
    const fs::path folder = fs::u8path(settings.outputFolder);
    for (int n = 1; n < 1000; ++n) {
        const fs::path file =
            folder / (n == 1 ? std::string("rip.log") : "rip (" + std::to_string(n) + ").log");
        // O_EXCL: an earlier log (or anything else of that name) is never replaced.
        const int fd = ::open(file.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
        if (fd < 0) {
            if (errno == EEXIST)
                continue;
            error = std::strerror(errno);
            return std::nullopt;
        }
        const char* p = text.constData();
        std::size_t left = static_cast<std::size_t>(text.size());
        while (left > 0) {
            const ssize_t written = ::write(fd, p, left);
            if (written < 0 && errno == EINTR)
                continue;
            if (written <= 0) {
                error = std::strerror(errno);
                ::close(fd);
                ::unlink(file.c_str());
                return std::nullopt;
            }
            p += written;
            left -= static_cast<std::size_t>(written);
        }
        if (::close(fd) != 0) {
            error = std::strerror(errno);
            ::unlink(file.c_str());
            return std::nullopt;
        }
        return file;
    }
    error = "too many rip logs in the folder";
    return std::nullopt;
}

} // namespace rip
