// The Copy CD page's checks, prompts, cancel and failures on the real engine and grabber.
#include "CopyFixture.h"

#include "AudioBurnSupport.h"
#include "core/MultiLanguages.h"
#include "discengine/Disc.h"
#include "engine/DiscReport.h"
#include "jobs/DiscCopy.h"

#include <QCheckBox>
#include <QPlainTextEdit>
#include <QPushButton>

#include <fstream>

namespace fs = std::filesystem;
using discengine::kMediaCDR;

namespace {

const QString kInsertNewDisc = "Please insert a blank disc and close the tray!";
const QString kNonempty =
    "The destination disc is not empty! Please insert an empty disc before continuing!";
const QString kNotWritable = "Write device is not writable, please insert an empty CD disc to "
                             "continue or click cancel to exit burning!";
const QString kCompleted = "Write Completed!";

std::string ReadFile(const fs::path& file) {
    std::ifstream in(file, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), {}};
}

} // namespace

// One drive holding an audio CD: after the rip the tray opens and asks for a blank disc, which
// then passes the check and receives the copy; nothing is left in the temporary folder.
TEST_F(CopyPage, OneDriveAudioCopyAsksForTheBlankDisc) {
    Open([](discengine::VirtualStore& store) { store.InsertSampleAudio('E'); });
    ChooseSource(1);
    ChooseDestination(0);
    EXPECT_EQ(page->DiscKind(), 0);
    EXPECT_FALSE(Find<QCheckBox>("chkCopy_OnTheFly")->isEnabled());
    bool trayWasOpen = false;
    prompts.OnShow([&](const ui::ShownPrompt& p) {
        if (p.text != kInsertNewDisc)
            return;
        auto e = engine->FindDevice('E');
        e->Refresh(false);
        trayWasOpen = e->IsTrayOpen();
        Store().InsertBlank('E', kMediaCDR);
    });
    Start();
    ASSERT_TRUE(WaitForJobEnd());
    EXPECT_TRUE(trayWasOpen);
    EXPECT_EQ(BoxTexts(), (QStringList{kInsertNewDisc, kCompleted}));
    EXPECT_EQ(prompts.Boxes()[0].caption, "Hint");
    auto copy = audioburn::ReadDisc(DriveFolder('E') / "disc.cue");
    EXPECT_EQ(copy.tracks, static_cast<int>(discengine::SampleAudioDiscTrackFrames().size()));
    EXPECT_TRUE(TempFiles().empty());
    EXPECT_TRUE(Find<QPushButton>("btnCopyCD_Start")->isEnabled());
}

// A destination that stays non-empty fails the check; the question follows and OK looks again.
TEST_F(CopyPage, NonEmptyDestinationThenOkRetries) {
    Open([](discengine::VirtualStore& store) { store.InsertSampleData('E'); });
    ChooseSource(2);
    ChooseDestination(0);
    int nonempty = 0;
    prompts.OnShow([&](const ui::ShownPrompt& p) {
        if (p.text == kNonempty && ++nonempty == 2)
            Store().InsertBlank('E', kMediaCDR);
    });
    for (int i = 0; i < 4; ++i)
        prompts.AnswerBox(ui::MsgResult::OK);
    Start();
    ASSERT_TRUE(WaitForJobEnd());
    // The image phase ends without a box of its own.
    EXPECT_EQ(BoxTexts(), (QStringList{kNonempty, kNotWritable, kNonempty, kCompleted}));
    engine->FindDevice('E')->CloseTray();
    EXPECT_EQ(prompts.Boxes()[1].buttons, ui::MsgButtons::OKCancel);
    EXPECT_EQ(prompts.Boxes()[1].caption, "Hint");
    EXPECT_GT(engine->FindDevice('E')->UsedBlocks(true), 0);
    EXPECT_TRUE(TempFiles().empty());
}

TEST_F(CopyPage, NonEmptyDestinationThenCancelDeletesTheImage) {
    Open([](discengine::VirtualStore& store) { store.InsertSampleData('E'); });
    const std::string before = ReadFile(DriveFolder('E') / "disc.iso");
    ChooseSource(2);
    ChooseDestination(0);
    prompts.AnswerBox(ui::MsgResult::OK);
    prompts.AnswerBox(ui::MsgResult::Cancel);
    Start();
    ASSERT_TRUE(WaitForJobEnd());
    EXPECT_EQ(BoxTexts(), (QStringList{kNonempty, kNotWritable}));
    EXPECT_TRUE(TempFiles().empty());
    EXPECT_EQ(ReadFile(DriveFolder('E') / "disc.iso"), before);
    EXPECT_TRUE(Find<QPushButton>("btnCopyCD_Start")->isEnabled());
    EXPECT_FALSE(Find<QPushButton>("btnCopy_Cancel")->isEnabled());
}

