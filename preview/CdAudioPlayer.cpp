#include "preview/CdAudioPlayer.h"

#include "discengine/Engine.h"

#include <QAudioDevice>
#include <QMediaDevices>

#include <algorithm>

namespace preview {

struct CdAudioPlayer::Session {
    int id = 0;
    std::int64_t firstSample = 0;
    std::unique_ptr<TrackStreamer> streamer;
    std::unique_ptr<PcmStream> stream;
    std::unique_ptr<AudioOutput> output;
};

namespace {

std::optional<discengine::CdioSource> SourceOf(char letter) {
    try {
        return discengine::DriveCdioSource(letter,
                                           discengine::DefaultDriveStore(discengine::ProgramDir()));
    } catch (const std::exception&) {
        return std::nullopt; // a store that cannot be read has no disc to play
    }
}

} // namespace

CdAudioPlayer::CdAudioPlayer(QObject* parent) : QObject(parent) {}

CdAudioPlayer::~CdAudioPlayer() {
    Close();
}

void CdAudioPlayer::Open(const QString& fileName) {
    Close();
    const auto address = ParseCdaPath(fileName);
    if (!address)
        throw PlayerError("\"" + fileName.toStdString() +
                          "\" is not a CD audio track (X:\\TrackNN.cda)");
    const std::string drive = std::string(1, address->letter) + ":";
    const auto source = SourceOf(address->letter);
    if (!source)
        throw PlayerError("There is no audio disc in drive " + drive);
    auto disc = CddaDisc::Open(*source);
    if (address->track > static_cast<int>(disc->Tracks().size()))
        throw PlayerError("The disc in drive " + drive + " has no track " +
                          std::to_string(address->track));
    disc_ = std::move(disc);
    letter_ = address->letter;
    track_ = address->track;
    position_ = TrackFirstSample(track_);
    start_ = position_;
    startSet_ = false;
    mode_ = PlayerMode::Stopped;
    ChooseOutput();
}

void CdAudioPlayer::ChooseOutput() {
    const bool forcedSilent = choice_ == OutputChoice::Silent ||
                              qEnvironmentVariable("PLATTERLY_AUDIO_OUTPUT") == "silent";
    const QAudioDevice device = forcedSilent ? QAudioDevice() : QMediaDevices::defaultAudioOutput();
    useDevice_ = !device.isNull();
    if (useDevice_)
        outputDescription_ = QStringLiteral("Audio output: %1").arg(device.description());
    else if (forcedSilent)
        outputDescription_ = QStringLiteral("Audio output: silent (chosen)");
    else
        outputDescription_ = QStringLiteral("Audio output: silent (no audio device found)");
    emit OutputChosen(outputDescription_);
}

void CdAudioPlayer::Close() {
    EndSession();
    disc_.reset();
    letter_ = 0;
    track_ = 0;
    mode_ = PlayerMode::NotReady;
}

std::unique_ptr<AudioOutput> CdAudioPlayer::MakeOutput() {
    if (useDevice_)
        return std::make_unique<DeviceOutput>(QMediaDevices::defaultAudioOutput());
    return std::make_unique<SilentOutput>();
}

void CdAudioPlayer::Play() {
    if (!disc_)
        throw PlayerError("The CD audio device is not open");
    EndSession();
    if (startSet_) {
        position_ = Clamp(start_);
        startSet_ = false;
    }
    const std::int64_t end = TrackEndSample(track_);
    if (position_ >= end) {
        mode_ = PlayerMode::Stopped;
        return;
    }
    auto session = std::make_unique<Session>();
    session->id = ++sessionCount_;
    session->firstSample = position_;
    const char letter = letter_;
    const std::string path = disc_->Source().path;
    session->streamer = std::make_unique<TrackStreamer>(*disc_, position_, end, [letter, path] {
        const auto source = SourceOf(letter);
        return source && source->path == path;
    });
    session->stream = std::make_unique<PcmStream>(*session->streamer, position_, tap_);
    session->output = MakeOutput();
    if (!session->output->Start(*session->stream, *session->streamer)) {
        // The device refused the stream: play on silently rather than not at all.
        useDevice_ = false;
        outputDescription_ =
            QStringLiteral("Audio output: silent (the audio device refused to play)");
        emit OutputChosen(outputDescription_);
        session->output = MakeOutput();
        session->output->Start(*session->stream, *session->streamer);
    }
    const int id = session->id;
    connect(
        session->output.get(), &AudioOutput::Ended, this, [this, id] { SessionEnded(id); },
        Qt::QueuedConnection);
    session_ = std::move(session);
    mode_ = PlayerMode::Playing;
}

void CdAudioPlayer::SessionEnded(int sessionId) {
    if (!session_ || session_->id != sessionId)
        return;
    const auto failure = session_->streamer->Failure();
    EndSession();
    // A device may report less than it played; a track played to its end stands at its end.
    if (!failure)
        position_ = TrackEndSample(track_);
    mode_ = PlayerMode::Stopped;
    if (failure)
        emit PlaybackFailed(QString::fromStdString(*failure));
}

void CdAudioPlayer::EndSession() {
    if (!session_)
        return;
    position_ = CurrentSample();
    session_->output->Stop();
    // The output goes before the stream it pulls from, the stream before its streamer.
    session_->output.reset();
    session_->stream.reset();
    session_.reset();
}

void CdAudioPlayer::Pause() {
    if (mode_ != PlayerMode::Playing)
        return;
    EndSession();
    mode_ = PlayerMode::Paused;
}

void CdAudioPlayer::Stop() {
    if (!disc_)
        return;
    EndSession();
    mode_ = PlayerMode::Stopped;
}

void CdAudioPlayer::Seek(std::int64_t position) {
    if (!disc_)
        throw PlayerError("The CD audio device is not open");
    EndSession();
    position_ = Clamp(ToSample(position));
    mode_ = PlayerMode::Stopped;
}

std::int64_t CdAudioPlayer::CurrentSample() const {
    if (!session_)
        return position_;
    const std::int64_t sample =
        session_->firstSample + session_->output->PlayedBytes() / kBytesPerSample;
    return std::min(sample, TrackEndSample(track_));
}

std::int64_t CdAudioPlayer::Position() const {
    return disc_ ? ToUnits(CurrentSample()) : 0;
}

const AudioTrack& CdAudioPlayer::Track(int track) const {
    if (!disc_)
        throw PlayerError("The CD audio device is not open");
    if (track < 1 || track > static_cast<int>(disc_->Tracks().size()))
        throw PlayerError("The disc has no track " + std::to_string(track));
    return disc_->Tracks()[static_cast<std::size_t>(track - 1)];
}

std::int64_t CdAudioPlayer::TrackFirstSample(int track) const {
    return std::int64_t{Track(track).first} * kSamplesPerSector;
}

std::int64_t CdAudioPlayer::TrackEndSample(int track) const {
    const AudioTrack& t = Track(track);
    return (std::int64_t{t.first} + t.sectors) * kSamplesPerSector;
}

std::int64_t CdAudioPlayer::TrackPosition(int track) const {
    return ToUnits(TrackFirstSample(track));
}

std::int64_t CdAudioPlayer::TrackLength(int track) const {
    // The difference of the two ends, so that start + length is exactly where playing stops.
    return ToUnits(TrackEndSample(track)) - ToUnits(TrackFirstSample(track));
}

int CdAudioPlayer::Tracks() const {
    return disc_ ? static_cast<int>(disc_->Tracks().size()) : 0;
}

std::int64_t CdAudioPlayer::StartPosition() const {
    return ToUnits(start_);
}

void CdAudioPlayer::SetStartPosition(std::int64_t position) {
    start_ = ToSample(position);
    startSet_ = true;
}

std::int64_t CdAudioPlayer::ToUnits(std::int64_t sample) const {
    if (format_ == TimeFormat::Frames)
        return sample / kSamplesPerSector;
    return sample * 1000 / kSampleRate;
}

// Positions given in milliseconds land on the CD frame they fall in, rounded up, which takes
// every position this player reports back to exactly the sample it came from at frame starts.
std::int64_t CdAudioPlayer::ToSample(std::int64_t units) const {
    if (format_ == TimeFormat::Frames)
        return units * kSamplesPerSector;
    const std::int64_t frames = (units * 75 + 999) / 1000;
    return frames * kSamplesPerSector;
}

std::int64_t CdAudioPlayer::Clamp(std::int64_t sample) const {
    return std::clamp(sample, TrackFirstSample(track_), TrackEndSample(track_));
}

} // namespace preview
