#include "AudioBurnSupport.h"

#include <gtest/gtest.h>

using namespace audioburn;
namespace fs = std::filesystem;

namespace {

std::string Quote(const fs::path& path) {
    return "'" + path.string() + "'";
}

// The CLI with the test's store and its own temporary folder.
int Cli(testsupport::TempDir& dir, const std::string& args, std::string* output) {
    fs::create_directories(dir / "tmp");
    return RunCommand("PLATTERLY_DRIVES=" + Quote(dir / "drives") +
                          " TMPDIR=" + Quote(dir / "tmp") +
                          " '" PLATTERLY_DIST_DIR "/platterly-cli' " + args + " </dev/null",
                      output);
}

// FFmpeg's own decode of a file as 44.1 kHz 16-bit stereo PCM.
std::string FfmpegPcm(const fs::path& source, const fs::path& raw) {
    std::string out;
    EXPECT_EQ(RunCommand("ffmpeg -v error -y -i " + Quote(source) +
                             " -f s16le -acodec pcm_s16le -ar 44100 -ac 2 " + Quote(raw),
                         &out),
              0)
        << out;
    return testsupport::readFile(raw);
}

} // namespace

TEST(AudioBurnCli, BurnsWavMp3AndWmaInPlayOrderAndRemovesTheDecodedCopies) {
    testsupport::TempDir dir;
    std::string out;
    ASSERT_EQ(Cli(dir, "drives", &out), 0) << out; // creates the default store
    const std::string wav = CdWavBytes(44100 * 6 + 5, 11);
    testsupport::writeFile(dir / "one.wav", wav);
    ASSERT_EQ(
        RunCommand("ffmpeg -v error -f lavfi -i 'sine=frequency=523:duration=7' -ac 2 -ar 44100 "
                   "-c:a libmp3lame -b:a 192k " +
                       Quote(dir / "two.mp3"),
                   &out),
        0)
        << out;
    ASSERT_EQ(
        RunCommand("ffmpeg -v error -f lavfi -i 'sine=frequency=330:duration=5' -ac 2 -ar 22050 "
                   "-c:a wmav2 " +
                       Quote(dir / "three.wma"),
                   &out),
        0)
        << out;
    ASSERT_EQ(Cli(dir,
                  "burn E: --audio " + Quote(dir / "one.wav") + " " + Quote(dir / "two.mp3") + " " +
                      Quote(dir / "three.wma"),
                  &out),
              0)
        << out;
    EXPECT_NE(out.find("Track 2: decoding"), std::string::npos) << out;
    EXPECT_NE(out.find("Write completed."), std::string::npos) << out;
    EXPECT_TRUE(fs::is_empty(dir / "tmp")) << "decoded copies are removed";

    DiscRead disc = ReadDisc(dir / "drives" / "E" / "disc.cue");
    ASSERT_EQ(disc.tracks, 3) << out;
    const std::vector<std::string> expected = {PcmOf(wav),
                                               FfmpegPcm(dir / "two.mp3", dir / "two.raw"),
                                               FfmpegPcm(dir / "three.wma", dir / "three.raw")};
    for (std::size_t i = 0; i < 3; ++i) {
        std::size_t frames = (expected[i].size() + 2351) / 2352;
        std::size_t gap = i < 2 ? 150 : 0;
        EXPECT_EQ(static_cast<std::size_t>(disc.lengths[i]), frames + gap) << "track " << i + 1;
        std::string padded = expected[i];
        padded.resize((frames + gap) * 2352, '\0');
        EXPECT_TRUE(disc.pcm[i] == padded) << "track " << i + 1 << " differs from its source";
    }
    EXPECT_EQ(disc.titles[1], "two");
}

TEST(AudioBurnCli, ClearErrorsAndNothingWritten) {
    testsupport::TempDir dir;
    std::string out;
    ASSERT_EQ(Cli(dir, "drives", &out), 0) << out;
    testsupport::writeFile(dir / "fake.mp3", "not an mp3 at all");
    testsupport::writeFile(dir / "long.wav", CdWavBytes(44100 * 30, 1));
    EXPECT_EQ(Cli(dir, "burn E: --audio " + Quote(dir / "fake.mp3"), &out), 1);
    EXPECT_NE(out.find("cannot decode"), std::string::npos) << out;
    EXPECT_EQ(Cli(dir, "burn E: --audio " + Quote(dir / "missing.wav"), &out), 1);
    EXPECT_NE(out.find("no such file"), std::string::npos) << out;
    EXPECT_EQ(Cli(dir, "burn E: --audio", &out), 2);
    EXPECT_EQ(Cli(dir, "burn Q: --audio " + Quote(dir / "long.wav"), &out), 2);
    EXPECT_EQ(Cli(dir, "insert E: blank cd-r", &out), 0) << out;
    EXPECT_EQ(Cli(dir, "burn D: --audio " + Quote(dir / "long.wav"), &out), 1);
    EXPECT_NE(out.find("cannot write"), std::string::npos) << out;
    EXPECT_TRUE(fs::is_empty(dir / "tmp"));
    ASSERT_EQ(Cli(dir, "burn E: --audio --test " + Quote(dir / "long.wav"), &out), 0) << out;
    EXPECT_NE(out.find("nothing was written"), std::string::npos) << out;
    ASSERT_EQ(Cli(dir, "burn E: --audio --dao " + Quote(dir / "long.wav"), &out), 0) << out;
    EXPECT_EQ(Cli(dir, "burn E: --audio " + Quote(dir / "long.wav"), &out), 1);
    EXPECT_NE(out.find("is not blank"), std::string::npos) << out;
}
