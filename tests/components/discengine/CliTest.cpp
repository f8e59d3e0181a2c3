#include "support/TempDir.h"

#include <cstdlib>
#include <gtest/gtest.h>
#include <sys/wait.h>

namespace fs = std::filesystem;

namespace {
int Cli(const fs::path& store, const std::string& args, std::string* output = nullptr) {
    fs::path out = store.parent_path() / "cli.out";
    std::string cmd = "PLATTERLY_DRIVES='" + store.string() +
                      "' '" PLATTERLY_DIST_DIR "/platterly-cli' " + args + " >'" + out.string() +
                      "' 2>&1";
    int status = std::system(cmd.c_str());
    if (output)
        *output = testsupport::readFile(out);
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}
} // namespace

TEST(Cli, DrivesInsertEjectLoadEraseAndBadArguments) {
    testsupport::TempDir dir;
    fs::path store = dir / "drives";
    std::string out;
    ASSERT_EQ(Cli(store, "drives", &out), 0) << out;
    EXPECT_NE(out.find("D: "), std::string::npos);
    EXPECT_NE(out.find("cd-rw (blank)"), std::string::npos);
    EXPECT_EQ(Cli(store, "erase E:", &out), 0) << out;
    EXPECT_NE(out.find("Erase completed."), std::string::npos);
    EXPECT_EQ(Cli(store, "insert E: blank cd-r"), 0);
    EXPECT_NE(Cli(store, "erase E: --quick", &out), 0);
    EXPECT_NE(out.find("not erasable"), std::string::npos);
    EXPECT_EQ(Cli(store, "eject E:"), 0);
    ASSERT_EQ(Cli(store, "drives", &out), 0);
    EXPECT_NE(out.find("tray open"), std::string::npos);
    EXPECT_EQ(Cli(store, "load e"), 0);
    EXPECT_EQ(Cli(store, "insert E: sample-audio"), 0);
    EXPECT_EQ(Cli(store, "insert E: " + (store / "D" / "disc.cue").string()), 0);
    EXPECT_EQ(Cli(store, "insert Z: blank cd-r"), 2);
    EXPECT_EQ(Cli(store, "insert E: blank cd-rom"), 2);
    EXPECT_EQ(Cli(store, "insert E: /no/such.iso"), 1);
    EXPECT_EQ(Cli(store, "erase"), 2);
    EXPECT_EQ(Cli(store, "frobnicate"), 2);
    EXPECT_NE(Cli(store, "erase D:"), 0); // a reader
}
