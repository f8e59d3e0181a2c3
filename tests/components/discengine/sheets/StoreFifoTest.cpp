// A FIFO where the store or a sheet has a file never stalls a command: every command answers
// with the reason. The commands run under `timeout` so a hang fails the test instead of
// stopping the run.
#include "SheetFixture.h"
#include "discengine/Disc.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <sys/wait.h>

using namespace sheettest;
namespace fs = std::filesystem;

namespace {

constexpr int kTimedOut = 124; // what timeout(1) exits with

int Cli(const fs::path& store, const std::string& args, std::string* output = nullptr) {
    fs::path out = store.parent_path() / "cli.out";
    std::string cmd = "PLATTERLY_DRIVES='" + store.string() +
                      "' timeout 20 '" PLATTERLY_DIST_DIR "/platterly-cli' " + args + " >'" +
                      out.string() + "' 2>&1";
    int status = std::system(cmd.c_str());
    if (output)
        *output = testsupport::readFile(out);
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

void MakeFifo(const fs::path& path) {
    std::error_code ec;
    fs::remove(path, ec);
    ASSERT_EQ(::mkfifo(path.c_str(), 0644), 0) << path;
}

bool Has(const std::string& text, const std::string& part) {
    return text.find(part) != std::string::npos;
}

} // namespace

TEST(StoreFifo, FifoMediumIniLeavesEveryCommandAnswering) {
    testsupport::TempDir dir;
    fs::path store = dir / "drives";
    ASSERT_EQ(Cli(store, "drives"), 0);
    MakeFifo(store / "E" / "medium.ini");
    std::string out;
    EXPECT_EQ(Cli(store, "drives", &out), 0) << out;
    EXPECT_TRUE(Has(out, "FIFO")) << out;
    for (const char* command : {"info E:", "erase E:", "eject E:", "load E:"}) {
        int rc = Cli(store, command, &out);
        EXPECT_NE(rc, kTimedOut) << command;
        EXPECT_NE(rc, -1) << command;
    }
    // A new medium replaces the FIFO.
    EXPECT_EQ(Cli(store, "insert E: blank cd-r", &out), 0) << out;
    EXPECT_EQ(Cli(store, "drives", &out), 0);
    EXPECT_TRUE(Has(out, "cd-r (blank)")) << out;
}

TEST(StoreFifo, FifoDriveIniKeepsTheDriveListedWithTheReason) {
    testsupport::TempDir dir;
    fs::path store = dir / "drives";
    ASSERT_EQ(Cli(store, "drives"), 0);
    MakeFifo(store / "D" / "drive.ini");
    std::string out;
    EXPECT_EQ(Cli(store, "drives", &out), 0) << out;
    EXPECT_TRUE(Has(out, "E: ")) << out;
    for (const char* command :
         {"info D:", "erase D:", "eject D:", "load D:", "insert D: blank cd-r"})
        EXPECT_NE(Cli(store, command, &out), kTimedOut) << command;
    EXPECT_NE(Cli(store, "insert D: blank cd-r", &out), 0);
    EXPECT_TRUE(Has(out, "FIFO")) << out;
}

TEST(StoreFifo, FifoPayloadIsAMediumProblemNotAHang) {
    testsupport::TempDir dir;
    fs::path store = dir / "drives";
    ASSERT_EQ(Cli(store, "drives"), 0);
    MakeFifo(store / "D" / "disc.bin");
    MakeFifo(store / "F" / "disc.iso");
    std::string out;
    EXPECT_EQ(Cli(store, "drives", &out), 0) << out;
    EXPECT_TRUE(Has(out, "audio payload " + (store / "D" / "disc.bin").string() + ": it is a FIFO"))
        << out;
    EXPECT_TRUE(Has(out, "data payload " + (store / "F" / "disc.iso").string() + ": it is a FIFO"))
        << out;
    for (const char* command : {"info D:", "info F:", "erase F:", "eject D:", "load D:"})
        EXPECT_NE(Cli(store, command, &out), kTimedOut) << command;
}

TEST(StoreFifo, SheetsNamingAFifoAreRefusedWithTheReason) {
    testsupport::TempDir dir;
    fs::path store = dir / "drives";
    ASSERT_EQ(Cli(store, "drives"), 0);
    MakeFifo(dir / "audio.raw");
    MakeFifo(dir / "sheet.bin");
    testsupport::writeFile(dir / "disc.toc", "CD_DA\nTRACK AUDIO\nFILE \"audio.raw\" 0\n");
    testsupport::writeFile(dir / "sheet.cue",
                           "FILE \"audio.raw\" BINARY\n  TRACK 01 AUDIO\n    INDEX 01 00:00:00\n");
    std::string out;
    for (const char* image : {"disc.toc", "sheet.cue"}) {
        int rc = Cli(store, "insert E: '" + (dir / image).string() + "'", &out);
        EXPECT_NE(rc, kTimedOut) << image;
        EXPECT_EQ(rc, 1) << out;
        EXPECT_TRUE(Has(out, "audio.raw")) << out;
        EXPECT_TRUE(Has(out, "FIFO (named pipe)")) << out;
    }
    // The sheet itself as a FIFO.
    MakeFifo(dir / "pipe.cue");
    EXPECT_EQ(Cli(store, "insert E: '" + (dir / "pipe.cue").string() + "'", &out), 1) << out;
    EXPECT_TRUE(Has(out, "FIFO")) << out;
    EXPECT_EQ(Cli(store, "drives", &out), 0);
    EXPECT_TRUE(Has(out, "cd-rw (blank)")) << out; // E: kept its medium
}

TEST(StoreFifo, InsertWithOutsideReadsAFileTheSheetNamesElsewhere) {
    testsupport::TempDir dir;
    fs::path store = dir / "drives";
    fs::create_directories(dir / "a");
    fs::create_directories(dir / "b");
    testsupport::writeFile(dir / "b" / "t.bin", Pcm(300, 5));
    testsupport::writeFile(dir / "a" / "s.cue",
                           "FILE \"../b/t.bin\" BINARY\n  TRACK 01 AUDIO\n    INDEX 01 00:00:00\n");
    std::string out;
    EXPECT_EQ(Cli(store, "insert E: '" + (dir / "a" / "s.cue").string() + "'", &out), 1);
    EXPECT_TRUE(Has(out, "--outside")) << out;
    EXPECT_EQ(Cli(store, "insert E: '" + (dir / "a" / "s.cue").string() + "' --outside", &out), 0)
        << out;
}

TEST(StoreFifo, FullEraseNeverWritesThroughALinkedImage) {
    testsupport::TempDir dir;
    fs::path store = dir / "drives";
    const std::string iso = MakeIso(dir.path(), "KEEPME");
    testsupport::writeFile(dir / "mine.iso", iso);
    std::string out;
    ASSERT_EQ(Cli(store, "insert E: '" + (dir / "mine.iso").string() + "'", &out), 0) << out;
    // A medium.ini edited by hand into a rewritable disc over the linked image.
    fs::path medium = store / "E" / "medium.ini";
    std::string text = testsupport::readFile(medium);
    text.replace(text.find("MediaType=255"), 13, "MediaType=9");
    text.replace(text.find("Erasable=0"), 10, "Erasable=1");
    testsupport::writeFile(medium, text);
    ASSERT_EQ(Cli(store, "erase E:", &out), 0) << out;
    EXPECT_TRUE(testsupport::readFile(dir / "mine.iso") == iso);
    EXPECT_EQ(Cli(store, "drives", &out), 0);
    EXPECT_TRUE(Has(out, "cd-rw (blank)")) << out;
}
