// The audio compilation and the audio burn, driven through the real window.
#include "AudioBurnSupport.h"
#include "BurnFixture.h"

#include "app/TfrmProgress.h"
#include "core/globals.h"
#include "dialogs/TfrmBurnOptions.h"
#include "discengine/Disc.h"
#include "discengine/MSF.h"
#include "discengine/VirtualStore.h"
#include "engine/DVDEngineBinding.h"
#include "write/TBurnCDPage.h"

#include <QAction>
#include <QCheckBox>
#include <QComboBox>
#include <QPushButton>

namespace fs = std::filesystem;

namespace {

class AudioCompilation : public BurnPage {
protected:
    void SetUp() override { Start(); }
    TBurnCDPage* Page() { return windows->main->findChild<TBurnCDPage*>("tabBurnCD"); }
    void AddFiles(const QStringList& files) {
        prompts.AnswerFiles(files);
        Click("btnWrite_AddFiles");
    }
    QString Path(const char* name) { return QString::fromStdString((dir / name).string()); }
    void Select(std::initializer_list<int> rows) {
        List()->clearSelection();
        for (int row : rows)
            List()->topLevelItem(row)->setSelected(true);
    }
};

TEST_F(AudioCompilation, CountsTracksAndAddsTheirWholeSeconds) {
    WriteCdWav(dir / "a.wav", 61, 1, true);
    WriteCdWav(dir / "b.wav", 59, 2, true);
    WriteCdWav(dir / "c.wav", 3600, 3, true);
    const QString capacity = QString::fromStdString(
        discengine::MsfText(windows->main->Shared().WriteDevice->FreeBlocks(false)));
    EXPECT_EQ(Label("lblWrite_FileCounter"), "Audio Tracks - 0");
    EXPECT_EQ(Label("lblWrite_FileSize"), "00:00:00 of " + capacity + " used");
    AddFiles({Path("a.wav"), Path("b.wav"), Path("c.wav")});
    ASSERT_EQ(List()->topLevelItemCount(), 3) << BoxTexts().join('|').toStdString();
    EXPECT_EQ(Cell(0, 0), "Track 01");
    EXPECT_EQ(Cell(2, 0), "Track 03");
    EXPECT_EQ(Cell(0, 2), "WAV");
    EXPECT_EQ(Cell(0, 3), "00:01:01");
    EXPECT_EQ(Cell(1, 3), "00:00:59");
    EXPECT_EQ(Cell(2, 3), "01:00:00");
    EXPECT_EQ(Label("lblWrite_FileCounter"), "Audio Tracks - 3");
    EXPECT_EQ(Label("lblWrite_FileSize"), "62:00:00 of " + capacity + " used");
    EXPECT_EQ(Page()->TotalDurationMs(), 3720000);
}

TEST_F(AudioCompilation, RefusesMissingWrongAndDuplicateFilesButKeepsLetterCase) {
    WriteCdWav(dir / "a.wav", 1, 1);
    WriteCdWav(dir / "A.WAV", 1, 2);
    ASSERT_TRUE(Ffmpeg(
        {"-f", "lavfi", "-i", "sine=d=1", QString::fromStdString((dir / "s.Mp3").string())}));
    testsupport::writeFile(dir / "v.mp4", "not looked at");
    testsupport::writeFile(dir / "empty.mp3", "");
    AddFiles({Path("a.wav"), Path("gone.wav"), Path("v.mp4"), Path("empty.mp3"), Path("a.wav"),
              Path("A.WAV"), Path("s.Mp3")});
    EXPECT_EQ(
        BoxTexts(),
        (QStringList{"The file [" + Path("gone.wav") + "] does not exist, it will be skipped!",
                     "The file [" + Path("v.mp4") +
                         "] is a invalid format, only .wma, .wav and .mp3 files are "
                         "supported, it will be skipped!",
                     "The MP3 file [" + Path("empty.mp3") + "] is invalid!",
                     "The file [" + Path("a.wav") + "] has already added!"}));
    EXPECT_EQ(prompts.Boxes()[3].caption, "Hint");
    ASSERT_EQ(List()->topLevelItemCount(), 3);
    EXPECT_EQ(Cell(1, 1), Path("A.WAV"));
    EXPECT_EQ(Cell(2, 2), "MP3");
    EXPECT_EQ(Cell(2, 0), "Track 03") << "numbered without a gap";
}

TEST_F(AudioCompilation, DeleteReselectsAndUpDownMoveOneRow) {
    for (const char* name : {"1.wav", "2.wav", "3.wav"})
        WriteCdWav(dir / name, 1, 1);
    AddFiles({Path("1.wav"), Path("2.wav"), Path("3.wav")});
    Select({0});
    Page()->actUpExecute();
    EXPECT_EQ(Cell(0, 1), Path("1.wav")) << "the first row stays";
    Page()->actDownExecute();
    EXPECT_EQ(Cell(1, 1), Path("1.wav"));
    EXPECT_EQ(Cell(0, 1), Path("2.wav"));
    EXPECT_EQ(Cell(1, 0), "Track 02");
    Select({2});
    Page()->actDownExecute();
    EXPECT_EQ(Cell(2, 1), Path("3.wav")) << "the last row stays";

    Page()->mnuWritePopup();
    EXPECT_FALSE(Find<QAction>("mniWrite_Down")->isEnabled());
    EXPECT_TRUE(Find<QAction>("mniWrite_Up")->isEnabled());

    Select({1, 2});
    Click("btnWrite_DeleteFile");
    ASSERT_EQ(List()->topLevelItemCount(), 1);
    EXPECT_TRUE(List()->topLevelItem(0)->isSelected());
    EXPECT_EQ(List()->currentItem(), List()->topLevelItem(0));
    Click("btnWrite_DeleteFile");
    EXPECT_EQ(List()->topLevelItemCount(), 0);
    EXPECT_EQ(Label("lblWrite_FileCounter"), "Audio Tracks - 0");
}

TEST_F(AudioCompilation, AddFolderTakesOnlyTheAudioFilesDirectlyInIt) {
    fs::create_directories(dir / "music" / "sub");
    WriteCdWav(dir / "music" / "a.WAV", 1, 1);
    testsupport::writeFile(dir / "music" / "b.txt", "text");
    WriteCdWav(dir / "music" / "sub" / "c.wav", 1, 1);
    prompts.AnswerFolder(QString::fromStdString((dir / "music").string()));
    Click("btnWrite_AddFolder");
    ASSERT_EQ(List()->topLevelItemCount(), 1);
    EXPECT_TRUE(Cell(0, 1).endsWith("a.WAV"));
}

TEST_F(AudioCompilation, WriteRefusesAnEmptyCompilationAndADiscThatIsNotBlank) {
    Click("btnWrite_Start");
    EXPECT_EQ(BoxTexts(), QStringList{"There is no file or folder added! Please add files or "
                                      "folders before continuing!"});
    WriteCdWav(dir / "a.wav", 1, 1);
    AddFiles({Path("a.wav")});
    discengine::VirtualStore(dir / "drives").InsertSampleData('E');
    prompts.Clear();
    Click("btnWrite_Start");
    EXPECT_EQ(BoxTexts(), QStringList{"Please insert an empty disc before continuing!"});
    EXPECT_TRUE(windows->main->Shared().Idle());
    EXPECT_EQ(windows->main->Shared().JobOwner(), nullptr);
}

TEST_F(AudioCompilation, ACompilationAsLongAsTheDiscIsRefusedOneSecondLessIsNot) {
    // A 2-minute disc: 9000 blocks, 02:00:00.
    discengine::VirtualStore(dir / "drives").InsertBlank('E', discengine::kMediaCDRW, 9000);
    Click("grpMainFunctionsItems0");
    Click("grpMainFunctionsItems2");
    const std::int32_t free = windows->main->Shared().WriteDevice->FreeBlocks(true);
    ASSERT_EQ(free % 75, 0);
    const QString capacity = QString::fromStdString(discengine::MsfText(free));
    WriteCdWav(dir / "a.wav", free / 75, 1, true);
    AddFiles({Path("a.wav")});
    Click("btnWrite_Start");
    EXPECT_EQ(BoxTexts().back(),
              "The total Duration must be less than [" + capacity + "](in MSF)!");
    Click("btnWrite_Clear");
    WriteCdWav(dir / "b.wav", free / 75 - 1, 1, true);
    AddFiles({Path("b.wav")});
    prompts.Clear();
    Click("btnWrite_Start");
    // The duration passes and the write is started; the engine then finds no room for the
    // 2 s pregap and ends it with its own error.
    ASSERT_TRUE(WaitForJobEnd());
    ASSERT_FALSE(BoxTexts().isEmpty());
    EXPECT_FALSE(BoxTexts().front().startsWith("The total Duration"))
        << BoxTexts().front().toStdString();
}

TEST_F(AudioCompilation, BufferProtectFollowsTheDrive) {
    auto* protect = windows->burnOptions->findChild<QCheckBox*>("chkUseBufferProtect");
    EXPECT_TRUE(protect->isEnabled());
    EXPECT_TRUE(protect->isChecked());
    windows.reset();
    Start(false);
    protect = windows->burnOptions->findChild<QCheckBox*>("chkUseBufferProtect");
    EXPECT_FALSE(protect->isEnabled());
    EXPECT_FALSE(protect->isChecked());
}

// WAV, MP3 and WMA burned to the blank CD-RW through the page, then read back with libcdio: the
// WAV track is PCM-identical and the titles come from the tags (or the file name).
TEST_F(AudioCompilation, BurnsWavMp3AndWmaWithTheirTagsAsCdText) {
    const std::string wav = audioburn::CdWavBytes(44100 * 3, 7);
    testsupport::writeFile(dir / "plain.wav", wav);
    const QString mp3 = Path("song.mp3"), wma = Path("other.wma");
    ASSERT_TRUE(Ffmpeg({"-f", "lavfi", "-i", "sine=f=440:d=2", "-metadata", "title=Sine Song",
                        "-metadata", "artist=The Tones", "-metadata", "album=Test Album", mp3}));
    const bool haveWma = Ffmpeg({"-f", "lavfi", "-i", "sine=f=660:d=2", "-c:a", "wmav2",
                                 "-metadata", "title=Windows Tune", wma});
    QStringList files{Path("plain.wav"), mp3};
    if (haveWma)
        files << wma;
    AddFiles(files);
    ASSERT_EQ(List()->topLevelItemCount(), files.size()) << BoxTexts().join('|').toStdString();

    // A file taken from the temporary folder keeps its place: the decoded copy goes elsewhere.
    const fs::path temp = globals::TempDir;
    fs::create_directories(temp);
    testsupport::writeFile(temp / "song.wav", "a file the page did not write");

    Click("btnWrite_Start");
    EXPECT_FALSE(windows->main->Shared().Idle());
    EXPECT_TRUE(windows->main->Shared().Progress->isVisible());
    ASSERT_TRUE(WaitForJobEnd());
    ASSERT_FALSE(BoxTexts().isEmpty());
    EXPECT_EQ(BoxTexts().back(), "Write Completed!") << BoxTexts().join('|').toStdString();
    EXPECT_FALSE(windows->main->Shared().Progress->isVisible());
    EXPECT_TRUE(Find<QPushButton>("btnWrite_Start")->isEnabled());
    EXPECT_TRUE(windows->main->Shared().WriteDevice->IsTrayOpen()) << "ejected after the burn";
    EXPECT_EQ(testsupport::readFile(temp / "song.wav"), "a file the page did not write");
    for (const auto& entry : fs::recursive_directory_iterator(temp))
        if (entry.path() != temp / "song.wav") {
            EXPECT_NE(entry.path().extension(), ".wav") << entry.path() << " left behind";
        }
    EXPECT_EQ(List()->topLevelItemCount(), files.size()) << "the compilation stays";

    const audioburn::DiscRead disc = audioburn::ReadDisc(WriterFolder() / "disc.cue");
    ASSERT_EQ(disc.tracks, files.size());
    EXPECT_EQ(disc.pcm[0].substr(0, audioburn::PcmOf(wav).size()), audioburn::PcmOf(wav));
    ASSERT_GE(disc.titles.size(), 2u);
    EXPECT_EQ(disc.titles[0], "plain");
    EXPECT_EQ(disc.titles[1], "Sine Song");
    if (haveWma) {
        EXPECT_EQ(disc.titles[2], "Windows Tune");
    }
    const std::string cue = testsupport::readFile(WriterFolder() / "disc.cue");
    EXPECT_NE(cue.find("PERFORMER \"The Tones\""), std::string::npos) << cue;
    EXPECT_NE(cue.find("TITLE \"Test Album\""), std::string::npos) << cue;
}

TEST_F(AudioCompilation, AVanishedSourceStopsTheWriteWithItsNameAndKeepsTheRows) {
    WriteCdWav(dir / "a.wav", 1, 1);
    WriteCdWav(dir / "b.wav", 1, 2);
    AddFiles({Path("a.wav"), Path("b.wav")});
    fs::remove(dir / "b.wav");
    Click("btnWrite_Start");
    ASSERT_EQ(BoxTexts().size(), 1);
    EXPECT_TRUE(BoxTexts()[0].contains(Path("b.wav"))) << BoxTexts()[0].toStdString();
    EXPECT_EQ(List()->topLevelItemCount(), 2);
    EXPECT_TRUE(windows->main->Shared().Idle());
    EXPECT_EQ(windows->main->Shared().JobOwner(), nullptr);
    EXPECT_FALSE(fs::exists(WriterFolder() / "disc.cue"));
}

} // namespace

