// platterly-cli mkiso and burn (data) as a user runs them, read back by independent readers.
#include "DataFixture.h"
#include "Readers.h"

#include <csignal>
#include <fcntl.h>
#include <gtest/gtest.h>
#include <spawn.h>
#include <sys/wait.h>
#include <thread>

namespace fs = std::filesystem;
using namespace discengine;
using namespace datatest;

extern char** environ;

TEST(CliData, MkisoWritesEveryFileSystemWithTheLabelAndVerifies) {
    CliFixture f;
    fs::path src = f.Tree();
    std::string out;
    ASSERT_EQ(f.Cli("mkiso --fs 7 --label 'Cli Disc' --file-date --verify " + Quote(src) + " " +
                        Quote(f.dir / "a.iso"),
                    &out),
              0)
        << out;
    EXPECT_NE(out.find("Verified: 2 of 2 files match."), std::string::npos) << out;
    std::string label;
    auto joliet = ReadIso(f.dir / "a.iso", true, &label);
    EXPECT_EQ(label, "Cli Disc");
    EXPECT_EQ(joliet["\\Docs\\Report 2024.txt"], Pattern(50000, 3));
    EXPECT_EQ(joliet["\\readme.txt"], "read me\n");
    std::string udfLabel;
    EXPECT_EQ(ReadUdf(f.dir / "a.iso", &udfLabel), joliet);
    EXPECT_EQ(udfLabel, "Cli Disc");

    // A single file and a disc folder (F:'s sample disc) as sources, ISO9660 only.
    ASSERT_EQ(f.Cli("mkiso --fs 1 " + Quote(src / "readme.txt") + " 'F:\\Documents' " +
                        Quote(f.dir / "b.iso"),
                    &out),
              0)
        << out;
    auto plain = ReadIso(f.dir / "b.iso", false);
    EXPECT_EQ(plain["\\readme.txt"], "read me\n");
    EXPECT_EQ(plain["\\archive\\2023_report.txt"].size(), 70000u);

    // Usage errors and failures, each with a message and nothing written.
    EXPECT_EQ(f.Cli("mkiso --fs 2 " + Quote(src) + " " + Quote(f.dir / "c.iso"), &out), 2);
    EXPECT_NE(out.find("--fs takes"), std::string::npos) << out;
    EXPECT_EQ(f.Cli("mkiso " + Quote(f.dir / "c.iso"), &out), 2);
    EXPECT_EQ(f.Cli("mkiso " + Quote(f.dir / "missing") + " " + Quote(f.dir / "c.iso"), &out), 1);
    EXPECT_NE(out.find("does not exist"), std::string::npos) << out;
    EXPECT_EQ(f.Cli("mkiso " + Quote(src) + " " + Quote(f.dir / "no" / "c.iso"), &out), 1);
    EXPECT_NE(out.find("output file error"), std::string::npos) << out;
    EXPECT_EQ(f.Cli("mkiso " + Quote(src) + " " + Quote(f.dir.path()), &out), 1);
    EXPECT_FALSE(fs::exists(f.dir / "c.iso"));
}

