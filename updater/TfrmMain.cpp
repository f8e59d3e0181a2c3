#include "updater/TfrmMain.h"

#include "platform/Processes.h"
#include "ui/Prompts.h"
#include "updater/UpdateTexts.h"

#include <QCloseEvent>
#include <QCoreApplication>
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <QThread>

#include <chrono>
#include <filesystem>

using updater::Text;

TfrmMain::TfrmMain(UpdaterSetup setup, QWidget* parent)
    : QWidget(parent), setup_(std::move(setup)),
      updater_(std::make_unique<update::TUpdater>(setup_.trustedKey, setup_.productName)) {
    setObjectName(QStringLiteral("frmMain"));
    setWindowFlags(Qt::Window | Qt::MSWindowsFixedSizeDialogHint | Qt::WindowTitleHint |
                   Qt::WindowSystemMenuHint | Qt::WindowMinimizeButtonHint |
                   Qt::WindowCloseButtonHint);
    setFixedSize(543, 143);

    lblStatus = new QLabel(this);
    lblStatus->setObjectName(QStringLiteral("lblStatus"));
    lblStatus->setGeometry(16, 12, 511, 36);
    lblStatus->setWordWrap(true);

    lblResetupURL = new QLabel(this);
    lblResetupURL->setObjectName(QStringLiteral("lblResetupURL"));
    lblResetupURL->setGeometry(16, 50, 511, 18);
    lblResetupURL->setStyleSheet(QStringLiteral("color: blue; text-decoration: underline;"));
    lblResetupURL->setCursor(Qt::PointingHandCursor);
    lblResetupURL->hide();

    prgOperating = new QProgressBar(this);
    prgOperating->setObjectName(QStringLiteral("prgOperating"));
    prgOperating->setRange(0, 100);
    prgOperating->setValue(0);
    prgOperating->setGeometry(16, 72, 511, 18);

    lblOperatingStatus = new QLabel(this);
    lblOperatingStatus->setObjectName(QStringLiteral("lblOperatingStatus"));
    lblOperatingStatus->setGeometry(16, 94, 300, 18);
    lblOperatingStatus->hide();

    btnStart = new QPushButton(this);
    btnStart->setObjectName(QStringLiteral("btnStart"));
    btnStart->setGeometry(356, 108, 80, 26);
    btnStop = new QPushButton(this);
    btnStop->setObjectName(QStringLiteral("btnStop"));
    btnStop->setGeometry(446, 108, 80, 26);
    connect(btnStart, &QPushButton::clicked, this, [this] { btnStartClick(); });
    connect(btnStop, &QPushButton::clicked, this, [this] { btnStopClick(); });

    // The component reports on its own thread; each event is handled on this window's thread,
    // and events of a job stopped in the meantime are dropped.
    updater_->OnUpdating = [this](const update::UpdateEvent& event) {
        QMetaObject::invokeMethod(
            this,
            [this, event] {
                if (updater_ && event.Job == updater_->CurrentJob())
                    UpdaterUpdating(event);
            },
            Qt::QueuedConnection);
    };
}

TfrmMain::~TfrmMain() {
    // The worker ends before the window it reports to.
    updater_.reset();
}

void TfrmMain::SetComponentProperties() {
    updater_->AppDir = setup_.programDir;
    updater_->CurVer = setup_.installedVersion;
    updater_->UpdateUrl = setup_.updateUrl;
}

bool TfrmMain::FormCreate() {
    if (setup_.argument.isEmpty())
        return false;
    const QString caption =
        QString::fromStdString(setup_.productName) + QChar(' ') + Text(IDS_UPDATE_Title);
    setWindowTitle(caption);
    QCoreApplication::setApplicationName(caption);
    SetComponentProperties();
    btnStart->setText(Text(IDS_UPDATE_BUTTON_Start));
    btnStop->setText(Text(IDS_UPDATE_BUTTON_Stop));
    btnStart->setEnabled(false);
    lblStatus->clear();
    lblResetupURL->clear();
    lblOperatingStatus->clear();
    restart_ = false;
    updater_->CheckForUpdate();
    return true;
}

void TfrmMain::btnStartClick() {
    SetComponentProperties();
    updater_->CheckForUpdate();
    btnStop->setEnabled(true);
    btnStart->setEnabled(false);
}

void TfrmMain::btnStopClick() {
    updater_->StopUpdate();
    btnStop->setEnabled(false);
    btnStart->setEnabled(true);
    lblOperatingStatus->hide();
    prgOperating->setValue(0);
    lblStatus->setText(Text(IDS_UPDATE_STATUS_Stop));
}

QString TfrmMain::DownloadFigures(std::uint64_t received, std::uint64_t total,
                                  std::uint64_t bytesPerSecond) {
    return QString::asprintf("%.2f kb/ %.2f kb, %.2f kb/s", static_cast<double>(received) / 1024.0,
                             static_cast<double>(total) / 1024.0,
                             static_cast<double>(bytesPerSecond) / 1024.0);
}

void TfrmMain::Progress(std::uint64_t done, std::uint64_t total) {
    if (total == 0)
        return;
    prgOperating->setValue(static_cast<int>(std::min<std::uint64_t>(done * 100 / total, 100)));
}

