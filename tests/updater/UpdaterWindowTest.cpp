#include "components/update/UpdateFixtures.h"

#include "support/TempDir.h"
#include "ui/ScriptedPrompts.h"
#include "update/Install.h"
#include "update/TUpdater.h"
#include "updater/TfrmMain.h"
#include "updater/UpdateTexts.h"

#include <QApplication>
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <QTest>
#include <QThread>
#include <gtest/gtest.h>

#include <csignal>
#include <sys/wait.h>
#include <unistd.h>

namespace fs = std::filesystem;
using testsupport::readFile;
using testsupport::writeFile;
using ui::ShownPrompt;

namespace {

struct UpdaterWindow : ::testing::Test {
    testsupport::TempDir dir;
    fs::path app = dir / "bundle";
    fs::path next = dir / "next";
    updatetest::KeyPair keys = updatetest::MakeKeys();
    updatetest::LocalHttpServer server;
    ui::ScriptedPrompts prompts;
    ui::ScopedPrompts scoped{prompts};
    std::vector<pid_t> children;

    void SetUp() override {
        updater::ResetTexts();
        updatetest::MakeBundle(app, "1.0");
        updatetest::MakeBundle(next, "2.0");
    }
    void TearDown() override {
        for (pid_t pid : children) {
            kill(pid, SIGKILL);
            waitpid(pid, nullptr, 0);
        }
    }
    UpdaterSetup Setup(const QString& argument = QStringLiteral("platterly")) {
        UpdaterSetup s;
        s.programDir = app.string() + "/";
        s.argument = argument;
        s.productName = "Platterly";
        s.installedVersion = "1.0";
        s.updateUrl = server.Url("/update.manifest");
        s.trustedKey = keys.pub;
        s.closeWaitMs = 3000;
        return s;
    }
    template <typename T> static T* Child(QWidget& w, const char* name) {
        T* c = w.findChild<T*>(QString::fromLatin1(name));
        EXPECT_NE(c, nullptr) << name;
        return c;
    }
    static QString Status(QWidget& w) { return Child<QLabel>(w, "lblStatus")->text(); }
    // Lets the component's events reach the window until the job has ended.
    static void Settle(TfrmMain& w) {
        w.Updater().WaitUntilIdle();
        QCoreApplication::processEvents();
        QCoreApplication::processEvents();
    }
    // Starts a copy of `program` under the main program's name in the bundle.
    pid_t StartFakeMain(const char* program, std::vector<const char*> args) {
        fs::remove(app / "platterly");
        fs::copy_file(program, app / "platterly");
        fs::permissions(app / "platterly", fs::perms::owner_all);
        const pid_t pid = fork();
        if (pid == 0) {
            std::vector<char*> argv{const_cast<char*>("platterly")};
            for (const char* a : args)
                argv.push_back(const_cast<char*>(a));
            argv.push_back(nullptr);
            execv((app / "platterly").c_str(), argv.data());
            _exit(127);
        }
        children.push_back(pid);
        // The child counts as started once its executable is the bundle's program.
        for (;;) {
            char link[4096] = {};
            const auto exe = "/proc/" + std::to_string(pid) + "/exe";
            const ssize_t n = readlink(exe.c_str(), link, sizeof link - 1);
            if (n > 0 && fs::path(std::string(link, n)) == app / "platterly")
                break;
            QThread::msleep(10);
        }
        return pid;
    }
    static bool Exited(pid_t pid) {
        int status = 0;
        return waitpid(pid, &status, WNOHANG) == pid;
    }
};

} // namespace

TEST_F(UpdaterWindow, WithoutAnArgumentNothingIsChecked) {
    server.Put("/update.manifest", {"anything"});
    TfrmMain w(Setup(QString()));
    EXPECT_FALSE(w.FormCreate());
    Settle(w);
    EXPECT_EQ(w.Updater().CurrentJob(), 0u);
    EXPECT_TRUE(Status(w).isEmpty());
}

TEST_F(UpdaterWindow, WithoutConfigIniTheTextsAreEnglishAndNoFileIsWritten) {
    fs::remove(app / "config.ini");
    fs::remove_all(app / "langs");
    EXPECT_FALSE(updater::LoadTexts(app));
    EXPECT_FALSE(fs::exists(app / "langs"));
    EXPECT_EQ(updater::Text(IDS_UPDATE_STATUS_Checking), "Checking new version, please waiting...");
}

