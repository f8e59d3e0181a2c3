#pragma once

#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

namespace discengine {

struct CdTextTrack {
    std::string title;
    std::string performer;
};

// CD-Text of an audio disc. Texts are UTF-8 here and stored as Latin-1 (CD-Text's own
// character set); characters outside Latin-1 become '?'.
struct AudioDiscText {
    std::string album;
    std::string performer;
    std::string genre;
    std::vector<CdTextTrack> tracks;
};

// An audio disc as the engine stores it: one little-endian 16-bit stereo PCM BIN and a cue
// sheet of the same base name that libcdio opens with DRIVER_BINCUE.
struct AudioDiscFiles {
    std::filesystem::path cue;
    std::filesystem::path bin;
    std::vector<std::int32_t> trackFrames; // length of each track in frames (75 a second)
    AudioDiscText text;
};

// Writes the cue sheet for a BIN holding the tracks back to back, first track at LBA 0.
void WriteCueSheet(const std::filesystem::path& cue, const std::string& binFileName,
                   const std::vector<std::int32_t>& trackFrames, const AudioDiscText& text);

// The sample audio CD of the default store: five tracks of synthesized music (chords, a melody,
// drums and noise; 20 to 40 seconds each) with CD-Text, written as folder/baseName.bin and
// folder/baseName.cue. Deterministic: the same bytes every time.
AudioDiscFiles WriteSampleAudioDisc(const std::filesystem::path& folder,
                                    const std::string& baseName = "disc");

// The CD-Text and track lengths the sample disc carries, without writing it.
AudioDiscText SampleAudioDiscText();
std::vector<std::int32_t> SampleAudioDiscTrackFrames();

} // namespace discengine
