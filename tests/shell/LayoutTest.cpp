#include "app/NavigationBar.h"
#include "app/TSplashForm.h"
#include "core/Startup.h"
#include "core/globals.h"
#include "dialogs/TfrmMp3ID3V2.h"
#include "discengine/Disc.h"
#include "discengine/VirtualStore.h"
#include "main/MainWindows.h"
#include "support/TempDir.h"
#include "ui/ScriptedPrompts.h"

#include <QAbstractButton>
#include <QApplication>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QProcess>
#include <QPushButton>
#include <QTimer>
#include <gtest/gtest.h>

#include <map>

namespace fs = std::filesystem;
using testsupport::TempDir;

namespace {

// The controls whose text must be shown whole: captions, buttons, lists to pick from, fields.
bool IsControl(QWidget* w) {
    if (w->parentWidget() && qobject_cast<QComboBox*>(w->parentWidget()))
        return false; // a combo box's own editor
    return qobject_cast<QLabel*>(w) || qobject_cast<QAbstractButton*>(w) ||
           qobject_cast<QComboBox*>(w) || qobject_cast<QLineEdit*>(w);
}

QString Name(QWidget* w) {
    const QString own = w->objectName();
    if (!own.isEmpty())
        return own;
    return QStringLiteral("%1 \"%2\" in %3")
        .arg(QLatin1String(w->metaObject()->className()),
             qobject_cast<QLabel*>(w) ? qobject_cast<QLabel*>(w)->text() : QString(),
             w->parentWidget() ? w->parentWidget()->objectName() : QString());
}

// The room a control needs. A push button needs its text and a little air; the style's own
// minimum (80 pixels for any text) is a habit, not a need, and a "..." button may be smaller.
QSize Needed(QWidget* w) {
    if (const auto* button = qobject_cast<QPushButton*>(w)) {
        const int text = button->fontMetrics().horizontalAdvance(button->text());
        const int icon = button->icon().isNull() ? 0 : button->iconSize().width() + 4;
        return {text + icon + 8, w->minimumSizeHint().height()};
    }
    return w->minimumSizeHint();
}

// Every visible control lies inside its window, has at least the room its content needs and
// overlaps no other control beside it.
void ExpectControlsFit(QWidget* window, const std::string& where) {
    window->show();
    QApplication::processEvents();
    const QRect bounds = window->rect();
    std::map<QWidget*, std::vector<std::pair<QWidget*, QRect>>> byParent;
    for (QWidget* w : window->findChildren<QWidget*>()) {
        if (!w->isVisible() || !IsControl(w))
            continue;
        const QRect area(w->mapTo(window, QPoint(0, 0)), w->size());
        const std::string name = where + ": " + Name(w).toStdString();
        EXPECT_TRUE(bounds.contains(area)) << name << " lies outside the window";
        const QSize needed = Needed(w);
        if (w->sizePolicy().horizontalPolicy() != QSizePolicy::Ignored) {
            EXPECT_GE(w->width(), needed.width()) << name << " is cut short";
        }
        const auto* label = qobject_cast<QLabel*>(w);
        const int height =
            label && label->wordWrap() ? label->heightForWidth(w->width()) : needed.height();
        EXPECT_GE(w->height(), height) << name << " is cut off at the foot";
        if (const auto* item = qobject_cast<app::NavigationItem*>(w)) {
            EXPECT_GE(w->width(), item->sizeHint().width()) << name << " shows part of its text";
        }
        byParent[w->parentWidget()].push_back({w, area});
    }
    for (const auto& [parent, controls] : byParent)
        for (std::size_t a = 0; a < controls.size(); ++a)
            for (std::size_t b = a + 1; b < controls.size(); ++b)
                EXPECT_FALSE(controls[a].second.intersects(controls[b].second))
                    << where << ": " << Name(controls[a].first).toStdString() << " overlaps "
                    << Name(controls[b].first).toStdString();
    window->hide();
}

// The whole window set with the bundle's artwork, a reader holding the sample audio CD and a
// recorder holding a blank CD-RW, so every page shows its full set of controls.
class Layout : public ::testing::Test {
protected:
    void SetUp() override {
        core::RunStartup(dir.path());
#ifdef PLATTERLY_ARTWORK_TOOL
        artwork_ = QProcess::execute(QStringLiteral(PLATTERLY_ARTWORK_TOOL),
                                     {QString::fromStdString(globals::SkinsDir)}) == 0;
#endif
        discengine::VirtualStore store(dir / "drives");
        fs::create_directories(store.Root());
        discengine::DriveConfig reader;
        store.AddDrive("1-reader", reader);
        store.InsertSampleAudio('D');
        discengine::DriveConfig writer;
        writer.writer = true;
        writer.capabilities = {17};
        writer.maxWriteSpeed = 7056;
        writer.cdWriteSpeeds = {7056, 3528};
        store.AddDrive("2-writer", writer);
        store.InsertBlank('E', discengine::kMediaCDRW);

        MainWindowOptions options;
        options.engine.store = store.Root();
        options.engine.createDefaultStore = false;
        options.splashMs = 0;
        windows = app::CreateMainWindows(options);
        ASSERT_TRUE(windows->started);
    }

