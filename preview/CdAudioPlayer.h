#pragma once

#include "preview/AudioOutputs.h"
#include "preview/PlayerError.h"

#include <QObject>
#include <QString>

#include <cstdint>
#include <memory>

// The media player of the preview window for CD audio: it opens "X:\TrackNN.cda" (drive X,
// audio track NN) through the disc engine's drive registry and plays it from the disc.
// Positions count from the start of the disc, in the time format chosen (milliseconds unless
// told otherwise). Playing runs to the end of the opened track.
namespace preview {

enum class PlayerMode { NotReady, Stopped, Playing, Recording, Seeking, Paused, Open };
enum class TimeFormat { Milliseconds, Frames };

// Where the sound goes. Automatic: the default audio device, or the silent real-time sink when
// there is none (or PLATTERLY_AUDIO_OUTPUT=silent is set). Silent: always the silent sink.
enum class OutputChoice { Automatic, Silent };

class CdAudioPlayer : public QObject {
    Q_OBJECT

public:
    explicit CdAudioPlayer(QObject* parent = nullptr);
    ~CdAudioPlayer() override;

    // Opens the CD audio device on the track file; throws PlayerError with a sentence for the
    // user (no such drive, no disc, no such track, unreadable disc).
    void Open(const QString& fileName);
    void Close();
    // Plays from the start position when one was set since the last play, else from the
    // current position, to the end of the opened track. Throws PlayerError when not open.
    void Play();
    void Pause();
    void Stop();
    // Moves to `position` (within the opened track) and leaves the player stopped.
    void Seek(std::int64_t position);

    void SetTimeFormat(TimeFormat format) { format_ = format; }
    TimeFormat GetTimeFormat() const { return format_; }
    PlayerMode Mode() const { return mode_; }
    std::int64_t Position() const;
    // Audio track `track` (1-based, as in TrackNN.cda): where it starts and how long it is.
    // Throws PlayerError for a track the disc does not have.
    std::int64_t TrackPosition(int track) const;
    std::int64_t TrackLength(int track) const;
    int Tracks() const;
    std::int64_t StartPosition() const;
    void SetStartPosition(std::int64_t position);

    // The track the open file names (1-based), 0 when not open.
    int OpenedTrack() const { return track_; }
    void SetOutputChoice(OutputChoice choice) { choice_ = choice; }
    // What the sound goes to, as a sentence for the log.
    const QString& OutputDescription() const { return outputDescription_; }
    // Sees every byte handed to the output (tests and the benchmark).
    void SetPcmTap(PcmTap tap) { tap_ = std::move(tap); }

signals:
    // Playback stopped early: a sector could not be read or the disc left the drive.
    void PlaybackFailed(const QString& message);
    // The output chosen when the device was opened (or the fallback taken when it failed).
    void OutputChosen(const QString& description);

private:
    struct Session;
    void ChooseOutput();
    std::unique_ptr<AudioOutput> MakeOutput();
    void EndSession();
    void SessionEnded(int sessionId);
    // Where playing stands, in disc samples.
    std::int64_t CurrentSample() const;
    const AudioTrack& Track(int track) const;
    std::int64_t TrackFirstSample(int track) const;
    std::int64_t TrackEndSample(int track) const;
    std::int64_t ToUnits(std::int64_t sample) const;
    std::int64_t ToSample(std::int64_t units) const;
    std::int64_t Clamp(std::int64_t sample) const;

    std::unique_ptr<CddaDisc> disc_;
    char letter_ = 0;
    int track_ = 0;
    PlayerMode mode_ = PlayerMode::NotReady;
    TimeFormat format_ = TimeFormat::Milliseconds;
    std::int64_t position_ = 0; // disc sample, while no session runs
    std::int64_t start_ = 0;    // disc sample
    bool startSet_ = false;
    OutputChoice choice_ = OutputChoice::Automatic;
    bool useDevice_ = false;
    QString outputDescription_;
    PcmTap tap_;
    std::unique_ptr<Session> session_;
    int sessionCount_ = 0;
};

} // namespace preview
