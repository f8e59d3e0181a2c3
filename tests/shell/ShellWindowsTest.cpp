#include "app/LogLines.h"
#include "app/Shell.h"
#include "app/TSplashForm.h"
#include "app/TfrmLog.h"
#include "app/TfrmProgress.h"
#include "core/MultiLanguages.h"
#include "core/Startup.h"
#include "core/TimeText.h"
#include "core/globals.h"
#include "support/TempDir.h"
#include "ui/ScriptedPrompts.h"

#include <QLabel>
#include <QPlainTextEdit>
#include <QProgressBar>
#include <QPushButton>
#include <gtest/gtest.h>
#include <sys/stat.h>

using testsupport::TempDir;

TEST(TimeText, SecondsAndRemainingEstimate) {
    EXPECT_EQ(core::SecondsToTimeText(3725), "01:02:05");
    EXPECT_EQ(core::SecondsToTimeText(360000), "100:00:00");
    EXPECT_EQ(core::SecondsToTimeText(0), "00:00:00");
    EXPECT_EQ(core::RemainingSeconds(30, 25), 90);
    EXPECT_EQ(core::RemainingSeconds(30, 0), 0);
    EXPECT_EQ(core::RemainingSeconds(30, 100), 0);
    EXPECT_EQ(core::RemainingSeconds(10, 30), 24); // 23.33 rounds up
}

class ShellFixture : public ::testing::Test {
protected:
    void SetUp() override {
        core::RunStartup(dir.path());
        globals::EnableLog = true;
        shell.Log = &log;
        shell.Progress = &progress;
    }
    QString Label(const char* name) { return progress.findChild<QLabel*>(name)->text(); }
    QStringList Lines() { return app::MemoLines(log.Memo()); }

    TempDir dir;
    ui::ScriptedPrompts prompts;
    ui::ScopedPrompts scope{prompts};
    QWidget window;
    app::Shell shell{&window};
    TfrmLog log;
    TfrmProgress progress{&log, &shell};
};

TEST_F(ShellFixture, ProgressWindowRemainingTimeAndCloseRefusal) {
    progress.show();
    EXPECT_EQ(Label("lblUsedTime"), "Used time: 00:00:00");
    EXPECT_EQ(Label("lblCurrentSpeed"), "Current read speed: 0 KB/s");
    progress.SetProgress(25);
    shell.ElapsedSeconds = 29;
    shell.TimerUsedTimer();
    EXPECT_EQ(Label("lblUsedTime"), "Used time: 00:00:30");
    EXPECT_EQ(Label("lblRemaining"), "Remaining: 00:01:30");

    shell.SetIdle(false);
    EXPECT_FALSE(progress.close());
    EXPECT_TRUE(progress.isVisible());
    shell.SetIdle(true);
    EXPECT_TRUE(progress.close());
}

TEST_F(ShellFixture, ProgressCancelOffersToHideUntilAJobRebindsIt) {
    progress.show();
    prompts.AnswerBox(ui::MsgResult::OK);
    progress.findChild<QPushButton*>("btnCancel")->click();
    ASSERT_EQ(prompts.Boxes().size(), 1u);
    EXPECT_EQ(prompts.Boxes()[0].text, "Cancel the progress state show?");
    EXPECT_EQ(prompts.Boxes()[0].caption, "Progress...");
    EXPECT_FALSE(progress.isVisible());
    int cancelled = 0;
    progress.SetCancelHandler([&] { ++cancelled; });
    progress.findChild<QPushButton*>("btnCancel")->click();
    EXPECT_EQ(cancelled, 1);
    EXPECT_EQ(prompts.Boxes().size(), 1u);
}

TEST_F(ShellFixture, StatusIsLoggedOnceAndOnlyWhenEnabled) {
    shell.ShowStatus("Erasing");
    shell.ShowStatus("Erasing");
    shell.ShowStatus("");
    EXPECT_EQ(Label("lblStatus"), "");
    ASSERT_EQ(Lines().size(), 1);
    EXPECT_TRUE(Lines()[0].endsWith("->\tErasing"));
    globals::EnableLog = false;
    shell.ShowStatus("Quiet");
    EXPECT_EQ(Label("lblStatus"), "Quiet");
    globals::EnableLog = true;
    shell.ShowStatus("Quiet");
    EXPECT_EQ(Lines().size(), 1); // "" is logged as nothing, "Quiet" never
    shell.ShowStatus("Loud");
    EXPECT_EQ(Lines().size(), 2);
}

