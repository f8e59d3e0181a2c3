// The audio CD preparation of the job layer on a real engine and store, and the terminal front
// end's Ctrl+C: a cancelled burn leaves the disc blank and no decoded copy behind.
#include "AudioBurnSupport.h"

#include "discengine/Disc.h"
#include "jobs/AudioImageJob.h"

#include <gtest/gtest.h>

#include <csignal>
#include <fcntl.h>
#include <spawn.h>
#include <sys/wait.h>
#include <thread>

namespace fs = std::filesystem;
using namespace audioburn;

namespace {

std::string What(const std::function<void()>& run) {
    try {
        run();
    } catch (const jobs::JobError& error) {
        return error.what();
    }
    return "no error";
}

} // namespace

TEST(AudioImagePreparation, CdWavsGoInAsTheyAreAndTheTemporaryFolderGoesWithTheJob) {
    Fixture f;
    const fs::path one = f.Write("one.wav", CdWavBytes(44100 * 2, 3));
    const fs::path two = f.Write("two.wav", CdWavBytes(44100 * 3, 4));
    auto image = f.engine->AudioImage();
    std::vector<std::string> notices;
    fs::path temp;
    {
        jobs::AudioImagePreparation prepared;
        temp = prepared.TempFolder();
        ASSERT_TRUE(fs::is_directory(temp));
        testsupport::writeFile(temp / "decoded.wav", "left by a decode");
        prepared.Fill(*image, {one, two}, [&](const std::string& n) { notices.push_back(n); });
        EXPECT_EQ(image->TrackCount(), 2);
        prepared.Fill(*image, {two}, [&](const std::string& n) { notices.push_back(n); });
        EXPECT_EQ(image->TrackCount(), 1) << "a new fill starts from an empty image";
    }
    EXPECT_FALSE(fs::exists(temp)) << "the job's temporary folder outlives it";
    EXPECT_EQ(notices,
              (std::vector<std::string>{"Track 1: " + one.string(), "Track 2: " + two.string(),
                                        "Track 1: " + two.string()}));
}

TEST(AudioImagePreparation, MissingUndecodableAndStoppedFilesEndTheFillWithTheirReason) {
    Fixture f;
    const fs::path good = f.Write("good.wav", CdWavBytes(44100, 5));
    const fs::path fake = f.Write("fake.mp3", "not audio at all");
    auto image = f.engine->AudioImage();
    jobs::AudioImagePreparation prepared;
    auto quiet = [](const std::string&) {};
    EXPECT_EQ(What([&] {
                  prepared.Fill(*image, {good, f.dir / "gone.wav"}, quiet);
              }),
              (f.dir / "gone.wav").string() + ": no such file");
    EXPECT_EQ(What([&] { prepared.Fill(*image, {f.dir.path()}, quiet); }),
              f.dir.path().string() + ": no such file")
        << "a folder is not a track";
    const std::string undecodable = What([&] { prepared.Fill(*image, {good, fake}, quiet); });
    EXPECT_EQ(undecodable.rfind("cannot decode " + fake.string() + ": ", 0), 0u) << undecodable;

    int asked = 0;
    EXPECT_THROW(prepared.Fill(*image, {good, good}, quiet, [&] { return ++asked == 2; }),
                 jobs::JobCancelled);
    EXPECT_EQ(asked, 2) << "asked before each file";
    EXPECT_EQ(image->TrackCount(), 1) << "the file after the stop does not go in";
}

