// Disc images as people have them load into a virtual drive: the sheet's own file names, several
// files, gaps, CD-Text, data and mixed-mode discs. Read back with libcdio and the volume layer.
#include "SheetFixture.h"
#include "discengine/Disc.h"

#include "discengine/Errors.h"
#include "discengine/SampleAudioDisc.h"

#include <gtest/gtest.h>
#include <set>
#include <sys/stat.h>

using namespace sheettest;
namespace fs = std::filesystem;

namespace {

std::string AllAudio(const fs::path& store, char letter, int tracks) {
    std::string disc;
    for (int t = 1; t <= tracks; ++t)
        disc += ReadTrackAudio(store, letter, t);
    return disc;
}

std::string Zeros(int frames) {
    return std::string(static_cast<std::size_t>(frames) * kFrame, '\0');
}

// True when the drive's payload file is the user's file itself, not a copy.
bool SameFile(const fs::path& a, const fs::path& b) {
    struct stat sa {
    }, sb{};
    return ::stat(a.c_str(), &sa) == 0 && ::stat(b.c_str(), &sb) == 0 && sa.st_ino == sb.st_ino &&
           sa.st_dev == sb.st_dev;
}

std::set<std::string> RootNames(discengine::IDeviceX& device) {
    std::set<std::string> names;
    for (const auto& e : device.Volume()->List("\\"))
        names.insert(e.name + (e.isFolder ? "/" : ""));
    return names;
}

} // namespace

TEST(SheetImport, SheetNamingAnotherBinLoadsWithCdTextCatalogAndIsrcAndLinksTheBin) {
    Store s;
    const std::string one = Pcm(300, 1), two = Pcm(420, 2);
    fs::path images = s.dir / "images";
    fs::create_directories(images);
    testsupport::writeFile(images / "audio.bin", one + two);
    testsupport::writeFile(images / "album.cue",
                           "REM GENRE Jazz\nREM DATE 1999\nCATALOG 0724384960650\n"
                           "PERFORMER \"Caf\xE9 Quartet\"\nTITLE \"Late Sets\"\n"
                           "FILE \"audio.bin\" BINARY\n"
                           "  TRACK 01 AUDIO\n    TITLE \"First\"\n    ISRC GBAYE0000351\n"
                           "    FLAGS DCP\n    INDEX 01 00:00:00\n"
                           "  TRACK 02 AUDIO\n    TITLE \"Second\"\n"
                           "    INDEX 00 00:03:00\n    INDEX 01 00:04:00\n");
    s.store.InsertDiscImage('E', images / "album.cue");
    auto drive = s.Drive('E');
    ASSERT_EQ(drive->MediumProblem(), "");
    ASSERT_EQ(drive->AudioTrackList()->Count(), 2);
    EXPECT_EQ(drive->TrackInfo(2)->StartAddress(), 300);

    CdioView view = ReadWithLibcdio(s.dir / "drives", 'E');
    ASSERT_EQ(view.tracks, 2);
    EXPECT_EQ(view.lsn, (std::vector<int>{0, 300}));
    EXPECT_EQ(view.sectors, (std::vector<int>{300, 420}));
    EXPECT_EQ(view.catalog, "0724384960650");
    EXPECT_EQ(view.isrc[0], "GBAYE0000351");
    EXPECT_EQ(view.discTitle, "Late Sets");
    EXPECT_EQ(view.discPerformer, "Café Quartet"); // the sheet's Latin-1, kept as such
    EXPECT_EQ(view.titles, (std::vector<std::string>{"First", "Second"}));
    EXPECT_EQ(ReadTrackAudio(s.dir / "drives", 'E', 1), one);
    EXPECT_EQ(ReadTrackAudio(s.dir / "drives", 'E', 2), two);
    // One BIN of whole sectors from its first byte: the drive uses the file itself.
    EXPECT_TRUE(SameFile(s.store.FolderOf('E') / "disc.bin", images / "audio.bin"));
}

