// Track list and CD-Text of a test disc as a device reports them.
#include "Device.h"
#include "RipHarness.h"
#include "support/TempDir.h"

#include <gtest/gtest.h>

using namespace cdgrb;
using namespace cdgrbtest;

namespace {

TEST(DeviceTest, TracksAndCdTextOfAnAudioDisc) {
    testsupport::TempDir dir;
    const TestDisc test = writeTestDisc(
        dir.path(), {{2 * 75, "Überall", "Ann"}, {3 * 75 + 5, "Zwei", "Bob"}, {75, "", ""}},
        "Das Album", "Die Band", "Pop-Folk");
    auto disc = Disc::open({test.cue.string(), DRIVER_BINCUE, {}});
    ASSERT_TRUE(disc);
    Device device('D', std::move(*disc));
    EXPECT_EQ(device.tracksCount(), 3);
    EXPECT_EQ(device.sessionsCount(), 1);

    TGrbTrackInfo info{};
    ASSERT_EQ(device.track(2, &info), CDGRB_OK);
    EXPECT_EQ(info.Number, 2);
    EXPECT_EQ(info.IsAudio, 1);
    EXPECT_EQ(info.StartSector, 150u);
    EXPECT_EQ(info.Sectors, 230u);
    EXPECT_EQ(device.track(4, &info), CDGRB_E_TRACK);

    std::int32_t length = -1;
    EXPECT_STREQ(device.cdText(0, 0, &length), "Das Album");
    EXPECT_EQ(length, 9);
    EXPECT_STREQ(device.cdText(0, 1, nullptr), "Die Band");
    EXPECT_STREQ(device.cdText(0, 7, nullptr), "Pop-Folk");
    EXPECT_STREQ(device.cdText(1, 0, nullptr), "Überall"); // Latin-1 on the disc, UTF-8 here
    EXPECT_STREQ(device.cdText(2, 1, nullptr), "Bob");
    EXPECT_EQ(device.cdText(3, 0, nullptr), nullptr);
    EXPECT_EQ(device.cdText(0, 0x2F, nullptr), nullptr); // not a CD-Text kind
    // The same text is handed out again, at the same address.
    EXPECT_EQ(device.cdText(0, 0, nullptr), device.cdText(0, 0, nullptr));

    char name[33] = {};
    device.fileSystemName(name);
    EXPECT_STREQ(name, "CDDA");
}

TEST(DeviceTest, UnreadableSourcesOpenNothing) {
    testsupport::TempDir dir;
    EXPECT_FALSE(Disc::open({(dir / "none.cue").string(), DRIVER_BINCUE, {}}));
    testsupport::writeFile(dir / "bad.cue", "FILE \"bad.bin\" BINARY\n  TRACK 01 AUDIO\n"
                                            "    POSTGAP 00:02:00\n");
    EXPECT_FALSE(Disc::open({(dir / "bad.cue").string(), DRIVER_BINCUE, {}}));
    testsupport::writeFile(dir / "garbage.cue", std::string("\x00\x01\xff garbage", 11));
    EXPECT_FALSE(Disc::open({(dir / "garbage.cue").string(), DRIVER_BINCUE, {}}));
}

} // namespace