TEST(CliData, BurnFromSourcesAndFromAnImageThenRefusesAWrittenDisc) {
    CliFixture f;
    fs::path src = f.Tree();
    f.Store().InsertBlank('E', kMediaCDR);
    std::string out;
    ASSERT_EQ(f.Cli("burn E: --test " + Quote(src), &out), 0) << out;
    EXPECT_NE(out.find("nothing was written"), std::string::npos) << out;
    EXPECT_FALSE(fs::exists(f.Store().FolderOf('E') / "disc.iso"));

    ASSERT_EQ(f.Cli("burn E: --speed 0 " + Quote(src), &out), 0) << out;
    EXPECT_NE(out.find("Burn completed."), std::string::npos) << out;
    EXPECT_NE(out.find("Verified: 2 of 2 files match."), std::string::npos) << out;
    auto written = ReadIso(f.Store().FolderOf('E') / "disc.iso", true);
    EXPECT_EQ(written["\\Docs\\Report 2024.txt"], Pattern(50000, 3));

    EXPECT_EQ(f.Cli("burn E: " + Quote(src), &out), 1);
    EXPECT_NE(out.find("insert an empty disc"), std::string::npos) << out;

    // An image file burned as it is, finalized.
    ASSERT_EQ(f.Cli("mkiso " + Quote(src) + " " + Quote(f.dir / "i.iso"), &out), 0) << out;
    f.Store().InsertBlank('E', kMediaCDRW);
    ASSERT_EQ(f.Cli("burn E: --finalize --image " + Quote(f.dir / "i.iso"), &out), 0) << out;
    EXPECT_EQ(testsupport::readFile(f.Store().FolderOf('E') / "disc.iso"),
              testsupport::readFile(f.dir / "i.iso"));
    EXPECT_NE(testsupport::readFile(f.Store().FolderOf('E') / "medium.ini").find("DiscStatus=2"),
              std::string::npos);
    EXPECT_EQ(f.Cli("burn E: --image " + Quote(f.dir / "i.iso") + " " + Quote(src), &out), 2);
    EXPECT_EQ(f.Cli("burn D: " + Quote(src), &out), 1); // a reader

    // The sample data CD goes into any drive.
    ASSERT_EQ(f.Cli("insert E: sample-data", &out), 0) << out;
    EXPECT_EQ(testsupport::readFile(f.Store().FolderOf('E') / "disc.iso"),
              testsupport::readFile(f.Store().FolderOf('F') / "disc.iso"));
}

TEST(CliData, CtrlCCancelsABurnAndLeavesTheDiscBlank) {
    CliFixture f;
    testsupport::writeFile(f.dir / "big.bin", Pattern(12 << 20, 5));
    f.Store().InsertBlank('E', kMediaCDR);
    // 4x (704 KB/s) keeps the write going for many seconds.
    std::string env = "PLATTERLY_DRIVES=" + (f.dir / "drives").string();
    std::string tmp = "TMPDIR=" + (f.dir / "tmp").string();
    std::string cli = PLATTERLY_DIST_DIR "/platterly-cli";
    std::string big = (f.dir / "big.bin").string();
    std::vector<std::string> args = {cli, "burn", "E:", "--speed", "704", big};
    std::vector<char*> argv;
    for (auto& a : args)
        argv.push_back(a.data());
    argv.push_back(nullptr);
    std::vector<char*> envp = {env.data(), tmp.data(), nullptr};
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, STDOUT_FILENO, "/dev/null", O_WRONLY, 0);
    posix_spawn_file_actions_addopen(&actions, STDERR_FILENO, "/dev/null", O_WRONLY, 0);
    pid_t pid = 0;
    ASSERT_EQ(posix_spawn(&pid, cli.c_str(), &actions, nullptr, argv.data(), envp.data()), 0);
    posix_spawn_file_actions_destroy(&actions);
    // Wait until the track is being written: its temporary file appears in the drive folder.
    fs::path folder = f.Store().FolderOf('E');
    bool writing = false;
    for (int i = 0; i < 600 && !writing; ++i) {
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
        for (const auto& e : fs::directory_iterator(folder))
            writing = writing || e.path().filename().string().find("disc.iso") != std::string::npos;
    }
    EXPECT_TRUE(writing);
    ::kill(pid, SIGINT);
    int status = 0;
    for (int i = 0; i < 600 && ::waitpid(pid, &status, WNOHANG) == 0; ++i)
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
    if (::waitpid(pid, &status, WNOHANG) == 0) {
        ::kill(pid, SIGKILL);
        ::waitpid(pid, &status, 0);
        FAIL() << "the burn did not stop after Ctrl+C";
    }
    ASSERT_TRUE(WIFEXITED(status));
    EXPECT_EQ(WEXITSTATUS(status), 130);
    for (const auto& e : fs::directory_iterator(folder))
        EXPECT_EQ(e.path().filename().string().find("disc.iso"), std::string::npos) << e.path();
    EXPECT_EQ(ParseMediumIni(testsupport::readFile(folder / "medium.ini")).discStatus, kDiscEmpty);
}
