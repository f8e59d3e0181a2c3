#include "preview/TfrmAudioPlay.h"

#include "core/MultiLanguages.h"
#include "core/TimeText.h"
#include "ui/Named.h"
#include "ui/Prompts.h"

#include <QCloseEvent>
#include <QGridLayout>
#include <QLabel>
#include <QMouseEvent>
#include <QPushButton>
#include <QShowEvent>
#include <QSlider>
#include <QStyle>

#include <algorithm>

using MultiLanguages::Text;
using preview::PlayerError;
using preview::PlayerMode;

TfrmAudioPlay::TfrmAudioPlay(QWidget* parent, FileCheck fileExists, LogLine log)
    : QWidget(parent, Qt::Window | Qt::WindowStaysOnTopHint | Qt::CustomizeWindowHint |
                          Qt::WindowTitleHint | Qt::WindowCloseButtonHint),
      fileExists_(std::move(fileExists)), log_(std::move(log)) {
    setObjectName(QStringLiteral("frmAudioPlay"));
    setAttribute(Qt::WA_DeleteOnClose, false);
    setFixedSize(320, 112);
    MediaPlayer = new preview::CdAudioPlayer(this);
    MediaPlayer->setObjectName(QStringLiteral("MediaPlayer"));
    lblPlayTime = ui::Named<QLabel>(this, "lblPlayTime");
    lblPlayName = ui::Named<QLabel>(this, "lblPlayName");
    lblPlayName->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    TimerPlay = ui::Named<QTimer>(this, "TimerPlay");
    TimerPlay->setInterval(1000);
    TrackBar = ui::Named<QSlider>(this, "TrackBar");
    TrackBar->setOrientation(Qt::Horizontal);
    // The slider moves only by the mouse rules below; keys would move it without seeking.
    TrackBar->setFocusPolicy(Qt::NoFocus);
    TrackBar->installEventFilter(this);
    btnPlay = ui::Named<QPushButton>(this, "btnPlay");

    auto* g = new QGridLayout(this);
    g->setContentsMargins(12, 10, 12, 10);
    g->addWidget(lblPlayTime, 0, 0);
    g->addWidget(lblPlayName, 0, 1);
    g->addWidget(TrackBar, 1, 0, 1, 2);
    g->addWidget(btnPlay, 2, 0, 1, 2, Qt::AlignHCenter);

    connect(btnPlay, &QPushButton::clicked, this, &TfrmAudioPlay::btnPlayClick);
    connect(TimerPlay, &QTimer::timeout, this, &TfrmAudioPlay::TimerPlayTimer);
    connect(MediaPlayer, &preview::CdAudioPlayer::PlaybackFailed, this,
            &TfrmAudioPlay::PlaybackFailed);
    connect(MediaPlayer, &preview::CdAudioPlayer::OutputChosen, this, [this](const QString& text) {
        if (log_)
            log_(text);
    });
    FormCreate();
    ApplyLanguage();
}

TfrmAudioPlay::~TfrmAudioPlay() {
    FormDestroy();
}

void TfrmAudioPlay::FormCreate() {
    ready_ = false;
    trackNumber_ = -1;
    dragging_ = false;
}

void TfrmAudioPlay::ApplyLanguage() {
    setWindowTitle(Text(IDS_AudioPlay_Title));
    const bool playing = MediaPlayer->Mode() == PlayerMode::Playing;
    btnPlay->setText(Text(playing ? IDS_READCD_MENU_STOP : IDS_READCD_MENU_PLAY));
}

void TfrmAudioPlay::SetTrack(const QString& fileName, int trackNumber) {
    fileName_ = fileName;
    trackNumber_ = trackNumber;
}

void TfrmAudioPlay::showEvent(QShowEvent* event) {
    QWidget::showEvent(event);
    // A window brought back from the task bar keeps its track; only a real show loads it.
    if (!event->spontaneous())
        FormShow();
}

void TfrmAudioPlay::FormShow() {
    if (!fileExists_ || !fileExists_(fileName_)) {
        ready_ = false;
        btnPlay->setEnabled(false);
        return;
    }
    const PlayerMode mode = MediaPlayer->Mode();
    if (mode == PlayerMode::Playing || mode == PlayerMode::Paused)
        MediaPlayer->Stop();
    try {
        MediaPlayer->Open(fileName_);
        MediaPlayer->SetTimeFormat(preview::TimeFormat::Milliseconds);
        TimerPlay->start();
        if (trackNumber_ <= 0)
            trackNumber_ = 1;
        MediaPlayer->SetStartPosition(MediaPlayer->TrackPosition(trackNumber_));
        const auto seconds = MediaPlayer->TrackLength(trackNumber_) / 1000;
        TrackBar->setRange(0, static_cast<int>(std::min<std::int64_t>(seconds, INT_MAX)));
        TrackBar->setValue(0);
    } catch (const PlayerError& e) {
        // The player's own text tells the user what is wrong; the program goes on.
        TimerPlay->stop();
        MediaPlayer->Close();
        ready_ = false;
        btnPlay->setEnabled(false);
        ErrorBox(QString::fromStdString(e.what()));
        return;
    }
    lblPlayTime->setText(core::SecondsToTimeText(0));
    const int slash = std::max(fileName_.lastIndexOf('\\'), fileName_.lastIndexOf('/'));
    lblPlayName->setText(fileName_.mid(slash + 1));
    ready_ = true;
    btnPlay->setEnabled(true);
}