// 333000 blocks used (650.40 MB) do not fit into 332999 free blocks (650.39 MB).
TEST_F(CopyPage, SpaceCheckFailsByOneHundredthOfAMegabyte) {
    Open([this](discengine::VirtualStore& store) {
        const fs::path big = dir / "big.iso";
        fs::copy_file(store.FolderOf('F') / "disc.iso", big);
        fs::resize_file(big, 333000ull * 2048);
        // The volume says so too: 333000 blocks in both byte orders.
        std::fstream pvd(big, std::ios::in | std::ios::out | std::ios::binary);
        const unsigned char size[8] = {0xC8, 0x14, 0x05, 0x00, 0x00, 0x05, 0x14, 0xC8};
        pvd.seekp(16 * 2048 + 80);
        pvd.write(reinterpret_cast<const char*>(size), sizeof size);
        store.InsertImage('F', big);
        store.InsertBlank('E', kMediaCDR, 332999);
    });
    ChooseSource(2);
    ChooseDestination(0);
    EXPECT_DOUBLE_EQ(DiscUsedMB(*engine->FindDevice('F')), 650.40);
    EXPECT_DOUBLE_EQ(DiscFreeMB(*engine->FindDevice('E')), 650.39);
    auto* onTheFly = Find<QCheckBox>("chkCopy_OnTheFly");
    ASSERT_TRUE(onTheFly->isEnabled());
    onTheFly->setChecked(true);
    Start();
    ASSERT_TRUE(WaitForJobEnd());
    EXPECT_EQ(BoxTexts(), QStringList{"The free space of destination disc is less than the used "
                                      "space of source disc! Please change!!"});
    EXPECT_DOUBLE_EQ(page->Job()->SourceUsedMB(), 650.40);
    EXPECT_EQ(engine->FindDevice('E')->UsedBlocks(true), 0);
}

// A tick kept from another destination does not make the same drive copy on the fly.
TEST_F(CopyPage, OnTheFlyRefusesTheSameDrive) {
    Open();
    const std::string before = ReadFile(DriveFolder('F') / "disc.iso");
    ChooseSource(2);
    ChooseDestination(0);
    auto* onTheFly = Find<QCheckBox>("chkCopy_OnTheFly");
    ASSERT_TRUE(onTheFly->isEnabled());
    onTheFly->setChecked(true);
    ChooseDestination(1);
    EXPECT_FALSE(onTheFly->isEnabled());
    EXPECT_TRUE(onTheFly->isChecked());
    Start();
    EXPECT_TRUE(shell.Idle());
    EXPECT_EQ(BoxTexts(), QStringList{"The read device and write device are the same devices! The "
                                      "On-The-Fly mode needs two different devices, please change "
                                      "your selection!"});
    EXPECT_EQ(ReadFile(DriveFolder('F') / "disc.iso"), before);
    EXPECT_EQ(shell.JobOwner(), nullptr);
}

// Cancel while track 3 of 10 is read: the grabber stops, the box says so and the three track
// files are gone with their folder.
TEST_F(CopyPage, CancelDuringTheThirdOfTenTracks) {
    Open([this](discengine::VirtualStore& store) {
        discengine::AudioDiscText text;
        const fs::path cue = WriteAudioDisc(dir / "ten", std::vector<std::int32_t>(10, 300), text);
        store.InsertDiscImage('D', cue);
    });
    ChooseSource(0);
    ChooseDestination(0);
    auto* cancel = Find<QPushButton>("btnCopy_Cancel");
    bool clicked = false;
    QObject::connect(log.Memo(), &QPlainTextEdit::textChanged, page.get(), [&] {
        if (!clicked && log.Memo()->toPlainText().contains("Grabbing track 03")) {
            clicked = true;
            ASSERT_TRUE(cancel->isEnabled());
            cancel->click();
        }
    });
    std::size_t filesAtBox = 0;
    prompts.OnShow(
        [&](const ui::ShownPrompt&) { filesAtBox = page->Job()->TempTrackFiles().size(); });
    Start();
    ASSERT_TRUE(WaitForJobEnd());
    EXPECT_TRUE(clicked);
    EXPECT_EQ(BoxTexts(), QStringList{"Writing Cancelled!"});
    EXPECT_EQ(prompts.Boxes()[0].caption, "Error");
    EXPECT_EQ(prompts.Boxes()[0].icon, ui::MsgIcon::Error);
    EXPECT_EQ(filesAtBox, 3u);
    EXPECT_FALSE(log.Memo()->toPlainText().contains("Grabbing track 04"));
    EXPECT_TRUE(TempFiles().empty());
    EXPECT_EQ(engine->FindDevice('E')->UsedBlocks(true), 0);
}

