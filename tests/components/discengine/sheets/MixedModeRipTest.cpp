// A mixed-mode disc from a cue sheet, seen by libcdgrb.so loaded as any outside program loads it:
// the data track's volume is named, the first audio track rips to the very samples of the BIN.
#include "SheetFixture.h"
#include "c_client.h"

#include <gtest/gtest.h>

using namespace sheettest;
namespace fs = std::filesystem;

TEST(MixedModeRip, GrabbingLibraryNamesTheDataVolumeAndRipsTheAudioPcmIdentical) {
    Store s;
    const std::string iso = MakeIso(s.dir.path(), "GAMEDISC");
    const std::string music = Pcm(420, 21);
    testsupport::writeFile(s.dir / "game-data.bin", RawMode1(iso));
    testsupport::writeFile(s.dir / "game-music.bin", std::string(150 * kFrame, '\0') + music);
    testsupport::writeFile(s.dir / "game.cue", "FILE \"game-data.bin\" BINARY\n"
                                               "  TRACK 01 MODE1/2352\n    INDEX 01 00:00:00\n"
                                               "FILE \"game-music.bin\" BINARY\n"
                                               "  TRACK 02 AUDIO\n    TITLE \"Theme\"\n"
                                               "    INDEX 00 00:00:00\n    INDEX 01 00:02:00\n");
    s.store.InsertDiscImage('E', s.dir / "game.cue");
    ASSERT_EQ(setenv("PLATTERLY_DRIVES", (s.dir / "drives").c_str(), 1), 0);

    const fs::path wav = s.dir / "theme.wav";
    CClientResult result{};
    cclient_run((fs::path(PLATTERLY_DIST_DIR) / "libcdgrb.so").c_str(), 'E', wav.c_str(), &result);
    EXPECT_TRUE(result.ok) << result.message;
    EXPECT_EQ(result.tracksCount, 2);
    EXPECT_EQ(result.track1Audio, 0); // the data track
    // The library hands the ISO9660 volume identifier over as recorded: space-padded.
    std::string volume = result.volumeName;
    EXPECT_EQ(volume.substr(0, volume.find_last_not_of(' ') + 1), "GAMEDISC");
    EXPECT_STREQ(result.fileSystem, "ISO9660");
    const std::string bytes = testsupport::readFile(wav);
    ASSERT_EQ(bytes.size(), 44 + music.size());
    EXPECT_TRUE(bytes.substr(44) == music) << "PCM differs from the BIN";
}
