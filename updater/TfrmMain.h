#pragma once

#include "update/TUpdater.h"

#include <QWidget>
#include <memory>
#include <string>

class QLabel;
class QProgressBar;
class QPushButton;

// Where an updater run takes its data from: the program folder, the main program's file name
// (the one argument), the installation's data and the key the update information must be
// signed with.
struct UpdaterSetup {
    std::string programDir;
    QString argument;
    std::string productName;
    std::string installedVersion;
    std::string updateUrl;
    update::PublicKey trustedKey{};
    // How long the main program gets to close after being asked.
    int closeWaitMs = 5000;
};

// The updater's window: checks at start, asks before updating, shows each state of the update.
class TfrmMain : public QWidget {
    Q_OBJECT
public:
    explicit TfrmMain(UpdaterSetup setup, QWidget* parent = nullptr);
    ~TfrmMain() override;

    // Start-up: false (and nothing checked) without a command-line argument.
    bool FormCreate();
    void btnStartClick();
    void btnStopClick();
    void UpdaterUpdating(const update::UpdateEvent& event);

    update::TUpdater& Updater() { return *updater_; }
    bool RestartPending() const { return restart_; }

    // The download figures in the window's format ("%.2f kb/ %.2f kb, %.2f kb/s").
    static QString DownloadFigures(std::uint64_t received, std::uint64_t total,
                                   std::uint64_t bytesPerSecond);

protected:
    void closeEvent(QCloseEvent* event) override;

private:
    void SetComponentProperties();
    void Progress(std::uint64_t done, std::uint64_t total);
    // Asks the running main program to close; false when an instance stays.
    bool CloseMainProgram(QString& error);
    void ShowError(const QString& text, std::uint64_t code);
    void FormClose();

    UpdaterSetup setup_;
    std::unique_ptr<update::TUpdater> updater_;
    bool restart_ = false;
    QString newVersion_;

    QLabel* lblStatus;
    QLabel* lblResetupURL;
    QProgressBar* prgOperating;
    QLabel* lblOperatingStatus;
    QPushButton* btnStart;
    QPushButton* btnStop;
};
