#pragma once

#include <filesystem>
#include <string>

namespace jobs {

// Decodes `source` into a new CD-format WAV in `folder` through the audio component, which is
// loaded from the program folder only now: a job with nothing to decode starts without FFmpeg.
// Throws std::runtime_error with the reason.
std::filesystem::path DecodeToNewWav(const std::filesystem::path& source,
                                     const std::filesystem::path& folder);

// The tags of `source` that go into CD-Text (UTF-8, empty when absent). A file without
// readable tags gives empty fields: the tags only name the music, they never stop a burn.
struct SourceTags {
    std::string title, artist, album, albumArtist;
};
SourceTags ReadSourceTags(const std::filesystem::path& source);

} // namespace jobs