namespace {

// A write error as the engine reports it.
struct PlainError : discengine::IWriteErrorX {
    std::int32_t Kind() const override { return 4; }
    std::string Description() const override { return "the laser is tired"; }
    std::shared_ptr<discengine::IDeviceErrorX> DeviceError() const override { return nullptr; }
    std::shared_ptr<discengine::IFileErrorX> FileError() const override { return nullptr; }
    std::int32_t SystemErrorCode() const override { return 0; }
};

class AudioBurnEnd : public BurnPage {
protected:
    void SetUp() override {
        Start();
        WriteCdWav(dir / "long.wav", 30, 4);
        prompts.AnswerFiles(QStringList{QString::fromStdString((dir / "long.wav").string())});
        Click("btnWrite_AddFiles");
        // 1x keeps the write going long enough to act while it runs.
        auto* speeds = Find<QComboBox>("cmbWrite_WriteSpeed");
        speeds->setCurrentIndex(speeds->count() - 1);
    }
};

TEST_F(AudioBurnEnd, CancelEndsTheBurnAndKeepsTheCompilation) {
    bool cancelled = false;
    QObject::connect(&windows->main->DVDEngine(), &TDVDEngineX::OnWriteStatus,
                     [&](std::int32_t, std::int32_t, std::int32_t, std::int32_t, std::int32_t,
                         std::int32_t, std::int32_t, std::int32_t, std::int32_t,
                         std::int32_t status, bool&) {
                         // The worker waits for this answer, so the cancel lands mid-write.
                         if (status == discengine::kWriteWriting && !cancelled) {
                             cancelled = true;
                             Click("btnWrite_Cancel");
                         }
                     });
    Click("btnWrite_Start");
    EXPECT_TRUE(Find<QPushButton>("btnWrite_Cancel")->isEnabled());
    ASSERT_TRUE(WaitForJobEnd());
    EXPECT_TRUE(cancelled);
    EXPECT_EQ(BoxTexts().back(), "Writing Cancelled!") << BoxTexts().join('|').toStdString();
    EXPECT_EQ(List()->topLevelItemCount(), 1);
    EXPECT_FALSE(Find<QPushButton>("btnWrite_Cancel")->isEnabled());
    EXPECT_TRUE(Find<QPushButton>("btnWrite_Start")->isEnabled());
}

TEST_F(AudioBurnEnd, ABurnThatEndsWhileTheIntroductionShowsStillFreesThePage) {
    Click("btnWrite_Start");
    ASSERT_FALSE(windows->main->Shared().Idle());
    Click("grpMainFunctionsItems0"); // Home is allowed while a job runs
    EXPECT_EQ(windows->main->Shared().CurrentPage(), app::PageId::Intro);
    ASSERT_TRUE(WaitForJobEnd());
    EXPECT_EQ(BoxTexts().back(), "Write Completed!");
    EXPECT_TRUE(Find<QPushButton>("btnWrite_Start")->isEnabled());
    EXPECT_EQ(windows->main->Shared().JobOwner(), nullptr);
}

TEST_F(AudioBurnEnd, AWriteErrorOfAnUnknownKindNamesItsKind) {
    auto* page = windows->main->findChild<TBurnCDPage*>("tabBurnCD");
    page->DVDEngineWriteError(1, std::make_shared<PlainError>());
    EXPECT_EQ(BoxTexts().back(), "Write Error: (4) - the laser is tired");
    EXPECT_TRUE(windows->main->Shared().Idle());
}

} // namespace
