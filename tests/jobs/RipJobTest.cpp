#include "RipTestSupport.h"

#include "jobs/TCDGrabber.h"

#include <gtest/gtest.h>

#include <fstream>

namespace fs = std::filesystem;
using testsupport::readFile;
using testsupport::writeFile;

namespace {

class RipJobTest : public ::testing::Test {
protected:
    void SetUp() override {
        host.drive = disc.DriveD();
        settings.outputFolder = (out.path() / "").string();
        settings.pauseBeforeMeasure = std::chrono::milliseconds(0);
        settings.driveLetter = 'D';
    }
    std::string Pcm(int track) { return ReadTrackPcm(disc.DiscCue(), track); }
    fs::path Out(const std::string& name) { return out.path() / name; }
    void Run() {
        TCDGrabber grabber;
        ASSERT_TRUE(grabber.Loaded());
        rip::RunRipJob(grabber, host, settings);
    }

    SampleDiscFixture disc;
    testsupport::TempDir out;
    FakeRipHost host;
    rip::RipJobSettings settings;
};

TEST_F(RipJobTest, WavIsTheDiscsAudioAndRawTheSameWithoutHeader) {
    host.Fill(5, {1, 3});
    settings.grabOutputFormat = globals::FormatWav;
    Run();
    const std::string wav = readFile(Out("Track01.wav"));
    const std::string pcm = Pcm(1);
    ASSERT_EQ(wav.size(), pcm.size() + 44);
    EXPECT_EQ(wav.substr(0, 4), "RIFF");
    EXPECT_TRUE(wav.substr(44) == pcm) << "PCM differs from libcdio's reading of the disc";
    EXPECT_TRUE(readFile(Out("Track03.wav")).substr(44) == Pcm(3));
    EXPECT_FALSE(fs::exists(Out("Track02.wav")));
    EXPECT_TRUE(host.rows[0].status.startsWith("Success ")) << host.rows[0].status.toStdString();
    EXPECT_TRUE(host.rows[0].status.endsWith("x"));
    EXPECT_EQ(host.rows[1].status, "");
    EXPECT_EQ(host.statuses.first(), "Grabbing track 01");
    EXPECT_EQ(host.statuses[1], "Grabbing track 03");
    EXPECT_EQ(host.statuses.last(), "Grab Tracks Completed!");
    EXPECT_EQ(host.idle, (std::vector<bool>{false, true}));

    settings.grabOutputFormat = globals::FormatRaw;
    host.rows[0].title = QStringLiteral("My Song");
    Run();
    EXPECT_TRUE(readFile(Out("My Song.raw")) == pcm);
}

TEST_F(RipJobTest, Mp3AndOggDecodeToTheTrackLengthWithTheirTags) {
    host.Fill(5, {2});
    host.rows[1].title = QStringLiteral("Second Song");
    host.rows[1].artist = QStringLiteral("Some Band");
    settings.grabOutputFormat = globals::FormatMp3;
    settings.options.id3v2Frames = {{"TCOM", "A Composer"}};
    Run();
    const double seconds = host.drive->AudioTrackList()->TrackLength(2) / 75.0;
    QStringList mp3 = Probe(Out("Second Song.mp3"));
    EXPECT_NEAR(ProbeValue(mp3, "duration").toDouble(), seconds, 0.1);
    EXPECT_EQ(ProbeValue(mp3, "title"), "Second Song");
    EXPECT_EQ(ProbeValue(mp3, "artist"), "Some Band");
    EXPECT_EQ(ProbeValue(mp3, "album"), "An Album");
    EXPECT_EQ(ProbeValue(mp3, "date"), "2024");
    EXPECT_EQ(ProbeValue(mp3, "genre"), "Pop");
    EXPECT_EQ(ProbeValue(mp3, "composer"), "") << "extra frames only with Write ID3V2";

    settings.options.writeId3v2 = true;
    settings.replaceExisting = true;
    Run();
    mp3 = Probe(Out("Second Song.mp3"));
    EXPECT_EQ(ProbeValue(mp3, "composer"), "A Composer");
    EXPECT_EQ(ProbeValue(mp3, "title"), "Second Song");

    settings.grabOutputFormat = globals::FormatOgg;
    settings.options.oggGenre = "Ambient";
    settings.options.oggCopyright = "Nobody";
    Run();
    const QStringList ogg = Probe(Out("Second Song.ogg"));
    EXPECT_NEAR(ProbeValue(ogg, "duration").toDouble(), seconds, 0.1);
    EXPECT_EQ(ProbeValue(ogg, "title"), "Second Song");
    EXPECT_EQ(ProbeValue(ogg, "artist"), "Some Band");
    EXPECT_EQ(ProbeValue(ogg, "album"), "An Album");
    EXPECT_EQ(ProbeValue(ogg, "genre"), "Ambient") << "the Ogg genre text, not the list";
    EXPECT_EQ(ProbeValue(ogg, "copyright"), "Nobody");
}

TEST_F(RipJobTest, ExistingFileIsSkippedWithTheBarAtTwoThirds) {
    host.Fill(5, {1, 2, 3});
    writeFile(Out("Track02.wav"), "keep me");
    Run();
    EXPECT_TRUE(host.rows[0].status.startsWith("Success"));
    EXPECT_EQ(host.rows[1].status, "Skipped. Already exist");
    EXPECT_TRUE(host.rows[2].status.startsWith("Success"));
    EXPECT_EQ(host.rows[3].status, "");
    EXPECT_EQ(host.rows[4].status, "");
    EXPECT_EQ(readFile(Out("Track02.wav")), "keep me");
    EXPECT_NE(std::find(host.progress.begin(), host.progress.end(), 66), host.progress.end());

    settings.replaceExisting = true;
    host.Fill(5, {2});
    Run();
    EXPECT_TRUE(host.rows[1].status.startsWith("Success"));
    EXPECT_TRUE(readFile(Out("Track02.wav")).substr(44) == Pcm(2));
}

// A copy job rips the source disc's tracks one by one to files it names itself, with no list.
TEST_F(RipJobTest, SingleTracksRipToNamedFilesOneAfterAnother) {
    TCDGrabber grabber;
    ASSERT_TRUE(grabber.Loaded());
    grabber.SetCDLetter('D');
    std::vector<int> percents;
    int turns = 0;
    const rip::RipTurns watch{[&](int p) { percents.push_back(p); }, [&] { ++turns; }};
    rip::TrackRip first{1, Out("second.wav").string(), {}};
    ASSERT_EQ(rip::RipTrack(grabber, settings, first, watch), rip::TrackOutcome::Success);
    // The next track starts from a fresh wait, not from the end of the one before.
    rip::TrackRip next{2, Out("third.wav").string(), {}};
    ASSERT_EQ(rip::RipTrack(grabber, settings, next, watch), rip::TrackOutcome::Success);
    EXPECT_TRUE(readFile(Out("second.wav")).substr(44) == Pcm(2));
    EXPECT_TRUE(readFile(Out("third.wav")).substr(44) == Pcm(3));
    EXPECT_FALSE(percents.empty());
    EXPECT_GT(turns, 0);

    writeFile(Out("kept.wav"), "keep me");
    rip::TrackRip kept{0, Out("kept.wav").string(), {}};
    EXPECT_EQ(rip::RipTrack(grabber, settings, kept, watch), rip::TrackOutcome::Skipped);
    EXPECT_EQ(readFile(Out("kept.wav")), "keep me");
    rip::TrackRip missing{0, Out("no folder/x.wav").string(), {}};
    EXPECT_EQ(rip::RipTrack(grabber, settings, missing, watch), rip::TrackOutcome::Failed);
}

TEST_F(RipJobTest, CancelDuringTheSecondOfFourTracks) {
    host.Fill(5, {1, 2, 3, 4});
    host.rows[2].status = QStringLiteral("old");
    settings.grabOutputFormat = globals::FormatMp3;
    TCDGrabber grabber;
    host.onEvents = [&] {
        // The page's Cancel: abort the grabber and raise the flag.
        if (!host.statuses.isEmpty() && host.statuses.last() == "Grabbing track 02" &&
            !GrabCancelled) {
            grabber.AbortRip();
            GrabCancelled = true;
        }
    };
    rip::RunRipJob(grabber, host, settings);
    EXPECT_TRUE(host.rows[0].status.startsWith("Success"));
    EXPECT_EQ(host.rows[1].status, "Failed");
    EXPECT_EQ(host.rows[2].status, "old");
    EXPECT_EQ(host.rows[3].status, "");
    EXPECT_FALSE(fs::exists(Out("Track02.mp3")));
    EXPECT_FALSE(fs::exists(Out("Track03.mp3")));
    EXPECT_EQ(host.statuses.last(), "Grab Tracks Completed!");
    EXPECT_EQ(host.idle.back(), true);
}

TEST_F(RipJobTest, WithoutTheLibraryEveryTrackFails) {
    globals::ProgramDir = out.path().string() + "/nowhere/";
    host.Fill(5, {1, 2, 5});
    TCDGrabber grabber;
    ASSERT_FALSE(grabber.Loaded());
    rip::RunRipJob(grabber, host, settings);
    EXPECT_EQ(host.rows[0].status, "Failed");
    EXPECT_EQ(host.rows[1].status, "Failed");
    EXPECT_EQ(host.rows[4].status, "Failed");
    EXPECT_EQ(host.rows[2].status, "");
    EXPECT_EQ(host.statuses.last(), "Grab Tracks Completed!");
    // Nothing but the rip log, which names the failures.
    std::vector<fs::path> left(fs::directory_iterator(out.path()), fs::directory_iterator());
    ASSERT_EQ(left.size(), 1u);
    EXPECT_EQ(left[0].filename(), "rip.log");
    EXPECT_NE(readFile(left[0]).find("0 ripped, 0 skipped, 3 failed"), std::string::npos);
}

TEST_F(RipJobTest, HostileTitlesStayInsideAndLongPathsFailWithoutWriting) {
    host.Fill(5, {1, 2, 3});
    host.rows[0].title = QStringLiteral("../escape");
    host.rows[1].title = QStringLiteral("..");
    host.rows[2].title = QString(300, QLatin1Char('n'));
    Run();
    EXPECT_TRUE(fs::exists(Out(".._escape.wav")));
    EXPECT_TRUE(fs::exists(Out("_.wav")));
    EXPECT_FALSE(fs::exists(out.path().parent_path() / "escape.wav"));
    EXPECT_EQ(host.rows[2].status, "Failed");
    int files = 0;
    for (const auto& e : fs::directory_iterator(out.path()))
        files += e.is_regular_file() && e.path().extension() != ".log" ? 1 : 0;
    EXPECT_EQ(files, 2);
}

TEST_F(RipJobTest, ATruncatedBinFailsItsTracksCleanlyAndTheJobGoesOn) {
    const auto frames1 = host.drive->AudioTrackList()->TrackLength(1);
    const auto frames2 = host.drive->AudioTrackList()->TrackLength(2);
    fs::resize_file(disc.DiscBin(), static_cast<std::uintmax_t>(frames1 + frames2 / 2) * 2352);
    host.Fill(5, {1, 2, 3});
    Run();
    EXPECT_EQ(host.rows[1].status, "Failed");
    EXPECT_EQ(host.rows[2].status, "Failed");
    EXPECT_FALSE(fs::exists(Out("Track02.wav")));
    EXPECT_FALSE(fs::exists(Out("Track03.wav")));
    EXPECT_EQ(host.statuses.last(), "Grab Tracks Completed!");
    // Track 1 is whole: it rips, or the drive refused the cut medium as a whole.
    if (host.rows[0].status != "Failed") {
        EXPECT_TRUE(readFile(Out("Track01.wav")).size() == std::size_t(frames1) * 2352 + 44);
    }
}

TEST_F(RipJobTest, AnUnknownFormatRipsToWav) {
    host.Fill(5, {4});
    settings.grabOutputFormat = 7;
    Run();
    const std::string wav = readFile(Out("Track04.wav"));
    EXPECT_EQ(wav.substr(0, 4), "RIFF");
    EXPECT_TRUE(wav.substr(44) == Pcm(4));
}

TEST_F(RipJobTest, TheSuccessTextMeasuresAtLeastTheOneSecondPause) {
    host.Fill(5, {1});
    settings.pauseBeforeMeasure = std::chrono::milliseconds(1000);
    Run();
    // A 20..40 second track over at least one second: at most the track's seconds.
    const long long seconds = host.drive->AudioTrackList()->TrackLength(1) / 75;
    const QString factor = host.rows[0].status.mid(8).chopped(1);
    bool ok = false;
    const double value = factor.toDouble(&ok);
    ASSERT_TRUE(ok) << host.rows[0].status.toStdString();
    EXPECT_LE(value, static_cast<double>(seconds));
    EXPECT_GT(value, 0.0);
}

} // namespace
