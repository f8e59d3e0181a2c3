#include "PreviewDisc.h"

#include "app/LogLines.h"
#include "app/TfrmLog.h"
#include "core/Startup.h"
#include "core/TimeText.h"
#include "engine/DVDEngineBinding.h"
#include "main/MainWindows.h"
#include "preview/TfrmAudioPlay.h"
#include "support/ScopedEnv.h"
#include "support/TempDir.h"
#include "ui/ScriptedPrompts.h"
#include "ui/TMyListView.h"

#include <QAbstractButton>
#include <QAction>
#include <QLabel>
#include <QPointer>
#include <QPushButton>
#include <QSlider>
#include <QStyle>
#include <QTest>
#include <QTimer>

#include <gtest/gtest.h>

#include <filesystem>

namespace fs = std::filesystem;
using preview::PlayerMode;

namespace {

// The program's windows on a store whose D: holds tracks of 4:10.9, 2 s and 2 s; the Read CD
// page shows them and "Play" opens the preview, which plays into the silent sink.
class AudioPlayWindow : public ::testing::Test {
protected:
    void SetUp() override {
        core::RunStartup(dir.path());
        MainWindowOptions options;
        options.engine.store = disc.Store().Root();
        options.engine.createDefaultStore = false;
        options.splashMs = 0;
        windows = app::CreateMainWindows(options);
        ASSERT_TRUE(windows->started);
        windows->main->findChild<QAbstractButton*>("grpMainFunctionsItems1")->click();
        list = windows->main->findChild<TMyListView*>("lstRead");
        ASSERT_TRUE(list);
        ASSERT_EQ(list->topLevelItemCount(), 3);
    }
    void PlayRow(int row) {
        list->setCurrentItem(list->topLevelItem(row));
        windows->main->findChild<QAction*>("mniRead_Play")->trigger();
    }
    TfrmAudioPlay* Window() { return windows->main->findChild<TfrmAudioPlay*>("frmAudioPlay"); }
    template <typename T> T* Control(const char* name) {
        T* control = Window()->findChild<T*>(name);
        EXPECT_TRUE(control) << name;
        return control;
    }
    QString Caption() { return Control<QPushButton>("btnPlay")->text(); }
    QString TimeLabel() { return Control<QLabel>("lblPlayTime")->text(); }
    std::int64_t FrameSample(std::int64_t frame) { return frame * 588; }

