// Copies on virtual drives read back by independent readers: libcdio for the audio and its
// CD-Text, libiso9660, libudf and xorriso for the files, the engine's volume layer for the label.
#include "CopyFixture.h"

#include "AudioBurnSupport.h"
#include "Readers.h"
#include "discengine/Disc.h"
#include "discengine/Volume.h"

#include <QCheckBox>
#include <QPlainTextEdit>

#include <cdio/cdio.h>
#include <cdio/cdtext.h>

namespace fs = std::filesystem;
using discengine::kMediaCDR;

namespace {

struct DiscText {
    std::string album, performer;
    std::vector<std::string> titles, performers;
    bool operator==(const DiscText&) const = default;
};

DiscText ReadCdText(const fs::path& cue) {
    DiscText out;
    std::unique_ptr<CdIo_t, void (*)(CdIo_t*)> cdio(cdio_open(cue.c_str(), DRIVER_BINCUE),
                                                    cdio_destroy);
    if (!cdio)
        return out;
    cdtext_t* text = cdio_get_cdtext(cdio.get());
    auto get = [&](cdtext_field_t field, int track) {
        const char* value = text ? cdtext_get_const(text, field, track) : nullptr;
        return std::string(value ? value : "");
    };
    out.album = get(CDTEXT_FIELD_TITLE, 0);
    out.performer = get(CDTEXT_FIELD_PERFORMER, 0);
    const int tracks = cdio_get_num_tracks(cdio.get());
    for (int t = 1; t <= tracks; ++t) {
        out.titles.push_back(get(CDTEXT_FIELD_TITLE, t));
        out.performers.push_back(get(CDTEXT_FIELD_PERFORMER, t));
    }
    return out;
}

// The source's cue as the store holds it (its name follows the inserted sheet).
fs::path CueOf(const fs::path& driveFolder) {
    for (const auto& entry : fs::directory_iterator(driveFolder))
        if (entry.path().extension() == ".cue")
            return entry.path();
    return {};
}

} // namespace

class CopyRoundTrip : public CopyPage {
protected:
    // Copies D: onto E:'s blank disc and compares the two track by track.
    void CopyAudioAndCompare() {
        const fs::path sourceCue = CueOf(DriveFolder('D'));
        ASSERT_FALSE(sourceCue.empty());
        // An audio CD is never copied on the fly, ticked or not: the tick is given with the
        // data disc as the source and kept when the audio CD is chosen.
        ChooseDestination(0);
        ChooseSource(2);
        auto* onTheFly = Find<QCheckBox>("chkCopy_OnTheFly");
        ASSERT_TRUE(onTheFly->isEnabled());
        onTheFly->setChecked(true);
        ChooseSource(0);
        ASSERT_TRUE(onTheFly->isChecked());
        Start();
        ASSERT_TRUE(WaitForJobEnd());
        EXPECT_EQ(BoxTexts(), QStringList{"Write Completed!"});
        ExpectSameAudio(sourceCue, DriveFolder('E') / "disc.cue");
        const DiscText sourceText = ReadCdText(sourceCue);
        const DiscText copyText = ReadCdText(DriveFolder('E') / "disc.cue");
        EXPECT_FALSE(sourceText.album.empty());
        EXPECT_EQ(copyText.album, sourceText.album);
        EXPECT_EQ(copyText.performer, sourceText.performer);
        EXPECT_EQ(copyText.titles, sourceText.titles);
        EXPECT_EQ(copyText.performers, sourceText.performers);
        EXPECT_TRUE(TempFiles().empty());
    }

    // The files, label and file systems of the disc in `copy` against the saved original.
    void CompareData(const fs::path& original, char copy, std::int32_t fileSystems,
                     const std::string& label) {
        const fs::path image = DriveFolder(copy) / "disc.iso";
        std::string isoLabel, udfLabel;
        const auto joliet = datatest::ReadIso(image, true, &isoLabel);
        EXPECT_FALSE(joliet.empty());
        EXPECT_EQ(joliet, datatest::ReadIso(original, true));
        EXPECT_EQ(datatest::ReadUdf(image, &udfLabel), datatest::ReadUdf(original));
        EXPECT_EQ(datatest::ExtractWithXorriso(image, dir / "x-copy"),
                  datatest::ExtractWithXorriso(original, dir / "x-original"));
        EXPECT_EQ(isoLabel, label);
        EXPECT_EQ(udfLabel, label);
        auto drive = engine->FindDevice(copy);
        drive->CloseTray(); // the copy ejects its disc
        drive->Refresh(true);
        EXPECT_EQ(drive->TrackFileSystems(1), fileSystems);
        EXPECT_EQ(drive->Volume()->Label(), label);
    }
};

TEST_F(CopyRoundTrip, SampleAudioCdIsCopiedWithItsCdText) {
    Open();
    CopyAudioAndCompare();
}

TEST_F(CopyRoundTrip, OwnAudioDiscIsCopiedWithItsCdText) {
    Open([this](discengine::VirtualStore& store) {
        discengine::AudioDiscText text;
        text.album = "Copies Of Copies";
        text.performer = "The Duplicates";
        text.tracks = {{"First Take", "Ann"}, {"Café au lait", "Bob"}, {"Third", "Cy"}};
        store.InsertDiscImage('D', WriteAudioDisc(dir / "own", {300, 451, 377}, text));
    });
    CopyAudioAndCompare();
    const DiscText copied = ReadCdText(DriveFolder('E') / "disc.cue");
    EXPECT_EQ(copied.titles[1], "Café au lait");
    EXPECT_EQ(copied.performers[2], "Cy");
}

// Through the temporary image on one drive: the second phase asks for the blank disc.
TEST_F(CopyRoundTrip, DataCopyThroughTheImageOnOneDrive) {
    Open();
    const fs::path original = dir / "original.iso";
    fs::copy_file(DriveFolder('F') / "disc.iso", original);
    auto f = engine->FindDevice('F');
    const std::int32_t fileSystems = f->TrackFileSystems(1);
    const std::string label = f->Volume()->Label();
    ChooseSource(2);
    ChooseDestination(1);
    EXPECT_FALSE(Find<QCheckBox>("chkCopy_OnTheFly")->isEnabled());
    prompts.OnShow([&](const ui::ShownPrompt& p) {
        if (p.text == "Please insert a blank disc and close the tray!")
            Store().InsertBlank('F', kMediaCDR);
    });
    Start();
    ASSERT_TRUE(WaitForJobEnd());
    EXPECT_EQ(BoxTexts(),
              (QStringList{"Please insert a blank disc and close the tray!", "Write Completed!"}));
    EXPECT_TRUE(log.Memo()->toPlainText().contains("Preparative temporary image completed..."));
    CompareData(original, 'F', fileSystems, label);
    EXPECT_TRUE(TempFiles().empty());
}

TEST_F(CopyRoundTrip, DataCopyOnTheFly) {
    Open();
    auto f = engine->FindDevice('F');
    const std::int32_t fileSystems = f->TrackFileSystems(1);
    const std::string label = f->Volume()->Label();
    ChooseSource(2);
    ChooseDestination(0);
    Find<QCheckBox>("chkCopy_OnTheFly")->setChecked(true);
    Start();
    ASSERT_TRUE(WaitForJobEnd());
    EXPECT_EQ(BoxTexts(), QStringList{"Write Completed!"});
    CompareData(DriveFolder('F') / "disc.iso", 'E', fileSystems, label);
    EXPECT_TRUE(TempFiles().empty());
}