TEST(AudioImagePreparation, TheDiscMustBeABlankDiscInAWriterWithRoomForTheTracks) {
    Fixture f;
    auto reader = f.engine->FindDevice('D');
    auto writer = f.engine->FindDevice('E');
    ASSERT_TRUE(reader && writer);
    EXPECT_EQ(What([&] { jobs::CheckAudioDisc(*reader, 100); }), "D: cannot write");
    EXPECT_EQ(What([&] { jobs::CheckAudioDisc(*writer, 100); }), "no error");
    const std::int32_t free = writer->FreeBlocks(false);
    const std::string full = What([&] { jobs::CheckAudioDisc(*writer, free + 1); });
    EXPECT_EQ(full, "the tracks need " + discengine::MsfText(free + 1) + " (" +
                        std::to_string(free + 1) + " blocks), the disc in E: holds " +
                        discengine::MsfText(free) + " (" + std::to_string(free) + " blocks)");
    EXPECT_EQ(discengine::MsfText(free), "80:00:00") << "an 80-minute disc";
    f.Store().InsertSampleData('E');
    EXPECT_EQ(What([&] { jobs::CheckAudioDisc(*writer, 100); }),
              "the disc in E: is not blank; an audio CD needs a blank disc");
}

// platterly-cli burn --audio on its own store and temporary folder, stopped by a signal.
class AudioBurnInterrupt : public ::testing::Test {
protected:
    void SetUp() override {
        fs::create_directories(dir / "tmp");
        std::string out;
        ASSERT_EQ(RunCommand(env + " " + tmp + " '" + cli + "' drives", &out), 0) << out;
    }
    void TearDown() override {
        if (pid > 0 && ::waitpid(pid, nullptr, WNOHANG) == 0) {
            ::kill(pid, SIGKILL);
            ::waitpid(pid, nullptr, 0);
        }
    }
    fs::path Mp3(const std::string& name, int seconds) {
        std::string out;
        const fs::path file = dir / name;
        EXPECT_EQ(RunCommand("ffmpeg -v error -f lavfi -i 'sine=frequency=440:duration=" +
                                 std::to_string(seconds) + "' -ac 2 -ar 44100 -c:a libmp3lame '" +
                                 file.string() + "'",
                             &out),
                  0)
            << out;
        return file;
    }
    // Starts a 1x burn (176 KB/s keeps a write going for seconds) of `files` onto E:.
    void Start(const std::vector<fs::path>& files) {
        std::vector<std::string> args = {cli, "burn", "E:", "--audio", "--speed", "176"};
        for (const auto& file : files)
            args.push_back(file.string());
        std::vector<char*> argv;
        for (auto& a : args)
            argv.push_back(a.data());
        argv.push_back(nullptr);
        std::vector<char*> envp = {env.data(), tmp.data(), nullptr};
        posix_spawn_file_actions_t actions;
        posix_spawn_file_actions_init(&actions);
        posix_spawn_file_actions_addopen(&actions, STDOUT_FILENO, log.c_str(),
                                         O_WRONLY | O_CREAT | O_TRUNC, 0600);
        posix_spawn_file_actions_adddup2(&actions, STDOUT_FILENO, STDERR_FILENO);
        ASSERT_EQ(posix_spawn(&pid, cli.c_str(), &actions, nullptr, argv.data(), envp.data()), 0);
        posix_spawn_file_actions_destroy(&actions);
    }
    bool WaitForOutput(const std::string& text) {
        for (int i = 0; i < 1200; ++i) {
            if (Printed().find(text) != std::string::npos)
                return true;
            std::this_thread::sleep_for(std::chrono::milliseconds(50));
        }
        return false;
    }
    // Sends the signal and waits for the tool's end; its wait status, or -1 if it had to be
    // killed.
    int Stop(int signal) {
        ::kill(pid, signal);
        int status = 0;
        for (int i = 0; i < 1200; ++i) {
            if (::waitpid(pid, &status, WNOHANG) == pid) {
                pid = 0;
                return status;
            }
            std::this_thread::sleep_for(std::chrono::milliseconds(50));
        }
        return -1;
    }
    std::string Printed() { return testsupport::readFile(log); }

    testsupport::TempDir dir;
    std::string env = "PLATTERLY_DRIVES=" + (dir / "drives").string();
    std::string tmp = "TMPDIR=" + (dir / "tmp").string();
    std::string cli = PLATTERLY_DIST_DIR "/platterly-cli";
    fs::path log = dir / "out.txt";
    pid_t pid = 0;
};

