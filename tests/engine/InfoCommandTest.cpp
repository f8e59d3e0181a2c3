// "info X:" on a fresh default store and on bad arguments.
#include "TestStore.h"

#include "core/MultiLanguages.h"
#include "engine/InfoCommand.h"

#include <gtest/gtest.h>

#include <sstream>

namespace de = discengine;

namespace {

struct CliRun {
    int status;
    std::string out;
    std::string err;
};

CliRun Info(de::IDVDEngineX& engine, std::vector<std::string> args) {
    std::ostringstream out, err;
    const int status = RunInfoCommand(engine, args, out, err);
    return {status, out.str(), err.str()};
}

class InfoCommandTest : public ::testing::Test {
protected:
    // One default store for the suite: making the sample audio disc takes a while.
    static void SetUpTestSuite() { dir = std::make_unique<testsupport::TempDir>(); }
    static void TearDownTestSuite() { dir.reset(); }
    void SetUp() override {
        MultiLanguages::ResetToEnglish();
        de::EngineOptions options;
        options.store = dir->path() / "drives"; // missing at first: the default store is made
        engine = de::CreateEngine(options);
        ASSERT_TRUE(engine->Initialize(0)) << engine->LastError();
    }
    static std::unique_ptr<testsupport::TempDir> dir;
    std::unique_ptr<de::IDVDEngineX> engine;
};

std::unique_ptr<testsupport::TempDir> InfoCommandTest::dir;

TEST_F(InfoCommandTest, DefaultReaderShowsTheSampleAudioCd) {
    const CliRun run = Info(*engine, {"D:"});
    ASSERT_EQ(run.status, 0) << run.err;
    EXPECT_TRUE(run.err.empty());
    const std::string& out = run.out;
    const auto source = out.find("== D: source report ==\nDevice Information:\n");
    const auto destination = out.find("\n\n== D: destination report ==\nDevice Information:\n");
    ASSERT_NE(source, std::string::npos) << out;
    ASSERT_NE(destination, std::string::npos) << out;
    const std::string first = out.substr(0, destination);
    EXPECT_NE(first.find("Can read CDR: "), std::string::npos);
    EXPECT_EQ(first.find("Can write "), std::string::npos);
    EXPECT_EQ(first.find("Max Write Speed"), std::string::npos);
    EXPECT_NE(first.find("Media Type: CD-ROM\n"), std::string::npos);
    EXPECT_NE(first.find("Disc Status: Completed Disc\n"), std::string::npos);
    EXPECT_NE(first.find("Disc Used Size: "), std::string::npos);
    EXPECT_NE(first.find("Session 01\nTrack 01 - LBA: 00000000  Size:"), std::string::npos);
    EXPECT_NE(first.find(" Blocks Audio\n"), std::string::npos);
    const std::string second = out.substr(destination);
    EXPECT_NE(second.find("Can write CD-R: "), std::string::npos);
    EXPECT_NE(second.find("Disc Free Size: 0.00 MB\n"), std::string::npos);
}

TEST_F(InfoCommandTest, DefaultRecorderShowsABlankCdRw) {
    const CliRun run = Info(*engine, {"e"});
    ASSERT_EQ(run.status, 0) << run.err;
    EXPECT_NE(run.out.find("== E: source report =="), std::string::npos);
    EXPECT_NE(run.out.find("Max Write Speed: "), std::string::npos);
    EXPECT_NE(run.out.find("Media Type: CD-RW\nDisc Type(CD Only): CDROM / CDDA Format\n"
                           "Disc Status: Empty\nDisc is erasable: Yes\n"),
              std::string::npos)
        << run.out;
    // 80 minutes: 360000 blocks = 703.125 MB, rounded up.
    EXPECT_NE(run.out.find("Disc Free Size: 703.13 MB\n"), std::string::npos);
    EXPECT_NE(run.out.find("Opened: Yes\nSession Count: 0 sessions\n"), std::string::npos);
    EXPECT_EQ(run.out.find("Track 01"), std::string::npos);
}

TEST_F(InfoCommandTest, BadArgumentsAndUnknownDrivesFailWithAReason) {
    for (const auto& args :
         std::vector<std::vector<std::string>>{{}, {"D:", "E:"}, {"DD"}, {"1:"}, {""}, {"D:\\"}}) {
        const CliRun run = Info(*engine, args);
        EXPECT_EQ(run.status, 2);
        EXPECT_TRUE(run.out.empty());
        EXPECT_FALSE(run.err.empty());
    }
    const CliRun unknown = Info(*engine, {"Z:"});
    EXPECT_EQ(unknown.status, 1);
    EXPECT_NE(unknown.err.find("Z:"), std::string::npos);
}

} // namespace