TEST_F(UpdaterWindow, ConfigIniNamesTheLanguageFileWhoseUpdateSectionIsWrittenAndRead) {
    writeFile(app / "config.ini", "[Config]\nLanguagePath=lang2\nLanguageFile=de.ini\n");
    ASSERT_FALSE(updater::LoadTexts(app));
    const std::string written = readFile(app / "lang2/de.ini");
    EXPECT_NE(written.find("[Update]"), std::string::npos);
    EXPECT_NE(written.find("Flag=1"), std::string::npos);
    EXPECT_NE(written.find("IDS_UPDATE_STATUS_Success=Update successfully!"), std::string::npos);

    writeFile(app / "lang2/de.ini",
              "[Language]\nFlags=1\n[Update]\nFlag=1\nIDS_UPDATE_BUTTON_Start=Anfang\n"
              "IDS_UPDATE_STATUS_Resetup=Zeile eins#13Zeile zwei\n");
    ASSERT_FALSE(updater::LoadTexts(app));
    EXPECT_EQ(updater::Text(IDS_UPDATE_BUTTON_Start), "Anfang");
    EXPECT_EQ(updater::Text(IDS_UPDATE_STATUS_Resetup), "Zeile eins\r\nZeile zwei");
    EXPECT_EQ(updater::Text(IDS_UPDATE_BUTTON_Stop), "Stop");
    EXPECT_NE(readFile(app / "lang2/de.ini").find("[Language]\nFlags=1"), std::string::npos);
}

TEST_F(UpdaterWindow, DownloadFiguresAndProgressFollowTheBytes) {
    TfrmMain w(Setup());
    update::UpdateEvent e;
    e.State = update::StateDownloading;
    e.Value1 = 512;
    e.Value2 = 2048;
    e.Value3 = 1024;
    w.UpdaterUpdating(e);
    EXPECT_EQ(Child<QLabel>(w, "lblOperatingStatus")->text(), "0.50 kb/ 2.00 kb, 1.00 kb/s");
    EXPECT_EQ(Child<QProgressBar>(w, "prgOperating")->value(), 25);
    EXPECT_EQ(Status(w), "Downloading, please waiting...");
    // A total of 0 leaves the bar where it was.
    e.Value2 = 0;
    w.UpdaterUpdating(e);
    EXPECT_EQ(Child<QProgressBar>(w, "prgOperating")->value(), 25);
}

TEST_F(UpdaterWindow, TheNewestVersionLeavesStartDisabled) {
    updatetest::ServeRelease(server, next, "1.0", keys, dir / "out");
    TfrmMain w(Setup());
    ASSERT_TRUE(w.FormCreate());
    EXPECT_EQ(w.windowTitle(), "Platterly Updating");
    EXPECT_EQ(w.size(), QSize(543, 143));
    Settle(w);
    EXPECT_EQ(Status(w), "You have had the newest version!");
    EXPECT_FALSE(Child<QPushButton>(w, "btnStart")->isEnabled());
    EXPECT_TRUE(Child<QPushButton>(w, "btnStop")->isEnabled());
}

TEST_F(UpdaterWindow, NoAddressIsAnErrorThatSaysSo) {
    auto s = Setup();
    s.updateUrl.clear();
    TfrmMain w(s);
    ASSERT_TRUE(w.FormCreate());
    Settle(w);
    EXPECT_EQ(Status(w), "Error: No update address is configured(1)");
    ASSERT_EQ(prompts.Boxes().size(), 1u);
    EXPECT_EQ(prompts.Boxes()[0].icon, ui::MsgIcon::Error);
    EXPECT_TRUE(prompts.Boxes()[0].caption.isEmpty());
    EXPECT_TRUE(Child<QPushButton>(w, "btnStart")->isEnabled());
    EXPECT_FALSE(Child<QPushButton>(w, "btnStop")->isEnabled());
}

