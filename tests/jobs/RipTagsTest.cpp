// The rip job's texts and names as a tag reader and the file system see them: accented text kept
// whole, text outside Latin-1 whole where the format allows, frames the library cannot write
// named, and output names up to the file system's limit.
#include "RipTestSupport.h"

#include "jobs/TCDGrabber.h"

#include <gtest/gtest.h>

#include <unistd.h>

namespace fs = std::filesystem;

namespace {

// 25 characters: 25 bytes in Latin-1, 33 in UTF-8; the single-byte fields hold 30 (title,
// artist, album of ID3v1 and MP3 record) or 32 (Ogg record).
const QString kAccented = QStringLiteral("Ångström Études «Déjà vu»");

class RipTagsTest : public ::testing::Test {
protected:
    void SetUp() override {
        host.drive = disc.DriveD();
        settings.outputFolder = (out.path() / "").string();
        settings.pauseBeforeMeasure = std::chrono::milliseconds(0);
        host.Fill(5, {1});
        host.rows[0].title = kAccented;
        host.rows[0].artist = kAccented;
        host.tags.album = kAccented;
    }
    void Run() {
        TCDGrabber grabber;
        ASSERT_TRUE(grabber.Loaded());
        rip::RunRipJob(grabber, host, settings);
    }
    fs::path Out(const QString& name) { return out.path() / name.toStdString(); }

    SampleDiscFixture disc;
    testsupport::TempDir out;
    FakeRipHost host;
    rip::RipJobSettings settings;
};

TEST_F(RipTagsTest, AccentedTextIsWholeInEveryTagAndComment) {
    settings.grabOutputFormat = globals::FormatMp3;
    settings.options.writeId3v2 = true;
    Run();
    const QStringList mp3 = ReadTags(Out(kAccented + ".mp3"));
    for (const char* key : {"TIT2", "TPE1", "TALB", "id3v1.title", "id3v1.artist", "id3v1.album"})
        EXPECT_EQ(TagValues(mp3, key), QStringList{kAccented}) << key << "\n"
                                                               << mp3.join('\n').toStdString();

    settings.grabOutputFormat = globals::FormatOgg;
    settings.options.oggDescription = kAccented.toStdString();
    Run();
    const QStringList ogg = ReadTags(Out(kAccented + ".ogg"));
    for (const char* key : {"TITLE", "ARTIST", "ALBUM", "DESCRIPTION"})
        EXPECT_EQ(TagValues(ogg, key), QStringList{kAccented}) << key;
}

TEST_F(RipTagsTest, TextOutsideLatin1IsWholeInId3v2AndOggAndNarrowedInId3v1) {
    const QString russian = QStringLiteral("Пётр Ильич");
    host.rows[0].title = QStringLiteral("Title");
    host.rows[0].artist = russian;
    host.tags.album = QStringLiteral("Ελληνικά");
    settings.grabOutputFormat = globals::FormatMp3;
    settings.options.writeId3v2 = true;
    Run();
    const QStringList mp3 = ReadTags(Out(QStringLiteral("Title.mp3")));
    EXPECT_EQ(TagValues(mp3, "TPE1"), QStringList{russian});
    EXPECT_EQ(TagValues(mp3, "TALB"), QStringList{QStringLiteral("Ελληνικά")});
    EXPECT_EQ(TagValues(mp3, "id3v1.artist"), QStringList{QStringLiteral("???? ?????")});
    EXPECT_EQ(TagValues(mp3, "id3v1.album"), QStringList{QStringLiteral("????????")});

    settings.grabOutputFormat = globals::FormatOgg;
    Run();
    const QStringList ogg = ReadTags(Out(QStringLiteral("Title.ogg")));
    EXPECT_EQ(TagValues(ogg, "ARTIST"), QStringList{russian});
    EXPECT_EQ(TagValues(ogg, "ALBUM"), QStringList{QStringLiteral("Ελληνικά")});
}

TEST_F(RipTagsTest, EveryFrameOfTheDialogIsWrittenAndAnUnwritableOneIsNamed) {
    host.rows[0].title = QStringLiteral("Frames");
    settings.grabOutputFormat = globals::FormatMp3;
    settings.options.writeId3v2 = true;
    settings.options.id3v2Frames = {{"COMM", "A comment"},         {"TXXX", "CATALOG=AB-12"},
                                    {"WXXX", "http://a.example/"}, {"USLT", "Words"},
                                    {"TCOM", "Somebody"},          {"WOAR", "http://b.example/"},
                                    {"APIC", "picture"},           {"TX  ", "padded"}};
    Run();
    EXPECT_EQ(host.rows[0].status.left(7), "Success");
    const QStringList tags = ReadTags(Out(QStringLiteral("Frames.mp3")));
    EXPECT_EQ(TagValues(tags, "COMM:eng:"), QStringList{"A comment"});
    EXPECT_EQ(TagValues(tags, "TXXX:CATALOG"), QStringList{"AB-12"});
    EXPECT_EQ(TagValues(tags, "WXXX:"), QStringList{"http://a.example/"});
    EXPECT_EQ(TagValues(tags, "USLT:eng:"), QStringList{"Words"});
    EXPECT_EQ(TagValues(tags, "TCOM"), QStringList{"Somebody"});
    EXPECT_EQ(TagValues(tags, "WOAR"), QStringList{"http://b.example/"});
    EXPECT_TRUE(host.statuses.contains(
        QStringLiteral("ID3v2 frame \"APIC\" cannot be written and is left out")));
    EXPECT_TRUE(host.statuses.contains(
        QStringLiteral("ID3v2 frame \"TX  \" cannot be written and is left out")));
    EXPECT_EQ(host.statuses.filter(QStringLiteral("cannot be written")).size(), 2);
}

// The record holds 259 bytes of path, so the longest legal name rips from a relative folder.
class WorkingFolder {
public:
    explicit WorkingFolder(const fs::path& to) : before_(fs::current_path()) {
        fs::current_path(to);
    }
    ~WorkingFolder() { fs::current_path(before_); }

private:
    fs::path before_;
};

TEST_F(RipTagsTest, ANameOfTheFileSystemsFullLengthRipsAndNothingElseIsLeft) {
    const QString title(251, QLatin1Char('n')); // + ".wav": 255 bytes
    host.rows[0].title = title;
    settings.grabOutputFormat = globals::FormatWav;
    settings.outputFolder = "./";
    {
        WorkingFolder here(out.path());
        Run();
    }
    EXPECT_EQ(host.rows[0].status.left(7), "Success");
    const fs::path file = Out(title + ".wav");
    ASSERT_TRUE(fs::exists(file));
    EXPECT_EQ(file.filename().string().size(), 255u);
    std::vector<std::string> names;
    for (const auto& e : fs::directory_iterator(out.path()))
        if (e.path().filename() != "rip.log")
            names.push_back(e.path().filename().string());
    EXPECT_EQ(names.size(), 1u) << "a temporary file was left behind";
}

} // namespace
