#include "audio/TAudioInformation2.h"

#include "Probe.h"
#include "audio/AudioError.h"

#include <limits>

namespace audio {

bool TAudioInformation2::IsWavFile(const std::filesystem::path& file) const {
    return isFileOfKind(file, AudioKind::Wav);
}

bool TAudioInformation2::IsMp3File(const std::filesystem::path& file) const {
    return isFileOfKind(file, AudioKind::Mp3);
}

bool TAudioInformation2::IsWmaFile(const std::filesystem::path& file) const {
    return isFileOfKind(file, AudioKind::Wma);
}

void TAudioInformation2::SetFileName(const std::filesystem::path& file) {
    file_ = file;
    durationMs_.reset();
}

int TAudioInformation2::Duration() {
    if (!file_)
        throw AudioError("Duration: no audio file has been named");
    if (!durationMs_) {
        const AudioLength length = measureLength(*file_);
        const std::int64_t ms = (length.samples * 1000 + length.sampleRate / 2) / length.sampleRate;
        if (ms > std::numeric_limits<int>::max())
            throw AudioError("The audio file [" + file_->string() + "] is too long to measure");
        durationMs_ = static_cast<int>(ms);
    }
    return *durationMs_;
}

void TAudioInformation2::ResetInformation(int /*what*/) {
    file_.reset();
    durationMs_.reset();
}

} // namespace audio
