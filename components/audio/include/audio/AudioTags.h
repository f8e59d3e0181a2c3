#pragma once

#include <filesystem>
#include <string>

namespace audio {

// The tags a burn puts into CD-Text, as UTF-8; empty when the file has none.
struct AudioTags {
    std::string title, artist, album, albumArtist;
};

// Reads the container's tags (ID3, ASF, RIFF INFO, Vorbis comments) and, where the container
// has none, the first audio stream's. Throws AudioError when the file is not readable media.
AudioTags ReadAudioTags(const std::filesystem::path& file);

} // namespace audio
