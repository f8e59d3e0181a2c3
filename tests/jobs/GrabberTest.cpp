#include "RipTestSupport.h"

#include "core/globals.h"
#include "jobs/TCDGrabber.h"

#include "discengine/SampleAudioDisc.h"

#include <QCoreApplication>
#include <QObject>

#include <gtest/gtest.h>

namespace fs = std::filesystem;

namespace {

const fs::path kIncomplete = fs::path(PLATTERLY_TEST_BIN_DIR) / "libcdgrb_incomplete.so";
const fs::path kIncompleteDevice =
    fs::path(PLATTERLY_TEST_BIN_DIR) / "libcdgrb_incomplete_device.so";

TEST(GrabberLoading, WithoutTheLibraryEveryCallFailsAtOnceAndNothingIsReported) {
    testsupport::TempDir empty;
    globals::ProgramDir = empty.path().string() + "/";
    GrabFinished = false;
    GrabPercent = 0;
    TCDGrabber grabber;
    EXPECT_FALSE(grabber.Loaded());
    EXPECT_EQ(grabber.SetCDLetter('D'), GrbNotLoaded);
    EXPECT_EQ(grabber.SetEncoderOptions(2, nullptr, 276), GrbNotLoaded);
    grabber.SetMonitor(&GrabberMonitor);
    EXPECT_EQ(grabber.RipTrack(0), GrbNotLoaded);
    EXPECT_LT(grabber.RipTrack(0), 0);
    grabber.AbortRip();
    EXPECT_FALSE(GrabFinished);
    EXPECT_EQ(GrabPercent, 0);

    TCDDevice device('D');
    EXPECT_FALSE(device.Loaded());
    EXPECT_EQ(device.GetCDText(0, 0), "");
}

TEST(GrabberLoading, ABareOrRelativeNameIsNeverSearched) {
    EXPECT_FALSE(TCDGrabber(fs::path("libcdgrb.so")).Loaded());
    EXPECT_FALSE(TCDDevice('D', fs::path("libcdgrb.so")).Loaded());
}

TEST(GrabberLoading, ALibraryMissingOneEntryPointIsRefused) {
    ASSERT_TRUE(fs::exists(kIncomplete)) << "built by the cdgrb tests";
    TCDGrabber grabber(kIncomplete);
    EXPECT_FALSE(grabber.Loaded());
    EXPECT_EQ(grabber.RipTrack(0), GrbNotLoaded);
    // The grabber's missing close does not matter to a device, nor the reverse.
    EXPECT_TRUE(TCDDevice('D', kIncomplete).Loaded());
    ASSERT_TRUE(fs::exists(kIncompleteDevice));
    EXPECT_FALSE(TCDDevice('D', kIncompleteDevice).Loaded());
    EXPECT_TRUE(TCDGrabber(kIncompleteDevice).Loaded());
}

TEST(GrabberLoading, TheBundledLibraryOpensTheSampleDisc) {
    SampleDiscFixture disc;
    TCDGrabber grabber;
    ASSERT_TRUE(grabber.Loaded());
    EXPECT_NE(grabber.Handle(), 0);
    EXPECT_GE(grabber.SetCDLetter('D'), 0);

    const auto text = discengine::SampleAudioDiscText();
    TCDDevice device('D');
    ASSERT_TRUE(device.Loaded());
    ASSERT_NE(device.Handle(), 0);
    EXPECT_EQ(device.TracksCount(), static_cast<int>(text.tracks.size()));
    EXPECT_EQ(device.GetCDText(0, 0), text.album);
    EXPECT_EQ(device.GetCDText(0, 1), text.performer);
    EXPECT_EQ(device.GetCDText(1, 0), text.tracks[0].title);

    // A letter with no drive: loaded, but not open, and every text is empty.
    TCDDevice none('Q');
    EXPECT_TRUE(none.Loaded());
    EXPECT_EQ(none.Handle(), 0);
    EXPECT_EQ(none.TracksCount(), 0);
    EXPECT_EQ(none.VolumeName(), "");
    EXPECT_EQ(none.GetCDText(0, 0), "");
}

TEST(GrabberMonitorReports, PercentRoundsDownAndOnlyTheEndFinishes) {
    GrabFinished = false;
    GrabberMonitor(1, 0.0f, 0, 0, 0);
    EXPECT_FALSE(GrabFinished);
    GrabberMonitor(2, 0.999f, 0, 0, 0);
    EXPECT_EQ(GrabPercent, 99);
    EXPECT_FALSE(GrabFinished);
    GrabberMonitor(0x102, 0.5f, 0, 0, 0); // only the low 8 bits of the kind count
    EXPECT_FALSE(GrabFinished);
    GrabberMonitor(3, 1.0f, -8, 0, 0);
    EXPECT_EQ(GrabPercent, 100);
    EXPECT_TRUE(GrabFinished);
    EXPECT_EQ(GrabResult, -8);
}

TEST(GrabberMonitorReports, TheSpeedReachesTheUserInterfaceThreadInKilobytes) {
    QObject context;
    QStringList shown;
    {
        ScopedGrabSpeedTarget target(&context, [&](const QString& t) { shown << t; });
        GrabberMonitor(2, 0.1f, 0, 0, 1535);
        EXPECT_TRUE(shown.isEmpty()) << "shown later, on the event loop";
        QCoreApplication::processEvents();
        ASSERT_EQ(shown.size(), 1);
        EXPECT_EQ(shown[0], QStringLiteral("Current read speed: 1 KB/s"));
    }
    GrabberMonitor(2, 0.2f, 0, 0, 4096);
    QCoreApplication::processEvents();
    EXPECT_EQ(shown.size(), 1) << "no target, no text";
}

} // namespace
