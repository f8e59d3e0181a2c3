#include "core/MultiLanguages.h"
#include "core/Startup.h"
#include "core/globals.h"
#include "discengine/Disc.h"
#include "discengine/VirtualStore.h"
#include "engine/DVDEngineBinding.h"
#include "main/MainWindows.h"
#include "support/TempDir.h"
#include "ui/ScriptedPrompts.h"

#include <QAbstractButton>
#include <QComboBox>
#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QPushButton>
#include <QStackedWidget>
#include <gtest/gtest.h>

using testsupport::TempDir;

class ErasePage : public ::testing::Test {
protected:
    void Start(bool withWriter, std::int32_t medium, std::vector<std::int32_t> caps) {
        core::RunStartup(dir.path());
        discengine::VirtualStore store(dir / "drives");
        std::filesystem::create_directories(store.Root());
        discengine::DriveConfig reader;
        store.AddDrive("1-reader", reader);
        if (withWriter) {
            discengine::DriveConfig writer;
            writer.writer = true;
            writer.capabilities = caps;
            writer.maxWriteSpeed = 7056;
            writer.cdWriteSpeeds = {7056, 3528};
            store.AddDrive("2-writer", writer);
            if (medium)
                store.InsertBlank('E', medium);
        }
        MainWindowOptions options;
        options.engine.store = store.Root();
        options.engine.createDefaultStore = false;
        options.splashMs = 0;
        windows = app::CreateMainWindows(options);
        ASSERT_TRUE(windows->started);
    }
    void Click(const char* name) {
        auto* item = windows->main->findChild<QAbstractButton*>(name);
        ASSERT_NE(item, nullptr) << name;
        item->click();
    }
    bool WaitIdleAfterJob() {
        QDeadlineTimer deadline(60000);
        while (!deadline.hasExpired()) {
            QCoreApplication::processEvents(QEventLoop::AllEvents, 50);
            if (windows->main->Shared().Idle() && !prompts.Boxes().empty() &&
                prompts.Boxes().back().caption != "Warning")
                return true;
        }
        return false;
    }
    QStringList BoxTexts() {
        QStringList t;
        for (const auto& b : prompts.Boxes())
            t << b.text;
        return t;
    }

    TempDir dir;
    ui::ScriptedPrompts prompts;
    ui::ScopedPrompts scope{prompts};
    std::unique_ptr<app::MainWindows> windows;
};

TEST_F(ErasePage, ErasesACDRWAndEjectsAfterTheBox) {
    Start(true, discengine::kMediaCDRW, {17});
    EXPECT_EQ(windows->main->windowTitle(), "Platterly");
    Click("grpMainFunctionsItems4");
    EXPECT_EQ(windows->main->windowTitle(), "Platterly-Erase disc");
    EXPECT_EQ(windows->main->Shared().CurrentPage(), app::PageId::EraseDisc);
    auto* speeds = windows->main->findChild<QComboBox*>("cmbEraseCD_Speed");
    ASSERT_GE(speeds->count(), 1);
    EXPECT_TRUE(speeds->itemText(0).endsWith(" KB/s") || speeds->itemText(0) == "Max");

    bool trayClosedAtBox = false;
    prompts.OnShow([&](const ui::ShownPrompt& p) {
        if (p.text == "Erase completed!")
            trayClosedAtBox = !windows->main->Shared().EraseDevice->IsTrayOpen();
    });
    // Busy refusal while the erase runs: the job page stays.
    QObject::connect(&windows->main->DVDEngine(), &TDVDEngineX::OnEraseStatus,
                     [&](std::int32_t, std::int32_t status, std::int32_t) {
                         if (status == discengine::kEraseStarted)
                             Click("grpMainFunctionsItems1");
                     });
    prompts.AnswerBox(ui::MsgResult::Yes);
    windows->main->findChild<QPushButton*>("btnErase_Start")->click();
    ASSERT_TRUE(WaitIdleAfterJob());
    const QStringList texts = BoxTexts();
    ASSERT_GE(texts.size(), 3);
    EXPECT_EQ(texts[1], "Erase disc");
    EXPECT_EQ(prompts.Boxes()[1].caption, "Platterly");
    EXPECT_EQ(windows->main->Shared().CurrentPage(), app::PageId::EraseDisc);
    EXPECT_EQ(texts.back(), "Erase completed!");
    EXPECT_TRUE(trayClosedAtBox);
    EXPECT_TRUE(windows->main->Shared().EraseDevice->IsTrayOpen());
    windows->main->DVDEngine().WaitForJobs();
}

