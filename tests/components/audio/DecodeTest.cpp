#include "AudioFixtures.h"
#include "support/TempDir.h"

#include "audio/AudioError.h"
#include "audio/DecodeToWav.h"
#include "audio/TAudioFile2.h"

#include <gtest/gtest.h>

#include <cstring>
#include <limits>

using namespace audiotest;

namespace {

std::uint32_t le32(const std::vector<std::uint8_t>& b, std::size_t at) {
    return b[at] | (b[at + 1] << 8) | (b[at + 2] << 16) |
           (static_cast<std::uint32_t>(b[at + 3]) << 24);
}
std::uint16_t le16(const std::vector<std::uint8_t>& b, std::size_t at) {
    return static_cast<std::uint16_t>(b[at] | (b[at + 1] << 8));
}

// Checks our own reading of the header and ffprobe's reading of the file.
void expectCdWav(const std::filesystem::path& wav) {
    const auto bytes = readBytes(wav);
    ASSERT_GE(bytes.size(), 44u);
    EXPECT_EQ(std::memcmp(bytes.data(), "RIFF", 4), 0);
    EXPECT_EQ(le32(bytes, 4), bytes.size() - 8);
    EXPECT_EQ(std::memcmp(bytes.data() + 8, "WAVEfmt ", 8), 0);
    EXPECT_EQ(le16(bytes, 20), 1);     // PCM
    EXPECT_EQ(le16(bytes, 22), 2);     // channels
    EXPECT_EQ(le32(bytes, 24), 44100); // rate
    EXPECT_EQ(le32(bytes, 28), 44100u * 4);
    EXPECT_EQ(le16(bytes, 32), 4);
    EXPECT_EQ(le16(bytes, 34), 16);
    EXPECT_EQ(std::memcmp(bytes.data() + 36, "data", 4), 0);
    EXPECT_EQ(le32(bytes, 40), bytes.size() - 44);
    EXPECT_EQ(capture("ffprobe -v error -show_entries stream=codec_name,sample_rate,channels -of "
                      "csv=p=0 " +
                      sh(wav)),
              "pcm_s16le,44100,2\n");
}

// Decodes with the reader/writer pair in the order the burn preparation uses, with a block
// size of our choosing.
void decodeByHand(const std::filesystem::path& source, const std::filesystem::path& target,
                  int blockBytes) {
    audio::TAudioFile2 reader, writer;
    writer.SetOutputFormat(44100, 2, 16);
    reader.OpenSource(source, 0, audio::kFormatPcm);
    writer.CreateTarget(target, audio::kFormatPcm);
    writer.SetTargetParams(reader.SourceParamB(), reader.SourceParamA());
    for (;;) {
        const auto block = reader.ReadBlock(blockBytes);
        if (block.empty())
            break;
        ASSERT_LE(block.size(), static_cast<std::size_t>(blockBytes));
        writer.WriteBlock(block);
    }
    EXPECT_TRUE(reader.ReadBlock(blockBytes).empty()) << "the end stays the end";
    writer.CloseFile();
    reader.CloseFile();
}

} // namespace

TEST(AudioDecode, CdFormatWavIsCopiedBitForBit) {
    testsupport::TempDir dir;
    makeWav(dir / "cd.wav", 4.321, 44100, 2);
    audio::DecodeToWav(dir / "cd.wav", dir / "out.wav");
    expectCdWav(dir / "out.wav");
    EXPECT_EQ(wavData(dir / "out.wav"), wavData(dir / "cd.wav"));
}

TEST(AudioDecode, Mono22kHz8BitBecomesCdFormatAtTheRightLength) {
    testsupport::TempDir dir;
    makeWav(dir / "mono.wav", 3.0, 22050, 1, "pcm_u8");
    audio::DecodeToWav(dir / "mono.wav", dir / "out.wav");
    expectCdWav(dir / "out.wav");
    const auto pcm = wavData(dir / "out.wav");
    EXPECT_NEAR(static_cast<double>(pcm.size() / 4), 3.0 * 44100, 2.0);
    EXPECT_EQ(pcm, ffmpegPcm(dir / "mono.wav"));
}