TEST(SheetImport, ThreeFilesOfWaveMotorolaAndBinaryWithGapsMakeOneDisc) {
    Store s;
    const std::string a = Pcm(310, 3), b = Pcm(305, 4), c = Pcm(330, 5);
    fs::path images = s.dir / "my music";
    fs::create_directories(images / "raw");
    testsupport::writeFile(images / "01 Intro.wav", Wav(a));
    testsupport::writeFile(images / "raw" / "02.pcm", Swapped(b));
    testsupport::writeFile(images / "03.bin", c);
    testsupport::writeFile(images / "set.cue",
                           "FILE \"01 Intro.wav\" WAVE\n  TRACK 01 AUDIO\n    INDEX 01 00:00:00\n"
                           "FILE \"raw/02.pcm\" MOTOROLA\n  TRACK 02 AUDIO\n    PREGAP 00:01:00\n"
                           "    INDEX 01 00:00:00\n"
                           "FILE \"03.bin\" BINARY\n  TRACK 03 AUDIO\n    INDEX 00 00:00:00\n"
                           "    INDEX 01 00:00:30\n    POSTGAP 00:00:10\n");
    s.store.InsertDiscImage('E', images / "set.cue");
    auto drive = s.Drive('E');
    ASSERT_EQ(drive->MediumProblem(), "");
    CdioView view = ReadWithLibcdio(s.dir / "drives", 'E');
    ASSERT_EQ(view.tracks, 3);
    EXPECT_EQ(view.lsn, (std::vector<int>{0, 310 + 75, 310 + 75 + 305 + 30}));
    // The whole disc: WAVE samples, a silent pregap, the big-endian samples turned around, the
    // third file with its index 0 part, a silent postgap.
    EXPECT_TRUE(AllAudio(s.dir / "drives", 'E', 3) == a + Zeros(75) + b + c + Zeros(10));
}

TEST(SheetImport, GapAppendedToThePreviousFileBelongsToTheNextTrack) {
    Store s;
    const std::string a = Pcm(400, 6), b = Pcm(350, 7);
    testsupport::writeFile(s.dir / "1.wav", Wav(a));
    testsupport::writeFile(s.dir / "2.wav", Wav(b));
    // Track 2's index 0 lies in the first file, its index 1 at the start of the second.
    testsupport::writeFile(s.dir / "gaps.cue", "FILE \"1.wav\" WAVE\n  TRACK 01 AUDIO\n"
                                               "    INDEX 01 00:00:00\n  TRACK 02 AUDIO\n"
                                               "    INDEX 00 00:04:25\nFILE \"2.wav\" WAVE\n"
                                               "    INDEX 01 00:00:00\n");
    s.store.InsertDiscImage('E', s.dir / "gaps.cue");
    CdioView view = ReadWithLibcdio(s.dir / "drives", 'E');
    ASSERT_EQ(view.tracks, 2);
    EXPECT_EQ(view.lsn, (std::vector<int>{0, 400}));
    auto drive = s.Drive('E');
    EXPECT_EQ(drive->TrackInfo(1)->BlockCount(), 400);
    EXPECT_TRUE(AllAudio(s.dir / "drives", 'E', 2) == a + b);
}

TEST(SheetImport, MixedModeDiscListsItsDataTrackAndPlaysItsAudio) {
    Store s;
    const std::string iso = MakeIso(s.dir.path(), "MIXED");
    const std::string audio = Pcm(500, 8);
    // Files named as disc archives name them: one per track, the audio with its 2 s gap.
    testsupport::writeFile(s.dir / "Game (Track 1).bin", RawMode1(iso));
    testsupport::writeFile(s.dir / "Game (Track 2).bin", Zeros(150) + audio);
    testsupport::writeFile(s.dir / "Game.cue", "FILE \"Game (Track 1).bin\" BINARY\n"
                                               "  TRACK 01 MODE1/2352\n    INDEX 01 00:00:00\n"
                                               "FILE \"Game (Track 2).bin\" BINARY\n"
                                               "  TRACK 02 AUDIO\n    INDEX 00 00:00:00\n"
                                               "    INDEX 01 00:02:00\n");
    s.store.InsertDiscImage('E', s.dir / "Game.cue");
    auto drive = s.Drive('E');
    ASSERT_EQ(drive->MediumProblem(), "");
    const int dataSectors = static_cast<int>(iso.size() / 2048);
    ASSERT_TRUE(drive->TrackInfo(1)->IsData());
    EXPECT_EQ(drive->TrackInfo(1)->BlockCount(), dataSectors + 150);
    EXPECT_TRUE(drive->TrackInfo(2)->IsAudio());
    EXPECT_EQ(drive->TrackInfo(2)->StartAddress(), dataSectors + 150);
    EXPECT_EQ(drive->TrackFileSystems(1), 3); // ISO9660 + Joliet
    EXPECT_EQ(RootNames(*drive), (std::set<std::string>{"Readme.txt", "Docs/"}));
    EXPECT_EQ(drive->Volume()->Label(), "MIXED");
    fs::path copy = s.dir / "doc.txt";
    drive->Volume()->CopyFile("\\Docs\\Long Document Name.txt", copy);
    EXPECT_EQ(testsupport::readFile(copy), std::string(5000, 'd'));
    CdioView view = ReadWithLibcdio(s.dir / "drives", 'E');
    ASSERT_EQ(view.tracks, 2);
    EXPECT_EQ(view.audio, (std::vector<bool>{false, true}));
    EXPECT_TRUE(ReadTrackAudio(s.dir / "drives", 'E', 2) == audio);
}

