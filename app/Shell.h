#pragma once

#include <QObject>
#include <QString>
#include <QTimer>
#include <memory>

class QWidget;
class TDVDEngineX;
class TfrmLog;
class TfrmProgress;
class TfrmBurnOptions;
namespace discengine {
class IDeviceX;
}

namespace app {

// What the main window shares with its pages for the whole run: the engine, the windows jobs
// drive, the drive references, the used-time timer and the last status.
class Shell : public QObject {
    Q_OBJECT

public:
    explicit Shell(QWidget* window);

    // The main window: the parent of every box a page shows.
    QWidget* Window() const { return window_; }

    TDVDEngineX* Engine = nullptr;
    TfrmLog* Log = nullptr;
    TfrmProgress* Progress = nullptr;
    TfrmBurnOptions* BurnOptions = nullptr;

    std::shared_ptr<discengine::IDeviceX> ReadDevice;
    std::shared_ptr<discengine::IDeviceX> WriteDevice;
    std::shared_ptr<discengine::IDeviceX> EraseDevice;

    // One-second timer counting a job's elapsed seconds into the progress window.
    QTimer TimerUsed;
    long long ElapsedSeconds = 0;
    void TimerUsedTimer();
    // A job's start: elapsed 0, progress bar 0, used time 00:00:00.
    void StartJobClock();

    // Shows the status in the progress window and logs it unless it repeats the last one.
    void ShowStatus(const QString& text);
    const QString& LastStatus() const { return lastStatus_; }

    // The boxes the pages show, with the language table's captions.
    void ErrorBox(const QString& text) const;
    void WarningBox(const QString& text) const;
    void HintBox(const QString& text) const;

private:
    QWidget* window_;
    QString lastStatus_;
};

} // namespace app
