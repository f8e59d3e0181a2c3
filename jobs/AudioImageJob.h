#pragma once

#include "discengine/AudioImage.h"
#include "discengine/Device.h"

#include <filesystem>
#include <functional>
#include <stdexcept>
#include <string>
#include <vector>

// Preparing an audio CD: the tracks go into the engine's audio image in play order; a file the
// image refuses (MP3, WMA, a WAV not in CD format) is decoded into a CD-format WAV first.
namespace jobs {

// Why a job could not go on, as the user is told it.
class JobError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};
// The audio image refused a track even in CD format (a full image of 99 tracks, a bad position).
class TrackRefused : public JobError {
public:
    using JobError::JobError;
};
// The user stopped the job before it was started.
class JobCancelled : public std::runtime_error {
public:
    JobCancelled() : std::runtime_error("cancelled") {}
};

// The audio image's tracks for one burn. The decoded WAVs live in a private temporary folder
// that this object owns: they are removed with it, however the job ends.
class AudioImagePreparation {
public:
    // The private folder is made in `parent` (created when missing; the system's temporary
    // folder when empty), so a decoded copy never replaces a file it did not write and two
    // sources of the same name never share one. Throws JobError when it cannot be made.
    explicit AudioImagePreparation(const std::filesystem::path& parent = {});
    ~AudioImagePreparation();
    AudioImagePreparation(const AudioImagePreparation&) = delete;
    AudioImagePreparation& operator=(const AudioImagePreparation&) = delete;

    // Empties the image and puts every file in, in play order. `notice` hears each track as it
    // goes in ("Track 2: decoding a.mp3"); `stop` is asked before each file and a true answer
    // throws JobCancelled. Throws JobError naming the file that could not go in (TrackRefused
    // when the image refused even the decoded copy). Each track's CD-Text is its file's title and
    // artist tags (the file name without extension when untitled); the album's is the first
    // album tag with its album artist (else that file's artist).
    void Fill(discengine::IAudioCDImageX& image, const std::vector<std::filesystem::path>& files,
              const std::function<void(const std::string&)>& notice,
              const std::function<bool()>& stop = {});

    const std::filesystem::path& TempFolder() const { return temp_; }

private:
    std::filesystem::path temp_;
};

// The drive must be a writer holding a blank disc with room for `blocks`; throws JobError
// saying what is missing.
void CheckAudioDisc(discengine::IDeviceX& device, std::int32_t blocks);

} // namespace jobs
