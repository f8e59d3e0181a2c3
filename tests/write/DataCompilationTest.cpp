// The data compilation tree, the data burn with verification, the ISO image file and the ISO
// image burned to a disc, driven through the real window and read back independently.
#include "BurnFixture.h"

#include "app/TfrmLog.h"
#include "app/TfrmProgress.h"
#include "dialogs/TfrmBurnOptions.h"
#include "discengine/DataImage.h"
#include "discengine/Volume.h"
#include "engine/DVDEngineBinding.h"
#include "write/TBurnCDPage.h"

#include <QCheckBox>
#include <QCoreApplication>
#include <QDateTime>
#include <QFileInfo>
#include <QLabel>
#include <QLineEdit>
#include <QLocale>
#include <QPlainTextEdit>
#include <QProcess>
#include <QPushButton>
#include <QRegularExpression>
#include <QTest>

namespace fs = std::filesystem;

namespace {

// A data item as the verification events carry it.
struct Item : discengine::IDataItemX {
    std::string path;
    explicit Item(std::string p) : path(std::move(p)) {}
    std::string Name() const override { return path.substr(1); }
    std::string ImagePath() const override { return path; }
    std::string SourcePath() const override { return "/src" + path; }
    bool IsFolder() const override { return false; }
    std::uint64_t Size() const override { return 1; }
    std::chrono::system_clock::time_point FileDate() const override { return {}; }
    std::int32_t ChildCount() const override { return 0; }
    std::shared_ptr<IDataItemX> Child(std::int32_t) const override { return nullptr; }
};

QString RunTool(const QString& program, const QStringList& arguments) {
    QProcess process;
    process.start(program, arguments);
    process.waitForFinished(60000);
    return QString::fromUtf8(process.readAllStandardOutput() + process.readAllStandardError());
}

class DataCompilation : public DataBurnPage {
protected:
    void SetUp() override { StartData(5000); }
    TBurnCDPage* Page() { return windows->main->findChild<TBurnCDPage*>("tabBurnCD"); }
};

TEST_F(DataCompilation, StartsEmptyAndAddFolderBuildsTheTreeFromTheImage) {
    EXPECT_EQ(Tree()->topLevelItem(0)->text(0), "New Disc");
    EXPECT_EQ(Label("lblWrite_FileCounter"), "0 objects");
    EXPECT_TRUE(Label("lblWrite_FileSize").startsWith("1.44MB of "))
        << Label("lblWrite_FileSize").toStdString();
    AddSourceFolder();
    ASSERT_TRUE(Layout()->FindItem("\\a.txt"));
    ASSERT_TRUE(Layout()->FindItem("\\sub"));
    ASSERT_TRUE(Layout()->FindItem("\\sub\\b.txt"));
    ASSERT_EQ(Tree()->topLevelItem(0)->childCount(), 1);
    EXPECT_EQ(Tree()->topLevelItem(0)->child(0)->text(0), "sub");
    EXPECT_EQ(Label("lblWrite_FileCounter"), "2 objects");
    EXPECT_EQ(List()->findItems("a.txt", Qt::MatchExactly).front()->text(2), "5");
    EXPECT_EQ(List()->findItems("sub", Qt::MatchExactly).front()->text(2), "Folder");
    EXPECT_TRUE(Label("lblWrite_FileSize").startsWith("1.45MB of "));

    // The same file twice in one folder is refused; in a sub-folder it is another item.
    prompts.AnswerFiles(QStringList{Src() + "/a.txt"});
    Click("btnWrite_AddFiles");
    EXPECT_EQ(BoxTexts().back(), "The file [" + Src() + "/a.txt] has already added!");
    QTreeWidgetItem* sub = Tree()->topLevelItem(0)->child(0);
    Tree()->setCurrentItem(sub);
    emit Tree()->itemClicked(sub, 0);
    EXPECT_EQ(Label("lblWrite_FileCounter"), "1 objects");
    prompts.AnswerFiles(QStringList{Src() + "/a.txt"});
    Click("btnWrite_AddFiles");
    EXPECT_TRUE(Layout()->FindItem("\\sub\\a.txt"));
    EXPECT_EQ(List()->topLevelItemCount(), 2);
}

TEST_F(DataCompilation, DirectoriesAreAddedDeletedAndClearedByTheirRules) {
    QTreeWidgetItem* root = Tree()->topLevelItem(0);
    prompts.AnswerInput(QString("docs"));
    Page()->actAddDirExecute();
    ASSERT_TRUE(Layout()->FindItem("\\docs"));
    Tree()->setCurrentItem(root);
    prompts.AnswerInput(QString("docs"));
    Page()->actAddDirExecute();
    EXPECT_EQ(BoxTexts().back(), "The specified directory already exists!");
    prompts.AnswerInput(QString("   "));
    Page()->actAddDirExecute();
    EXPECT_EQ(root->childCount(), 1) << "a name of blanks is ignored";
    Tree()->setCurrentItem(root->child(0));
    prompts.AnswerInput(QString("docs"));
    Page()->actAddDirExecute();
    EXPECT_TRUE(Layout()->FindItem("\\docs\\docs")) << "the same name elsewhere is fine";

    Tree()->setCurrentItem(root);
    Page()->actDeleteDirExecute();
    EXPECT_EQ(BoxTexts().back(), "This is the root directory, you can not delete it!");

    Tree()->setCurrentItem(root->child(0)->child(0));
    prompts.AnswerBox(ui::MsgResult::Yes);
    Page()->actClearDirExecute();
    EXPECT_EQ(root->childCount(), 0) << "Clear Directory empties the whole image";
    EXPECT_FALSE(Layout()->FindItem("\\docs"));
}

TEST_F(DataCompilation, RenamesGoToTheImageAndTheRootNameIsTheVolumeId) {
    AddSourceFolder();
    QTreeWidgetItem* row = List()->findItems("a.txt", Qt::MatchExactly).front();
    row->setText(0, "renamed.txt");
    QCoreApplication::processEvents();
    auto item = Layout()->FindItem("\\renamed.txt");
    ASSERT_TRUE(item);
    EXPECT_EQ(item->SourcePath(), (dir / "src" / "a.txt").string());
    Tree()->setCurrentItem(Tree()->topLevelItem(0)->child(0));
    Tree()->topLevelItem(0)->child(0)->setText(0, "inner");
    EXPECT_TRUE(Layout()->FindItem("\\inner\\b.txt"));
    windows->burnOptions->findChild<QLineEdit*>("edtVolumeID")->setText("MYDISC");
    EXPECT_EQ(Tree()->topLevelItem(0)->text(0), "MYDISC");
    EXPECT_TRUE(Layout()->FindItem("\\inner")) << "the root's name is not a folder";
}

// ISO mode shows an image read-only; back in Data CD mode the tree and the list are edited in
// place again.
TEST_F(DataCompilation, RenamingWorksAgainAfterIsoMode) {
    ChooseType(2);
    EXPECT_EQ(Tree()->editTriggers(), QAbstractItemView::NoEditTriggers);
    ChooseType(1);
    AddSourceFolder();
    QTreeWidgetItem* root = Tree()->topLevelItem(0);
    ASSERT_NE(root, nullptr);
    EXPECT_TRUE(root->flags() & Qt::ItemIsEditable);
    for (QAbstractItemView* view :
         {static_cast<QAbstractItemView*>(Tree()), static_cast<QAbstractItemView*>(List())})
        EXPECT_TRUE(view->editTriggers() & QAbstractItemView::EditKeyPressed)
            << view->objectName().toStdString();
    Tree()->setCurrentItem(root->child(0));
    root->child(0)->setText(0, "inner");
    EXPECT_TRUE(Layout()->FindItem("\\inner\\b.txt"));
}

TEST_F(DataCompilation, BurnsWithAutoVerifyAndReadsEveryFileBack) {
    AddSourceFolder();
    Click("btnWrite_Start");
    ASSERT_TRUE(WaitForJobEnd());
    EXPECT_EQ(BoxTexts().back(), "Write Completed!") << BoxTexts().join('|').toStdString();
    auto device = windows->main->DVDEngine().FindDevice('E');
    EXPECT_TRUE(device->IsTrayOpen()) << "ejected after the burn";
    device->CloseTray();
    device->Refresh(true);
    auto volume = device->Volume();
    ASSERT_TRUE(volume);
    EXPECT_EQ(QString::fromStdString(volume->Label()).toUpper(), "NEW DISC");
    for (const auto& [path, native] : {std::pair{"\\a.txt", dir / "src" / "a.txt"},
                                       {"\\sub\\b.txt", dir / "src" / "sub" / "b.txt"}}) {
        std::string read;
        ASSERT_TRUE(volume->ReadFile(path, [&](const char* d, std::size_t n) {
            read.append(d, n);
            return true;
        }));
        EXPECT_EQ(read, testsupport::readFile(native)) << path;
    }
    const QString log = windows->log->Memo()->toPlainText();
    EXPECT_TRUE(log.contains("Auto-Verify...Complete -  (2 of 2) Matched!")) << log.toStdString();
}

TEST_F(DataCompilation, VerificationShowsOneBoxPerFailureAndCountsTheMatches) {
    auto* page = Page();
    bool cancel = false;
    page->DVDEngineFileVerifyStart(1, 10);
    for (int i = 1; i <= 10; ++i) {
        page->DVDEngineFileVerify(1, std::make_shared<Item>("\\f" + std::to_string(i)), 1, 1,
                                  i == 3 ? 2 : 4, i, 10, cancel);
        if (i == 3) {
            EXPECT_EQ(windows->main->Shared().Progress->Progress(), 30);
        }
    }
    page->DVDEngineFileVerifyComplete(1, 10, 9);
    EXPECT_EQ(BoxTexts(), QStringList{"Verify Error - Source and destination file does not "
                                      "match: \\r\\f3 (disc)\\r/src\\f3 (source)"});
    EXPECT_EQ(windows->main->Shared().LastStatus(), "Auto-Verify...Complete -  (9 of 10) Matched!");
    EXPECT_FALSE(cancel);
    // Codes without a reaction change nothing.
    page->DVDEngineWriteStatus(1, 50, 0, 0, 1, 1, 50, 0, 0, 7, cancel);
    page->DVDEngineWriteStatus(1, 50, 0, 0, 1, 1, 50, 0, 0, 12, cancel);
    EXPECT_EQ(windows->main->Shared().LastStatus(), "Auto-Verify...Complete -  (9 of 10) Matched!");
    EXPECT_EQ(BoxTexts().size(), 1);
}

TEST_F(DataCompilation, AVerificationOfThousandsOfFilesStillBoxesEachMismatchAndEndsOnItsCount) {
    auto* page = Page();
    auto& shell = windows->main->Shared();
    auto* status = shell.Progress->findChild<QLabel*>("lblStatus");
    ASSERT_NE(status, nullptr);
    bool cancel = false;
    const int count = 5000;
    page->DVDEngineFileVerifyStart(1, count);
    for (int i = 1; i <= count; ++i) {
        page->DVDEngineFileVerify(1, std::make_shared<Item>("\\f" + std::to_string(i)), 1, 1,
                                  i == 3000 ? 5 : 4, i, count, cancel);
        if (i == 3000) {
            EXPECT_EQ(shell.Progress->Progress(), 60) << "the bar follows a file with a box";
            EXPECT_EQ(status->text(), "Auto-Verify... \\f3000");
        }
    }
    page->DVDEngineFileVerifyComplete(1, count, count - 1);
    // A file line still waiting for its turn never paints over the count.
    QTest::qWait(200);
    EXPECT_EQ(shell.LastStatus(), "Auto-Verify...Complete -  (4999 of 5000) Matched!");
    EXPECT_EQ(status->text(), shell.LastStatus());
    EXPECT_EQ(BoxTexts(), QStringList{"Verify Error - Size of source and destination file does "
                                      "not match: \\r\\f3000 (disc)\\r/src\\f3000 (source)"});
    const QString log = windows->log->Memo()->toPlainText();
    EXPECT_TRUE(log.contains("Auto-Verify... \\f1\n")) << "the first file is shown at once";
    EXPECT_TRUE(log.contains("Auto-Verify... \\f3000\n"));
}

TEST_F(DataCompilation, WritesAnIsoFileAndBurnsItBackInIsoMode) {
    AddSourceFolder();
    Find<QCheckBox>("chkWrite_WriteToISO")->setChecked(true);
    prompts.AnswerFile(std::nullopt);
    Click("btnWrite_Start");
    EXPECT_TRUE(windows->main->Shared().Idle()) << "a cancelled save dialog writes nothing";
    EXPECT_EQ(windows->main->Shared().JobOwner(), nullptr);

    const QString iso = QString::fromStdString((dir / "out.iso").string());
    prompts.AnswerFile(iso);
    Click("btnWrite_Start");
    ASSERT_TRUE(WaitForJobEnd());
    EXPECT_EQ(BoxTexts().back(), "Write Completed!") << BoxTexts().join('|').toStdString();
    EXPECT_FALSE(windows->main->Shared().WriteDevice->IsTrayOpen()) << "no eject for a file";
    const QString listing = RunTool("xorriso", {"-indev", iso, "-find", "/", "-type", "f"});
    // ISO 9660 names without Joliet: upper case.
    EXPECT_TRUE(listing.contains("'/A.TXT'", Qt::CaseInsensitive)) << listing.toStdString();
    EXPECT_TRUE(listing.contains("'/SUB/B.TXT'", Qt::CaseInsensitive)) << listing.toStdString();
    const QString udf = RunTool("udfinfo", {iso});
    EXPECT_TRUE(udf.contains("New Disc")) << udf.toStdString();

    // The same image in ISO mode: its label and folders, then burned to the blank disc.
    ChooseType(2);
    prompts.AnswerFile(iso);
    Click("btnWriteBrowse");
    EXPECT_EQ(Tree()->topLevelItem(0)->text(0).toUpper(), "NEW DISC");
    ASSERT_EQ(Tree()->topLevelItem(0)->childCount(), 1);
    EXPECT_EQ(Tree()->topLevelItem(0)->child(0)->text(0), "sub");
    Click("btnWrite_Start");
    ASSERT_TRUE(WaitForJobEnd());
    EXPECT_EQ(BoxTexts().back(), "Write Completed!") << BoxTexts().join('|').toStdString();
    auto device = windows->main->DVDEngine().FindDevice('E');
    device->CloseTray();
    device->Refresh(true);
    EXPECT_TRUE(device->Volume()->Exists("\\sub\\b.txt"));
}

TEST_F(DataCompilation, IsoModeLoadsTheLabelAndRefusesAnUnreadableImage) {
    fs::create_directories(dir / "backup" / "photos");
    testsupport::writeFile(dir / "backup" / "photos" / "p.txt", "p");
    const fs::path iso = dir / "backup.iso";
    RunTool("genisoimage",
            {"-quiet", "-J", "-udf", "-V", "BACKUP", "-o", QString::fromStdString(iso.string()),
             QString::fromStdString((dir / "backup").string())});
    ASSERT_TRUE(fs::exists(iso));
    ChooseType(2);
    EXPECT_FALSE(Find<QPushButton>("btnWrite_AddFiles")->isVisible());
    prompts.AnswerFile(QString::fromStdString(iso.string()));
    Click("btnWriteBrowse");
    EXPECT_EQ(Tree()->topLevelItem(0)->text(0), "BACKUP");
    EXPECT_EQ(windows->burnOptions->findChild<QLineEdit*>("edtVolumeID")->text(), "BACKUP");
    ASSERT_EQ(Tree()->topLevelItem(0)->childCount(), 1);
    EXPECT_EQ(Tree()->topLevelItem(0)->child(0)->text(0), "photos");

    testsupport::writeFile(dir / "junk.iso", std::string(100000, 'x'));
    prompts.AnswerFile(QString::fromStdString((dir / "junk.iso").string()));
    Click("btnWriteBrowse");
    EXPECT_TRUE(BoxTexts().back().contains("junk.iso")) << BoxTexts().back().toStdString();
    EXPECT_EQ(Tree()->topLevelItem(0)->childCount(), 0);
    EXPECT_EQ(List()->topLevelItemCount(), 0);
}

TEST_F(DataCompilation, DroppedFoldersJoinTheCurrentFolderAndIsoModeTakesOneImage) {
    Page()->DropPaths({Src(), QString::fromStdString((dir / "src" / "a.txt").string())});
    EXPECT_TRUE(Layout()->FindItem("\\sub\\b.txt"));
    EXPECT_EQ(BoxTexts().back(), "The file [" + Src() + "/a.txt] has already added!");
    ChooseType(2);
    Page()->DropPaths({Src()});
    EXPECT_EQ(List()->topLevelItemCount(), 0) << "a folder means nothing in ISO mode";
}

TEST_F(DataCompilation, AFileOfFiveGiBShowsItsRealSizeAndALocalDate) {
    const fs::path big = dir / "big.bin";
    testsupport::writeFile(big, "");
    fs::resize_file(big, 5ull << 30); // sparse: no disk space used
    prompts.AnswerFiles(QStringList{QString::fromStdString(big.string())});
    Click("btnWrite_AddFiles");
    ASSERT_EQ(List()->topLevelItemCount(), 1);
    EXPECT_EQ(Cell(0, 2), "5368709120");
    const QDateTime modified = QFileInfo(QString::fromStdString(big.string())).lastModified();
    EXPECT_TRUE(Cell(0, 3).startsWith(QLocale().toString(modified.date(), QLocale::ShortFormat)))
        << Cell(0, 3).toStdString();
    EXPECT_TRUE(Label("lblWrite_FileSize").startsWith("5121.44MB of "))
        << Label("lblWrite_FileSize").toStdString();
}

TEST_F(DataCompilation, OddNamesAndLargeFoldersGoInWhole) {
    const fs::path odd = dir / "odd";
    fs::create_directories(odd);
    testsupport::writeFile(odd / "line\nbreak.txt", "n");
    testsupport::writeFile(odd / "bad\xff\xfe.txt", "u");
    const fs::path many = dir / "many";
    fs::create_directories(many);
    for (int i = 0; i < 10000; ++i)
        testsupport::writeFile(many / ("f" + std::to_string(i)), "x");
    prompts.AnswerFolder(QString::fromStdString(odd.string()));
    Click("btnWrite_AddFolder");
    EXPECT_EQ(Label("lblWrite_FileCounter"), "2 objects") << BoxTexts().join('|').toStdString();
    prompts.AnswerFolder(QString::fromStdString(many.string()));
    Click("btnWrite_AddFolder");
    EXPECT_EQ(Label("lblWrite_FileCounter"), "10002 objects");
    EXPECT_EQ(List()->topLevelItemCount(), 10002);

    Find<QCheckBox>("chkWrite_WriteToISO")->setChecked(true);
    const QString iso = QString::fromStdString((dir / "odd.iso").string());
    prompts.AnswerFile(iso);
    Click("btnWrite_Start");
    ASSERT_TRUE(WaitForJobEnd());
    EXPECT_EQ(BoxTexts().back(), "Write Completed!") << BoxTexts().join('|').toStdString();
    const QString listing = RunTool("xorriso", {"-indev", iso, "-find", "/", "-type", "f"});
    const QRegularExpression small("^'/f\\d+\\.?'$", QRegularExpression::CaseInsensitiveOption);
    EXPECT_EQ(listing.split('\n').filter(small).size(), 10000)
        << "every small file is in the image";
}

} // namespace
