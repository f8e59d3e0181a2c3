#include "AudioFixtures.h"
#include "support/TempDir.h"

#include "audio/AudioError.h"
#include "audio/DecodeToWav.h"
#include "audio/TAudioInformation2.h"

#include <gtest/gtest.h>

#include <cstring>
#include <random>

using namespace audiotest;
using audio::AudioError;
using audio::TAudioInformation2;

namespace {

// None of the checks accepts it, Duration and decoding raise AudioError with a message that
// names the file and contains `why`.
void expectRefusedEverywhere(const std::filesystem::path& file, const std::string& why) {
    TAudioInformation2 info;
    EXPECT_FALSE(info.IsWavFile(file)) << file;
    EXPECT_FALSE(info.IsMp3File(file)) << file;
    EXPECT_FALSE(info.IsWmaFile(file)) << file;
    info.SetFileName(file);
    const auto target = file.parent_path() / "decoded-bad-input.wav";
    for (int attempt = 0; attempt < 2; ++attempt) {
        try {
            if (attempt == 0)
                info.Duration();
            else
                audio::DecodeToWav(file, target);
            ADD_FAILURE() << "accepted: " << file << " attempt " << attempt;
        } catch (const AudioError& e) {
            const std::string message = e.what();
            EXPECT_NE(message.find(file.filename().string()), std::string::npos) << message;
            EXPECT_NE(message.find(why), std::string::npos) << message;
        }
    }
    EXPECT_FALSE(std::filesystem::exists(target));
}

std::string randomBytes(std::size_t count, unsigned seed) {
    std::mt19937 generator(seed);
    std::string bytes(count, '\0');
    for (char& c : bytes)
        c = static_cast<char>(generator() & 0xFF);
    return bytes;
}

void patch32(std::vector<std::uint8_t>& bytes, std::size_t at, std::uint32_t value) {
    for (int i = 0; i < 4; ++i)
        bytes[at + i] = static_cast<std::uint8_t>(value >> (8 * i));
}

void writeBytes(const std::filesystem::path& file, const std::vector<std::uint8_t>& bytes) {
    testsupport::writeFile(file, std::string(bytes.begin(), bytes.end()));
}

} // namespace

TEST(AudioBadInput, EmptyFileMissingFileAndDirectory) {
    testsupport::TempDir dir;
    testsupport::writeFile(dir / "empty.mp3", "");
    std::filesystem::create_directory(dir / "folder.wav");
    expectRefusedEverywhere(dir / "empty.mp3", "is empty");
    expectRefusedEverywhere(dir / "folder.wav", "is not a regular file");
    expectRefusedEverywhere(dir / "absent.wma", "does not exist");
}

TEST(AudioBadInput, FilesNamedMp3ThatAreNotMp3) {
    testsupport::TempDir dir;
    testsupport::writeFile(dir / "text.mp3", "This is a text file, not a song.\n");
    testsupport::writeFile(dir / "noise.mp3", randomBytes(3 << 20, 7));
    testsupport::writeFile(dir / "playlist.mp3",
                           "#EXTM3U\n#EXT-X-TARGETDURATION:10\n#EXTINF:10,\nfile:///etc/passwd\n");
    for (const char* name : {"text.mp3", "noise.mp3", "playlist.mp3"})
        expectRefusedEverywhere(dir / name, name);
}

TEST(AudioBadInput, TruncatedMp3DecodesWhatIsThere) {
    testsupport::TempDir dir;
    makeMp3(dir / "full.mp3", 6.0, "-b 192");
    const auto full = readBytes(dir / "full.mp3");
    TAudioInformation2 info;
    // Cut in the middle of a frame, and so early that only the header frame is left.
    for (std::size_t keep : {full.size() * 3 / 5 + 101, std::size_t{700}}) {
        const auto cut = dir / ("cut" + std::to_string(keep) + ".mp3");
        writeBytes(cut, {full.begin(), full.begin() + static_cast<std::ptrdiff_t>(keep)});
        const auto expected = ffmpegPcm(cut);
        if (expected.empty()) {
            EXPECT_FALSE(info.IsMp3File(cut)) << keep;
            EXPECT_THROW(audio::DecodeToWav(cut, dir / "out.wav"), AudioError) << keep;
            continue;
        }
        EXPECT_TRUE(info.IsMp3File(cut)) << keep;
        info.SetFileName(cut);
        EXPECT_NEAR(info.Duration(), expected.size() / 4 / 44.1, 1152 / 44.1) << keep;
        audio::DecodeToWav(cut, dir / "out.wav");
        EXPECT_EQ(wavData(dir / "out.wav"), expected) << keep;
    }
}