// The page listens to the engine only while its own erase runs: an erase it did not start, or
// one after its own has ended, shows it nothing.
TEST_F(ErasePage, HearsOnlyTheEraseItStarted) {
    Start(true, discengine::kMediaCDRW, {17});
    Click("grpMainFunctionsItems4");
    ASSERT_TRUE(prompts.Boxes().empty());
    auto& engine = windows->main->DVDEngine();
    int ended = 0;
    QObject::connect(
        &engine, &TDVDEngineX::OnEraseStatus, [&](std::int32_t, std::int32_t status, std::int32_t) {
            if (status == discengine::kEraseCompleted || status == discengine::kEraseFailed)
                ++ended;
        });
    auto drive = engine.FindDevice('E');
    ASSERT_TRUE(drive);
    ASSERT_TRUE(drive->Erase(true, 0));
    QDeadlineTimer deadline(60000);
    while (ended == 0 && !deadline.hasExpired())
        QCoreApplication::processEvents(QEventLoop::AllEvents, 50);
    ASSERT_EQ(ended, 1);
    engine.WaitForJobs();
    QCoreApplication::processEvents();
    EXPECT_TRUE(BoxTexts().isEmpty()) << BoxTexts().join(" | ").toStdString();
    EXPECT_FALSE(windows->main->Shared().Progress->isVisible());
    EXPECT_EQ(windows->main->Shared().JobOwner(), nullptr);

    // Its own erase reaches it, and ends its hold on the engine.
    prompts.AnswerBox(ui::MsgResult::Yes);
    windows->main->findChild<QPushButton*>("btnErase_Start")->click();
    EXPECT_NE(windows->main->Shared().JobOwner(), nullptr);
    ASSERT_TRUE(WaitIdleAfterJob());
    EXPECT_EQ(BoxTexts().back(), "Erase completed!");
    EXPECT_EQ(windows->main->Shared().JobOwner(), nullptr);
    engine.WaitForJobs();
}

TEST_F(ErasePage, RefusesACDR) {
    Start(true, discengine::kMediaCDR, {17});
    Click("grpMainFunctionsItems4");
    prompts.AnswerBox(ui::MsgResult::Yes);
    windows->main->findChild<QPushButton*>("btnErase_Start")->click();
    EXPECT_EQ(BoxTexts().back(), "The inserted disc is not erasable!");
    EXPECT_TRUE(windows->main->Shared().Idle());
}

TEST_F(ErasePage, RefusesADVDPlusRWWithoutThatWriteCapability) {
    Start(true, discengine::kMediaDVDPRW, {17});
    Click("grpMainFunctionsItems4");
    prompts.AnswerBox(ui::MsgResult::Yes);
    windows->main->findChild<QPushButton*>("btnErase_Start")->click();
    EXPECT_EQ(BoxTexts().back(),
              "Selected drive does not support re-writable discs of this format.");
}

TEST_F(ErasePage, NoWriterMeansNoWriteDeviceFoundOnEveryEntry) {
    Start(false, 0, {});
    Click("grpMainFunctionsItems4");
    Click("grpMainFunctionsItems0");
    Click("grpMainFunctionsItems2");
    EXPECT_EQ(BoxTexts(), (QStringList{"No write device found!", "No write device found!"}));
    EXPECT_TRUE(windows->main->Shared().Idle());
    EXPECT_FALSE(windows->main->findChild<QPushButton*>("btnErase_Start")->isEnabled());
}

TEST_F(ErasePage, CaptionFollowsARenamedTitle) {
    std::filesystem::create_directories(dir / "langs");
    core::RunStartup(dir.path()); // writes the default language file
    const auto file = dir / "langs" / "english.ini";
    std::string text = testsupport::readFile(file);
    ASSERT_FALSE(text.empty()) << globals::LanguageFileName;
    const auto at = text.find("IDS_MAIN_TITLE");
    ASSERT_NE(at, std::string::npos);
    const auto end = text.find('\n', at);
    text.replace(at, end - at, "IDS_MAIN_TITLE=Scheiben\r");
    testsupport::writeFile(file, text);
    Start(true, discengine::kMediaCDRW, {17});
    EXPECT_EQ(windows->main->windowTitle(), "Platterly");
    Click("grpMainFunctionsItems4");
    EXPECT_EQ(windows->main->windowTitle(), "Scheiben-Erase disc");
}
