#include "preview/AudioOutputs.h"

#include <QAudioFormat>
#include <QAudioSink>

#include <algorithm>

namespace preview {

PcmStream::PcmStream(TrackStreamer& streamer, std::int64_t firstSample, const PcmTap& tap)
    : streamer_(streamer), firstSample_(firstSample), tap_(tap) {
    // Unbuffered: what the sink reads is exactly what was handed over and counted.
    open(QIODevice::ReadOnly | QIODevice::Unbuffered);
}

qint64 PcmStream::readData(char* data, qint64 maxSize) {
    const std::int64_t n = streamer_.Take(data, maxSize);
    if (n > 0 && tap_)
        tap_(firstSample_ + handed_ / kBytesPerSample, data, n);
    handed_ += n;
    return n;
}

// ---- silent ---------------------------------------------------------------------------------

SilentOutput::SilentOutput() {
    // Short ticks keep the played position within a few hundredths of a second of the clock.
    timer_.setInterval(10);
    timer_.setTimerType(Qt::PreciseTimer);
    connect(&timer_, &QTimer::timeout, this, &SilentOutput::Tick);
}

bool SilentOutput::Start(PcmStream& stream, TrackStreamer& streamer) {
    stream_ = &stream;
    streamer_ = &streamer;
    played_ = 0;
    clockBase_ = 0;
    clock_.start();
    timer_.start();
    return true;
}

void SilentOutput::Stop() {
    timer_.stop();
    stream_ = nullptr;
    streamer_ = nullptr;
}

void SilentOutput::Tick() {
    if (!stream_)
        return;
    const std::int64_t due =
        clockBase_ + clock_.nsecsElapsed() * kSampleRate / 1'000'000'000 * kBytesPerSample;
    std::int64_t want = due - played_;
    while (want > 0) {
        scratch_.resize(static_cast<std::size_t>(std::min<std::int64_t>(want, 64 * 1024)));
        const qint64 got = stream_->read(scratch_.data(), static_cast<qint64>(scratch_.size()));
        if (got <= 0)
            break;
        played_ += got;
        want -= got;
    }
    if (want <= 0)
        return;
    if (streamer_->Exhausted()) {
        timer_.stop();
        stream_ = nullptr;
        emit Ended();
        return;
    }
    // The reader fell behind: like a sound card after an underrun, the clock waits for it
    // instead of skipping samples.
    clockBase_ = played_;
    clock_.restart();
}

// ---- device ---------------------------------------------------------------------------------

DeviceOutput::DeviceOutput(const QAudioDevice& device) : device_(device) {
    endCheck_.setInterval(50);
    connect(&endCheck_, &QTimer::timeout, this, &DeviceOutput::CheckEnd);
}

DeviceOutput::~DeviceOutput() {
    Stop();
}

bool DeviceOutput::Start(PcmStream& stream, TrackStreamer& streamer) {
    QAudioFormat format;
    format.setSampleRate(kSampleRate);
    format.setChannelCount(2);
    format.setSampleFormat(QAudioFormat::Int16);
    if (!device_.isFormatSupported(format))
        return false;
    stream_ = &stream;
    streamer_ = &streamer;
    ended_ = false;
    drainClock_.invalidate();
    sink_ = std::make_unique<QAudioSink>(device_, format);
    sink_->start(&stream);
    if (sink_->error() != QAudio::NoError || sink_->state() == QAudio::StoppedState) {
        sink_.reset();
        return false;
    }
    endCheck_.start();
    return true;
}

void DeviceOutput::Stop() {
    endCheck_.stop();
    if (sink_)
        sink_->stop();
    sink_.reset();
    stream_ = nullptr;
    streamer_ = nullptr;
}

std::int64_t DeviceOutput::PlayedBytes() const {
    if (!sink_ || !stream_)
        return 0;
    const std::int64_t played = sink_->processedUSecs() * kSampleRate / 1'000'000 * kBytesPerSample;
    return std::min(played, stream_->HandedBytes());
}

void DeviceOutput::CheckEnd() {
    // The sink idles when the stream runs dry; the track is over when nothing more will come
    // and the device has played what it was given.
    if (ended_ || !sink_ || !streamer_ || !streamer_->Exhausted())
        return;
    if (sink_->state() != QAudio::IdleState && sink_->error() == QAudio::NoError)
        return;
    // The sink idles once it has passed everything on; the device still holds the last part.
    // Stopping now would cut it off, so wait until it has been played (or for a second at most,
    // for a device that does not report it).
    if (!drainClock_.isValid())
        drainClock_.start();
    if (PlayedBytes() < stream_->HandedBytes() && !drainClock_.hasExpired(1000))
        return;
    ended_ = true;
    endCheck_.stop();
    emit Ended();
}

} // namespace preview
