#include "PreviewDisc.h"

#include "preview/CdAudioPlayer.h"
#include "support/ScopedEnv.h"

#include <QSignalSpy>

#include <gtest/gtest.h>

#include <filesystem>
#include <map>

namespace fs = std::filesystem;
using preview::CdAudioPlayer;
using preview::PlayerError;
using preview::PlayerMode;
using preview::TimeFormat;

namespace {

constexpr int kFrameBytes = 2352;

// Tracks of 2 s, 3 s and 8 s on D:, played into the silent sink.
class PlayerTest : public ::testing::Test {
protected:
    void SetUp() override {
        engine = disc.Store().MakeEngine();
        tap.Attach(player);
    }
    bool PlayToTheEnd() {
        return RunUntil([&] { return player.Mode() != PlayerMode::Playing; });
    }
    std::int64_t SampleOf(std::int64_t frame) { return frame * 588; }

    testsupport::ScopedEnv silent{"PLATTERLY_AUDIO_OUTPUT", "silent"};
    PreviewDisc disc{{150, 225, 600}};
    std::unique_ptr<discengine::IDVDEngineX> engine;
    CdAudioPlayer player;
    Tap tap;
};

TEST_F(PlayerTest, OpensATrackFileAndCountsFromTheDiscStart) {
    EXPECT_EQ(player.Mode(), PlayerMode::NotReady);
    QSignalSpy output(&player, &CdAudioPlayer::OutputChosen);
    player.Open("d:/track02.CDA");
    EXPECT_EQ(player.Mode(), PlayerMode::Stopped);
    ASSERT_EQ(output.count(), 1);
    EXPECT_EQ(output[0][0].toString(), "Audio output: silent (chosen)");
    EXPECT_EQ(player.Tracks(), 3);
    EXPECT_EQ(player.OpenedTrack(), 2);
    EXPECT_EQ(player.TrackPosition(1), 0);
    EXPECT_EQ(player.TrackPosition(2), 2000);
    EXPECT_EQ(player.TrackLength(2), 3000);
    EXPECT_EQ(player.TrackPosition(3), 5000);
    EXPECT_EQ(player.Position(), 2000) << "an opened track stands at its start";
    player.SetTimeFormat(TimeFormat::Frames);
    EXPECT_EQ(player.TrackPosition(3), 375);
    EXPECT_EQ(player.TrackLength(3), 600);
    EXPECT_THROW(player.TrackLength(4), PlayerError);
    player.Close();
    EXPECT_EQ(player.Mode(), PlayerMode::NotReady);
    EXPECT_THROW(player.Play(), PlayerError);
}

TEST_F(PlayerTest, OpenErrorsNameWhatIsWrong) {
    auto message = [&](const QString& file) -> std::string {
        try {
            player.Open(file);
        } catch (const PlayerError& e) {
            EXPECT_EQ(player.Mode(), PlayerMode::NotReady);
            return e.what();
        }
        return "opened";
    };
    EXPECT_EQ(message("D:\\Track04.cda"), "The disc in drive D: has no track 4");
    EXPECT_EQ(message("Q:\\Track01.cda"), "There is no audio disc in drive Q:");
    EXPECT_NE(message("D:\\Readme.txt").find("is not a CD audio track"), std::string::npos);
    EXPECT_NE(message("D:\\Track00.cda").find("is not a CD audio track"), std::string::npos);
    ASSERT_TRUE(engine->FindDevice('D')->Eject());
    EXPECT_EQ(message("D:\\Track01.cda"), "There is no audio disc in drive D:");
    ASSERT_TRUE(engine->FindDevice('D')->CloseTray());
    // A cue sheet libcdio cannot read: the open fails with a reason, nothing plays.
    testsupport::writeFile(disc.Cue(), "FILE \"disc.bin\" BINARY\nTRACK 01 NONSENSE\n");
    EXPECT_NE(message("D:\\Track01.cda"), "opened");
}

TEST_F(PlayerTest, HandsTheSinkExactlyTheTracksPcmAndStopsAtItsEnd) {
    player.Open("D:\\Track02.cda");
    player.SetStartPosition(player.TrackPosition(2));
    player.Play();
    EXPECT_EQ(player.Mode(), PlayerMode::Playing);
    ASSERT_TRUE(PlayToTheEnd());
    EXPECT_EQ(player.Mode(), PlayerMode::Stopped);
    EXPECT_EQ(player.Position(), player.TrackPosition(2) + player.TrackLength(2));
    ASSERT_EQ(tap.runs.size(), 1u);
    EXPECT_EQ(tap.runs[0].firstSample, SampleOf(150));
    const std::string expected = disc.TrackPcm(2);
    ASSERT_EQ(tap.runs[0].pcm.size(), expected.size());
    EXPECT_TRUE(tap.runs[0].pcm == expected) << "the PCM differs from the disc's track 2";
    // Play at the end of the track plays nothing.
    player.Play();
    EXPECT_EQ(player.Mode(), PlayerMode::Stopped);
}

TEST_F(PlayerTest, PauseHoldsThePositionAndPlayContinuesFromIt) {
    player.Open("D:\\Track01.cda");
    player.Play();
    ASSERT_TRUE(RunUntil([&] { return tap.Bytes() >= 44100; }));
    player.Pause();
    EXPECT_EQ(player.Mode(), PlayerMode::Paused);
    const std::int64_t paused = player.Position();
    const std::int64_t handed = tap.Bytes();
    QCoreApplication::processEvents(QEventLoop::AllEvents, 100);
    EXPECT_EQ(player.Position(), paused);
    EXPECT_EQ(tap.Bytes(), handed) << "nothing is handed to the sink while paused";
    player.Play();
    ASSERT_TRUE(PlayToTheEnd());
    // One unbroken run: the second play begins with the sample after the last one played.
    ASSERT_EQ(tap.runs.size(), 1u);
    EXPECT_TRUE(tap.runs[0].pcm == disc.TrackPcm(1));
}

TEST_F(PlayerTest, SeekLandsOnTheFrameOfThePositionAndLeavesThePlayerStopped) {
    player.Open("D:\\Track03.cda");
    const std::int64_t start = player.TrackPosition(3);
    player.Seek(start + 2000);
    EXPECT_EQ(player.Mode(), PlayerMode::Stopped);
    EXPECT_EQ(player.Position(), start + 2000);
    player.Play();
    ASSERT_TRUE(RunUntil([&] { return tap.Bytes() >= kFrameBytes * 10; }));
    player.Stop();
    EXPECT_EQ(player.Mode(), PlayerMode::Stopped);
    ASSERT_FALSE(tap.runs.empty());
    EXPECT_EQ(tap.runs[0].firstSample, SampleOf(375 + 150));
    const std::string track = disc.TrackPcm(3);
    const std::string& got = tap.runs[0].pcm;
    EXPECT_TRUE(got == track.substr(150 * kFrameBytes, got.size()));

    // A position inside a frame goes to that frame's end; outside the track to its ends.
    player.Seek(start + 1001);
    EXPECT_EQ(player.Position(), start + 1013);
    player.Seek(0);
    EXPECT_EQ(player.Position(), start);
    player.Seek(start + 60000);
    EXPECT_EQ(player.Position(), start + player.TrackLength(3));
    player.SetTimeFormat(TimeFormat::Frames);
    player.Seek(375 + 599);
    EXPECT_EQ(player.Position(), 375 + 599);
    tap.runs.clear();
    player.Play();
    ASSERT_TRUE(PlayToTheEnd());
    ASSERT_EQ(tap.runs.size(), 1u);
    EXPECT_EQ(tap.runs[0].firstSample, SampleOf(375 + 599));
    EXPECT_TRUE(tap.runs[0].pcm == track.substr(599 * kFrameBytes));
}

TEST_F(PlayerTest, AStartPositionIsUsedByTheNextPlayOnly) {
    player.Open("D:\\Track03.cda");
    const std::int64_t start = player.TrackPosition(3);
    player.Seek(start + 4000);
    player.SetStartPosition(start + 1000);
    EXPECT_EQ(player.StartPosition(), start + 1000);
    player.Play();
    ASSERT_TRUE(RunUntil([&] { return tap.Bytes() >= kFrameBytes; }));
    player.Pause();
    EXPECT_EQ(tap.runs[0].firstSample, SampleOf(375 + 75));
    const std::int64_t pausedAt =
        tap.runs[0].firstSample + std::int64_t(tap.runs[0].pcm.size()) / 4;
    const std::int64_t handed = tap.Bytes();
    player.Play();
    ASSERT_TRUE(RunUntil([&] { return tap.Bytes() > handed + kFrameBytes; }));
    player.Stop();
    ASSERT_EQ(tap.runs.size(), 1u) << "the second play goes on from the pause";
    EXPECT_GT(tap.runs[0].firstSample + std::int64_t(tap.runs[0].pcm.size()) / 4, pausedAt);
    EXPECT_EQ(player.StartPosition(), start + 1000);
}

TEST_F(PlayerTest, AnUnreadableSectorStopsPlayingWithAReason) {
    player.Open("D:\\Track03.cda");
    const std::string track = disc.TrackPcm(3);
    // The image loses all but the first 20 sectors of track 3 after the disc was opened.
    fs::resize_file(disc.Bin(), std::uintmax_t{375 + 20} * kFrameBytes);
    QSignalSpy failed(&player, &CdAudioPlayer::PlaybackFailed);
    player.Play();
    ASSERT_TRUE(PlayToTheEnd());
    EXPECT_EQ(player.Mode(), PlayerMode::Stopped);
    ASSERT_EQ(failed.count(), 1);
    EXPECT_TRUE(failed[0][0].toString().contains("cannot be read"))
        << failed[0][0].toString().toStdString();
    EXPECT_LT(player.Position(), player.TrackPosition(3) + player.TrackLength(3));
    // What was played before the fault is the disc's own audio.
    ASSERT_FALSE(tap.runs.empty());
    EXPECT_LE(tap.runs[0].pcm.size(), std::size_t{20} * kFrameBytes);
    EXPECT_TRUE(tap.runs[0].pcm == track.substr(0, tap.runs[0].pcm.size()));
}

TEST_F(PlayerTest, TakingTheDiscOutStopsPlaying) {
    player.Open("D:\\Track03.cda");
    QSignalSpy failed(&player, &CdAudioPlayer::PlaybackFailed);
    player.Play();
    ASSERT_TRUE(RunUntil([&] { return tap.Bytes() > 0; }));
    ASSERT_TRUE(engine->FindDevice('D')->Eject());
    ASSERT_TRUE(PlayToTheEnd());
    ASSERT_EQ(failed.count(), 1);
    EXPECT_EQ(failed[0][0].toString(),
              "The disc was taken out of the drive or can no longer be read");
    EXPECT_LT(player.Position(), player.TrackPosition(3) + player.TrackLength(3));
}

} // namespace
