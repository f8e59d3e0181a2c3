// platterly-cli with a physical drive in front of the store: drives, selftest and insert.
#include "support/TempDir.h"

#include "discengine/VirtualStore.h"

#include <cstdlib>
#include <gtest/gtest.h>
#include <sys/wait.h>

namespace fs = std::filesystem;

namespace {

int Cli(const fs::path& dir, const std::string& physical, const std::string& args,
        std::string* output) {
    fs::path out = dir / "cli.out";
    std::string cmd = "PLATTERLY_DRIVES='" + (dir / "drives").string() +
                      "' PLATTERLY_PHYSICAL_DRIVES='" + physical +
                      "' '" PLATTERLY_DIST_DIR "/platterly-cli' " + args + " >'" + out.string() +
                      "' 2>&1";
    int status = std::system(cmd.c_str());
    *output = testsupport::readFile(out);
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

bool Has(const std::string& text, const std::string& part) {
    return text.find(part) != std::string::npos;
}

TEST(CliPhysical, DrivesListsThePhysicalDriveFirstWithItsDevicePath) {
    testsupport::TempDir dir;
    const std::string disc = (dir / "disc.iso").string();
    std::string out;
    ASSERT_EQ(Cli(dir.path(), "stdio:" + disc, "drives", &out), 0) << out;
    EXPECT_EQ(out.rfind("D: ", 0), 0u) << out;
    EXPECT_TRUE(Has(out.substr(0, out.find('\n')), "(" + disc + ")")) << out;
    EXPECT_TRUE(Has(out, "\nE: PLATTERLY")) << out;
    EXPECT_TRUE(Has(out, "\nG: PLATTERLY")) << out;
}

TEST(CliPhysical, SelftestReadsDrivesAndSimulatesAWriteThatBurnsNothing) {
    testsupport::TempDir dir;
    const std::string disc = (dir / "disc.iso").string();
    std::string out;
    ASSERT_EQ(Cli(dir.path(), "stdio:" + disc, "selftest D: --write", &out), 0) << out;
    EXPECT_TRUE(Has(out, "device stdio:" + disc)) << out;
    EXPECT_TRUE(Has(out, "ok      simulated write")) << out;
    EXPECT_TRUE(Has(out, "selftest passed")) << out;
    std::error_code ec;
    EXPECT_TRUE(!fs::exists(disc) || fs::file_size(disc, ec) == 0) << "the test write burned";

    // The store's drives moved on by one: E: holds the sample audio CD, G: the sample data CD.
    ASSERT_EQ(Cli(dir.path(), "stdio:" + disc, "selftest E:", &out), 0) << out;
    EXPECT_TRUE(Has(out, "one second of audio")) << out;
    ASSERT_EQ(Cli(dir.path(), "stdio:" + disc, "selftest g:", &out), 0) << out;
    EXPECT_TRUE(Has(out, "label \"SAMPLE DATA\"")) << out;
    EXPECT_EQ(Cli(dir.path(), "stdio:" + disc, "selftest D: --burn", &out), 2) << out;
}

TEST(CliPhysical, SelftestOfADeviceThatCannotBeOpenedFailsNamingIt) {
    testsupport::TempDir dir;
    const std::string missing = (dir / "gone/sr0").string();
    std::string out;
    EXPECT_EQ(Cli(dir.path(), missing, "selftest D:", &out), 1) << out;
    EXPECT_TRUE(Has(out, "FAILED  open: " + missing)) << out;
    EXPECT_TRUE(Has(out, "selftest FAILED")) << out;
}

TEST(CliPhysical, InsertChangesTheStoreDriveTheEngineLetterNamesAndRefusesAPhysicalOne) {
    testsupport::TempDir dir;
    const std::string physical = "stdio:" + (dir / "disc.iso").string();
    std::string out;
    ASSERT_EQ(Cli(dir.path(), physical, "drives", &out), 0) << out; // makes the default store
    discengine::VirtualStore store(dir / "drives");
    ASSERT_EQ(Cli(dir.path(), physical, "insert F: blank dvd-r", &out), 0) << out;
    // F: is the store's second drive (its own letter E), not its third.
    EXPECT_TRUE(Has(testsupport::readFile(store.DriveFolders()[1] / "medium.ini"), "MediaType=3"));
    EXPECT_FALSE(Has(testsupport::readFile(store.DriveFolders()[2] / "medium.ini"), "MediaType=3"));
    EXPECT_EQ(Cli(dir.path(), physical, "insert D: blank cd-r", &out), 1) << out;
    EXPECT_TRUE(Has(out, "physical drive")) << out;
}

} // namespace