TEST_F(UpdaterWindow, NoKeepsTheProgramAndStopsTheComponent) {
    updatetest::ServeRelease(server, next, "2.0", keys, dir / "out");
    prompts.AnswerBox(ui::MsgResult::No);
    const pid_t running = StartFakeMain("/bin/sleep", {"600"});
    {
        TfrmMain w(Setup());
        ASSERT_TRUE(w.FormCreate());
        Settle(w);
        EXPECT_EQ(Status(w), "Found new version(2.0) for update!");
        ASSERT_EQ(prompts.Boxes().size(), 1u);
        EXPECT_EQ(prompts.Boxes()[0].text, "Do you want to update to 2.0? Choose Yes to close the "
                                           "application and start downloading.");
        EXPECT_TRUE(Child<QPushButton>(w, "btnStart")->isEnabled());
        EXPECT_FALSE(Child<QPushButton>(w, "btnStop")->isEnabled());
        w.close();
    }
    EXPECT_FALSE(Exited(running));
    EXPECT_TRUE(prompts.OfKind(ShownPrompt::Kind::StartProgram).empty());
    EXPECT_EQ(readFile(app / "libdiscengine.so"), "engine 1.0");
}

TEST_F(UpdaterWindow, YesClosesTheProgramInstallsAndRestartsItOnClose) {
    updatetest::ServeRelease(server, next, "2.0", keys, dir / "out");
    prompts.AnswerBox(ui::MsgResult::Yes);
    const pid_t running = StartFakeMain("/bin/sleep", {"600"});
    {
        TfrmMain w(Setup());
        ASSERT_TRUE(w.FormCreate());
        Settle(w); // check, question, closing, download started
        Settle(w); // download, unpack, install
        EXPECT_EQ(Status(w), "Update successfully!");
        EXPECT_TRUE(Exited(running));
        EXPECT_EQ(prompts.Boxes().back().text, "Update successfully!");
        EXPECT_EQ(update::ReadInstallationInfo(app.string()).version, "2.0");
        EXPECT_TRUE(w.RestartPending());
        w.close();
    }
    EXPECT_EQ(updatetest::RunAndRead((app / "platterly").string()), "platterly 2.0\n");
    const auto started = prompts.OfKind(ShownPrompt::Kind::StartProgram);
    ASSERT_EQ(started.size(), 1u);
    EXPECT_EQ(started[0].target, QString::fromStdString((app / "platterly").string()));
}

TEST_F(UpdaterWindow, AProgramThatRefusesToCloseMeansNothingIsDownloaded) {
    updatetest::ServeRelease(server, next, "2.0", keys, dir / "out");
    prompts.AnswerBox(ui::MsgResult::Yes);
    // A main program busy with a disc job ignores the request to close.
    const pid_t busy =
        StartFakeMain("/bin/bash", {"-c", "trap '' TERM; while :; do sleep 1; done"});
    {
        TfrmMain w(Setup());
        ASSERT_TRUE(w.FormCreate());
        Settle(w);
        Settle(w);
        EXPECT_TRUE(Status(w).startsWith("Error: Platterly is still running"))
            << Status(w).toStdString();
        EXPECT_TRUE(Status(w).endsWith("(9)"));
        EXPECT_FALSE(w.RestartPending());
        w.close();
    }
    EXPECT_FALSE(Exited(busy));
    EXPECT_FALSE(fs::exists(update::WorkFolder(app)));
    EXPECT_TRUE(prompts.OfKind(ShownPrompt::Kind::StartProgram).empty());
}

TEST_F(UpdaterWindow, StopDuringTheDownloadShowsStoppedAndKeepsTheOldVersion) {
    updatetest::ServeRelease(server, next, "2.0", keys, dir / "out");
    updatetest::Resource held{readFile(dir / "out/pkg.tar.xz")};
    held.holdAt = held.body.size() / 2;
    server.Put("/pkg", held);
    prompts.AnswerBox(ui::MsgResult::Yes);
    TfrmMain w(Setup());
    ASSERT_TRUE(w.FormCreate());
    Settle(w);
    server.WaitUntilHolding();
    QTest::mouseClick(Child<QPushButton>(w, "btnStop"), Qt::LeftButton);
    Settle(w);
    server.Release();
    EXPECT_EQ(Status(w), "Operation Stopped!");
    EXPECT_EQ(Child<QProgressBar>(w, "prgOperating")->value(), 0);
    EXPECT_TRUE(Child<QPushButton>(w, "btnStart")->isEnabled());
    EXPECT_EQ(readFile(app / "libdiscengine.so"), "engine 1.0");
    EXPECT_FALSE(fs::exists(update::WorkFolder(app)));
}
