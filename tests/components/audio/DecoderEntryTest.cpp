// The C entry point programs use after loading the component with dlopen.
#include "AudioFixtures.h"

#include "audio/DecoderEntry.h"
#include "support/TempDir.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <string>

namespace fs = std::filesystem;
using namespace audiotest;

TEST(DecoderEntry, WritesAndNamesTheFileOrExplainsAndLeavesNothing) {
    testsupport::TempDir dir;
    makeMp3(dir / "song.mp3", 1.0, "-b 128");
    char written[4096];
    char error[256];
    ASSERT_EQ(platterly_audio_decode_to_new_wav((dir / "song.mp3").c_str(), dir.path().c_str(),
                                                written, sizeof written, error, sizeof error),
              0)
        << error;
    EXPECT_EQ(fs::path(written), dir / "song.wav");
    EXPECT_EQ(wavData(written), ffmpegPcm(dir / "song.mp3"));

    // A path that would not fit is a failure with nothing left behind, never a cut name.
    char tiny[8];
    EXPECT_EQ(platterly_audio_decode_to_new_wav((dir / "song.mp3").c_str(), dir.path().c_str(),
                                                tiny, sizeof tiny, error, sizeof error),
              -1);
    EXPECT_STREQ(tiny, "");
    EXPECT_FALSE(fs::exists(dir / "song (2).wav"));

    // A reason longer than its buffer is cut and still terminated.
    testsupport::writeFile(dir / "fake.mp3", std::string(5000, 'x'));
    char shortError[12];
    EXPECT_EQ(platterly_audio_decode_to_new_wav((dir / "fake.mp3").c_str(), dir.path().c_str(),
                                                written, sizeof written, shortError,
                                                sizeof shortError),
              -1);
    EXPECT_EQ(std::string(shortError).size(), sizeof shortError - 1);
    EXPECT_FALSE(fs::exists(dir / "fake.wav"));
    EXPECT_EQ(platterly_audio_decode_to_new_wav(nullptr, nullptr, written, sizeof written, error,
                                                sizeof error),
              -1);
}
