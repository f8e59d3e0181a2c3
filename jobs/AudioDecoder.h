#pragma once

#include <filesystem>

namespace jobs {

// Decodes `source` into a new CD-format WAV in `folder` through the audio component, which is
// loaded from the program folder only now: a job with nothing to decode starts without FFmpeg.
// Throws std::runtime_error with the reason.
std::filesystem::path DecodeToNewWav(const std::filesystem::path& source,
                                     const std::filesystem::path& folder);

} // namespace jobs