// Without the ripping library the first track ends as an error at once.
TEST_F(CopyPage, MissingRipLibraryShowsTheGrabError) {
    grabberLibrary = QString::fromStdString((dir / "missing.so").string());
    Open();
    ChooseSource(0);
    ChooseDestination(0);
    Start();
    ASSERT_TRUE(WaitForJobEnd());
    EXPECT_EQ(BoxTexts(), QStringList{MultiLanguages::Text(IDS_COPYCD_MSG_GrabError)});
    EXPECT_EQ(prompts.Boxes()[0].caption, "Error");
    EXPECT_TRUE(TempFiles().empty());
    EXPECT_TRUE(Find<QPushButton>("btnCopyCD_Start")->isEnabled());
    EXPECT_FALSE(progress.isVisible());
}

// The user's own files of the temporary names stay as they were through both kinds of copy.
TEST_F(CopyPage, UsersFilesOfTheTemporaryNamesAreLeftAlone) {
    Open([this](discengine::VirtualStore& store) {
        discengine::AudioDiscText text;
        store.InsertDiscImage('D', WriteAudioDisc(dir / "own", {300, 320}, text));
    });
    {
        std::ofstream(TempDir() / "DubrixTrack01.wav") << "my own recording";
        std::ofstream(TempDir() / "CopyISO.iso") << "my own image";
    }
    ChooseSource(0);
    ChooseDestination(0);
    Start();
    ASSERT_TRUE(WaitForJobEnd());
    EXPECT_EQ(BoxTexts(), QStringList{kCompleted});
    Store().InsertBlank('E', kMediaCDR);
    ChooseSource(2);
    ChooseDestination(0);
    Start();
    ASSERT_TRUE(WaitForJobEnd());
    EXPECT_EQ(BoxTexts(), (QStringList{kCompleted, kCompleted}));
    EXPECT_EQ(ReadFile(TempDir() / "DubrixTrack01.wav"), "my own recording");
    EXPECT_EQ(ReadFile(TempDir() / "CopyISO.iso"), "my own image");
    EXPECT_EQ(TempFiles().size(), 2u);
}

// Start's own checks: no disc in the source, and a blank source.
TEST_F(CopyPage, SourceWithoutDiscOrBlankIsRefused) {
    Open([](discengine::VirtualStore& store) { store.RemoveMedium('D'); });
    ChooseSource(0);
    ChooseDestination(1);
    Start();
    ChooseSource(1);
    EXPECT_EQ(page->DiscKind(), 1);
    Start();
    EXPECT_EQ(BoxTexts(), (QStringList{"There is no disc in the read drive! Please insert a "
                                       "nonempty disc before continuing!",
                                       "The source disc is empty! Please insert a nonempty disc "
                                       "before continuing!"}));
    EXPECT_TRUE(shell.Idle());
    EXPECT_EQ(shell.JobOwner(), nullptr);
}

// The source's payload cut short while its tracks are read: the rip fails with its box, the
// page is usable again and nothing is burned.
TEST_F(CopyPage, SourceDamagedDuringTheRip) {
    Open([this](discengine::VirtualStore& store) {
        discengine::AudioDiscText text;
        store.InsertDiscImage('D', WriteAudioDisc(dir / "own", {300, 300, 300}, text));
    });
    ChooseSource(0);
    ChooseDestination(0);
    bool damaged = false;
    QObject::connect(log.Memo(), &QPlainTextEdit::textChanged, page.get(), [&] {
        if (!damaged && log.Memo()->toPlainText().contains("Grabbing track 02")) {
            damaged = true;
            for (const auto& entry : fs::directory_iterator(DriveFolder('D')))
                if (entry.path().extension() == ".bin")
                    fs::resize_file(entry.path(), 0);
        }
    });
    Start();
    ASSERT_TRUE(WaitForJobEnd());
    ASSERT_TRUE(damaged);
    ASSERT_EQ(BoxTexts().size(), 1);
    EXPECT_EQ(prompts.Boxes()[0].caption, "Error");
    EXPECT_TRUE(TempFiles().empty());
    EXPECT_EQ(engine->FindDevice('E')->UsedBlocks(true), 0);
    EXPECT_TRUE(Find<QPushButton>("btnCopyCD_Start")->isEnabled());
}