TEST(SheetImport, SingleBinMixedModeDiscIsLinkedAndItsDataCooked) {
    Store s;
    const std::string iso = MakeIso(s.dir.path(), "ONEBIN");
    const std::string one = Pcm(320, 9), two = Pcm(300, 10);
    testsupport::writeFile(s.dir / "disc image.bin", RawMode1(iso) + Zeros(150) + one + two);
    const int data = static_cast<int>(iso.size() / 2048);
    auto msf = [](int f) {
        char t[16];
        std::snprintf(t, sizeof t, "%02d:%02d:%02d", f / 4500, (f / 75) % 60, f % 75);
        return std::string(t);
    };
    testsupport::writeFile(s.dir / "x.cue",
                           "FILE \"disc image.bin\" BINARY\n  TRACK 01 MODE1/2352\n"
                           "    INDEX 01 00:00:00\n  TRACK 02 AUDIO\n    INDEX 00 " +
                               msf(data) + "\n    INDEX 01 " + msf(data + 150) +
                               "\n  TRACK 03 AUDIO\n    INDEX 01 " + msf(data + 150 + 320) + "\n");
    s.store.InsertDiscImage('E', s.dir / "x.cue");
    auto drive = s.Drive('E');
    ASSERT_EQ(drive->MediumProblem(), "");
    EXPECT_TRUE(SameFile(s.store.FolderOf('E') / "disc.bin", s.dir / "disc image.bin"));
    std::string cooked = testsupport::readFile(s.store.FolderOf('E') / "disc.iso");
    ASSERT_GE(cooked.size(), iso.size());
    EXPECT_TRUE(cooked.compare(0, iso.size(), iso) == 0);
    EXPECT_EQ(RootNames(*drive), (std::set<std::string>{"Readme.txt", "Docs/"}));
    EXPECT_TRUE(ReadTrackAudio(s.dir / "drives", 'E', 3) == two);
}

TEST(SheetImport, TocWithBigEndianFileStartSilenceAndCdText) {
    Store s;
    const std::string a = Pcm(300, 11), b = Pcm(310, 12);
    testsupport::writeFile(s.dir / "data.raw", Swapped(a + b));
    testsupport::writeFile(
        s.dir / "disc.toc",
        "CD_DA\n// made by hand\nCD_TEXT {\n  LANGUAGE_MAP { 0 : EN }\n"
        "  LANGUAGE 0 { TITLE \"Toc Album\" PERFORMER \"Toc Band\" SIZE_INFO { 0, 1, 2 } }\n}\n"
        "TRACK AUDIO\nCD_TEXT { LANGUAGE 0 { TITLE \"Opening\" } }\n"
        "FILE \"data.raw\" 0 00:04:00\n"
        "TRACK AUDIO\nISRC \"USRC17607839\"\nSILENCE 00:01:00\nSTART\n"
        "FILE \"data.raw\" #0 00:04:00 " +
            std::to_string(310 * 588) + "\n");
    s.store.InsertDiscImage('E', s.dir / "disc.toc");
    ASSERT_EQ(s.Drive('E')->MediumProblem(), "");
    CdioView view = ReadWithLibcdio(s.dir / "drives", 'E');
    ASSERT_EQ(view.tracks, 2);
    EXPECT_EQ(view.lsn, (std::vector<int>{0, 375}));
    EXPECT_EQ(view.discTitle, "Toc Album");
    EXPECT_EQ(view.titles[0], "Opening");
    EXPECT_EQ(view.isrc[1], "USRC17607839");
    EXPECT_TRUE(AllAudio(s.dir / "drives", 'E', 2) == a + Zeros(75) + b);
}

