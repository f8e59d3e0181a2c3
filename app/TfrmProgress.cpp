#include "app/TfrmProgress.h"
#include "ui/Named.h"

#include "app/Shell.h"

#include "app/TfrmLog.h"
#include "core/MultiLanguages.h"
#include "core/TimeText.h"
#include "core/globals.h"
#include "ui/Prompts.h"
#include "ui/TextFormat.h"

#include <QCloseEvent>
#include <QHBoxLayout>
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <QVBoxLayout>

using MultiLanguages::Text;

TfrmProgress::TfrmProgress(TfrmLog* log, const app::Shell* shell, QWidget* parent)
    : QDialog(parent, Qt::Tool | Qt::WindowStaysOnTopHint | Qt::WindowTitleHint |
                          Qt::WindowCloseButtonHint),
      log_(log), shell_(shell) {
    setObjectName(QStringLiteral("frmProgress"));
    setFixedSize(393, 112);
    auto label = [this](const char* name) { return ui::Named<QLabel>(this, name); };
    lblCurrentSpeed = label("lblCurrentSpeed");
    lblUsedTime = label("lblUsedTime");
    lblRemaining = label("lblRemaining");
    lblStatus = label("lblStatus");
    ProgressBar = ui::Named<QProgressBar>(this, "ProgressBar");
    ProgressBar->setRange(0, 100);
    ProgressBar->setValue(0);
    btnShowLog = ui::Named<QPushButton>(this, "btnShowLog");
    btnCancel = ui::Named<QPushButton>(this, "btnCancel");
    for (QPushButton* b : {btnShowLog, btnCancel}) {
        b->setAutoDefault(false);
        b->setMinimumWidth(92);
        b->setFixedHeight(24);
    }
    lblStatus->setTextFormat(Qt::PlainText);
    // A long status line is cut at the window's edge (its whole text is the tool tip) instead of
    // pushing the fixed window's layout apart.
    lblStatus->setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Preferred);
    ProgressBar->setFixedHeight(18);

    // Top to bottom: the three time and speed lines beside the two buttons, the status line,
    // the bar. The buttons keep to their own column so the lines keep their natural height.
    auto* lines = new QVBoxLayout;
    lines->setSpacing(0);
    for (QLabel* l : {lblCurrentSpeed, lblUsedTime, lblRemaining})
        lines->addWidget(l);
    auto* buttons = new QVBoxLayout;
    buttons->setSpacing(3);
    buttons->addWidget(btnShowLog);
    buttons->addWidget(btnCancel);
    auto* top = new QHBoxLayout;
    top->addLayout(lines, 1);
    top->addLayout(buttons);
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(10, 7, 10, 8);
    layout->setSpacing(0);
    layout->addLayout(top);
    layout->addSpacing(5);
    layout->addWidget(lblStatus);
    layout->addSpacing(3);
    layout->addWidget(ProgressBar);
    layout->addStretch();

    connect(btnShowLog, &QPushButton::clicked, this, &TfrmProgress::btnShowLogClick);
    connect(btnCancel, &QPushButton::clicked, this, &TfrmProgress::btnCancelClick);
    ApplyLanguage();
    FormShow();
}

void TfrmProgress::ApplyLanguage() {
    setWindowTitle(Text(IDS_FRMPROGRESS_TITLE));
    btnShowLog->setText(Text(IDS_MAIN_HELP_ShowLog));
    btnCancel->setText(Text(IDS_READCD_BUTTON_Cancel));
}

void TfrmProgress::FormShow() {
    lblCurrentSpeed->setText(ui::FormatText(Text(IDS_LABEL_Status_CurrentReadSpeed), {0LL}));
    SetUsedTimeText(0);
    lblRemaining->setText(ui::FormatText(Text(IDS_LABEL_Remaining), {core::SecondsToTimeText(0)}));
}

void TfrmProgress::SetUsedTimeText(long long seconds) {
    lblUsedTime->setText(
        ui::FormatText(Text(IDS_LABEL_UsedTime), {core::SecondsToTimeText(seconds)}));
}

void TfrmProgress::TimerUsedTimer(long long elapsedSeconds) {
    SetUsedTimeText(elapsedSeconds);
    const long long remaining = core::RemainingSeconds(elapsedSeconds, ProgressBar->value());
    if (remaining >= 0) {
        lblRemaining->setText(
            ui::FormatText(Text(IDS_LABEL_Remaining), {core::SecondsToTimeText(remaining)}));
        lblRemaining->repaint();
    }
}

void TfrmProgress::btnCancelClick() {
    if (cancelHandler_) {
        cancelHandler_();
        return;
    }
    if (ui::Prompts().MessageBox(this, Text(IDS_FRMPROGRESS_TITLE),
                                 Text(IDS_FRMPROGRESS_CANCELPROGRESSSHOW), ui::MsgIcon::Question,
                                 ui::MsgButtons::OKCancel) == ui::MsgResult::OK)
        hide();
}

void TfrmProgress::btnShowLogClick() {
    if (!log_)
        return;
    log_->show();
    log_->raise();
    log_->activateWindow();
}

void TfrmProgress::SetProgress(int percent) {
    ProgressBar->setValue(std::clamp(percent, 0, 100));
}

int TfrmProgress::Progress() const {
    return ProgressBar->value();
}

void TfrmProgress::SetStatusText(const QString& text) {
    lblStatus->setText(text);
    lblStatus->setToolTip(text);
    lblStatus->repaint();
}

void TfrmProgress::SetSpeedText(const QString& text) {
    lblCurrentSpeed->setText(text);
}

void TfrmProgress::showEvent(QShowEvent* event) {
    FormShow();
    QDialog::showEvent(event);
}

void TfrmProgress::closeEvent(QCloseEvent* event) {
    // The close button does nothing while a job runs.
    if (shell_ && !shell_->Idle()) {
        event->ignore();
        return;
    }
    QDialog::closeEvent(event);
}

void TfrmProgress::reject() {
    if (!shell_ || shell_->Idle())
        QDialog::reject();
}
