#include "RipTestSupport.h"

#include "core/globals.h"

#include <QCoreApplication>
#include <QProcess>

#include <cdio/cdio.h>

#include <gtest/gtest.h>

#include <stdexcept>

namespace fs = std::filesystem;
namespace de = discengine;

SampleDiscFixture::SampleDiscFixture() {
    globals::ProgramDir = std::string(PLATTERLY_DIST_DIR) + "/";
    de::EngineOptions options;
    options.store = dir_.path() / "drives";
    options.createDefaultStore = true;
    engine_ = de::CreateEngine(options);
    if (!engine_->Initialize(0))
        throw std::runtime_error("engine did not start: " + engine_->LastError());
}

std::shared_ptr<de::IDeviceX> SampleDiscFixture::DriveD() {
    for (int i = 0; i < engine_->DeviceCount(); ++i) {
        auto d = engine_->Device(i);
        if (d->DriveLetter() == 'D') {
            d->Refresh(true);
            return d;
        }
    }
    throw std::runtime_error("no drive D:");
}

fs::path SampleDiscFixture::DiscBin() const {
    for (const auto& e : fs::recursive_directory_iterator(dir_.path() / "drives"))
        if (e.path().filename() == "disc.bin")
            return e.path();
    throw std::runtime_error("no disc.bin in the store");
}

fs::path SampleDiscFixture::DiscCue() const {
    return DiscBin().replace_extension(".cue");
}

std::string ReadTrackPcm(const fs::path& cue, int track) {
    std::unique_ptr<CdIo_t, decltype(&cdio_destroy)> cd(cdio_open(cue.c_str(), DRIVER_BINCUE),
                                                        &cdio_destroy);
    if (!cd)
        throw std::runtime_error("libcdio cannot open " + cue.string());
    const lsn_t first = cdio_get_track_lsn(cd.get(), static_cast<track_t>(track));
    const lsn_t last = cdio_get_track_last_lsn(cd.get(), static_cast<track_t>(track));
    std::string pcm(static_cast<std::size_t>(last - first + 1) * CDIO_CD_FRAMESIZE_RAW, '\0');
    for (lsn_t s = first; s <= last; ++s)
        if (cdio_read_audio_sector(
                cd.get(), pcm.data() + static_cast<std::size_t>(s - first) * CDIO_CD_FRAMESIZE_RAW,
                s) != DRIVER_OP_SUCCESS)
            throw std::runtime_error("libcdio cannot read a sector");
    return pcm;
}

QStringList Probe(const fs::path& file) {
    QProcess p;
    p.start(QStringLiteral("ffprobe"),
            {QStringLiteral("-v"), QStringLiteral("error"), QStringLiteral("-show_entries"),
             QStringLiteral("format=duration:format_tags:stream_tags"), QStringLiteral("-of"),
             QStringLiteral("default=nw=1"), QString::fromStdString(file.string())});
    p.waitForFinished(60000);
    return QString::fromUtf8(p.readAllStandardOutput()).split(QLatin1Char('\n'));
}

QStringList ReadTags(const fs::path& file) {
    QProcess p;
    p.start(QStringLiteral("/usr/bin/python3"),
            {QStringLiteral(PLATTERLY_SOURCE_DIR "/tests/components/cdgrb/read_tags.py"),
             QString::fromStdString(file.string())});
    p.waitForFinished(60000);
    return QString::fromUtf8(p.readAllStandardOutput())
        .split(QLatin1Char('\n'), Qt::SkipEmptyParts);
}

QStringList TagValues(const QStringList& lines, const QString& key) {
    QStringList values;
    const QString prefix = key + QLatin1Char('=');
    for (const QString& line : lines) {
        if (line.startsWith(prefix))
            values << line.mid(prefix.size());
    }
    return values;
}

QString ProbeValue(const QStringList& lines, const QString& key) {
    for (const QString& line : lines) {
        const int eq = line.indexOf(QLatin1Char('='));
        if (eq < 0)
            continue;
        QString k = line.left(eq);
        k.remove(QStringLiteral("TAG:"));
        if (k.compare(key, Qt::CaseInsensitive) == 0)
            return line.mid(eq + 1);
    }
    return {};
}

std::int32_t FakeRipHost::TrackFrames(int trackNumber) {
    return drive->AudioTrackList()->TrackLength(trackNumber);
}

void FakeRipHost::ProcessEvents() {
    QCoreApplication::processEvents();
    if (onEvents)
        onEvents();
}

void FakeRipHost::Fill(int count, std::initializer_list<int> ticked) {
    rows.clear();
    for (int n = 1; n <= count; ++n)
        rows.push_back({rip::DefaultTrackTitle(n), QString(), false, QString()});
    for (int n : ticked)
        rows[static_cast<std::size_t>(n - 1)].checked = true;
}
