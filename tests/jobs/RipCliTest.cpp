// platterly-cli rip on a fresh drive store: the window's job from the terminal, its files read
// back by flac and FFmpeg, and its refusals.
#include "RipTestSupport.h"

#include <gtest/gtest.h>

#include <QProcess>

#include <algorithm>
#include <cstdlib>
#include <sys/wait.h>

namespace fs = std::filesystem;

namespace {

class RipCliTest : public ::testing::Test {
protected:
    int Cli(const std::string& args, std::string* output = nullptr) {
        const fs::path log = dir.path() / "cli.out";
        const std::string cmd = "PLATTERLY_DRIVES='" + (dir.path() / "drives").string() + "' '" +
                                PLATTERLY_DIST_DIR "/platterly-cli' " + args + " >'" +
                                log.string() + "' 2>&1 </dev/null";
        const int status = std::system(cmd.c_str());
        if (output)
            *output = testsupport::readFile(log);
        return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    }
    std::vector<fs::path> Files(const std::string& extension) const {
        std::vector<fs::path> found;
        for (const auto& e : fs::directory_iterator(out))
            if (e.path().extension() == extension)
                found.push_back(e.path());
        std::sort(found.begin(), found.end());
        return found;
    }
    testsupport::TempDir dir;
    fs::path out = dir.path() / "out folder";
};

TEST_F(RipCliTest, ChosenTracksRipToFlacNamedByCdTextAndDecodeToTheDisc) {
    std::string printed;
    ASSERT_EQ(Cli("rip D: --tracks 1,3 --format flac --cdtext '" + out.string() + "'", &printed), 0)
        << printed;
    EXPECT_NE(printed.find("Track 01: Success"), std::string::npos) << printed;
    EXPECT_NE(printed.find("Track 03: Success"), std::string::npos) << printed;
    EXPECT_NE(printed.find("Grab Tracks Completed!"), std::string::npos);
    const auto flacs = Files(".flac");
    ASSERT_EQ(flacs.size(), 2u) << printed;
    const fs::path cue = dir.path() / "drives" / "D" / "disc.cue";
    // The CD-Text titles name the files; which file is which track, the tags say.
    for (const fs::path& f : flacs) {
        EXPECT_EQ(f.stem().string().rfind("Track", 0), std::string::npos) << "not a CD-Text name";
        QProcess test;
        test.start("flac", {"-t", "-s", QString::fromStdString(f.string())});
        test.waitForFinished(60000);
        EXPECT_EQ(test.exitCode(), 0) << f;
        const QStringList tags = ReadTags(f);
        const QStringList number = TagValues(tags, "TRACKNUMBER");
        ASSERT_EQ(number.size(), 1) << tags.join('\n').toStdString();
        EXPECT_EQ(TagValues(tags, "TITLE"), QStringList{QString::fromStdString(f.stem().string())});
        QProcess decode;
        decode.start("ffmpeg",
                     {"-v", "error", "-i", QString::fromStdString(f.string()), "-f", "s16le", "-"});
        decode.waitForFinished(60000);
        EXPECT_EQ(decode.readAllStandardOutput().toStdString(),
                  ReadTrackPcm(cue, number[0].toInt()))
            << f;
    }
    EXPECT_TRUE(fs::exists(out / "rip.log"));
}

TEST_F(RipCliTest, Mp3AtAChosenBitRateUnderTrackNames) {
    std::string printed;
    ASSERT_EQ(Cli("rip d --format mp3 --bitrate 128 --tracks 2 '" + out.string() + "'", &printed),
              0)
        << printed;
    QProcess p;
    p.start("ffprobe",
            {"-v", "error", "-select_streams", "a", "-show_entries", "stream=bit_rate", "-of",
             "default=nw=1:nk=1", QString::fromStdString((out / "Track02.mp3").string())});
    p.waitForFinished(60000);
    EXPECT_EQ(p.readAllStandardOutput().trimmed(), "128000");
    // A second run skips what is there, as the window does; --replace rips again.
    ASSERT_EQ(Cli("rip D: --format mp3 --tracks 2 '" + out.string() + "'", &printed), 0);
    EXPECT_NE(printed.find("Track 02: Skipped. Already exist"), std::string::npos) << printed;
    ASSERT_EQ(Cli("rip D: --format mp3 --tracks 2 --replace '" + out.string() + "'", &printed), 0);
    EXPECT_NE(printed.find("Track 02: Success"), std::string::npos) << printed;
    EXPECT_TRUE(fs::exists(out / "rip (3).log"));
}

TEST_F(RipCliTest, AReadOffsetShiftsTheTrackIntoTheNextAndTheLogSaysSo) {
    std::string printed;
    ASSERT_EQ(Cli("rip D: --tracks 2 --format raw --offset 588 '" + out.string() + "'", &printed),
              0)
        << printed;
    const fs::path cue = dir.path() / "drives" / "D" / "disc.cue";
    const std::string two = ReadTrackPcm(cue, 2);
    const std::string expected = two.substr(588 * 4) + ReadTrackPcm(cue, 3).substr(0, 588 * 4);
    EXPECT_EQ(testsupport::readFile(out / "Track02.raw"), expected);
    EXPECT_NE(testsupport::readFile(out / "rip.log").find("Read offset correction: 588 samples"),
              std::string::npos);
}

TEST_F(RipCliTest, BadArgumentsAndMissingDiscsAreRefusedClearly) {
    std::string printed;
    struct Case {
        std::string args;
        int status;
        std::string says;
    };
    const std::string o = " '" + out.string() + "'";
    const Case cases[] = {
        {"rip D: --tracks 9" + o, 2, "are not on the disc"},
        {"rip D: --tracks 2-1" + o, 2, "are not on the disc"},
        {"rip D: --tracks x" + o, 2, "bad track list"},
        {"rip D: --format aac" + o, 2, "unknown format"},
        {"rip D: --format mp3 --bitrate 100" + o, 2, "MP3 bit rates"},
        {"rip D: --format mp3 --bitrate 128 --vbr 2" + o, 2, "exclude each other"},
        {"rip D: --format wav --vbr 2" + o, 2, "does not apply"},
        {"rip D: --format flac --level 9" + o, 2, "0 to 8"},
        {"rip D: --offset 12x" + o, 2, "read offset in samples"},
        {"rip D: --offset -200000" + o, 2, "read offset in samples"},
        {"rip D:", 2, "a drive and an output folder"},
        {"rip Q:" + o, 2, "no drive"},
        {"rip E:" + o, 1, "no audio CD"},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(Cli(c.args, &printed), c.status) << c.args << "\n" << printed;
        EXPECT_NE(printed.find(c.says), std::string::npos) << c.args << "\n" << printed;
    }
    EXPECT_FALSE(fs::exists(out)) << "nothing is made before the arguments hold";
}

} // namespace
