// The disc information report and the disc tests on virtual drives in temporary stores.
#include "TestStore.h"

#include "core/MultiLanguages.h"
#include "core/globals.h"
#include "engine/DiscReport.h"

#include "discengine/Disc.h"

#include <QPlainTextEdit>
#include <QTextEdit>
#include <gtest/gtest.h>

namespace de = discengine;

namespace {

QStringList SourceReport(de::IDeviceX& drive) {
    LineListWriter out;
    WriteSourceReport(drive, out);
    return out.Lines();
}

QStringList DestinationReport(de::IDeviceX& drive) {
    LineListWriter out;
    WriteDestinationReport(drive, out);
    return out.Lines();
}

// The lines after "Disc information:".
QStringList DiscLines(const QStringList& report) {
    const auto at = report.indexOf(QStringLiteral("Disc information:"));
    return at < 0 ? QStringList() : report.mid(at + 1);
}

class DiscReportTest : public ::testing::Test {
protected:
    void SetUp() override { MultiLanguages::ResetToEnglish(); }
    TestStore store;
};

TEST_F(DiscReportTest, PressedAudioCdIsAnAudioCdWithOneSessionOfTwelveAudioTracks) {
    store.AddReader("1");
    store.LoadMedium('D', TestStore::PressedAudioCD(12, 300));
    auto engine = store.MakeEngine();
    auto drive = engine->Device(0);

    EXPECT_EQ(ClassifyDisc(*drive), DiscKindAudioCD);
    EXPECT_TRUE(IsDiscReadable(*drive));

    const QStringList expected{
        "Media Type: CD-ROM",
        "Disc Type(CD Only): CDROM / CDDA Format",
        "Disc Status: Completed Disc",
        "Disc is erasable: No",
        "Disc Used Size: 7.04 MB", // 3600 blocks = 7.03125 MB, rounded up
        "Last Session Status: Completed Session.",
        "Opened: No",
        "Session Count: 1 sessions",
        "Session 01",
        "Track 01 - LBA: 00000000  Size:     300 Blocks Audio",
        "Track 02 - LBA: 00000300  Size:     300 Blocks Audio",
    };
    const QStringList disc = DiscLines(SourceReport(*drive));
    ASSERT_EQ(disc.size(), 8 + 1 + 12);
    EXPECT_EQ(disc.mid(0, expected.size()), expected);
    EXPECT_EQ(disc.filter(QStringLiteral("Session 0")).size(), 1);
    for (int n = 1; n <= 12; ++n)
        EXPECT_TRUE(disc[8 + n].startsWith(QStringLiteral("Track %1 ").arg(n, 2, 10, QChar('0'))));
    EXPECT_EQ(disc.last(), "Track 12 - LBA: 00003300  Size:     300 Blocks Audio");
}

TEST_F(DiscReportTest, SourceReportOfAReaderHasNoWriteSpeedAndSixteenReadCapabilities) {
    store.AddReader("1");
    store.LoadMedium('D', TestStore::PressedAudioCD(2, 150));
    auto engine = store.MakeEngine();
    const QStringList report = SourceReport(*engine->Device(0));

    const QStringList head{
        "Device Information:",
        "Note:",
        "This information is provided by the unit, it might be inaccurate.",
        "The application does not use this information!",
        "Manufacturer: ACME",
        "Product: Reader 52x",
        "Revision: 1.02",
        "",
        "Device Capabilities:",
        "Max Read Speed: 7056 kb/s",
        "Buffer Size: 512 KB",
        // Reader capabilities: codes 0 to 3; the lines follow the report's order, not the codes'.
        "Can read CDR: Yes",
        "Can read CDRW: Yes",
        "Can read DVD-ROM: Yes",
        "Can read DVD-RAM: No",
        "Can read DVD-R: Yes",
        "Can read DVD-RW: No",
    };
    EXPECT_EQ(report.mid(0, head.size()), head);
    EXPECT_TRUE(report.filter(QStringLiteral("Max Write Speed")).isEmpty());
    EXPECT_EQ(report.filter(QStringLiteral("Can read ")).size(), 16);
    EXPECT_EQ(report[11 + 15], "Can read HDDVD-RAM: No");
    EXPECT_EQ(report[11 + 16], "");
    EXPECT_EQ(report[11 + 17], "Disc information:");
}

TEST_F(DiscReportTest, DestinationReportOfAWriterShowsWriteSpeedCapabilitiesAndFreeSize) {
    store.AddWriter("1");
    // A blank 74-minute CD-R: 333000 free blocks are 650.390625 MB, shown as 650.40.
    store.Store().InsertBlank('D', de::kMediaCDR, de::kBlocksCD74);
    auto engine = store.MakeEngine();
    auto drive = engine->Device(0);
    const QStringList report = DestinationReport(*drive);

    EXPECT_EQ(report[10], "Max Write Speed: 7056 kb/s");
    EXPECT_EQ(report[11], "Buffer Size: 2048 KB");
    const QStringList caps = report.filter(QStringLiteral("Can write "));
    ASSERT_EQ(caps.size(), 13);
    EXPECT_EQ(caps[0], "Can write CD-R: Yes");
    EXPECT_EQ(caps[2], "Can write DVD-R: Yes");
    EXPECT_EQ(caps[4], "Can write DVD-DUAL Layer: No");
    EXPECT_EQ(caps[5], "Can write DVD-RAM: Yes"); // code 22; 21 is never asked
    EXPECT_EQ(caps[12], "Can write HDDVD-RAM: No");
    EXPECT_TRUE(report.filter(QStringLiteral("Can read ")).isEmpty());

    const QStringList disc = DiscLines(report);
    const QStringList expected{
        "Media Type: CD-R",
        "Disc Type(CD Only): CDROM / CDDA Format",
        "Disc Status: Empty",
        "Disc is erasable: No",
        "Disc Free Size: 650.40 MB",
        "Last Session Status: Empty Session.",
        "Opened: Yes",
        "Session Count: 0 sessions",
    };
    // A blank disc: the section ends with the session count, no track list.
    EXPECT_EQ(disc, expected);
    EXPECT_DOUBLE_EQ(DiscFreeMB(*drive), 650.40);
    EXPECT_EQ(ClassifyDisc(*drive), DiscKindOther);
    EXPECT_FALSE(IsDiscReadable(*drive));
}

TEST_F(DiscReportTest, SizesRoundUpToTheNextHundredthOfAMegabyte) {
    store.AddReader("1");
    de::MediumState m;
    m.mediaType = de::kMediaCDROM;
    m.discType = de::kDiscTypeCDDA;
    m.discStatus = de::kDiscComplete;
    m.lastSessionStatus = de::kSessionComplete;
    m.capacity = 1;
    m.tracks = {{1, false, 0, 1}};
    store.LoadMedium('D', m);
    auto engine = store.MakeEngine();
    EXPECT_DOUBLE_EQ(DiscUsedMB(*engine->Device(0)), 0.01);
    EXPECT_DOUBLE_EQ(DiscFreeMB(*engine->Device(0)), 0.0);

    EXPECT_DOUBLE_EQ(BlocksToMB(0), 0.0);
    EXPECT_DOUBLE_EQ(BlocksToMB(512), 1.0); // exactly 1 MB stays 1.00
    EXPECT_DOUBLE_EQ(BlocksToMB(513), 1.01);
    EXPECT_DOUBLE_EQ(BlocksToMB(de::kBlocksCD74), 650.40);
    EXPECT_DOUBLE_EQ(BlocksToMB(de::kBlocksCD80), 703.13); // 703.125
}

TEST_F(DiscReportTest, MixedModeCdIsNotAnAudioCd) {
    store.AddReader("1");
    de::MediumState m = TestStore::PressedAudioCD(10, 150);
    for (auto& t : m.tracks)
        t.start += 600;
    m.tracks.insert(m.tracks.begin(), de::TrackState{1, false, 0, 600});
    m.discType = de::kDiscTypeCDROMXA;
    m.capacity = 600 + 10 * 150;
    store.LoadMedium('D', m);
    auto engine = store.MakeEngine();
    auto drive = engine->Device(0);

    ASSERT_TRUE(IsDiscReadable(*drive)) << drive->MediumProblem();
    EXPECT_EQ(ClassifyDisc(*drive), DiscKindOther);
    const QStringList disc = DiscLines(SourceReport(*drive));
    ASSERT_EQ(disc.size(), 8 + 1 + 11);
    EXPECT_EQ(disc[1], "Disc Type(CD Only): CDROM XA Format");
    // An unformatted data track names no file system.
    EXPECT_EQ(disc[9], "Track 01 - LBA: 00000000  Size:     600 Blocks Data");
    EXPECT_EQ(disc[10], "Track 02 - LBA: 00000600  Size:     150 Blocks Audio");
}

TEST_F(DiscReportTest, IncompleteAudioCdCountsItsOpenTrackAsAudio) {
    store.AddWriter("1");
    de::MediumState m;
    m.mediaType = de::kMediaCDR;
    m.discType = de::kDiscTypeCDDA;
    m.capacity = de::kBlocksCD80;
    m.discStatus = de::kDiscIncomplete;
    m.lastSessionStatus = de::kSessionIncomplete;
    m.tracks = TestStore::AudioTracks(3, 750);
    store.LoadMedium('D', m);
    auto engine = store.MakeEngine();
    auto drive = engine->Device(0);

    ASSERT_EQ(drive->DiscInfo()->TrackCount(), 4);
    ASSERT_FALSE(drive->TrackInfo(4)->IsAudio());
    EXPECT_EQ(ClassifyDisc(*drive), DiscKindAudioCD);

    const QStringList disc = DiscLines(SourceReport(*drive));
    EXPECT_EQ(disc[2], "Disc Status: Incomplete Disc");
    EXPECT_EQ(disc[6], "Opened: Yes");
    EXPECT_EQ(disc[8], "Session 01");
    EXPECT_EQ(disc[11], "Track 03 - LBA: 00001500  Size:     750 Blocks Audio");
    // The open track: not audio, so "Data", and "Empty" follows without a blank.
    EXPECT_EQ(disc[12], "Track 04 - LBA: 00002250  Size:  357750 Blocks DataEmpty");
}

TEST_F(DiscReportTest, DataTrackLineNamesItsFileSystems) {
    store.AddReader("1");
    store.AddReader("2");
    const auto joliet = MakeIsoImage(store.Root().parent_path() / "j", {"-J"});
    const auto udf = MakeIsoImage(store.Root().parent_path() / "u", {"-J", "-udf"});
    store.Store().InsertImage('D', joliet);
    store.Store().InsertImage('E', udf);
    auto engine = store.MakeEngine();

    const QStringList d = DiscLines(SourceReport(*engine->Device(0)));
    ASSERT_EQ(d.size(), 10);
    EXPECT_EQ(d[8], "Session 01");
    EXPECT_TRUE(d[9].startsWith("Track 01 - LBA: 00000000  Size:")) << d[9].toStdString();
    EXPECT_TRUE(d[9].endsWith(" Blocks Data ISO9660 JOLIET")) << d[9].toStdString();

    const QStringList e = DiscLines(SourceReport(*engine->Device(1)));
    EXPECT_TRUE(e.last().endsWith(" Blocks Data ISO9660 JOLIET UDF")) << e.last().toStdString();
    EXPECT_EQ(ClassifyDisc(*engine->Device(1)), DiscKindOther);
}

TEST_F(DiscReportTest, OpenTrayReportsNoMediaAndSkipsTheTrackList) {
    store.AddReader("1");
    store.LoadMedium('D', TestStore::PressedAudioCD(3, 150));
    auto engine = store.MakeEngine();
    auto drive = engine->Device(0);
    ASSERT_TRUE(IsDiscReadable(*drive));

    drive->Eject();
    EXPECT_FALSE(IsDiscReadable(*drive));
    const QStringList disc = DiscLines(SourceReport(*drive));
    ASSERT_EQ(disc.size(), 8);
    EXPECT_EQ(disc[0], "Media Type: No Media");
    EXPECT_EQ(disc[4], "Disc Used Size: 0.00 MB");
    EXPECT_EQ(disc[7], "Session Count: 0 sessions");
    EXPECT_EQ(ClassifyDisc(*drive), DiscKindOther);

    drive->CloseTray();
    EXPECT_TRUE(IsDiscReadable(*drive));
    EXPECT_EQ(ClassifyDisc(*drive), DiscKindAudioCD);
}

TEST_F(DiscReportTest, CorruptMediumReadsAsNoMediaWithoutLosingTheDeviceSection) {
    store.AddReader("1");
    store.LoadMedium('D', TestStore::PressedAudioCD(3, 150));
    // The BIN loses its end: the payload no longer holds the tracks medium.ini lists.
    std::filesystem::resize_file(store.Store().FolderOf('D') / "disc.bin", 1000);
    auto engine = store.MakeEngine();
    auto drive = engine->Device(0);

    const QStringList report = SourceReport(*drive);
    EXPECT_EQ(report[4], "Manufacturer: ACME");
    EXPECT_EQ(DiscLines(report).value(0), "Media Type: No Media");
    EXPECT_FALSE(IsDiscReadable(*drive));
    EXPECT_FALSE(drive->MediumProblem().empty());
}

TEST_F(DiscReportTest, MemoGetsTheSameLinesReadOnlyAndRewrittenOnEachReport) {
    store.AddReader("1");
    store.LoadMedium('D', TestStore::PressedAudioCD(2, 150));
    auto engine = store.MakeEngine();
    auto drive = engine->Device(0);
    const QStringList lines = SourceReport(*drive);

    QPlainTextEdit plain;
    plain.setPlainText("old text");
    WriteSourceReport(*drive, &plain);
    EXPECT_TRUE(plain.isReadOnly());
    EXPECT_EQ(plain.toPlainText(), lines.join('\n'));
    WriteSourceReport(*drive, &plain); // the device section clears what was there
    EXPECT_EQ(plain.toPlainText(), lines.join('\n'));

    QTextEdit rich;
    TextEditMemoWriter writer(&rich);
    WriteSourceReport(*drive, writer);
    EXPECT_TRUE(rich.isReadOnly());
    EXPECT_EQ(rich.toPlainText(), lines.join('\n')); // aligned blanks survive
}

TEST_F(DiscReportTest, TextsComeFromTheLanguageTableAndHostilePlaceholdersAreHarmless) {
    store.AddReader("1");
    store.LoadMedium('D', TestStore::PressedAudioCD(1, 150));
    auto engine = store.MakeEngine();

    testsupport::TempDir dir;
    const auto file = dir / "lang.ini";
    // A translator's slip: %s where a number goes, numbers where text goes, one too many.
    testsupport::writeFile(file, "[Language]\n"
                                 "Flags=1\n"
                                 "IDS_COPYCD_DeviceManufacturer=Hersteller: %d %s %n\n"
                                 "IDS_COPYCD_MaxReadSpeed=Lesen: %s kb/s\n"
                                 "IDS_COPYCD_TrackInfoAudio=Ton\n");
    const std::string saved = globals::LanguageFileName;
    globals::LanguageFileName = file.string();
    MultiLanguages::LoadLanguage();
    const QStringList report = SourceReport(*engine->Device(0));
    globals::LanguageFileName = saved;
    MultiLanguages::ResetToEnglish();

    EXPECT_EQ(report[4], "Hersteller: ACME %s %n");
    EXPECT_EQ(report[9], "Lesen: 7056 kb/s");
    EXPECT_TRUE(report.last().endsWith(" Blocks Ton")) << report.last().toStdString();
}

} // namespace