TEST(AudioDecode, OtherWavLayoutsMatchFfmpeg) {
    testsupport::TempDir dir;
    makeWav(dir / "hires.wav", 2.0, 96000, 2, "pcm_s24le");
    makeWav(dir / "float48.wav", 2.0, 48000, 1, "pcm_f32le");
    run("ffmpeg -nostdin -v error -y -f lavfi -i 'sine=frequency=500:sample_rate=48000:"
        "duration=2' -af 'pan=5.1|c0=c0|c1=c0|c2=c0|c3=c0|c4=c0|c5=c0' -c:a pcm_s16le " +
        sh(dir / "surround.wav"));
    for (const char* name : {"hires.wav", "float48.wav", "surround.wav"}) {
        audio::DecodeToWav(dir / name, dir / "out.wav");
        expectCdWav(dir / "out.wav");
        const auto pcm = wavData(dir / "out.wav");
        EXPECT_NEAR(static_cast<double>(pcm.size() / 4), 2.0 * 44100, 2.0) << name;
        EXPECT_EQ(pcm, ffmpegPcm(dir / name)) << name;
    }
}

TEST(AudioDecode, Mp3AndWmaMatchFfmpegSampleForSample) {
    testsupport::TempDir dir;
    makeMp3(dir / "cbr.mp3", 5.5, "-b 192");
    makeMp3(dir / "vbr.mp3", 5.5, "-V 2");
    makeMp3(dir / "noheader.mp3", 5.5, "-t -b 128");
    makeWma(dir / "tone.wma", 5.5);
    for (const char* name : {"cbr.mp3", "vbr.mp3", "noheader.mp3", "tone.wma"}) {
        audio::DecodeToWav(dir / name, dir / "out.wav");
        expectCdWav(dir / "out.wav");
        EXPECT_EQ(wavData(dir / "out.wav"), ffmpegPcm(dir / name)) << name;
    }
    // LAME's header makes the decode gapless: exactly the source's samples.
    audio::DecodeToWav(dir / "cbr.mp3", dir / "out.wav");
    EXPECT_EQ(wavData(dir / "out.wav").size(), static_cast<std::size_t>(5.5 * 44100) * 4);
}

TEST(AudioDecode, BlockSizeDoesNotChangeTheResult) {
    testsupport::TempDir dir;
    makeMp3(dir / "a.mp3", 2.0, "-V 4");
    audio::TAudioFile2 probe;
    probe.OpenSource(dir / "a.mp3", 0, audio::kFormatPcm);
    EXPECT_EQ(probe.SourceParamA(), 4);
    EXPECT_GT(probe.SourceParamB(), 0);
    probe.CloseFile();
    EXPECT_THROW(probe.SourceParamA(), audio::AudioError);

    const auto expected = ffmpegPcm(dir / "a.mp3");
    for (int blockBytes : {1, 1001, 4 * 8192, std::numeric_limits<int>::max()}) {
        decodeByHand(dir / "a.mp3", dir / "out.wav", blockBytes);
        expectCdWav(dir / "out.wav");
        EXPECT_EQ(wavData(dir / "out.wav"), expected) << blockBytes;
    }
}

TEST(AudioDecode, ReaderDeliversTheFormatAskedFor) {
    testsupport::TempDir dir;
    makeWav(dir / "cd.wav", 1.0, 44100, 2);
    audio::TAudioFile2 reader;
    reader.SetOutputFormat(22050, 1, 8);
    reader.OpenSource(dir / "cd.wav", 0, audio::kFormatPcm);
    EXPECT_EQ(reader.SourceParamA(), 1);
    std::size_t total = 0;
    for (auto block = reader.ReadBlock(4096); !block.empty(); block = reader.ReadBlock(4096))
        total += block.size();
    EXPECT_NEAR(static_cast<double>(total), 22050.0, 2.0);
}
