// Start, Cancel and the second phase of an image copy: the page's side of jobs::DiscCopy.
#include "copy/TCopyCDPage.h"

#include "app/TfrmProgress.h"
#include "core/MultiLanguages.h"
#include "core/globals.h"
#include "dialogs/TfrmBurnOptions.h"
#include "discengine/Errors.h"
#include "engine/DVDEngineBinding.h"
#include "engine/DiscReport.h"
#include "engine/DriveLists.h"
#include "jobs/DiscCopy.h"
#include "jobs/TCDGrabber.h"
#include "ui/Prompts.h"

#include <QCheckBox>
#include <QComboBox>
#include <QCoreApplication>

using MultiLanguages::Text;

// The job's view of the page: the progress window, the log, the boxes and the idle switch.
class TCopyCDPage::Host final : public jobs::ICopyHost {
public:
    explicit Host(TCopyCDPage& page) : page_(page) {}
    void ShowStatus(const QString& text) override { page_.shell_.ShowStatus(text); }
    void SetProgress(int percent) override {
        if (TfrmProgress* progress = page_.shell_.Progress)
            progress->SetProgress(percent);
    }
    void ProcessEvents() override { QCoreApplication::processEvents(); }
    void ErrorBox(const QString& text) override { page_.shell_.ErrorBox(text); }
    void HintBox(const QString& text) override { page_.shell_.HintBox(text); }
    bool AskOkCancel(const QString& text) override {
        return ui::Prompts().MessageBox(page_.shell_.Window(), Text(IDS_MSG_Hint), text,
                                        ui::MsgIcon::Information,
                                        ui::MsgButtons::OKCancel) == ui::MsgResult::OK;
    }
    void SetIdle(bool idle) override { page_.SetCopyPageIdle(idle); }
    void ShowProgress(bool shown) override {
        if (TfrmProgress* progress = page_.shell_.Progress)
            progress->setVisible(shown);
    }
    double UsedMB(discengine::IDeviceX& drive) override { return DiscUsedMB(drive); }
    double FreeMB(discengine::IDeviceX& drive) override { return DiscFreeMB(drive); }

private:
    TCopyCDPage& page_;
};

void TCopyCDPage::MakeHost() {
    host_ = std::make_unique<Host>(*this);
}

TCopyCDPage::~TCopyCDPage() {
    shell_.EndEngineJob(this);
}

void TCopyCDPage::actCopyCDStartExecute() {
    if (!copy_)
        return;
    try {
        if (!shell_.ReadDevice || !shell_.WriteDevice) {
            shell_.ErrorBox(
                Text(shell_.ReadDevice ? IDS_MAIN_MSG_NoWriteDevice : IDS_MAIN_MSG_NoReadDevice));
            return;
        }
        CloseTray(*shell_.ReadDevice);
        CloseTray(*shell_.WriteDevice);
        shell_.ReadDevice->Refresh(true);
        shell_.WriteDevice->Refresh(true);
        if (shell_.Progress)
            shell_.Progress->SetCancelHandler([this] { actCopyCancelExecute(); });
        onTheFlyAllowed_ = chkCopy_OnTheFly->isEnabled();
        copy_->SetDrives(shell_.ReadDevice, shell_.WriteDevice);
        if (!copy_->CheckSource())
            return;
    } catch (const std::exception& e) {
        shell_.ErrorBox(QString::fromStdString(e.what()));
        return;
    }
    jobs::CopySettings settings;
    if (TfrmBurnOptions* options = shell_.BurnOptions) {
        const BurnSettings s = options->Settings();
        settings.testMode = s.testMode;
        settings.discAtOnce = s.discAtOnce;
        settings.bufferProtect = s.bufferProtect;
        settings.autoVerify = s.autoVerify;
    }
    settings.writeSpeed = SelectedSpeed(cmbCopyCD_WriteSpeed);
    settings.tempDir = globals::TempDir;
    settings.pollInterval = pollInterval_;
    settings.grabberLibrary = grabberLibrary_.toStdString();
    shell_.StartJobClock();
    // The page hears the engine from here; a copy that does not start lets go again.
    shell_.BeginEngineJob(this);
    bool started = false;
    if (discKind_ == DiscKindAudioCD)
        started = copy_->StartAudioCopy(settings);
    else if (discKind_ == DiscKindOther && !chkCopy_OnTheFly->isChecked())
        started = copy_->StartImageCopy(settings);
    else if (discKind_ == DiscKindOther)
        started = copy_->StartOnTheFlyCopy(settings);
    if (!started)
        shell_.EndEngineJob(this);
}

void TCopyCDPage::actCopyCancelExecute() {
    if (!copy_)
        return;
    if (copy_->Kind() != jobs::CopyKind::None && !copy_->RipPhase())
        shell_.ShowStatus(Text(IDS_WRITECD_LABEL_Status_AbortingWrite));
    copy_->Cancel();
}

// The second phase runs after the completion event of the image has been handled, never inside
// it: the engine has let go of the image by then.
void TCopyCDPage::CopyContinue() {
    static_assert(CopyContinueMessage == 0x41E);
    if (!copy_ || shell_.JobOwner() != this)
        return;
    if (TDVDEngineX* engine = shell_.Engine())
        engine->WaitForJobs();
    if (!copy_->ContinueImageCopy())
        EndJob();
}

void TCopyCDPage::EndJob() {
    shell_.EndEngineJob(this);
    shell_.ElapsedSeconds = 0;
    if (TfrmProgress* progress = shell_.Progress) {
        progress->SetProgress(0);
        progress->SetUsedTimeText(0);
        progress->hide();
    }
}
