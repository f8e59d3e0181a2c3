#pragma once

#include <QDialog>
#include <functional>

class QLabel;
class QProgressBar;
class QPushButton;
class TfrmLog;
namespace app {
class Shell;
}

// The floating progress window every long job drives: speed, used and remaining time, the
// status line, the progress bar, Show Log and Cancel.
class TfrmProgress : public QDialog {
    Q_OBJECT

public:
    // `shell` tells whether a job runs: the window cannot be closed while one does.
    TfrmProgress(TfrmLog* log, const app::Shell* shell, QWidget* parent = nullptr);

    void ApplyLanguage();
    // Resets the speed and time lines (also run whenever the window is shown).
    void FormShow();
    // One tick of the main window's used-time timer with the new elapsed seconds.
    void TimerUsedTimer(long long elapsedSeconds);

    // A job points Cancel at its own cancel; the window's own handling does not come back.
    void SetCancelHandler(std::function<void()> handler) { cancelHandler_ = std::move(handler); }
    void btnCancelClick();
    void btnShowLogClick();

    void SetProgress(int percent);
    int Progress() const;
    void SetStatusText(const QString& text);
    void SetSpeedText(const QString& text);
    void SetUsedTimeText(long long seconds);

protected:
    void showEvent(QShowEvent* event) override;
    void closeEvent(QCloseEvent* event) override;
    void reject() override;

private:
    TfrmLog* log_;
    const app::Shell* shell_;
    std::function<void()> cancelHandler_;
    QLabel* lblCurrentSpeed;
    QLabel* lblUsedTime;
    QLabel* lblRemaining;
    QLabel* lblStatus;
    QProgressBar* ProgressBar;
    QPushButton* btnShowLog;
    QPushButton* btnCancel;
};
