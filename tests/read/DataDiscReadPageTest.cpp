// The Read CD page on a data disc: Read To ISO, Browse, the folder copy with Cancel, the image
// job and its write events, on the real engine with scripted boxes and dialogs.
#include "DataFixture.h"

#include "app/Shell.h"
#include "app/TfrmLog.h"
#include "app/TfrmProgress.h"
#include "core/globals.h"
#include "dialogs/TfrmBurnOptions.h"
#include "engine/DVDEngineBinding.h"
#include "read/TReadCDPage.h"
#include "ui/ScriptedPrompts.h"

#include <QCheckBox>
#include <QComboBox>
#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>

#include <gtest/gtest.h>

#include <cstring>
#include <map>

namespace fs = std::filesystem;
using namespace datatest;

namespace {

std::map<std::string, std::string> TreeOf(const fs::path& root) {
    std::map<std::string, std::string> tree;
    for (const auto& e : fs::recursive_directory_iterator(root)) {
        const std::string rel = fs::relative(e.path(), root).string();
        tree[e.is_directory() ? rel + "/" : rel] =
            e.is_directory() ? std::string() : testsupport::readFile(e.path());
    }
    return tree;
}

class DataReadPage : public ::testing::Test {
protected:
    void SetUp() override {
        globals::ProgramDir = std::string(PLATTERLY_DIST_DIR) + "/";
        globals::TempDir = (temp.path() / "").string();
        globals::EnableLog = true;
        content = work / "content";
        fs::create_directories(content / "A" / "B");
        testsupport::writeFile(content / "A" / "B" / "x.txt", "x\n");
        testsupport::writeFile(content / "A" / "B" / "y.txt", Pattern(9000, 1));
        testsupport::writeFile(content / "A" / "z.txt", "z\n");
        testsupport::writeFile(content / "top.txt", Pattern(3 * 1024 * 1024, 2));
        out = work / "out";
        fs::create_directories(out);
    }
    // The disc in D:, then the page entered on it.
    void Start(const std::string& isoOptions = "-J -udf",
               const std::function<void(const fs::path&)>& spoil = {}) {
        const fs::path iso = work / "disc.iso";
        ASSERT_EQ(datatest::Run("genisoimage -quiet -V SOURCEDISC " + isoOptions + " -o " +
                                Quote(iso) + " " + Quote(content) + " 2>/dev/null"),
                  0);
        if (spoil)
            spoil(iso);
        discengine::VirtualStore store(work / "drives");
        fs::create_directories(store.Root());
        store.AddDrive("D", discengine::DriveConfig{});
        store.InsertImage('D', iso);
        discengine::EngineOptions options;
        options.store = store.Root();
        options.createDefaultStore = false;
        engine = std::make_unique<TDVDEngineX>(options);
        ASSERT_TRUE(engine->Initialize(0));
        burn.ApplyLanguage();
        shell.SetEngine(engine.get());
        shell.Log = &log;
        shell.Progress = &progress;
        shell.BurnOptions = &burn;
        shell.SetCurrentPage(app::PageId::ReadCD);
        page.Enter();
        ASSERT_EQ(page.LoadedDiscKind(), TReadCDPage::DiscKind::DataDisc);
        toIso = page.findChild<QCheckBox*>("chkReadToISO");
        path = page.findChild<QLineEdit*>("edtReadOutputPath");
        replace = page.findChild<QCheckBox*>("chkReadReplaceExisted");
        copy = page.findChild<QPushButton*>("btnRead_Copy");
        cancel = page.findChild<QPushButton*>("btnRead_Cancel");
        ASSERT_TRUE(toIso && path && replace && copy && cancel);
    }
    // Runs `action` once, when a log line containing `text` is written.
    void WhenLogged(const QString& text, std::function<void()> action) {
        QObject::connect(log.Memo(), &QPlainTextEdit::textChanged, &page,
                         [this, text, action, done = false]() mutable {
                             if (!done && log.Memo()->toPlainText().contains(text)) {
                                 done = true;
                                 action();
                             }
                         });
    }
    // The image job ends through the engine's events: waits for the box that ends it.
    bool WaitForEnd() {
        QDeadlineTimer deadline(120000);
        while (!deadline.hasExpired()) {
            QCoreApplication::processEvents(QEventLoop::AllEvents, 50);
            if (shell.Idle() && !shell.JobOwner() && !prompts.Boxes().empty())
                return true;
        }
        return false;
    }
    QString LastBox() const {
        return prompts.Boxes().empty() ? QString() : prompts.Boxes().back().text;
    }