TEST(SheetImport, PlainIsoIsLinkedAndALoneRawBinIsADataDisc) {
    Store s;
    const std::string iso = MakeIso(s.dir.path(), "PLAIN");
    testsupport::writeFile(s.dir / "plain.iso", iso);
    s.store.InsertDiscImage('E', s.dir / "plain.iso");
    auto drive = s.Drive('E');
    ASSERT_EQ(drive->MediumProblem(), "");
    EXPECT_TRUE(SameFile(s.store.FolderOf('E') / "disc.iso", s.dir / "plain.iso"));
    EXPECT_EQ(drive->Volume()->Label(), "PLAIN");

    testsupport::writeFile(s.dir / "raw.bin", RawMode1(iso));
    s.store.InsertDiscImage('E', s.dir / "raw.bin");
    drive = s.Drive('E');
    ASSERT_EQ(drive->MediumProblem(), "");
    EXPECT_EQ(drive->TrackInfo(1)->BlockCount(), static_cast<int>(iso.size() / 2048));
    EXPECT_EQ(RootNames(*drive), (std::set<std::string>{"Readme.txt", "Docs/"}));
    // The user's files are untouched by a new medium.
    s.store.InsertBlank('E', discengine::kMediaCDR);
    EXPECT_EQ(testsupport::readFile(s.dir / "plain.iso"), iso);
    EXPECT_EQ(testsupport::readFile(s.dir / "raw.bin").size(), RawMode1(iso).size());
}

TEST(SheetImport, ABinWithItsSheetBesideItLoadsThroughTheSheet) {
    Store s;
    const std::string a = Pcm(300, 13);
    testsupport::writeFile(s.dir / "track.wav", Wav(a));
    testsupport::writeFile(s.dir / "rip.bin", Pcm(300, 14));
    testsupport::writeFile(s.dir / "rip.cue", "FILE \"track.wav\" WAVE\n  TRACK 01 AUDIO\n"
                                              "    INDEX 01 00:00:00\n");
    s.store.InsertDiscImage('E', s.dir / "rip.bin");
    EXPECT_TRUE(ReadTrackAudio(s.dir / "drives", 'E', 1) == a);
}

TEST(CueWriter, EveryCueTheEngineWritesConvertsTextToLatin1TheSameWay) {
    Store s;
    // Malformed UTF-8 (a lead byte without its continuation), a C1 control, a quote, a character
    // outside Latin-1, and plain Latin-1 letters.
    const std::string title = "A\xC3(B\xC2\x85"
                              "C\"D\xE2\x82\xAC"
                              "E\xC3\xA9";
    const std::string expected = "A?(B?C'D?E\xE9";
    discengine::AudioDiscText text;
    text.album = title;
    text.tracks.push_back({title, ""});
    discengine::WriteCueSheet(s.dir / "sample.cue", "x.bin", {300}, text);
    const std::string sample = testsupport::readFile(s.dir / "sample.cue");
    EXPECT_NE(sample.find("TITLE \"" + expected + "\""), std::string::npos) << sample;
    EXPECT_EQ(sample.find("\xC3"), std::string::npos) << sample;

    // An inserted sheet's texts (valid UTF-8 here) go through the same conversion.
    const std::string utf8 = "D\xE2\x82\xAC"
                             "E\xC3\xA9"
                             "F\xC2\x85";
    text.album = utf8;
    discengine::WriteCueSheet(s.dir / "sample.cue", "x.bin", {300}, text);
    EXPECT_NE(testsupport::readFile(s.dir / "sample.cue")
                  .find("TITLE \"D?E\xE9"
                        "F?\""),
              std::string::npos);
    testsupport::writeFile(s.dir / "t.bin", Pcm(300, 15));
    testsupport::writeFile(s.dir / "t.cue", "TITLE \"" + utf8 +
                                                "\"\nFILE \"t.bin\" BINARY\n  TRACK 01 AUDIO\n"
                                                "    INDEX 01 00:00:00\n");
    s.store.InsertDiscImage('E', s.dir / "t.cue");
    const std::string stored = testsupport::readFile(s.store.FolderOf('E') / "disc.cue");
    EXPECT_NE(stored.find("TITLE \"D?E\xE9"
                          "F?\""),
              std::string::npos)
        << stored;
}
