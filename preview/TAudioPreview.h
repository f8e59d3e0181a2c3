#pragma once

#include <QObject>
#include <QPointer>
#include <QString>

class TfrmAudioPlay;
class QWidget;
namespace app {
class Shell;
}

// The main window's preview: "Play" on a row of the Read CD page opens the track in the
// "Audio Play" window. One window at a time; a new one takes the old one's place on screen.
class TAudioPreview : public QObject {
    Q_OBJECT

public:
    // `mainWindow` owns the preview windows; `shell` gives the read drive and the log.
    TAudioPreview(app::Shell& shell, QWidget* mainWindow);
    ~TAudioPreview() override;

    // Opens the preview for the Read CD page's row `row` (0-based).
    void mniRead_PlayClick(int row);
    TfrmAudioPlay* Current() const;

    // "X:\TrackNN.cda" exists on the drive's disc (through the engine's volume layer), or a
    // native file exists.
    bool TrackFileExists(const QString& fileName) const;

private:
    void Log(const QString& text) const;

    app::Shell& shell_;
    QWidget* mainWindow_;
    QPointer<TfrmAudioPlay> current_;
};