    testsupport::ScopedEnv silent{"PLATTERLY_AUDIO_OUTPUT", "silent"};
    testsupport::TempDir dir;
    PreviewDisc disc{{18818, 150, 150}};
    ui::ScriptedPrompts prompts;
    ui::ScopedPrompts scope{prompts};
    std::unique_ptr<app::MainWindows> windows;
    TMyListView* list = nullptr;
    Tap tap;
};

TEST_F(AudioPlayWindow, ShowsTheTrackAndStopPausesWhilePlayContinues) {
    PlayRow(0);
    TfrmAudioPlay* window = Window();
    ASSERT_TRUE(window);
    tap.Attach(window->Player());
    EXPECT_TRUE(window->isVisible());
    EXPECT_EQ(window->windowTitle(), "Audio Play");
    EXPECT_TRUE(window->windowFlags() & Qt::WindowStaysOnTopHint);
    EXPECT_EQ(Control<QLabel>("lblPlayName")->text(), "Track01.cda");
    EXPECT_EQ(TimeLabel(), "00:00:00");
    auto* slider = Control<QSlider>("TrackBar");
    EXPECT_EQ(slider->minimum(), 0);
    EXPECT_EQ(slider->maximum(), 250) << "4 minutes 10.9 seconds";
    EXPECT_EQ(Caption(), "Stop");
    EXPECT_EQ(window->Player().Mode(), PlayerMode::Playing);
    EXPECT_TRUE(Control<QTimer>("TimerPlay")->isActive());
    EXPECT_TRUE(app::MemoLines(windows->log->Memo()).join('\n').contains("Audio output: silent"));

    ASSERT_TRUE(RunUntil([&] { return tap.Bytes() > 0; }));
    QTest::mouseClick(Control<QPushButton>("btnPlay"), Qt::LeftButton);
    EXPECT_EQ(Caption(), "Play");
    EXPECT_EQ(window->Player().Mode(), PlayerMode::Paused);
    EXPECT_FALSE(Control<QTimer>("TimerPlay")->isActive());
    const std::int64_t handed = tap.Bytes();
    QTest::mouseClick(Control<QPushButton>("btnPlay"), Qt::LeftButton);
    EXPECT_EQ(Caption(), "Stop");
    EXPECT_EQ(window->Player().Mode(), PlayerMode::Playing);
    ASSERT_TRUE(RunUntil([&] { return tap.Bytes() > handed; }));
    ASSERT_EQ(tap.runs.size(), 1u) << "playing went on from the sample it paused at";
    EXPECT_EQ(tap.runs[0].firstSample, 0);
}

TEST_F(AudioPlayWindow, AtTheEndTheButtonTurnsToPlayWhichStartsTheTrackOver) {
    PlayRow(1);
    TfrmAudioPlay* window = Window();
    ASSERT_TRUE(window);
    tap.Attach(window->Player());
    ASSERT_TRUE(RunUntil([&] { return Caption() == "Play"; }));
    auto* slider = Control<QSlider>("TrackBar");
    EXPECT_EQ(slider->maximum(), 2);
    EXPECT_EQ(slider->value(), 2);
    EXPECT_EQ(TimeLabel(), "00:00:02");
    EXPECT_NE(window->Player().Mode(), PlayerMode::Playing);
    EXPECT_FALSE(Control<QTimer>("TimerPlay")->isActive());

    tap.runs.clear();
    QTest::mouseClick(Control<QPushButton>("btnPlay"), Qt::LeftButton);
    EXPECT_EQ(Caption(), "Stop");
    ASSERT_TRUE(RunUntil([&] { return tap.Bytes() > 0; }));
    EXPECT_EQ(tap.runs[0].firstSample, FrameSample(18818)) << "the track starts over";
    window->close();
    EXPECT_NE(window->Player().Mode(), PlayerMode::Playing) << "closing the window stops it";
}

TEST_F(AudioPlayWindow, PlayOnAnotherRowReplacesTheWindowInItsPlace) {
    PlayRow(0);
    QPointer<TfrmAudioPlay> first = Window();
    ASSERT_TRUE(first);
    first->move(150, 90);
    const QPoint place = first->pos();
    PlayRow(2);
    EXPECT_TRUE(first.isNull()) << "the old window is gone";
    ASSERT_EQ(windows->main->findChildren<TfrmAudioPlay*>().size(), 1);
    TfrmAudioPlay* second = Window();
    EXPECT_EQ(second->pos(), place);
    EXPECT_EQ(Control<QLabel>("lblPlayName")->text(), "Track03.cda");
    EXPECT_EQ(second->Player().Mode(), PlayerMode::Playing);
    EXPECT_EQ(second->Player().OpenedTrack(), 3);
}

TEST_F(AudioPlayWindow, DraggingWhilePausedMovesThePositionAndTheLabelFollowsTheTick) {
    PlayRow(0);
    TfrmAudioPlay* window = Window();
    ASSERT_TRUE(window);
    window->show();
    QTest::mouseClick(Control<QPushButton>("btnPlay"), Qt::LeftButton);
    ASSERT_EQ(window->Player().Mode(), PlayerMode::Paused);
    const QString before = TimeLabel();
    auto* slider = Control<QSlider>("TrackBar");
    const int thumb = slider->style()->pixelMetric(QStyle::PM_SliderLength, nullptr, slider);
    auto valueAt = [&](int x) { return (thumb + x) * slider->maximum() / slider->width(); };

    const int y = slider->height() / 2;
    QTest::mousePress(slider, Qt::LeftButton, {}, QPoint(slider->width() / 4, y));
    QMouseEvent move(QEvent::MouseMove, QPointF(slider->width() / 2, y),
                     slider->mapToGlobal(QPointF(slider->width() / 2, y)), Qt::NoButton,
                     Qt::LeftButton, Qt::NoModifier);
    QCoreApplication::sendEvent(slider, &move);
    QTest::mouseRelease(slider, Qt::LeftButton, {}, QPoint(slider->width() / 2, y));
    const int value = valueAt(slider->width() / 2);
    ASSERT_GT(value, 0);
    EXPECT_EQ(slider->value(), value);
    EXPECT_NE(window->Player().Mode(), PlayerMode::Playing) << "seeking while paused plays nothing";
    EXPECT_EQ(Caption(), "Play");
    EXPECT_EQ(window->Player().Position(), window->Player().StartPosition() + value * 1000);
    EXPECT_EQ(TimeLabel(), before) << "the label waits for the timer";
    ASSERT_TRUE(RunUntil([&] { return TimeLabel() == core::SecondsToTimeText(value); }));
    EXPECT_NE(window->Player().Mode(), PlayerMode::Playing);

    // Releasing ended the drag: moving the mouse no longer seeks.
    QMouseEvent hover(QEvent::MouseMove, QPointF(2, y), slider->mapToGlobal(QPointF(2, y)),
                      Qt::NoButton, Qt::NoButton, Qt::NoModifier);
    QCoreApplication::sendEvent(slider, &hover);
    EXPECT_EQ(slider->value(), value);

    tap.Attach(window->Player());
    QTest::mouseClick(Control<QPushButton>("btnPlay"), Qt::LeftButton);
    ASSERT_TRUE(RunUntil([&] { return tap.Bytes() > 0; }));
    EXPECT_EQ(tap.runs[0].firstSample, FrameSample(std::int64_t{value} * 75));
}

TEST_F(AudioPlayWindow, AMissingTrackFileLeavesTheButtonDisabledWithoutAMessage) {
    ASSERT_TRUE(windows->main->DVDEngine().FindDevice('D')->Eject());
    PlayRow(1);
    TfrmAudioPlay* window = Window();
    ASSERT_TRUE(window);
    EXPECT_TRUE(window->isVisible());
    EXPECT_FALSE(window->Ready());
    EXPECT_FALSE(Control<QPushButton>("btnPlay")->isEnabled());
    EXPECT_EQ(window->Player().Mode(), PlayerMode::NotReady);
    EXPECT_TRUE(prompts.Boxes().empty());
}

TEST_F(AudioPlayWindow, AnOpenErrorIsShownInABoxAndTheProgramGoesOn) {
    // The disc's track files are listed, but libcdio cannot read its cue sheet.
    const std::string cue = testsupport::readFile(disc.Cue());
    testsupport::writeFile(disc.Cue(), "FILE \"disc.bin\" BINARY\nTRACK 01 NONSENSE\n");
    PlayRow(0);
    ASSERT_EQ(prompts.Boxes().size(), 1u);
    EXPECT_EQ(prompts.Boxes()[0].caption, "Error");
    EXPECT_TRUE(prompts.Boxes()[0].text.contains("cannot be opened"))
        << prompts.Boxes()[0].text.toStdString();
    ASSERT_TRUE(Window());
    EXPECT_FALSE(Control<QPushButton>("btnPlay")->isEnabled());
    // The program goes on: with the sheet mended, the next Play plays.
    testsupport::writeFile(disc.Cue(), cue);
    PlayRow(1);
    EXPECT_EQ(prompts.Boxes().size(), 1u);
    EXPECT_EQ(Window()->Player().Mode(), PlayerMode::Playing);
}

TEST_F(AudioPlayWindow, AReadErrorWhilePlayingTurnsTheButtonBackToPlay) {
    PlayRow(0);
    ASSERT_TRUE(Window());
    // The image loses all but its first 100 sectors while the first track plays.
    fs::resize_file(disc.Bin(), std::uintmax_t{100} * 2352);
    EXPECT_EQ(Caption(), "Stop");
    ASSERT_TRUE(RunUntil([&] { return Caption() == "Play"; }));
    EXPECT_NE(Window()->Player().Mode(), PlayerMode::Playing);
    EXPECT_FALSE(Control<QTimer>("TimerPlay")->isActive());
    EXPECT_TRUE(Control<QPushButton>("btnPlay")->isEnabled());
    EXPECT_TRUE(app::MemoLines(windows->log->Memo()).join('\n').contains("cannot be read"));
}

} // namespace
