#include "jobs/RipTestSupport.h"

#include "app/Shell.h"
#include "app/TfrmLog.h"
#include "app/TfrmProgress.h"
#include "core/TimeText.h"
#include "core/globals.h"
#include "dialogs/TfrmRipOptions.h"
#include "engine/DVDEngineBinding.h"
#include "read/TReadCDPage.h"
#include "ui/ScriptedPrompts.h"
#include "ui/TMyListView.h"

#include "discengine/SampleAudioDisc.h"

#include <QCheckBox>
#include <QComboBox>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>

#include <gtest/gtest.h>

namespace fs = std::filesystem;

namespace {

// The page on a real engine with the sample disc in D:, the bundle's library and scripted boxes.
class ReadPageTest : public ::testing::Test {
protected:
    void SetUp() override {
        globals::ProgramDir = std::string(PLATTERLY_DIST_DIR) + "/";
        globals::TempDir = (out.path() / "").string();
        shell.SetCurrentPage(app::PageId::ReadCD);
        globals::GrabOutputFormat = globals::FormatMp3;
        globals::Rip = globals::RipOptions{};
        discengine::EngineOptions options;
        options.store = store.path() / "drives";
        engine = std::make_unique<TDVDEngineX>(options);
        ASSERT_TRUE(engine->Initialize(0));
        shell.SetEngine(engine.get());
        shell.Log = &log;
        shell.Progress = &progress;
        page.SetRipOptions(&ripOptions);
        page.Enter();
        list = page.findChild<TMyListView*>("lstRead");
        grab = page.findChild<QPushButton*>("btnRead_Copy");
        ASSERT_TRUE(list && grab);
    }
    QString Cell(int row, int column) { return list->topLevelItem(row)->text(column); }

    testsupport::TempDir store, out;
    ui::ScriptedPrompts prompts;
    ui::ScopedPrompts scoped{prompts};
    QWidget window;
    app::Shell shell{&window};
    TfrmLog log;
    TfrmProgress progress{&log, &shell};
    TfrmRipOptions ripOptions;
    std::unique_ptr<TDVDEngineX> engine;
    TReadCDPage page{shell};
    TMyListView* list = nullptr;
    QPushButton* grab = nullptr;
};

TEST_F(ReadPageTest, ListsTheTracksAndTicksWithSelectAll) {
    const auto frames = discengine::SampleAudioDiscTrackFrames();
    EXPECT_EQ(page.LoadedDiscKind(), TReadCDPage::DiscKind::AudioCD);
    ASSERT_EQ(list->topLevelItemCount(), static_cast<int>(frames.size()));
    EXPECT_EQ(Cell(0, 0), "Track01");
    EXPECT_EQ(Cell(1, 1), "02");
    EXPECT_EQ(Cell(0, 2), core::SecondsToTimeText(frames[0] / 75));
    // Entering enables the page's buttons; Start then explains that nothing is ticked.
    EXPECT_EQ(list->CheckedCount(), 0);
    auto* selectAll = page.findChild<QCheckBox*>("chkSelectAll");
    selectAll->click();
    EXPECT_EQ(list->CheckedCount(), list->topLevelItemCount());
    EXPECT_TRUE(grab->isEnabled());
    selectAll->click();
    EXPECT_EQ(list->CheckedCount(), 0);
    EXPECT_FALSE(grab->isEnabled()) << "unticking every row disables Grab";
    EXPECT_TRUE(prompts.Shown().empty());
    page.btnRead_CopyClick();
    ASSERT_EQ(prompts.Boxes().size(), 1u);
    EXPECT_EQ(prompts.Boxes()[0].text, "No track selected!!!");
    EXPECT_EQ(prompts.Boxes()[0].caption, "Error");
}

TEST_F(ReadPageTest, GetCDTextThenGrabRipsTaggedMp3s) {
    const auto text = discengine::SampleAudioDiscText();
    QTest::mouseClick(page.findChild<QPushButton*>("btnGetCDText"), Qt::LeftButton);
    EXPECT_EQ(Cell(0, 0).toStdString(), text.tracks[0].title);
    EXPECT_EQ(ripOptions.edtAlbum->text().toStdString(), text.album);
    EXPECT_EQ(ripOptions.edtArtist->text().toStdString(), text.performer);
    EXPECT_EQ(ripOptions.cmbGenre->currentText().toStdString(), text.genre);

    ripOptions.edtArtist->setText("Typed Artist");
    for (int i = 0; i < list->topLevelItemCount(); ++i)
        EXPECT_EQ(Cell(i, 4), "Typed Artist");

    list->SetChecked(0, true);
    list->SetChecked(2, true);
    QTest::mouseClick(grab, Qt::LeftButton);
    EXPECT_TRUE(Cell(0, 3).startsWith("Success")) << Cell(0, 3).toStdString();
    EXPECT_EQ(Cell(1, 3), "");
    EXPECT_TRUE(Cell(2, 3).startsWith("Success"));
    EXPECT_EQ(shell.LastStatus(), "Grab Tracks Completed!");
    EXPECT_TRUE(shell.Idle());
    EXPECT_TRUE(grab->isEnabled());
    const fs::path mp3 = out.path() / (text.tracks[2].title + ".mp3");
    ASSERT_TRUE(fs::exists(mp3));
    const QStringList tags = Probe(mp3);
    EXPECT_EQ(ProbeValue(tags, "title").toStdString(), text.tracks[2].title);
    EXPECT_EQ(ProbeValue(tags, "artist"), "Typed Artist");
    EXPECT_EQ(ProbeValue(tags, "album").toStdString(), text.album);
    EXPECT_EQ(ProbeValue(tags, "genre").toStdString(), text.genre);
}

TEST_F(ReadPageTest, WithoutTheLibraryEveryTrackFails) {
    page.SetGrabberLibraryForTests(QString::fromStdString((out.path() / "missing.so").string()));
    page.Enter();
    list->SetChecked(0, true);
    list->SetChecked(1, true);
    QTest::mouseClick(grab, Qt::LeftButton);
    EXPECT_EQ(Cell(0, 3), "Failed");
    EXPECT_EQ(Cell(1, 3), "Failed");
    EXPECT_EQ(shell.LastStatus(), "Grab Tracks Completed!");
    // Get CD-Text does nothing without the library.
    QTest::mouseClick(page.findChild<QPushButton*>("btnGetCDText"), Qt::LeftButton);
    EXPECT_EQ(Cell(0, 0), "Track01");
}

} // namespace