TEST_F(ShellFixture, SaveAppendsOnlyNewLinesAndClearKeepsTheFile) {
    shell.ShowStatus("one");
    shell.ShowStatus("two");
    log.findChild<QPushButton*>("btnSave")->click();
    log.findChild<QPushButton*>("btnSave")->click();
    EXPECT_EQ(globals::SavedLogLineCount, 2);
    std::string content = testsupport::readFile(globals::LogFileName);
    EXPECT_EQ(std::count(content.begin(), content.end(), '\n'), 2);
    EXPECT_NE(content.find("->\tone\r\n"), std::string::npos);
    log.findChild<QPushButton*>("btnClear")->click();
    EXPECT_EQ(globals::SavedLogLineCount, 0);
    shell.ShowStatus("three");
    log.findChild<QPushButton*>("btnSave")->click();
    content = testsupport::readFile(globals::LogFileName);
    EXPECT_EQ(std::count(content.begin(), content.end(), '\n'), 3);
    EXPECT_NE(content.find("->\tthree\r\n"), std::string::npos);
    EXPECT_TRUE(prompts.Boxes().empty());
}

TEST_F(ShellFixture, UnwritableLogFileIsReportedAndNothingIsCounted) {
    shell.ShowStatus("kept");
    globals::LogFileName = (dir / "missing-folder" / "x.log").string();
    log.findChild<QPushButton*>("btnSave")->click();
    EXPECT_EQ(globals::SavedLogLineCount, 0);
    ASSERT_EQ(prompts.Boxes().size(), 1u);
    EXPECT_EQ(prompts.Boxes()[0].caption, "Error");
    EXPECT_EQ(prompts.Boxes()[0].icon, ui::MsgIcon::Error);
    EXPECT_EQ(Lines().size(), 1);
}

TEST_F(ShellFixture, OpenReplacesTheMemoAndSaveAsWritesTheWholeLog) {
    testsupport::writeFile(dir / "old.log", "a\r\nb\r\n");
    prompts.AnswerFile(QString::fromStdString((dir / "old.log").string()));
    log.findChild<QPushButton*>("btnOpen")->click();
    EXPECT_EQ(Lines(), (QStringList{"a", "b"}));
    EXPECT_EQ(prompts.Shown()[0].filter, "Log file(*.log)|*.log");
    EXPECT_EQ(prompts.Shown()[0].caption, "Select the log file...");
    prompts.AnswerFile(QString::fromStdString((dir / "copy.log").string()));
    log.findChild<QPushButton*>("btnSaveAs")->click();
    EXPECT_EQ(testsupport::readFile(dir / "copy.log"), "a\r\nb\r\n");
    // After Open, Save appends from the old count on.
    log.findChild<QPushButton*>("btnSave")->click();
    EXPECT_EQ(testsupport::readFile(globals::LogFileName), "a\r\nb\r\n");
    // A missing file leaves the memo as it was.
    prompts.AnswerFile(QString::fromStdString((dir / "nope.log").string()));
    log.findChild<QPushButton*>("btnOpen")->click();
    EXPECT_EQ(Lines().size(), 2);
    EXPECT_EQ(prompts.Boxes().size(), 1u);
}

TEST_F(ShellFixture, SplashSurvivesMissingAndCorruptPictures) {
    globals::SkinsDir = (dir.path() / "skins/").string();
    std::filesystem::create_directories(globals::SkinsDir);
    {
        TSplashForm missing(0);
        EXPECT_FALSE(missing.HasPicture());
    }
    testsupport::writeFile(globals::SkinsDir + "Splash.png", "\x89PNG\r\n\x1a\nbroken");
    TSplashForm corrupt(0);
    EXPECT_FALSE(corrupt.HasPicture());
    TSplashForm::ShowSplash(0); // closes itself
}
