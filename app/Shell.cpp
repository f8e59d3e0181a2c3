#include "app/Shell.h"

#include "app/LogLines.h"
#include "app/TfrmLog.h"
#include "app/TfrmProgress.h"
#include "core/MultiLanguages.h"
#include "core/globals.h"
#include "engine/DVDEngineBinding.h"
#include "ui/Prompts.h"

namespace app {

Shell::Shell(QWidget* window) : window_(window) {
    TimerUsed.setObjectName(QStringLiteral("TimerUsed"));
    TimerUsed.setInterval(1000);
    connect(&TimerUsed, &QTimer::timeout, this, &Shell::TimerUsedTimer);
}

// A page takes only the events its jobs raise.
void EngineJobOwner::DVDEngineWriteStatus(std::int32_t, std::int32_t, std::int32_t, std::int32_t,
                                          std::int32_t, std::int32_t, std::int32_t, std::int32_t,
                                          std::int32_t, std::int32_t, bool&) {}
void EngineJobOwner::DVDEngineWriteError(std::int32_t, std::shared_ptr<discengine::IWriteErrorX>) {}
void EngineJobOwner::DVDEngineItemAdded(std::int32_t, std::shared_ptr<discengine::IDataItemX>) {}
void EngineJobOwner::DVDEngineTrackFileWarning(std::int32_t,
                                               std::shared_ptr<discengine::IFileErrorX>,
                                               std::int32_t, bool&) {}
void EngineJobOwner::DVDEngineTrackFileStatus(std::int32_t, std::int32_t, std::int32_t,
                                              std::int32_t, const QString&) {}
void EngineJobOwner::DVDEngineFileVerifyStart(std::int32_t, std::int32_t) {}
void EngineJobOwner::DVDEngineFileVerify(std::int32_t, std::shared_ptr<discengine::IDataItemX>,
                                         double, double, std::int32_t, std::int32_t, std::int32_t,
                                         bool&) {}
void EngineJobOwner::DVDEngineFileVerifyComplete(std::int32_t, std::int32_t, std::int32_t) {}
void EngineJobOwner::DVDEngineEraseStatus(std::int32_t, std::int32_t, std::int32_t) {}
void EngineJobOwner::DVDEngineEraseError(std::int32_t, std::shared_ptr<discengine::IDeviceErrorX>) {
}

void Shell::SetEngine(TDVDEngineX* engine) {
    if (engine_)
        disconnect(engine_, nullptr, this, nullptr);
    engine_ = engine;
    if (engine_)
        RouteEngineEvents();
}

void Shell::BeginEngineJob(EngineJobOwner* owner) {
    jobOwner_ = owner;
}

void Shell::EndEngineJob(EngineJobOwner* owner) {
    if (jobOwner_ == owner)
        jobOwner_ = nullptr;
}

// Direct connections: the binding emits on this thread and waits for the owner's answers.
template <typename Signal, typename Handler> void Shell::Route(Signal signal, Handler handler) {
    connect(engine_, signal, this, [this, handler](auto&&... args) {
        if (jobOwner_)
            (jobOwner_->*handler)(args...);
    });
}

void Shell::RouteEngineEvents() {
    Route(&TDVDEngineX::OnWriteStatus, &EngineJobOwner::DVDEngineWriteStatus);
    Route(&TDVDEngineX::OnWriteError, &EngineJobOwner::DVDEngineWriteError);
    Route(&TDVDEngineX::OnItemAdded, &EngineJobOwner::DVDEngineItemAdded);
    Route(&TDVDEngineX::OnTrackFileWarning, &EngineJobOwner::DVDEngineTrackFileWarning);
    Route(&TDVDEngineX::OnTrackFileStatus, &EngineJobOwner::DVDEngineTrackFileStatus);
    Route(&TDVDEngineX::OnFileVerifyStart, &EngineJobOwner::DVDEngineFileVerifyStart);
    Route(&TDVDEngineX::OnFileVerify, &EngineJobOwner::DVDEngineFileVerify);
    Route(&TDVDEngineX::OnFileVerifyComplete, &EngineJobOwner::DVDEngineFileVerifyComplete);
    Route(&TDVDEngineX::OnEraseStatus, &EngineJobOwner::DVDEngineEraseStatus);
    Route(&TDVDEngineX::OnEraseError, &EngineJobOwner::DVDEngineEraseError);
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
