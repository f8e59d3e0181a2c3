#include "AudioFixtures.h"
#include "support/TempDir.h"

#include "audio/AudioError.h"
#include "audio/TAudioInformation2.h"

#include <gtest/gtest.h>

#include <cmath>
#include <memory>

using audio::TAudioInformation2;
using namespace audiotest;

namespace {

// One set of inputs for the whole suite: encoding them is the slow part.
class AudioInformationTest : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        dir = std::make_unique<testsupport::TempDir>();
        makeWav(*dir / "cd.wav", 7.3, 44100, 2);
        makeWav(*dir / "mono22k8.wav", 3.21, 22050, 1, "pcm_u8");
        makeWav(*dir / "hires.wav", 2.5, 96000, 2, "pcm_s24le");
        makeMp3(*dir / "cbr.mp3", 7.3, "-b 192");
        makeMp3(*dir / "cbr_noheader.mp3", 7.3, "-t -b 128");
        makeMp3(*dir / "vbr.mp3", 7.3, "-V 4");
        makeMp3(*dir / "vbr_noheader.mp3", 7.3, "-t -V 4");
        makeWma(*dir / "tone.wma", 7.3);
    }
    static void TearDownTestSuite() { dir.reset(); }
    static std::filesystem::path file(const std::string& name) { return *dir / name; }

    static std::unique_ptr<testsupport::TempDir> dir;
    TAudioInformation2 info;
};
std::unique_ptr<testsupport::TempDir> AudioInformationTest::dir;

// FFmpeg's own figure for what plays: the length of its decode, in ms.
double decodedMs(const std::filesystem::path& file) {
    return static_cast<double>(ffmpegPcm(file).size()) / 4.0 / 44.1;
}

constexpr double kMp3FrameMs = 1152.0 / 44.1;
constexpr double kWmaFrameMs = 2048.0 / 44.1;

} // namespace

TEST_F(AudioInformationTest, FormatChecksJudgeTheContent) {
    EXPECT_TRUE(info.IsWavFile(file("cd.wav")));
    EXPECT_TRUE(info.IsWavFile(file("mono22k8.wav")));
    EXPECT_TRUE(info.IsWavFile(file("hires.wav")));
    for (const char* mp3 : {"cbr.mp3", "cbr_noheader.mp3", "vbr.mp3", "vbr_noheader.mp3"}) {
        EXPECT_TRUE(info.IsMp3File(file(mp3))) << mp3;
        EXPECT_FALSE(info.IsWavFile(file(mp3))) << mp3;
        EXPECT_FALSE(info.IsWmaFile(file(mp3))) << mp3;
    }
    EXPECT_TRUE(info.IsWmaFile(file("tone.wma")));
    EXPECT_FALSE(info.IsMp3File(file("tone.wma")));
    EXPECT_FALSE(info.IsWavFile(file("tone.wma")));
    EXPECT_FALSE(info.IsMp3File(file("cd.wav")));
    EXPECT_FALSE(info.IsWmaFile(file("cd.wav")));
}

TEST_F(AudioInformationTest, ExtensionDoesNotDecide) {
    testsupport::TempDir here;
    std::filesystem::copy_file(file("vbr.mp3"), here / "song.wav");
    std::filesystem::copy_file(file("cd.wav"), here / "song.mp3");
    std::filesystem::copy_file(file("tone.wma"), here / "noextension");
    EXPECT_TRUE(info.IsMp3File(here / "song.wav"));
    EXPECT_FALSE(info.IsWavFile(here / "song.wav"));
    EXPECT_TRUE(info.IsWavFile(here / "song.mp3"));
    EXPECT_FALSE(info.IsMp3File(here / "song.mp3"));
    EXPECT_TRUE(info.IsWmaFile(here / "noextension"));
}

TEST_F(AudioInformationTest, DurationIsWithinOneFrameOfFfmpegsDecode) {
    struct Case {
        const char* name;
        double frameMs;
    };
    for (const Case c : {Case{"cd.wav", 1.0}, Case{"mono22k8.wav", 1.0}, Case{"hires.wav", 1.0},
                         Case{"cbr.mp3", kMp3FrameMs}, Case{"cbr_noheader.mp3", kMp3FrameMs},
                         Case{"vbr.mp3", kMp3FrameMs}, Case{"vbr_noheader.mp3", kMp3FrameMs},
                         Case{"tone.wma", kWmaFrameMs}}) {
        info.SetFileName(file(c.name));
        EXPECT_NEAR(info.Duration(), decodedMs(file(c.name)), c.frameMs) << c.name;
    }
}

TEST_F(AudioInformationTest, DurationAgreesWithFfprobeWhereItReadsAHeader) {
    // WAV sizes, a CBR frame count and the ASF header give ffprobe an exact figure.
    for (const char* name : {"cd.wav", "mono22k8.wav", "hires.wav", "cbr_noheader.mp3"}) {
        info.SetFileName(file(name));
        EXPECT_NEAR(info.Duration(), ffprobeDurationMs(file(name)), kMp3FrameMs) << name;
    }
    info.SetFileName(file("tone.wma"));
    EXPECT_NEAR(info.Duration(), ffprobeDurationMs(file("tone.wma")), kWmaFrameMs);
    // ffprobe's figure for a LAME-tagged MP3 still counts the encoder delay and padding that
    // the decoder removes (about 1.5 frames), so ours is shorter by less than two frames.
    for (const char* name : {"cbr.mp3", "vbr.mp3"}) {
        info.SetFileName(file(name));
        const double probe = ffprobeDurationMs(file(name));
        EXPECT_LE(info.Duration(), probe) << name;
        EXPECT_GT(info.Duration(), probe - 2 * kMp3FrameMs) << name;
    }
}

TEST_F(AudioInformationTest, VbrWithoutHeaderIsMeasuredNotEstimated) {
    // Without a Xing header ffprobe guesses from the first frames' bitrate; the true length is
    // that of the CBR file made from the same 7.3 s source.
    info.SetFileName(file("vbr_noheader.mp3"));
    const int vbr = info.Duration();
    info.SetFileName(file("cbr_noheader.mp3"));
    EXPECT_NEAR(vbr, info.Duration(), kMp3FrameMs);
    EXPECT_NEAR(vbr, 7300, 2 * kMp3FrameMs);
}

TEST_F(AudioInformationTest, SetFileNameAndResetInformation) {
    EXPECT_THROW(info.Duration(), audio::AudioError);
    info.SetFileName(file("cd.wav"));
    EXPECT_EQ(info.Duration(), 7300);
    info.SetFileName(file("mono22k8.wav"));
    EXPECT_EQ(info.Duration(), 3210);
    info.ResetInformation(-1);
    EXPECT_THROW(info.Duration(), audio::AudioError);
}
