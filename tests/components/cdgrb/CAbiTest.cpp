// libcdgrb.so as an outside program sees it: loaded by full path, sixteen entry points and
// nothing else exported, a rip driven through the C interface alone from a drive of the store.
#include "TestDisc.h"
#include "c_client.h"
#include "cdgrb/cdgrb.h"
#include "support/TempDir.h"

#include <discengine/VirtualStore.h>

#include <gtest/gtest.h>

#include <cstdlib>
#include <set>
#include <sstream>

using namespace cdgrbtest;
namespace fs = std::filesystem;

namespace {

const fs::path kLibrary = fs::path(PLATTERLY_DIST_DIR) / "libcdgrb.so";
const fs::path kTestLibs = fs::path(PLATTERLY_DIST_DIR).parent_path() / "tests";

TEST(CAbiTest, LibraryExportsExactlyItsEighteenEntryPoints) {
    // The sixteen a loader requires, and the two a newer caller may use when present.
    EXPECT_EQ(cclient_count_entry_points(kLibrary.c_str()), 16);
    std::istringstream lines(
        runCommand("nm -D --defined-only " + quoted(kLibrary.string()) + " | awk '$2==\"T\"'"));
    std::set<std::string> exported;
    for (std::string line; std::getline(lines, line);)
        exported.insert(line.substr(line.rfind(' ') + 1));
    const std::set<std::string> expected = {
        "GrbCreateCDGrabber", "GrbSetCDLetter",      "GrbSetEncoderOptions", "GrbSetMonitor",
        "GrbRipTrack",        "GrbAbortRip",         "GrbCloseCDGrabber",    "DevCreateCDDevice",
        "DevGetLetter",       "DevGetSessionsCount", "DevGetVolumeName",     "DevGetFileSystemName",
        "DevGetTracksCount",  "DevGetTrack",         "DevGetCDText",         "DevCloseCDDevice",
        "GrbGetTrackResult",  "GrbSetReadOffset"};
    EXPECT_EQ(exported, expected);
}

TEST(CAbiTest, IncompleteLibrariesLackOneEntryPoint) {
    EXPECT_EQ(cclient_count_entry_points((kTestLibs / "libcdgrb_incomplete.so").c_str()), 15);
    EXPECT_EQ(cclient_count_entry_points((kTestLibs / "libcdgrb_incomplete_device.so").c_str()),
              15);
    EXPECT_EQ(cclient_count_entry_points((kTestLibs / "no-such-library.so").c_str()), -1);
}

TEST(CAbiTest, CClientReadsCdTextAndRipsThroughTheDriveStore) {
    testsupport::TempDir dir;
    const TestDisc disc =
        writeTestDisc(dir.path(), {{3 * 75, "Café", "Ann"}, {2 * 75 + 7, "Two", "Bob"}},
                      "Album Title", "Album Artist", "Rock");
    // The drive store the library sets the engine's registry up from, as in a process without
    // the app.
    const fs::path store = dir / "drives";
    discengine::VirtualStore virtualStore(store);
    virtualStore.AddDrive("1-reader", discengine::DriveConfig{});
    virtualStore.InsertDiscImage('D', disc.cue);
    ASSERT_EQ(setenv("PLATTERLY_DRIVES", store.c_str(), 1), 0);

    const fs::path wav = dir / "out" / "Café.wav";
    fs::create_directories(wav.parent_path());
    CClientResult result;
    cclient_run(kLibrary.c_str(), 'D', wav.c_str(), &result);
    EXPECT_TRUE(result.ok) << result.message << " start " << result.startResult << " end "
                           << result.endResult;
    EXPECT_EQ(result.tracksCount, 2);
    EXPECT_EQ(result.letter, 'D');
    EXPECT_EQ(result.sessions, 1);
    EXPECT_STREQ(result.volumeName, "");
    EXPECT_STREQ(result.fileSystem, "CDDA");
    EXPECT_EQ(result.track1Audio, 1);
    EXPECT_EQ(result.track1Sectors, 3u * 75);
    EXPECT_EQ(result.abortResult, CDGRB_OK);
    EXPECT_STREQ(result.discTitle, "Album Title");
    EXPECT_STREQ(result.track1Title, "Café");
    EXPECT_STREQ(result.genre, "Rock");
    EXPECT_GE(result.reports, 2);
    EXPECT_EQ(result.missingDevice, 0);
    EXPECT_LT(result.missingStart, 0);
    ASSERT_TRUE(fs::exists(wav));
    const std::string bytes = testsupport::readFile(wav);
    ASSERT_EQ(bytes.size(), 44 + disc.trackPcm(0).size());
    EXPECT_TRUE(bytes.substr(44) == disc.trackPcm(0)) << "PCM differs from the disc";
}

} // namespace
