#pragma once

#include "preview/TrackStreamer.h"

#include <QAudioDevice>
#include <QElapsedTimer>
#include <QIODevice>
#include <QObject>
#include <QTimer>

#include <functional>
#include <memory>

class QAudioSink;

namespace preview {

// Called with the PCM handed to the output (little-endian 16-bit stereo) and the disc sample
// its first byte belongs to.
using PcmTap = std::function<void(std::int64_t firstSample, const char* data, std::int64_t bytes)>;

// The streamer's samples as a device the audio sink pulls from; counts what it handed over.
// `tap` is the player's, so a tap set while playing sees the rest of the session.
class PcmStream : public QIODevice {
public:
    PcmStream(TrackStreamer& streamer, std::int64_t firstSample, const PcmTap& tap);
    bool isSequential() const override { return true; }
    std::int64_t HandedBytes() const { return handed_; }

protected:
    qint64 readData(char* data, qint64 maxSize) override;
    qint64 writeData(const char*, qint64) override { return -1; }

private:
    TrackStreamer& streamer_;
    std::int64_t firstSample_;
    const PcmTap& tap_;
    std::int64_t handed_ = 0;
};

// Where a play session's samples go. Ended() is raised, queued, once the stream has nothing
// more to give and what it gave has been played.
class AudioOutput : public QObject {
    Q_OBJECT

public:
    // False when the output could not start (the caller falls back to the silent one).
    virtual bool Start(PcmStream& stream, TrackStreamer& streamer) = 0;
    virtual void Stop() = 0;
    // Bytes that have been played so far in this session.
    virtual std::int64_t PlayedBytes() const = 0;

signals:
    void Ended();
};

// No sound: a real-time clock takes the samples at 44.1 kHz, so positions, modes and the end of
// the track behave as with a sound card.
class SilentOutput final : public AudioOutput {
public:
    SilentOutput();
    bool Start(PcmStream& stream, TrackStreamer& streamer) override;
    void Stop() override;
    std::int64_t PlayedBytes() const override { return played_; }

private:
    void Tick();

    QTimer timer_;
    QElapsedTimer clock_;
    PcmStream* stream_ = nullptr;
    TrackStreamer* streamer_ = nullptr;
    std::int64_t played_ = 0;
    std::int64_t clockBase_ = 0; // bytes played when the clock was last (re)started
    std::vector<char> scratch_;
};

// The audio device through Qt Multimedia's QAudioSink, pulling from the stream.
class DeviceOutput final : public AudioOutput {
public:
    explicit DeviceOutput(const QAudioDevice& device);
    ~DeviceOutput() override;
    bool Start(PcmStream& stream, TrackStreamer& streamer) override;
    void Stop() override;
    std::int64_t PlayedBytes() const override;

private:
    void CheckEnd();

    QAudioDevice device_;
    std::unique_ptr<QAudioSink> sink_;
    PcmStream* stream_ = nullptr;
    TrackStreamer* streamer_ = nullptr;
    QTimer endCheck_;
    QElapsedTimer drainClock_; // runs from the first check that found the stream played out
    bool ended_ = false;
};

} // namespace preview
