#pragma once

#include "jobs/RipJob.h"
#include "support/TempDir.h"

#include "discengine/Engine.h"

#include <QString>
#include <QStringList>

#include <filesystem>
#include <functional>
#include <memory>
#include <string>
#include <vector>

// An engine on a fresh default store in a temporary folder (D: holds the sample audio CD), with
// the program folder pointed at the bundle so the grabber finds libcdgrb.so.
class SampleDiscFixture {
public:
    SampleDiscFixture();
    discengine::IDVDEngineX& Engine() { return *engine_; }
    std::shared_ptr<discengine::IDeviceX> DriveD();
    // The BIN and cue of the disc in D:.
    std::filesystem::path DiscBin() const;
    std::filesystem::path DiscCue() const;
    const std::filesystem::path& Root() const { return dir_.path(); }

private:
    testsupport::TempDir dir_;
    std::unique_ptr<discengine::IDVDEngineX> engine_;
};

// The audio of track n (1-based) as libcdio reads it from the cue: little-endian PCM.
std::string ReadTrackPcm(const std::filesystem::path& cue, int track);

// ffprobe's "key=value" lines for a file's format and stream (duration, tags).
QStringList Probe(const std::filesystem::path& file);
QString ProbeValue(const QStringList& lines, const QString& key);

// mutagen's reading of a file's tags (tests/components/cdgrb/read_tags.py): "key=value" lines,
// e.g. "TALB=...", "COMM:eng:=...", "id3v1.album=...", "TITLE=...".
QStringList ReadTags(const std::filesystem::path& file);
// The values of `key` in ReadTags' lines, in order.
QStringList TagValues(const QStringList& lines, const QString& key);

// A track list in memory that records what the job shows.
class FakeRipHost : public rip::IRipHost {
public:
    struct Row {
        QString title;
        QString artist;
        bool checked = false;
        QString status;
    };
    std::vector<Row> rows;
    rip::TrackTags tags{QString(),
                        QString(),
                        QStringLiteral("An Album"),
                        QStringLiteral("2024"),
                        13,
                        QStringLiteral("Pop"),
                        0};
    std::shared_ptr<discengine::IDeviceX> drive;
    QStringList statuses;
    std::vector<int> progress;
    std::vector<bool> idle;
    std::function<void()> onEvents;

    int RowCount() const override { return static_cast<int>(rows.size()); }
    bool RowChecked(int row) const override { return rows[row].checked; }
    QString RowTitle(int row) const override { return rows[row].title; }
    QString RowArtist(int row) const override { return rows[row].artist; }
    void SetTrackStatus(int row, const QString& text) override { rows[row].status = text; }
    rip::TrackTags DialogTags() const override { return tags; }
    std::int32_t TrackFrames(int trackNumber) override;
    void ShowStatus(const QString& text) override { statuses << text; }
    void SetProgress(int percent) override { progress.push_back(percent); }
    void SetIdle(bool on) override { idle.push_back(on); }
    void ProcessEvents() override;

    // Rows TrackNN for every track of the drive, ticked as given (1-based track numbers).
    void Fill(int count, std::initializer_list<int> ticked);
};