TEST(AudioBadInput, DamagedMp3IsDecodedPastTheDamage) {
    testsupport::TempDir dir;
    makeMp3(dir / "song.mp3", 6.0, "-b 160");
    auto bytes = readBytes(dir / "song.mp3");
    const std::string noise = randomBytes(20000, 11);
    std::memcpy(bytes.data() + bytes.size() / 3, noise.data(), noise.size());
    writeBytes(dir / "damaged.mp3", bytes);
    EXPECT_TRUE(TAudioInformation2().IsMp3File(dir / "damaged.mp3"));
    audio::DecodeToWav(dir / "damaged.mp3", dir / "out.wav");
    const double seconds = wavData(dir / "out.wav").size() / 4.0 / 44100;
    EXPECT_GT(seconds, 4.5);
    EXPECT_LE(seconds, 6.0);
}

TEST(AudioBadInput, WavWhoseHeaderContradictsItself) {
    testsupport::TempDir dir;
    makeWav(dir / "good.wav", 1.0, 44100, 2);
    const auto good = readBytes(dir / "good.wav");
    ASSERT_EQ(std::string(good.begin() + 36, good.begin() + 40), "data");

    struct Lie {
        const char* name;
        std::size_t at;
        std::uint32_t value;
        bool wide; // 32-bit field, else 16-bit
        const char* why;
    };
    for (const Lie lie : {Lie{"byterate.wav", 28, 48000 * 4, true, "bytes a second"},
                          Lie{"channels.wav", 22, 0, false, "zero channels"},
                          Lie{"rate.wav", 24, 0, true, "sample rate of zero"},
                          Lie{"align.wav", 32, 3, false, "blocks of 3 bytes"},
                          Lie{"fmtsize.wav", 16, 0x7FFFFFF0, true, "no data chunk"}}) {
        auto bytes = good;
        if (lie.wide) {
            patch32(bytes, lie.at, lie.value);
        } else {
            bytes[lie.at] = static_cast<std::uint8_t>(lie.value);
            bytes[lie.at + 1] = static_cast<std::uint8_t>(lie.value >> 8);
        }
        writeBytes(dir / lie.name, bytes);
        expectRefusedEverywhere(dir / lie.name, lie.why);
    }
}

TEST(AudioBadInput, WavClaimingMoreDataThanItHolds) {
    testsupport::TempDir dir;
    makeWav(dir / "good.wav", 1.0, 44100, 2);
    auto bytes = readBytes(dir / "good.wav");
    patch32(bytes, 4, 0x7FFFFFF0);
    patch32(bytes, 40, 0x7FFFFF00); // about 9 hours of CD audio, one second present
    writeBytes(dir / "liar.wav", bytes);
    TAudioInformation2 info;
    EXPECT_TRUE(info.IsWavFile(dir / "liar.wav"));
    info.SetFileName(dir / "liar.wav");
    EXPECT_EQ(info.Duration(), 1000);
    audio::DecodeToWav(dir / "liar.wav", dir / "out.wav");
    EXPECT_EQ(wavData(dir / "out.wav"), wavData(dir / "good.wav"));

    // A streaming writer that never came back to fill in the size: the data runs to the end.
    patch32(bytes, 40, 0);
    writeBytes(dir / "unsized.wav", bytes);
    info.SetFileName(dir / "unsized.wav");
    EXPECT_EQ(info.Duration(), 1000);
    audio::DecodeToWav(dir / "unsized.wav", dir / "out.wav");
    EXPECT_EQ(wavData(dir / "out.wav"), wavData(dir / "good.wav"));
}
