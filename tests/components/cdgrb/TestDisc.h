#pragma once

#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

// Audio discs for the tests: a BIN of synthesized little-endian PCM and a cue sheet with CD-Text
// (Latin-1, as libcdio reads cue text), written into a test's temporary folder.
namespace cdgrbtest {

struct TestTrack {
    int frames = 0;        // 1/75 s sectors
    std::string title;     // UTF-8; written to the cue as Latin-1
    std::string performer; // UTF-8
};

struct TestDisc {
    std::filesystem::path cue;
    std::filesystem::path bin;
    std::vector<TestTrack> tracks;
    std::string pcm; // the BIN's bytes

    // The bytes of track `index` (0-based) as they stand in the BIN.
    std::string trackPcm(int index) const;
    double trackSeconds(int index) const { return tracks.at(index).frames / 75.0; }
};

// Writes folder/<base>.bin and folder/<base>.cue.
TestDisc writeTestDisc(const std::filesystem::path& folder, const std::vector<TestTrack>& tracks,
                       const std::string& album = "Test Album",
                       const std::string& albumArtist = "Test Artist",
                       const std::string& genre = "Pop", const std::string& base = "disc");

// Runs a command through the shell; its standard output, and its exit status in `status`.
std::string runCommand(const std::string& command, int* status = nullptr);

// Shell-quotes a path or text.
std::string quoted(const std::string& text);

} // namespace cdgrbtest