// The progress window's Cancel stops the image being written: no completion, no second phase,
// nothing left behind, the destination untouched.
TEST_F(CopyPage, ProgressCancelStopsTheImagePhase) {
    Open();
    ChooseSource(2);
    ChooseDestination(0);
    auto* cancel = progress.findChild<QPushButton*>("btnCancel");
    ASSERT_NE(cancel, nullptr);
    bool clicked = false;
    QObject::connect(log.Memo(), &QPlainTextEdit::textChanged, page.get(), [&] {
        if (!clicked && log.Memo()->toPlainText().contains("Preparing Image....")) {
            clicked = true;
            cancel->click();
        }
    });
    Start();
    ASSERT_TRUE(WaitForJobEnd());
    EXPECT_TRUE(clicked);
    EXPECT_EQ(BoxTexts(), QStringList{"Writing Cancelled!"});
    EXPECT_EQ(prompts.Boxes()[0].caption, "Hint");
    EXPECT_FALSE(log.Memo()->toPlainText().contains("Preparative temporary image completed..."));
    EXPECT_TRUE(TempFiles().empty());
    EXPECT_EQ(engine->FindDevice('E')->UsedBlocks(true), 0);
    EXPECT_FALSE(progress.isVisible());
}

// The source disc taken out while its image is made: one error box instead of one per file, no
// image of zeros burned later, nothing left in the temporary folder, the destination untouched.
TEST_F(CopyPage, SourceTakenOutDuringTheImagePhaseEndsWithOneError) {
    Open();
    ChooseSource(2);
    ChooseDestination(0);
    bool removed = false;
    QObject::connect(log.Memo(), &QPlainTextEdit::textChanged, page.get(), [&] {
        if (!removed && log.Memo()->toPlainText().contains("Preparing Image....")) {
            removed = true;
            Store().RemoveMedium('F');
        }
    });
    Start();
    ASSERT_TRUE(WaitForJobEnd());
    EXPECT_TRUE(removed);
    ASSERT_EQ(BoxTexts().size(), 1) << BoxTexts().join(" | ").toStdString();
    EXPECT_TRUE(BoxTexts()[0].contains("The disc is no longer in the drive"))
        << BoxTexts()[0].toStdString();
    EXPECT_EQ(prompts.Boxes()[0].caption, "Error");
    EXPECT_FALSE(log.Memo()->toPlainText().contains("Preparative temporary image completed..."));
    EXPECT_TRUE(TempFiles().empty());
    EXPECT_EQ(engine->FindDevice('E')->UsedBlocks(true), 0);
    EXPECT_TRUE(shell.Idle());
}

// The audio copy's destination loop cancelled: the ripped track files go with their folder.
TEST_F(CopyPage, AudioCopyCancelledAtTheDestinationDeletesTheTracks) {
    Open([this](discengine::VirtualStore& store) {
        discengine::AudioDiscText text;
        store.InsertDiscImage('D', WriteAudioDisc(dir / "own", {300, 300}, text));
        store.InsertSampleData('E');
    });
    ChooseSource(0);
    ChooseDestination(0);
    std::size_t ripped = 0;
    prompts.OnShow([&](const ui::ShownPrompt&) {
        if (ripped == 0)
            ripped = page->Job()->TempTrackFiles().size();
    });
    prompts.AnswerBox(ui::MsgResult::OK);
    prompts.AnswerBox(ui::MsgResult::Cancel);
    Start();
    ASSERT_TRUE(WaitForJobEnd());
    EXPECT_EQ(ripped, 2u);
    EXPECT_EQ(BoxTexts(), (QStringList{kNonempty, kNotWritable}));
    EXPECT_TRUE(TempFiles().empty());
    EXPECT_TRUE(Find<QPushButton>("btnCopyCD_Start")->isEnabled());
}
