#include "core/Startup.h"
#include "core/globals.h"
#include "discengine/Disc.h"
#include "discengine/VirtualStore.h"
#include "main/MainWindows.h"
#include "support/TempDir.h"
#include "ui/ScriptedPrompts.h"

#include <QAbstractButton>
#include <QComboBox>
#include <QTimer>
#include <gtest/gtest.h>

#include <cstdlib>

namespace fs = std::filesystem;
using testsupport::TempDir;

namespace {

// The whole window set on a store whose reader holds the sample audio CD and whose second
// reader holds a data CD made by genisoimage.
class Navigation : public ::testing::Test {
protected:
    void SetUp() override {
        core::RunStartup(dir.path());
        discengine::VirtualStore store(dir / "drives");
        fs::create_directories(store.Root());
        discengine::DriveConfig reader;
        store.AddDrive("1-audio", reader);
        store.InsertSampleAudio('D');
        store.AddDrive("2-data", reader);
        const fs::path tree = dir / "tree";
        fs::create_directories(tree);
        testsupport::writeFile(tree / "readme.txt", "a data disc");
        const fs::path iso = dir / "data.iso";
        const std::string cmd = "genisoimage -quiet -J -V DATA -o '" + iso.string() + "' '" +
                                tree.string() + "' 2>/dev/null";
        ASSERT_EQ(std::system(cmd.c_str()), 0) << "genisoimage is installed by scripts/setup";
        store.InsertImage('E', iso);

        MainWindowOptions options;
        options.engine.store = store.Root();
        options.engine.createDefaultStore = false;
        options.splashMs = 0;
        windows = app::CreateMainWindows(options);
        ASSERT_TRUE(windows->started);
    }
    QAbstractButton* Item(const char* name) {
        auto* item = windows->main->findChild<QAbstractButton*>(name);
        EXPECT_NE(item, nullptr) << name;
        return item;
    }

    TempDir dir;
    ui::ScriptedPrompts prompts;
    ui::ScopedPrompts scope{prompts};
    std::unique_ptr<app::MainWindows> windows;
};

TEST_F(Navigation, RipAndBurnItemsFollowTheReadDiscKind) {
    QAbstractButton* rip = Item("grpOptionsItems1");
    QAbstractButton* burn = Item("grpOptionsItems2");
    ASSERT_TRUE(rip && burn);
    EXPECT_FALSE(rip->isEnabled()) << "no disc is known before Read CD is entered";

    Item("grpMainFunctionsItems1")->click();
    ASSERT_EQ(windows->main->Shared().CurrentPage(), app::PageId::ReadCD);
    EXPECT_TRUE(rip->isEnabled()) << "the sample audio CD can be ripped";
    EXPECT_FALSE(burn->isEnabled());

    // The Rip item opens the rip options dialog modally on an audio CD.
    bool shown = false;
    QTimer::singleShot(0, windows->ripOptions.get(), [&] {
        shown = windows->ripOptions->isVisible();
        windows->ripOptions->reject();
    });
    rip->click();
    EXPECT_TRUE(shown);

    auto* drives = windows->main->findChild<QComboBox*>("cmbRead_Device");
    ASSERT_NE(drives, nullptr);
    ASSERT_EQ(drives->count(), 2);
    drives->setCurrentIndex(1);
    emit drives->activated(1);
    EXPECT_FALSE(rip->isEnabled()) << "a data disc is not ripped";
    EXPECT_TRUE(burn->isEnabled());

    // Erase Disc has no use for either.
    Item("grpMainFunctionsItems4")->click();
    EXPECT_FALSE(rip->isEnabled());
    EXPECT_FALSE(burn->isEnabled());
}

} // namespace

TEST_F(Navigation, ARequestToCloseIsRefusedDuringAJobAndClosesWithoutAQuestionOtherwise) {
    windows->main->show();
    windows->main->Shared().SetIdle(false);
    EXPECT_FALSE(windows->main->CloseOnRequest());
    EXPECT_TRUE(windows->main->isVisible());

    windows->main->Shared().SetIdle(true);
    prompts.Clear();
    EXPECT_TRUE(windows->main->CloseOnRequest());
    EXPECT_FALSE(windows->main->isVisible());
    EXPECT_TRUE(prompts.Boxes().empty());
}