void TfrmAudioPlay::btnPlayClick() {
    if (!ready_)
        return;
    if (MediaPlayer->Mode() == PlayerMode::Playing) {
        TimerPlay->stop();
        MediaPlayer->Pause();
        btnPlay->setText(Text(IDS_READCD_MENU_PLAY));
        return;
    }
    try {
        if (TrackBar->value() == TrackBar->maximum())
            MediaPlayer->SetStartPosition(MediaPlayer->TrackPosition(trackNumber_));
        TimerPlay->start();
        MediaPlayer->Play();
        btnPlay->setText(Text(IDS_READCD_MENU_STOP));
    } catch (const PlayerError& e) {
        TimerPlay->stop();
        ErrorBox(QString::fromStdString(e.what()));
    }
}

void TfrmAudioPlay::TimerPlayTimer() {
    const std::int64_t elapsed = (MediaPlayer->Position() - MediaPlayer->StartPosition()) / 1000;
    TrackBar->setValue(static_cast<int>(std::clamp<std::int64_t>(elapsed, 0, INT_MAX)));
    if (TrackBar->value() >= TrackBar->maximum()) {
        TrackBar->setValue(TrackBar->maximum());
        TimerPlay->stop();
        MediaPlayer->Stop();
        btnPlay->setText(Text(IDS_READCD_MENU_PLAY));
    }
    lblPlayTime->setText(core::SecondsToTimeText(TrackBar->value()));
}

bool TfrmAudioPlay::eventFilter(QObject* watched, QEvent* event) {
    if (watched != TrackBar)
        return QWidget::eventFilter(watched, event);
    // The slider's own mouse handling (paging, dragging the thumb) is replaced by ours.
    switch (event->type()) {
    case QEvent::MouseButtonPress:
    case QEvent::MouseButtonDblClick:
        if (static_cast<QMouseEvent*>(event)->button() == Qt::LeftButton)
            TrackBarMouseDown(static_cast<int>(static_cast<QMouseEvent*>(event)->position().x()));
        return true;
    case QEvent::MouseMove:
        TrackBarMouseMove(static_cast<int>(static_cast<QMouseEvent*>(event)->position().x()));
        return true;
    case QEvent::MouseButtonRelease:
        TrackBarMouseUp();
        return true;
    default:
        return QWidget::eventFilter(watched, event);
    }
}

void TfrmAudioPlay::TrackBarMouseDown(int x) {
    dragging_ = true;
    SeekTo(x);
}

void TfrmAudioPlay::TrackBarMouseMove(int x) {
    if (dragging_)
        SeekTo(x);
}

void TfrmAudioPlay::TrackBarMouseUp() {
    dragging_ = false;
}

void TfrmAudioPlay::SeekTo(int x) {
    const int thumb = TrackBar->style()->pixelMetric(QStyle::PM_SliderLength, nullptr, TrackBar);
    const int width = std::max(TrackBar->width(), 1);
    const std::int64_t max = TrackBar->maximum();
    // A pointer left of the slider means its start, not a negative second.
    const std::int64_t value =
        std::clamp<std::int64_t>((std::int64_t{thumb} + x) * max / width, 0, max);
    TrackBar->setValue(static_cast<int>(value));
    if (!ready_)
        return;
    modeBeforeSeek_ = MediaPlayer->Mode();
    TimerPlay->stop();
    try {
        MediaPlayer->Stop();
        MediaPlayer->Seek(value * 1000 + MediaPlayer->StartPosition());
        if (modeBeforeSeek_ == PlayerMode::Playing)
            MediaPlayer->Play();
    } catch (const PlayerError& e) {
        btnPlay->setText(Text(IDS_READCD_MENU_PLAY));
        ErrorBox(QString::fromStdString(e.what()));
        return;
    }
    TimerPlay->start();
}

void TfrmAudioPlay::PlaybackFailed(const QString& message) {
    // A bad sector or a disc taken out ends playing; the window stays usable.
    TimerPlay->stop();
    btnPlay->setText(Text(IDS_READCD_MENU_PLAY));
    if (log_)
        log_(message);
}

void TfrmAudioPlay::closeEvent(QCloseEvent* event) {
    FormClose();
    QWidget::closeEvent(event);
}

void TfrmAudioPlay::FormClose() {
    TimerPlay->stop();
    MediaPlayer->Stop();
    btnPlay->setText(Text(IDS_READCD_MENU_PLAY));
}

void TfrmAudioPlay::FormDestroy() {
    TimerPlay->stop();
    MediaPlayer->Stop();
    MediaPlayer->Close();
}

void TfrmAudioPlay::ErrorBox(const QString& text) {
    ui::Prompts().MessageBox(this, Text(IDS_MSG_Error), text, ui::MsgIcon::Error,
                             ui::MsgButtons::OK);
}