TEST_F(AudioBurnInterrupt, CtrlCDuringTheWriteCancelsAndLeavesNoDecodedCopyBehind) {
    testsupport::writeFile(dir / "long.wav", CdWavBytes(44100 * 20, 8));
    // The MP3 is decoded into the temporary folder before the write starts.
    Start({Mp3("short.mp3", 2), dir / "long.wav"});
    ASSERT_TRUE(WaitForOutput("Writing track")) << Printed();
    EXPECT_FALSE(fs::is_empty(dir / "tmp")) << "the decoded copy is there while the write runs";
    const int status = Stop(SIGINT);
    ASSERT_NE(status, -1) << "the burn did not stop after Ctrl+C";
    ASSERT_TRUE(WIFEXITED(status)) << "ended by the signal, not by the job: " << Printed();
    EXPECT_EQ(WEXITSTATUS(status), 130) << Printed();
    EXPECT_TRUE(fs::is_empty(dir / "tmp")) << "a decoded WAV was left behind";
    // The disc received part of the tracks: it is no longer blank, and the user is told so.
    auto medium = testsupport::readFile(dir / "drives" / "E" / "medium.ini");
    EXPECT_NE(medium.find("DiscStatus=3"), std::string::npos) << medium;
    EXPECT_NE(Printed().find("cancelled; the disc holds an unfinished write"), std::string::npos)
        << Printed();
}

TEST_F(AudioBurnInterrupt, SigtermWhileDecodingStopsTheJobAndRemovesWhatWasDecoded) {
    Start({Mp3("a.mp3", 240), Mp3("b.mp3", 240), Mp3("c.mp3", 240)});
    ASSERT_TRUE(WaitForOutput("Track 1: decoding")) << Printed();
    const int status = Stop(SIGTERM);
    ASSERT_NE(status, -1) << "the burn did not stop after SIGTERM";
    ASSERT_TRUE(WIFEXITED(status)) << "ended by the signal, not by the job: " << Printed();
    EXPECT_EQ(WEXITSTATUS(status), 130) << Printed();
    EXPECT_NE(Printed().find("platterly-cli: cancelled; "), std::string::npos) << Printed();
    EXPECT_EQ(Printed().find("Write completed."), std::string::npos) << Printed();
    EXPECT_TRUE(fs::is_empty(dir / "tmp")) << "a decoded WAV was left behind";
}

// The terminal front end names the tracks as the page does: the title tag, else the file name.
TEST_F(AudioBurnInterrupt, TheToolWritesTheTagsAsCdText) {
    const fs::path tagged = dir / "tagged.mp3";
    std::string out;
    ASSERT_EQ(RunCommand("ffmpeg -v error -f lavfi -i 'sine=duration=2' -ac 2 -c:a libmp3lame "
                         "-metadata 'title=Tagged Title' -metadata 'artist=Some Band' "
                         "-metadata 'album=The Album' '" +
                             tagged.string() + "'",
                         &out),
              0)
        << out;
    testsupport::writeFile(dir / "plain.wav", CdWavBytes(44100, 3));
    ASSERT_EQ(RunCommand(env + " " + tmp + " '" + cli + "' burn E: --audio '" + tagged.string() +
                             "' '" + (dir / "plain.wav").string() + "'",
                         &out),
              0)
        << out;
    const DiscRead disc = ReadDisc(dir / "drives" / "E" / "disc.cue");
    ASSERT_EQ(disc.titles.size(), 2u);
    EXPECT_EQ(disc.titles[0], "Tagged Title");
    EXPECT_EQ(disc.titles[1], "plain");
    const std::string cue = testsupport::readFile(dir / "drives" / "E" / "disc.cue");
    EXPECT_NE(cue.find("TITLE \"The Album\""), std::string::npos) << cue;
    EXPECT_NE(cue.find("PERFORMER \"Some Band\""), std::string::npos) << cue;
    EXPECT_TRUE(fs::is_empty(dir / "tmp")) << "a decoded WAV was left behind";
}
