// Sheets that name what they should not, or describe what no disc holds, are refused with the
// reason, and the drive keeps the medium it had.
#include "SheetFixture.h"
#include "discengine/Disc.h"

#include "discengine/Errors.h"

#include <gtest/gtest.h>

using namespace sheettest;
namespace fs = std::filesystem;
using discengine::SheetRule;

namespace {

// The reason an insert is refused; empty when it is accepted.
std::string Refusal(Store& s, const fs::path& image, SheetRule rule = SheetRule::FolderOnly) {
    try {
        s.store.InsertDiscImage('E', image, rule);
    } catch (const discengine::EngineError& error) {
        return error.what();
    }
    return {};
}

std::string Sheet(const std::string& file, const std::string& type = "BINARY") {
    return "FILE \"" + file + "\" " + type + "\n  TRACK 01 AUDIO\n    INDEX 01 00:00:00\n";
}

bool Has(const std::string& text, const std::string& part) {
    return text.find(part) != std::string::npos;
}

} // namespace

TEST(SheetRefusal, FilesOutsideTheSheetsFolderNeedTheUsersConsent) {
    Store s;
    fs::path sheets = s.dir / "sheets";
    fs::path elsewhere = s.dir / "elsewhere";
    fs::create_directories(sheets);
    fs::create_directories(elsewhere);
    testsupport::writeFile(elsewhere / "outside.bin", Pcm(300, 1));
    fs::create_symlink(elsewhere / "outside.bin", sheets / "link.bin");
    testsupport::writeFile(sheets / "passwd.cue", Sheet("/etc/passwd"));
    testsupport::writeFile(sheets / "up.cue", Sheet("../elsewhere/outside.bin"));
    testsupport::writeFile(sheets / "link.cue", Sheet("link.bin"));
    testsupport::writeFile(sheets / "abs.cue", Sheet((elsewhere / "outside.bin").string()));
    testsupport::writeFile(sheets / "passwd.toc", "CD_DA\nTRACK AUDIO\nFILE \"/etc/passwd\" 0\n");
    for (const char* name : {"passwd.cue", "up.cue", "link.cue", "abs.cue", "passwd.toc"}) {
        std::string why = Refusal(s, sheets / name);
        EXPECT_TRUE(Has(why, "outside the sheet's folder")) << name << ": " << why;
    }
    auto drive = s.Drive('E');
    EXPECT_EQ(drive->DiscInfo()->MediaType(), discengine::kMediaCDRW); // still the blank CD-RW
    // Named explicitly by the user, a regular file anywhere is read.
    EXPECT_EQ(Refusal(s, sheets / "abs.cue", SheetRule::AnyRegularFile), "");
    EXPECT_TRUE(ReadTrackAudio(s.dir / "drives", 'E', 1) == Pcm(300, 1));
    // ... but never a folder or a device, consent or not.
    testsupport::writeFile(sheets / "dev.cue", Sheet("/dev/zero"));
    testsupport::writeFile(sheets / "dir.cue", Sheet(elsewhere.string()));
    EXPECT_TRUE(Has(Refusal(s, sheets / "dev.cue", SheetRule::AnyRegularFile), "a device"));
    EXPECT_TRUE(Has(Refusal(s, sheets / "dir.cue", SheetRule::AnyRegularFile), "a folder"));
}

TEST(SheetRefusal, MissingFilesAndTheOldSameNameGuessAreRefusedWithTheName) {
    Store s;
    // The BIN named like the sheet exists, the one the sheet names does not.
    testsupport::writeFile(s.dir / "album.bin", Pcm(300, 2));
    testsupport::writeFile(s.dir / "album.cue", Sheet("gone.bin"));
    std::string why = Refusal(s, s.dir / "album.cue");
    EXPECT_TRUE(Has(why, "gone.bin")) << why;
    EXPECT_TRUE(Has(why, "No such file")) << why;
    EXPECT_EQ(s.Drive('E')->DiscInfo()->MediaType(), discengine::kMediaCDRW);
    EXPECT_TRUE(Has(Refusal(s, s.dir / "nothing.cue"), "No such file"));
}

TEST(SheetRefusal, BrokenSheetsNameTheLineAndTheReason) {
    Store s;
    testsupport::writeFile(s.dir / "a.bin", Pcm(300, 3));
    testsupport::writeFile(s.dir / "mono.wav", std::string("RIFF") + std::string(40, '\0'));
    const std::pair<std::string, std::string> cases[] = {
        {"FILE \"a.bin\" BINARY\n  TRACK 01 AUDIO\n    POSTGAP 1\n", "time"},
        {"FILE \"a.bin\" BINARY\n  TRACK 01 AUDIO\n    INDEX 01 00:00:00\n  SIZE_INFO x\n",
         "unknown keyword SIZE_INFO"},
        {"FILE \"a.bin\n", "quote"},
        {"TRACK 01 AUDIO\n", "before the first FILE"},
        {"FILE \"a.bin\" BINARY\n  TRACK 01 AUDIO\n    INDEX 01 00:10:00\n", "past the end"},
        {"FILE \"a.bin\" BINARY\n  TRACK 01 AUDIO\n    INDEX 01 00:00:00\n  TRACK 03 AUDIO\n",
         "count up"},
        {"FILE \"a.bin\" BINARY\n  TRACK 01 AUDIO\n", "no INDEX 01"},
        {"FILE \"a.bin\" BINARY\n  TRACK 01 CDG\n    INDEX 01 00:00:00\n", "CDG"},
        {"FILE \"a.mp3\" MP3\n", "MP3"},
        {Sheet("mono.wav", "WAVE"), "not a WAVE file of CD audio"},
        {"FILE \"a.bin\" BINARY\n", "no TRACK"},
    };
    for (const auto& [text, reason] : cases) {
        testsupport::writeFile(s.dir / "bad.cue", text);
        std::string why = Refusal(s, s.dir / "bad.cue");
        EXPECT_TRUE(Has(why, reason)) << text << "-> " << why;
        EXPECT_TRUE(Has(why, "bad.cue")) << why;
    }
    testsupport::writeFile(s.dir / "bad.toc", "TRACK AUDIO\nFIFO \"/tmp/x\" 100\n");
    EXPECT_TRUE(Has(Refusal(s, s.dir / "bad.toc"), "FIFO sources are not read"));
    testsupport::writeFile(s.dir / "bad.toc", "TRACK AUDIO\nFILE \"a.bin\" 0 99:00:00\n");
    EXPECT_TRUE(Has(Refusal(s, s.dir / "bad.toc"), "fewer bytes"));
    testsupport::writeFile(s.dir / "bad.toc", "TRACK AUDIO\nSILENCE 999999999999999\n");
    EXPECT_TRUE(Has(Refusal(s, s.dir / "bad.toc"), "longer than a CD"));
    std::string endless = "TRACK AUDIO\n";
    for (int i = 0; i < 5000; ++i)
        endless += "SILENCE 99:00:00\n";
    testsupport::writeFile(s.dir / "bad.toc", endless);
    EXPECT_TRUE(Has(Refusal(s, s.dir / "bad.toc"), "more than a CD can hold"));
    testsupport::writeFile(s.dir / "x.nrg", "NERO");
    EXPECT_TRUE(Has(Refusal(s, s.dir / "x.nrg"), "convert"));
    EXPECT_EQ(s.Drive('E')->DiscInfo()->MediaType(), discengine::kMediaCDRW);
}