    TempDir dir;
    ui::ScriptedPrompts prompts;
    ui::ScopedPrompts scope{prompts};
    std::unique_ptr<app::MainWindows> windows;
    bool artwork_ = false;
};

TEST_F(Layout, EveryPageOfTheMainWindowShowsItsControlsWhole) {
    const char* pages[] = {"Introduction", "Read CD", "Burn CD", "Copy CD", "Erase Disc"};
    for (int page = 0; page < 5; ++page) {
        windows->main
            ->findChild<QAbstractButton*>(QStringLiteral("grpMainFunctionsItems%1").arg(page))
            ->click();
        ExpectControlsFit(windows->main.get(), pages[page]);
    }
    EXPECT_TRUE(prompts.Boxes().empty()) << "every page found its drives";
}

TEST_F(Layout, EveryDialogShowsItsControlsWhole) {
    ExpectControlsFit(windows->log.get(), "log");
    ExpectControlsFit(windows->progress.get(), "progress");
    ExpectControlsFit(windows->about.get(), "about");
    ExpectControlsFit(windows->settings.get(), "settings");
    ExpectControlsFit(windows->burnOptions.get(), "burn options");
    ExpectControlsFit(windows->ripOptions.get(), "rip options");
    TfrmMp3ID3V2 frames;
    ExpectControlsFit(&frames, "ID3v2 frames");
}

TEST_F(Layout, TheBundleArtworkReachesEveryWindow) {
    if (!artwork_)
        GTEST_SKIP() << "the artwork generator is not part of this build";
    // The windows made at start-up loaded the pictures drawn into the program folder.
    int items = 0;
    for (const char* group : {"grpMainFunctionsItems", "grpOptionsItems", "grpHelpItems"}) {
        for (int i = 0; i < 5; ++i) {
            if (auto* item = windows->main->findChild<QAbstractButton*>(
                    QStringLiteral("%1%2").arg(group).arg(i))) {
                ++items;
                EXPECT_FALSE(item->icon().isNull()) << group << i;
            }
        }
    }
    EXPECT_EQ(items, 14);
    auto* title = windows->main->findChild<QLabel*>(QStringLiteral("imgTitle"));
    ASSERT_NE(title, nullptr);
    EXPECT_EQ(title->pixmap().size(), title->size()) << "drawn at the size it is shown";
    windows->about->show();
    auto* logo = windows->about->findChild<QLabel*>(QStringLiteral("imgLogo"));
    ASSERT_NE(logo, nullptr);
    EXPECT_FALSE(logo->pixmap().isNull());
    windows->about->hide();
    const TSplashForm splash(0);
    EXPECT_TRUE(splash.HasPicture());
    EXPECT_EQ(splash.size(), QSize(480, 300));
}

TEST_F(Layout, TheAboutBoxOpensCentredOnTheMainWindow) {
    // Away from the middle of the screen, where a box without an owner would open anyway.
    windows->main->move(150, 120);
    windows->main->show();
    QApplication::setActiveWindow(windows->main.get());
    QApplication::processEvents();
    QPoint centre;
    QTimer::singleShot(0, windows->about.get(), [&] {
        centre = windows->about->geometry().center();
        windows->about->accept();
    });
    windows->main->findChild<QAbstractButton*>(QStringLiteral("grpHelpItems1"))->click();
    const QPoint expected = windows->main->geometry().center();
    // Rounding the odd sizes to whole pixels may move either centre by one.
    EXPECT_LE(std::abs(centre.x() - expected.x()) + std::abs(centre.y() - expected.y()), 4)
        << centre.x() << "," << centre.y() << " against " << expected.x() << "," << expected.y();
}

} // namespace
