#include "app/Shell.h"

#include "app/LogLines.h"
#include "app/MultiLanguages.h"
#include "app/TfrmLog.h"
#include "app/TfrmProgress.h"
#include "app/globals.h"
#include "ui/Prompts.h"

namespace app {

Shell::Shell(QWidget* window) : window_(window) {
    TimerUsed.setObjectName(QStringLiteral("TimerUsed"));
    TimerUsed.setInterval(1000);
    connect(&TimerUsed, &QTimer::timeout, this, &Shell::TimerUsedTimer);
}

void Shell::TimerUsedTimer() {
    ++ElapsedSeconds;
    if (Progress)
        Progress->TimerUsedTimer(ElapsedSeconds);
}

void Shell::StartJobClock() {
    ElapsedSeconds = 0;
    if (Progress) {
        Progress->SetProgress(0);
        Progress->SetUsedTimeText(0);
    }
}

void Shell::ShowStatus(const QString& text) {
    if (Progress)
        Progress->SetStatusText(text);
    if (text == lastStatus_)
        return;
    lastStatus_ = text;
    if (Log)
        AddLogLine(Log->Memo(), globals::EnableLog, text);
}

void Shell::ErrorBox(const QString& text) const {
    ui::Prompts().MessageBox(window_, MultiLanguages::Text(IDS_MSG_Error), text, ui::MsgIcon::Error,
                             ui::MsgButtons::OK);
}

void Shell::WarningBox(const QString& text) const {
    ui::Prompts().MessageBox(window_, MultiLanguages::Text(IDS_MSG_Warning), text,
                             ui::MsgIcon::Warning, ui::MsgButtons::OK);
}

void Shell::HintBox(const QString& text) const {
    ui::Prompts().MessageBox(window_, MultiLanguages::Text(IDS_MSG_Hint), text,
                             ui::MsgIcon::Information, ui::MsgButtons::OK);
}

} // namespace app
