#pragma once

#include "preview/CdAudioPlayer.h"

#include <QTimer>
#include <QWidget>

#include <functional>

class QLabel;
class QPushButton;
class QSlider;

// The small always-on-top "Audio Play" window: plays one track of the audio CD, shows the
// elapsed time and the track's file name, a Play/Stop button and a slider to move in the track.
class TfrmAudioPlay : public QWidget {
    Q_OBJECT

public:
    // Whether a file ("X:\Track03.cda" or a native path) exists; a missing one leaves the
    // window with its button disabled.
    using FileCheck = std::function<bool(const QString& fileName)>;
    // Writes one line to the program's log.
    using LogLine = std::function<void(const QString& text)>;

    TfrmAudioPlay(QWidget* parent, FileCheck fileExists, LogLine log = {});
    ~TfrmAudioPlay() override;

    // The track to play, set before the window is shown: its file and 1-based number.
    void SetTrack(const QString& fileName, int trackNumber);
    void ApplyLanguage();
    bool Ready() const { return ready_; }
    preview::CdAudioPlayer& Player() { return *MediaPlayer; }

    void FormCreate();
    void FormShow();
    void btnPlayClick();
    void TimerPlayTimer();
    // `x` is the pointer's position in the slider.
    void TrackBarMouseDown(int x);
    void TrackBarMouseMove(int x);
    void TrackBarMouseUp();
    void FormClose();
    void FormDestroy();

protected:
    void showEvent(QShowEvent* event) override;
    void closeEvent(QCloseEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void SeekTo(int x);
    void PlaybackFailed(const QString& message);
    void ErrorBox(const QString& text);

    FileCheck fileExists_;
    LogLine log_;
    preview::CdAudioPlayer* MediaPlayer;
    QLabel* lblPlayTime;
    QLabel* lblPlayName;
    QTimer* TimerPlay;
    QSlider* TrackBar;
    QPushButton* btnPlay;
    QString fileName_;
    int trackNumber_ = -1;
    bool ready_ = false;
    bool dragging_ = false;
    preview::PlayerMode modeBeforeSeek_ = preview::PlayerMode::NotReady;
};