void TfrmMain::ShowError(const QString& text, std::uint64_t code) {
    const QString status = QString(Text(IDS_UPDATE_STATUS_Error))
                               .replace(QStringLiteral("%s"), text)
                               .replace(QStringLiteral("%d"), QString::number(code));
    lblStatus->setText(status);
    ui::Prompts().MessageBox(this, QString(), status, ui::MsgIcon::Error, ui::MsgButtons::OK);
    btnStop->setEnabled(false);
    btnStart->setEnabled(true);
}

bool TfrmMain::CloseMainProgram(QString& error) {
    const std::filesystem::path program =
        std::filesystem::path(setup_.programDir) /
        std::filesystem::path(setup_.argument.toStdString()).filename();
    auto running = platform::ProcessesRunning(program);
    for (const pid_t pid : running)
        platform::AskToClose(pid);
    const auto deadline =
        std::chrono::steady_clock::now() + std::chrono::milliseconds(setup_.closeWaitMs);
    while (!running.empty()) {
        std::erase_if(running, [](pid_t pid) { return !platform::IsRunning(pid); });
        if (running.empty() || std::chrono::steady_clock::now() >= deadline)
            break;
        QCoreApplication::processEvents();
        QThread::msleep(50);
    }
    if (running.empty())
        return true;
    error = QStringLiteral("%1 is still running (it may be writing a disc). Close it, then press "
                           "Start to try again")
                .arg(QString::fromStdString(setup_.productName));
    return false;
}

void TfrmMain::UpdaterUpdating(const update::UpdateEvent& e) {
    switch (e.State) {
    case update::StateChecking:
        lblStatus->setText(Text(IDS_UPDATE_STATUS_Checking));
        lblResetupURL->hide();
        lblOperatingStatus->hide();
        break;
    case update::StateChecked:
        lblResetupURL->hide();
        lblOperatingStatus->hide();
        if (e.Flag) {
            newVersion_ = QString::fromStdString(e.Text);
            lblStatus->setText(
                QString(Text(IDS_UPDATE_STATUS_Found)).replace(QStringLiteral("%s"), newVersion_));
            const QString question =
                QString(Text(IDS_UPDATE_MSG_Update)).replace(QStringLiteral("%s"), newVersion_);
            if (ui::Prompts().MessageBox(this, QString(), question, ui::MsgIcon::Question,
                                         ui::MsgButtons::YesNo) == ui::MsgResult::Yes) {
                // Nothing is downloaded while the program to be replaced still runs.
                QString error;
                if (!CloseMainProgram(error)) {
                    updater_->StopUpdate();
                    ShowError(error, update::ErrBusy);
                    return;
                }
                restart_ = true;
                updater_->DownloadUpdate();
            } else {
                updater_->StopUpdate();
                btnStart->setEnabled(true);
                btnStop->setEnabled(false);
            }
        } else {
            lblStatus->setText(Text(IDS_UPDATE_STATUS_Newest));
        }
        break;
    case update::StateDownloading:
        lblResetupURL->hide();
        lblOperatingStatus->show();
        lblStatus->setText(Text(IDS_UPDATE_STATUS_Downloading));
        Progress(e.Value1, e.Value2);
        lblOperatingStatus->setText(DownloadFigures(e.Value1, e.Value2, e.Value3));
        break;
    case update::StateUnpacking:
        lblResetupURL->hide();
        lblOperatingStatus->hide();
        lblStatus->setText(Text(IDS_UPDATE_STATUS_Unzipping) + QChar(' ') +
                           QString::fromStdString(e.Text));
        Progress(e.Value1, e.Value2);
        break;
    case update::StateInstalled:
        btnStop->setEnabled(false);
        btnStart->setEnabled(true);
        setup_.installedVersion = newVersion_.toStdString();
        update::RecordInstalledVersion(setup_.programDir, setup_.installedVersion);
        lblStatus->setText(Text(IDS_UPDATE_STATUS_Success));
        ui::Prompts().MessageBox(this, QString(), Text(IDS_UPDATE_STATUS_Success),
                                 ui::MsgIcon::None, ui::MsgButtons::OK);
        break;
    case update::StateReinstall:
        lblOperatingStatus->hide();
        lblStatus->setText(Text(IDS_UPDATE_STATUS_Resetup));
        lblResetupURL->setText(QString::fromStdString(e.Text));
        lblResetupURL->show();
        break;
    case update::StateError:
        ShowError(QString::fromStdString(e.Text), e.Value3);
        break;
    default:
        break;
    }
}

void TfrmMain::FormClose() {
    if (!restart_)
        return;
    restart_ = false;
    const std::filesystem::path program =
        std::filesystem::path(setup_.programDir) /
        std::filesystem::path(setup_.argument.toStdString()).filename();
    ui::Prompts().StartProgram(QString::fromStdString(program.string()), QString());
}

void TfrmMain::closeEvent(QCloseEvent* event) {
    updater_->StopUpdate();
    // The main program starts only once no install is under way.
    updater_->WaitUntilIdle();
    FormClose();
    event->accept();
}