    testsupport::TempDir dir, temp;
    fs::path work = dir.path();
    fs::path content, out;
    ui::ScriptedPrompts prompts;
    ui::ScopedPrompts scoped{prompts};
    QWidget window;
    app::Shell shell{&window};
    TfrmLog log;
    TfrmProgress progress{&log, &shell};
    TfrmBurnOptions burn;
    std::unique_ptr<TDVDEngineX> engine;
    TReadCDPage page{shell};
    QCheckBox *toIso = nullptr, *replace = nullptr;
    QLineEdit* path = nullptr;
    QPushButton *copy = nullptr, *cancel = nullptr;
};

TEST_F(DataReadPage, ReadToIsoSetsThePathAndBrowseProposesReadIsoInItsFolder) {
    Start();
    const QString tempDir = QString::fromStdString(globals::TempDir);
    auto* volumeId = burn.findChild<QLineEdit*>("edtVolumeID");
    EXPECT_FALSE(toIso->isChecked());
    EXPECT_EQ(path->text(), tempDir);
    EXPECT_FALSE(volumeId->isEnabled()) << "a folder copy has no volume label";

    toIso->click();
    EXPECT_EQ(path->text(), tempDir + "ReadISO.iso");
    EXPECT_TRUE(volumeId->isEnabled());
    EXPECT_EQ(volumeId->text(), "New Disc");

    const QString chosen = QString::fromStdString((out / "Mine.iso").string());
    prompts.AnswerFile(chosen);
    page.findChild<QPushButton*>("btnRead_Browse")->click();
    const auto dialogs = prompts.OfKind(ui::ShownPrompt::Kind::SaveFile);
    ASSERT_EQ(dialogs.size(), 1u);
    EXPECT_EQ(dialogs[0].caption, "Save to ISO image file");
    EXPECT_EQ(dialogs[0].value, "ReadISO.iso");
    EXPECT_EQ(dialogs[0].initialDir, QString::fromStdString(temp.path().string()));
    EXPECT_EQ(dialogs[0].filter, "ISO file (*.iso)|*.iso");
    EXPECT_EQ(path->text(), chosen);

    // Browse again starts in the chosen file's folder; cancelling keeps the path.
    page.findChild<QPushButton*>("btnRead_Browse")->click();
    ASSERT_EQ(prompts.OfKind(ui::ShownPrompt::Kind::SaveFile).size(), 2u);
    EXPECT_EQ(prompts.OfKind(ui::ShownPrompt::Kind::SaveFile)[1].initialDir,
              QString::fromStdString(out.string()));
    EXPECT_EQ(path->text(), chosen);

    toIso->click();
    EXPECT_EQ(path->text(), tempDir) << "unticking goes back to the temporary folder";
    EXPECT_FALSE(volumeId->isEnabled());
}

TEST_F(DataReadPage, FolderCopyCopiesTheTreeAndEndsCompleted) {
    Start();
    path->setText(QString::fromStdString(out.string()));
    copy->click();
    EXPECT_EQ(shell.LastStatus(), "Copying Completed!");
    EXPECT_TRUE(shell.Idle());
    EXPECT_FALSE(progress.isVisible());
    EXPECT_EQ(TreeOf(out), TreeOf(content));
    EXPECT_TRUE(log.Memo()->toPlainText().contains("Copying file:[D:\\A\\B\\x.txt]"));
    EXPECT_GT(progress.Progress(), 50) << "the files fill most of the volume";
    EXPECT_TRUE(prompts.Boxes().empty());
}

TEST_F(DataReadPage, CancelInsideABStopsTheWholeCopy) {
    Start();
    path->setText(QString::fromStdString(out.string()));
    WhenLogged("Copying file:[D:\\A\\B\\x.txt]", [this] {
        ASSERT_TRUE(cancel->isEnabled());
        cancel->click();
    });
    copy->click();
    EXPECT_EQ(shell.LastStatus(), "Copying Cancelled!");
    EXPECT_TRUE(shell.Idle());
    EXPECT_TRUE(fs::exists(out / "A" / "B" / "x.txt"));
    EXPECT_FALSE(fs::exists(out / "A" / "B" / "y.txt"));
    EXPECT_FALSE(fs::exists(out / "A" / "z.txt"));
    EXPECT_FALSE(fs::exists(out / "top.txt"));
}

TEST_F(DataReadPage, FailedFilesAreCountedAndSkippedFilesAreNot) {
    Start();
    path->setText(QString::fromStdString(out.string()));
    fs::create_directories(out / "A");
    testsupport::writeFile(out / "A" / "z.txt", "the user's");
    copy->click();
    EXPECT_EQ(testsupport::readFile(out / "A" / "z.txt"), "the user's");
    EXPECT_EQ(shell.LastStatus(), "Copying Completed!") << "a skipped file is no failure";
    EXPECT_TRUE(prompts.Boxes().empty());
    EXPECT_TRUE(log.Memo()->toPlainText().contains("Skipped. Already exist"));

    // With Replace ticked, a folder where a file should go cannot be replaced.
    replace->setChecked(true);
    fs::remove(out / "top.txt");
    fs::create_directories(out / "top.txt" / "inside");
    copy->click();
    EXPECT_EQ(testsupport::readFile(out / "A" / "z.txt"), "z\n");
    EXPECT_NE(shell.LastStatus(), "Copying Completed!");
    ASSERT_EQ(prompts.Boxes().size(), 1u);
    EXPECT_EQ(prompts.Boxes()[0].caption, "Warning");
    EXPECT_TRUE(prompts.Boxes()[0].text.startsWith("1 file or folder could not be copied"))
        << prompts.Boxes()[0].text.toStdString();
    EXPECT_TRUE(log.Memo()->toPlainText().contains("Could not copy D:\\top.txt"));
    EXPECT_TRUE(fs::exists(out / "top.txt" / "inside"));
}

TEST_F(DataReadPage, ImageJobWritesTheDiscsFilesWithTheBurnOptionsLabel) {
    Start();
    toIso->click();
    const fs::path iso = out / "copy.iso";
    path->setText(QString::fromStdString(iso.string()));
    burn.findChild<QLineEdit*>("edtVolumeID")->setText("SOURCEDISC");
    auto* volumeType = burn.findChild<QComboBox*>("cmbVolumeType");
    ASSERT_TRUE(volumeType);
    volumeType->setCurrentIndex(volumeType->findData(7)); // ISO9660 + Joliet + UDF
    copy->click();
    ASSERT_TRUE(WaitForEnd());
    EXPECT_EQ(LastBox(), "Write Completed!");
    EXPECT_EQ(prompts.Boxes().back().caption, "Hint");
    EXPECT_FALSE(progress.isVisible());
    EXPECT_EQ(progress.Progress(), 0);
    const QString logged = log.Memo()->toPlainText();
    EXPECT_TRUE(logged.contains("Adding files/folders to image file is completed!"));
    EXPECT_TRUE(logged.contains("Auto-Verify...Complete -  (4 of 4) Matched!"))
        << logged.toStdString();
    const fs::path extracted = work / "extracted";
    ASSERT_EQ(datatest::Run("xorriso -osirrox on -indev " + Quote(iso) + " -extract / " +
                            Quote(extracted) + " >/dev/null 2>&1"),
              0);
    EXPECT_EQ(TreeOf(extracted), TreeOf(content));
    std::string info;
    ASSERT_EQ(datatest::Run("isoinfo -d -i " + Quote(iso), &info), 0);
    EXPECT_NE(info.find("Volume id: SOURCEDISC"), std::string::npos) << info;
    EXPECT_NE(info.find("Joliet with UCS level 3 found"), std::string::npos) << info;
    EXPECT_EQ(datatest::Run("udfinfo " + Quote(iso) + " >/dev/null"), 0)
        << "ISO9660, Joliet and UDF";
}

TEST_F(DataReadPage, AnExistingImageIsRefusedWithoutReplace) {
    Start();
    toIso->click();
    const fs::path iso = out / "mine.iso";
    testsupport::writeFile(iso, "the user's image");
    path->setText(QString::fromStdString(iso.string()));
    copy->click();
    ASSERT_EQ(prompts.Boxes().size(), 1u);
    EXPECT_EQ(prompts.Boxes()[0].caption, "Warning");
    EXPECT_EQ(prompts.Boxes()[0].text, "The output file specified already exists! Please change "
                                       "the file name and try again.");
    EXPECT_TRUE(shell.Idle());
    EXPECT_FALSE(progress.isVisible());
    EXPECT_EQ(testsupport::readFile(iso), "the user's image");
}

TEST_F(DataReadPage, AFailedImageNeverDeletesTheUsersFile) {
    // A file on the disc claims data far past the disc's end: the image cannot be made.
    Start("", [](const fs::path& iso) {
        PatchIsoRootRecords(iso, [](char* record, const std::string& name) {
            if (name != "TOP.TXT;1")
                return false;
            for (int i = 0; i < 4; ++i)
                record[2 + i] = record[9 - i] = '\x70';
            return true;
        });
    });
    toIso->click();
    replace->setChecked(true);
    const fs::path iso = out / "mine.iso";
    testsupport::writeFile(iso, "the user's image");
    path->setText(QString::fromStdString(iso.string()));
    copy->click();
    ASSERT_TRUE(WaitForEnd());
    EXPECT_EQ(prompts.Boxes().back().caption, "Error") << LastBox().toStdString();
    EXPECT_NE(LastBox(), "Write Completed!");
    EXPECT_TRUE(shell.Idle());
    EXPECT_EQ(testsupport::readFile(iso), "the user's image");
    EXPECT_EQ(NamesIn(out), std::vector<std::string>{"mine.iso"}) << "nothing half-written";
}

TEST_F(DataReadPage, ADiscTakenOutDuringTheFolderCopyEndsItWithOneWarning) {
    Start();
    path->setText(QString::fromStdString(out.string()));
    // The drive's eject button, pressed while A\B is being copied.
    WhenLogged("Copying file:[D:\\A\\B\\x.txt]",
               [this] { discengine::VirtualStore(work / "drives").SetTray('D', true); });
    copy->click();
    EXPECT_TRUE(shell.Idle());
    EXPECT_FALSE(progress.isVisible());
    EXPECT_TRUE(copy->isEnabled());
    ASSERT_EQ(prompts.Boxes().size(), 1u) << "one message, not one per file left on the disc";
    EXPECT_EQ(prompts.Boxes()[0].caption, "Warning");
    EXPECT_EQ(prompts.Boxes()[0].text, "1 file or folder could not be copied (see the log). The "
                                       "disc was removed from the drive: the rest was not copied.");
    EXPECT_EQ(shell.LastStatus(), prompts.Boxes()[0].text);
    EXPECT_TRUE(log.Memo()->toPlainText().contains("Could not copy D:\\A\\B\\x.txt"));
    // Nothing half-written: no file under its real name and no temporary one.
    EXPECT_EQ(NamesIn(out), std::vector<std::string>{"A"});
    EXPECT_EQ(NamesIn(out / "A"), std::vector<std::string>{"B"});
    EXPECT_TRUE(fs::is_empty(out / "A" / "B"));
}

TEST_F(DataReadPage, ADiscTakenOutDuringTheImageJobEndsItWithOneErrorAndNoImage) {
    Start();
    toIso->click();
    const fs::path iso = out / "copy.iso";
    path->setText(QString::fromStdString(iso.string()));
    // The disc goes once the engine has begun: its files are listed, none is read yet.
    WhenLogged("Preparing Image....",
               [this] { discengine::VirtualStore(work / "drives").RemoveMedium('D'); });
    copy->click();
    ASSERT_TRUE(WaitForEnd());
    ASSERT_EQ(prompts.Boxes().size(), 1u) << "one message, not one per file of the disc";
    EXPECT_EQ(prompts.Boxes()[0].caption, "Error");
    EXPECT_TRUE(LastBox().contains("The disc is no longer in the drive"))
        << LastBox().toStdString();
    EXPECT_EQ(shell.LastStatus(), "Writing Error!");
    EXPECT_TRUE(shell.Idle());
    EXPECT_FALSE(progress.isVisible());
    EXPECT_TRUE(fs::is_empty(out)) << "no image, whole or partial";
}

// A disc whose folder A is the root again, a file whose data lies far past the disc's end and
// a name that climbs out of its folder, copied through the page.
TEST_F(DataReadPage, AHostileDiscCopiesWhatItCanAndWritesNothingOutside) {
    testsupport::writeFile(content / "far.bin", Pattern(5000, 3));
    testsupport::writeFile(content / "esc.txt", "escaping\n");
    Start("", [](const fs::path& iso) {
        std::string rootExtent;
        PatchIsoRootRecords(iso, [&](char* record, const std::string& name) {
            if (name == std::string(1, '\0'))
                rootExtent.assign(record + 2, 8);
            return false;
        });
        ASSERT_EQ(rootExtent.size(), 8u);
        const int patched = PatchIsoRootRecords(iso, [&](char* record, const std::string& name) {
            if (name == "A")
                std::copy(rootExtent.begin(), rootExtent.end(), record + 2);
            else if (name == "FAR.BIN;1")
                for (int i = 0; i < 4; ++i)
                    record[2 + i] = record[9 - i] = '\x70';
            else if (name == "ESC.TXT;1")
                std::memcpy(record + 33, "../../E;1", 9);
            else
                return false;
            return true;
        });
        ASSERT_EQ(patched, 3);
    });
    path->setText(QString::fromStdString(out.string()));
    copy->click();
    EXPECT_TRUE(shell.Idle());
    ASSERT_EQ(prompts.Boxes().size(), 1u);
    EXPECT_EQ(prompts.Boxes()[0].caption, "Warning");
    EXPECT_TRUE(prompts.Boxes()[0].text.endsWith("could not be copied (see the log)."))
        << prompts.Boxes()[0].text.toStdString();
    const QString logged = log.Memo()->toPlainText();
    EXPECT_TRUE(logged.contains("Could not copy D:\\far.bin")) << logged.toStdString();
    EXPECT_TRUE(logged.contains("loops")) << logged.toStdString();
    EXPECT_EQ(testsupport::readFile(out / "top.txt"), testsupport::readFile(content / "top.txt"));
    EXPECT_FALSE(fs::exists(out / "far.bin"));
    // Whatever the names and the loop offered, everything stayed inside the output folder.
    EXPECT_EQ(NamesIn(work), (std::vector<std::string>{"content", "disc.iso", "drives", "out"}));
    for (const auto& e : fs::recursive_directory_iterator(out)) {
        const std::string name = e.path().filename().string();
        EXPECT_NE(name, "..");
        EXPECT_EQ(name.find('/'), std::string::npos);
        EXPECT_EQ(name.find(".platterly-part"), std::string::npos);
    }
}

} // namespace
