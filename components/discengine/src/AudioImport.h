#pragma once

#include "discengine/SampleAudioDisc.h"

#include <filesystem>
#include <string>

namespace discengine {

// Reads an audio CD image (cue sheet or cdrdao TOC) through libcdio - its track table, CD-Text
// and audio - and writes it as folder/baseName.bin + .cue in our own form. Throws EngineError
// for unreadable images and for data tracks.
AudioDiscFiles ImportAudioDisc(const std::filesystem::path& cueOrToc,
                               const std::filesystem::path& folder, const std::string& baseName);

} // namespace discengine
