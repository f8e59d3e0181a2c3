#include "UpdateFixtures.h"

#include "support/TempDir.h"
#include "update/Install.h"

#include <gtest/gtest.h>

#include <sys/wait.h>
#include <unistd.h>

namespace fs = std::filesystem;
using testsupport::readFile;
using testsupport::writeFile;

namespace {

struct InstallCase : ::testing::Test {
    testsupport::TempDir dir;
    fs::path app = dir / "bundle";
    fs::path staging = dir / "staging";

    void SetUp() override {
        updatetest::MakeBundle(app, "1.0");
        writeFile(app / "config.ini", "[Config]\nLanguageFile=mine.ini\n");
        writeFile(app / "langs/english.ini", "edited by the user");
        updatetest::MakeBundle(staging, "2.0");
        writeFile(staging / "langs/german.ini", "new language");
        fs::create_directories(staging / "help");
        writeFile(staging / "help/index.html", "help 2.0");
    }
    std::string RunProgram() { return updatetest::RunAndRead((app / "platterly").string()); }
};

} // namespace

TEST_F(InstallCase, ReplacesTheProgramAndKeepsEveryUserFile) {
    const auto r = update::InstallStaged(staging, app);
    ASSERT_TRUE(r.ok) << r.error;
    EXPECT_EQ(RunProgram(), "platterly 2.0\n");
    EXPECT_EQ(readFile(app / "libdiscengine.so"), "engine 2.0");
    EXPECT_EQ(readFile(app / "help/index.html"), "help 2.0");
    EXPECT_EQ(readFile(app / "langs/german.ini"), "new language");
    // The user's own files.
    EXPECT_EQ(readFile(app / "config.ini"), "[Config]\nLanguageFile=mine.ini\n");
    EXPECT_EQ(readFile(app / "options.ini"), "[Options]\nV=1.0");
    EXPECT_EQ(readFile(app / "langs/english.ini"), "edited by the user");
    EXPECT_EQ(readFile(app / "drives/D/drive.ini"), "[Drive]\nV=1.0");
    // Nothing of the install is left beside the program folder.
    EXPECT_FALSE(fs::exists(update::JournalFile(app)));
    EXPECT_FALSE(fs::exists(update::RollbackFolder(app)));
    EXPECT_FALSE(fs::exists(staging));
}

TEST_F(InstallCase, AFailureHalfWayPutsTheOldVersionBack) {
    // The third file vanishes from the staging folder before it is moved: its rename fails
    // after two files of the new version are already in place.
    int steps = 0;
    const auto r = update::InstallStaged(staging, app, [&](const std::string& file) {
        if (++steps == 3)
            fs::remove(staging / file);
        return true;
    });
    EXPECT_FALSE(r.ok);
    EXPECT_GT(steps, 2);
    EXPECT_EQ(RunProgram(), "platterly 1.0\n");
    EXPECT_EQ(readFile(app / "libdiscengine.so"), "engine 1.0");
    EXPECT_EQ(readFile(app / "skins/Splash.png"), "splash 1.0");
    EXPECT_FALSE(fs::exists(app / "langs/german.ini"));
    EXPECT_FALSE(fs::exists(app / "help/index.html"));
    EXPECT_FALSE(fs::exists(update::JournalFile(app)));
}

TEST_F(InstallCase, AnInstallCutShortIsUndoneAtTheNextStart) {
    // A child process dies in the middle of the install, as at a power cut: no rollback runs.
    const pid_t child = fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        int steps = 0;
        update::InstallStaged(staging, app, [&](const std::string&) {
            if (++steps == 3)
                _exit(0);
            return true;
        });
        _exit(1);
    }
    int status = 0;
    waitpid(child, &status, 0);
    ASSERT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
    ASSERT_TRUE(fs::exists(update::JournalFile(app)));

    ASSERT_TRUE(update::RecoverInterruptedInstall(app));
    EXPECT_EQ(RunProgram(), "platterly 1.0\n");
    EXPECT_EQ(readFile(app / "libdiscengine.so"), "engine 1.0");
    EXPECT_EQ(readFile(app / "skins/Splash.png"), "splash 1.0");
    EXPECT_FALSE(fs::exists(app / "help/index.html"));
    EXPECT_FALSE(fs::exists(update::JournalFile(app)));
    EXPECT_FALSE(fs::exists(update::RollbackFolder(app)));

    // And the update, downloaded again, can then be installed for good.
    fs::remove_all(staging);
    updatetest::MakeBundle(staging, "2.0");
    const auto r = update::InstallStaged(staging, app);
    ASSERT_TRUE(r.ok) << r.error;
    EXPECT_EQ(RunProgram(), "platterly 2.0\n");
}
