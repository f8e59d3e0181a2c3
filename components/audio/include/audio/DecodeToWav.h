#pragma once

#include <filesystem>

namespace audio {

// Decodes `source` (any format FFmpeg reads: WAV of any rate, channels and sample size, MP3,
// WMA, ...) into the WAV file `target` as 44100 Hz, 16-bit, stereo PCM, through a TAudioFile2
// reader and writer pair. `target` is created or replaced; on failure it is removed and
// AudioError is thrown. A target that is the source itself is refused.
void DecodeToWav(const std::filesystem::path& source, const std::filesystem::path& target);

// Like DecodeToWav, into a new file in `folder` named after the source with the extension
// ".wav". An existing file is never replaced: when the name is taken, " (2)", " (3)", ... is
// added to the stem. Returns the path of the file written.
std::filesystem::path DecodeToNewWav(const std::filesystem::path& source,
                                     const std::filesystem::path& folder);

} // namespace audio
