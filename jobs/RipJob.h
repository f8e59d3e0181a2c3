#pragma once

#include "cdgrb/cdgrb.h"
#include "core/globals.h"

#include <QString>

#include <chrono>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <vector>

class TCDGrabber;

// The rip job: the ticked tracks of the audio CD one by one into files through the read grabber,
// kept apart from the widgets behind IRipHost so that the page and the tests drive the same code.
namespace rip {

// The speed factor as the Status column shows it: two significant digits, at most one decimal,
// fixed with one decimal ("8.3", "12.0", "0.5"); from 100 on in exponent form ("1.2E2", "1E2").
QString SpeedFactorText(double factor);

// A title made safe as a file name inside the output folder: "/" and NUL become "_", and a name
// that is "." or ".." as a whole becomes "_". Every other character stays.
std::string SafeFileName(const std::string& name);

// "Track%0.2d" of the language table.
QString DefaultTrackTitle(int trackNumber);

struct OutputFormat {
    const char* extension;
    std::int32_t code;
};
// 1 WAV (and any value not listed), 2 RAW, 3 MP3, 4 OGG, 5 FLAC.
OutputFormat FormatFor(int grabOutputFormat);

// True for the ID3v2 frame identifiers the grabbing library writes: COMM, USLT, TXXX, WXXX and
// every other T*** and W*** (four characters A-Z, 0-9). Others are left out, and the job says so.
bool Id3v2FrameWritable(const std::string& id);

// The tag texts of one track.
struct TrackTags {
    QString title;
    QString artist;
    QString album;
    QString year;
    int genreIndex = 12;
    QString genre;       // the genre's name (FLAC's GENRE comment); empty: none
    int trackNumber = 0; // on the disc (FLAC's TRACKNUMBER); 0: none
};

// The options record of one track with the ID3v2 frame array and the texts it points to. Moving
// it keeps those addresses valid (the buffers move, not their contents).
class EncoderRecord {
public:
    std::int32_t Code() const { return code_; }
    const void* Data() const { return bytes_.data(); }
    std::int32_t Size() const { return static_cast<std::int32_t>(bytes_.size()); }
    const std::vector<TGrbId3v2Frame>& Frames() const { return frames_; }

    friend bool MakeEncoderRecord(int, const std::string&, const TrackTags&,
                                  const globals::RipOptions&, EncoderRecord&);

private:
    std::int32_t code_ = 0;
    std::vector<std::uint8_t> bytes_;
    std::vector<std::string> values_;
    std::vector<TGrbId3v2Frame> frames_;
    std::vector<TGrbComment> comments_;
};

// Fills the record of the format for `outputPath` (UTF-8). False when the path does not fit the
// record's path field: cutting it would name another file.
bool MakeEncoderRecord(int grabOutputFormat, const std::string& outputPath, const TrackTags& tags,
                       const globals::RipOptions& options, EncoderRecord& record);

// What the job needs from the page it runs on.
class IRipHost {
public:
    virtual ~IRipHost() = default;
    virtual int RowCount() const = 0;
    virtual bool RowChecked(int row) const = 0;
    virtual QString RowTitle(int row) const = 0;
    virtual QString RowArtist(int row) const = 0;
    virtual void SetTrackStatus(int row, const QString& text) = 0;
    // Album, genre and year as the rip options dialog shows them now.
    virtual TrackTags DialogTags() const = 0;
    // Length of track n (1-based) in frames; may throw.
    virtual std::int32_t TrackFrames(int trackNumber) = 0;
    virtual void ShowStatus(const QString& text) = 0;
    virtual void SetProgress(int percent) = 0;
    virtual void SetIdle(bool idle) = 0;
    // Lets pending user-interface events run.
    virtual void ProcessEvents() = 0;
};

struct RipJobSettings {
    std::string outputFolder; // with a trailing "/"
    bool replaceExisting = false;
    int grabOutputFormat = globals::FormatWav;
    globals::RipOptions options;
    char driveLetter = 'D';
    // For the rip log: the drive as the user knows it, and the read offset correction in
    // samples (0: none; virtual drives need none).
    std::string driveDescription;
    std::int32_t readOffset = 0;
    // A rip log beside the files, one per job.
    bool writeLog = true;
    // Interval between turns of the wait for a track; the events run at each turn.
    std::chrono::milliseconds pollInterval{5};
    // The pause before a track's time is measured (at least one second of elapsed time).
    std::chrono::milliseconds pauseBeforeMeasure{1000};
};

// The output path of a row: folder + safe title (or "TrackNN") + extension.
std::string OutputPathFor(const RipJobSettings& settings, const QString& title, int row);

// One track of the disc into one file: what the Read CD page does for each ticked row and what a
// copy job does for each track of the source disc.
struct TrackRip {
    int trackIndex = 0;     // from 0, as the grabber counts
    std::string outputPath; // UTF-8; an existing file is replaced only when the settings say so
    TrackTags tags;
};
enum class TrackOutcome { Success, Skipped, Failed };

// How the wait for a track's end reports: `progress` hears the track's percent at each turn,
// `events` lets the caller's events run (a cancel comes through them).
struct RipTurns {
    std::function<void(int trackPercent)> progress;
    std::function<void()> events;
};

// Starts the track's rip and waits for its end; errors become Failed, an existing file that
// must not be replaced Skipped. The grabber's monitor is set to the job's.
// `result`, when given, gets what the library found for the track once its rip has ended.
TrackOutcome RipTrack(TCDGrabber& grabber, const RipJobSettings& settings, const TrackRip& track,
                      const RipTurns& turns, std::optional<TGrbTrackResult>* result = nullptr);

// Runs the job over every row (the caller has checked that one is ticked); then, when the user
// allows it, checks the ripped tracks with the AccurateRip database, and writes the rip log.
void RunRipJob(TCDGrabber& grabber, IRipHost& host, const RipJobSettings& settings);

} // namespace rip
