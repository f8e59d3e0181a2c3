#include "AudioFixtures.h"
#include "support/TempDir.h"

#include "audio/AudioError.h"
#include "audio/DecodeToWav.h"
#include "audio/TAudioFile2.h"

#include <gtest/gtest.h>

#include <csignal>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

using namespace audiotest;
using audio::AudioError;
using audio::TAudioFile2;

TEST(AudioTarget, NewWavNeverReplacesAnExistingFile) {
    testsupport::TempDir dir;
    std::filesystem::create_directory(dir / "one");
    std::filesystem::create_directory(dir / "two");
    std::filesystem::create_directory(dir / "temp");
    makeMp3(dir / "one/song.mp3", 1.0, "-b 128");
    makeWma(dir / "two/song.wma", 1.0);
    testsupport::writeFile(dir / "temp/song.wav", "a ripped track that is not ours");

    const auto first = audio::DecodeToNewWav(dir / "one/song.mp3", dir / "temp");
    const auto second = audio::DecodeToNewWav(dir / "two/song.wma", dir / "temp");
    EXPECT_EQ(first, dir / "temp/song (2).wav");
    EXPECT_EQ(second, dir / "temp/song (3).wav");
    EXPECT_EQ(testsupport::readFile(dir / "temp/song.wav"), "a ripped track that is not ours");
    EXPECT_EQ(wavData(first), ffmpegPcm(dir / "one/song.mp3"));
    EXPECT_EQ(wavData(second), ffmpegPcm(dir / "two/song.wma"));
}

TEST(AudioTarget, FailedDecodeLeavesNoTargetBehind) {
    testsupport::TempDir dir;
    testsupport::writeFile(dir / "fake.mp3", std::string(5000, 'x'));
    EXPECT_THROW(audio::DecodeToNewWav(dir / "fake.mp3", dir.path()), AudioError);
    EXPECT_THROW(audio::DecodeToWav(dir / "fake.mp3", dir / "out.wav"), AudioError);
    EXPECT_FALSE(std::filesystem::exists(dir / "fake.wav"));
    EXPECT_FALSE(std::filesystem::exists(dir / "out.wav"));
    EXPECT_THROW(audio::DecodeToWav(dir / "fake.mp3", dir / "missing/out.wav"), AudioError);
}

TEST(AudioTarget, SourceIsNeverItsOwnTarget) {
    testsupport::TempDir dir;
    makeWav(dir / "a.wav", 1.0, 44100, 2);
    const auto before = readBytes(dir / "a.wav");
    EXPECT_THROW(audio::DecodeToWav(dir / "a.wav", dir / "a.wav"), AudioError);
    std::filesystem::create_symlink(dir / "a.wav", dir / "link.wav");
    EXPECT_THROW(audio::DecodeToWav(dir / "a.wav", dir / "link.wav"), AudioError);
    EXPECT_EQ(readBytes(dir / "a.wav"), before);
}

TEST(AudioTarget, MisuseIsRefusedWithAClearError) {
    testsupport::TempDir dir;
    TAudioFile2 file;
    EXPECT_THROW(file.ReadBlock(4096), AudioError);
    EXPECT_THROW(file.WriteBlock(std::vector<std::uint8_t>(4)), AudioError);
    EXPECT_THROW(file.SetTargetParams(8192, 4), AudioError);
    EXPECT_THROW(file.SetOutputFormat(44100, 6, 16), AudioError);
    EXPECT_THROW(file.SetOutputFormat(0, 2, 16), AudioError);
    EXPECT_THROW(file.SetOutputFormat(44100, 2, 12), AudioError);
    EXPECT_THROW(file.CreateTarget(dir / "x.wav", 2), AudioError);
    file.CloseFile(); // nothing open: nothing happens

    makeWav(dir / "a.wav", 0.5, 44100, 2);
    EXPECT_THROW(file.OpenSource(dir / "a.wav", 0, 0), AudioError);
    EXPECT_THROW(file.OpenSource(dir / "a.wav", 1, audio::kFormatPcm), AudioError);
    file.OpenSource(dir / "a.wav", 0, audio::kFormatPcm);
    EXPECT_THROW(file.ReadBlock(0), AudioError);

    file.CreateTarget(dir / "out.wav", audio::kFormatPcm);
    try {
        file.SetTargetParams(8192, 2);
        ADD_FAILURE() << "a 2-byte frame was accepted for a 4-byte target";
    } catch (const AudioError& e) {
        EXPECT_NE(std::string(e.what()).find("2 bytes"), std::string::npos) << e.what();
    }
    file.WriteBlock(std::vector<std::uint8_t>(6, 0));
    EXPECT_THROW(file.CloseFile(), AudioError); // 6 bytes are one and a half frames
}

TEST(AudioTarget, OddSized8BitMonoIsPaddedAndDroppedWriterStaysReadable) {
    testsupport::TempDir dir;
    {
        TAudioFile2 writer;
        writer.SetOutputFormat(8000, 1, 8);
        writer.CreateTarget(dir / "odd.wav", audio::kFormatPcm);
        writer.WriteBlock(std::vector<std::uint8_t>(8001, 128));
        writer.CloseFile();
    }
    const auto odd = readBytes(dir / "odd.wav");
    EXPECT_EQ(odd.size(), 44u + 8001u + 1u);
    EXPECT_EQ(odd[4] | (odd[5] << 8) | (odd[6] << 16), 36 + 8002);
    EXPECT_EQ(odd[40] | (odd[41] << 8) | (odd[42] << 16), 8001);
    EXPECT_EQ(capture("ffprobe -v error -show_entries stream=duration_ts -of csv=p=0 " +
                      sh(dir / "odd.wav")),
              "8001\n");
    {
        TAudioFile2 writer; // never closed
        writer.CreateTarget(dir / "dropped.wav", audio::kFormatPcm);
        writer.WriteBlock(std::vector<std::uint8_t>(44100 * 4, 0));
    }
    EXPECT_EQ(capture("ffprobe -v error -show_entries stream=duration -of csv=p=0 " +
                      sh(dir / "dropped.wav")),
              "1.000000\n");
}

TEST(AudioTarget, FullDiskIsAnErrorNotASuccess) {
    testsupport::TempDir dir;
    makeWav(dir / "a.wav", 3.0, 44100, 2);
    // A file size limit in a child process stands in for a full disk.
    const pid_t child = fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        std::signal(SIGXFSZ, SIG_IGN);
        rlimit limit{100000, 100000};
        setrlimit(RLIMIT_FSIZE, &limit);
        int code = 1;
        try {
            audio::DecodeToWav(dir / "a.wav", dir / "out.wav");
        } catch (const AudioError&) {
            code = std::filesystem::exists(dir / "out.wav") ? 3 : 0;
        } catch (...) {
            code = 2;
        }
        _exit(code);
    }
    int status = 0;
    ASSERT_EQ(waitpid(child, &status, 0), child);
    ASSERT_TRUE(WIFEXITED(status));
    EXPECT_EQ(WEXITSTATUS(status), 0) << "1: reported success, 2: wrong error, 3: file left";
}
