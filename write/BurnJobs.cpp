// The four burn jobs: the checks before a write, the settings handed to the engine's image, the
// start, and Cancel. Once the engine takes a job its events arrive in WriteEvents.cpp.
#include "write/TBurnCDPage.h"

#include "app/TfrmProgress.h"
#include "core/MultiLanguages.h"
#include "core/TimeText.h"
#include "core/globals.h"
#include "dialogs/TfrmBurnOptions.h"
#include "discengine/DataImage.h"
#include "discengine/Disc.h"
#include "discengine/Errors.h"
#include "discengine/MSF.h"
#include "engine/DVDEngineBinding.h"
#include "engine/DriveLists.h"
#include "jobs/AudioImageJob.h"
#include "ui/Prompts.h"
#include "ui/TextFormat.h"

#include <QCheckBox>
#include <QCoreApplication>
#include <QLineEdit>
#include <QPushButton>
#include <QTreeWidget>

#include <cmath>
#include <tuple>

using MultiLanguages::Text;

namespace {

constexpr std::int32_t kWriteKindDisc = 1;

QString Megabytes(double bytes) {
    return QString::number(bytes / 1048576.0, 'g', 15) + "MB";
}

} // namespace

void TBurnCDPage::actWriteExecute() {
    const QTreeWidgetItem* root = trvWrite->topLevelItem(0);
    if (lstWrite->topLevelItemCount() == 0 && (!root || root->childCount() == 0)) {
        shell_.ErrorBox(Text(IDS_WRITECD_MSG_NoFileFolder));
        return;
    }
    try {
        if (!shell_.WriteDevice) {
            shell_.ErrorBox(Text(IDS_MAIN_MSG_NoWriteDevice));
            return;
        }
        CloseTray(*shell_.WriteDevice);
        shell_.WriteDevice->Refresh(true);
        shell_.StartJobClock();
        shell_.Progress->SetCancelHandler([this] { actCancelExecute(); });
        switch (writeMode_) {
        case AudioMode:
            WriteAudioDisc();
            break;
        case DataMode:
            if (chkWrite_WriteToISO->isChecked())
                WriteIsoFile();
            else
                WriteDataDisc();
            break;
        default:
            WriteIsoToDisc();
            break;
        }
    } catch (const std::exception& e) {
        // Whatever stopped the start, the page stays idle and hears no job.
        shell_.EndEngineJob(this);
        shell_.ErrorBox(QString::fromStdString(e.what()));
    }
}

bool TBurnCDPage::CheckBlankDisc() {
    auto& device = *shell_.WriteDevice;
    device.Refresh(true);
    auto info = device.DiscInfo();
    if (info->MediaType() == discengine::kMediaNone || !info->IsOpen() ||
        info->DiscStatus() != discengine::kDiscEmpty) {
        shell_.ErrorBox(Text(IDS_WRITECD_MSG_InsertEmptyDisc));
        return false;
    }
    if (writeMode_ == AudioMode) {
        const std::int32_t free = device.FreeBlocks(true);
        const std::int32_t need = shell_.Engine()->AudioImage()->TotalBlocks();
        if (need > free) {
            shell_.ErrorBox(ui::FormatText(Text(IDS_WRITECD_MSG_NoFreeSpace),
                                           {QString::fromStdString(discengine::MsfText(free)),
                                            QString::fromStdString(discengine::MsfText(need))}));
            return false;
        }
        return true;
    }
    auto image = shell_.Engine()->DataImage();
    const double free = static_cast<double>(device.FreeBlocks(true)) * image->BlockSize();
    const double need = static_cast<double>(image->ImageSize());
    if (need > free) {
        shell_.ErrorBox(
            ui::FormatText(Text(IDS_WRITECD_MSG_NoFreeSpace), {Megabytes(free), Megabytes(need)}));
        return false;
    }
    return true;
}

bool TBurnCDPage::CheckAudioDuration() {
    const long long ms = totalDurationMs_;
    const long long minutes = ms / 60000, seconds = (ms / 1000) % 60;
    const auto frames = static_cast<long long>(std::ceil((ms % 1000) / 1000.0 * 75));
    capacityBlocks_ = shell_.WriteDevice->FreeBlocks(false);
    msf_->SetBlocks(capacityBlocks_);
    const long long capMinutes = msf_->Minutes(), capSeconds = msf_->Seconds(),
                    capFrames = msf_->Frames();
    capacityText_ = QString::fromStdString(msf_->Text());
    return std::tie(minutes, seconds, frames) < std::tie(capMinutes, capSeconds, capFrames);
}

void TBurnCDPage::WriteAudioDisc() {
    if (!CheckBlankDisc())
        return;
    if (!CheckAudioDuration()) {
        shell_.ErrorBox(ui::FormatText(Text(IDS_WRITECD_MSG_AudioFileSizeFlow), {capacityText_}));
        return;
    }
    try {
        if (!PrepareAudioImage()) {
            DeleteTemporaryWavs();
            shell_.ErrorBox(Text(IDS_WRITECD_MSG_InsertToAudioImageFailed));
            return;
        }
    } catch (const std::exception& e) {
        // A file that vanished or does not decode: nothing is burned, and nothing is kept.
        DeleteTemporaryWavs();
        shell_.ErrorBox(QString::fromStdString(e.what()));
        return;
    }
    const BurnSettings s = shell_.BurnOptions->Settings();
    auto image = shell_.Engine()->AudioImage();
    image->SetWriteKind(kWriteKindDisc);
    image->SetWriteSpeed(SelectedSpeed(cmbWrite_WriteSpeed));
    image->SetCacheFiles(s.cacheFiles);
    image->SetTestMode(s.testMode);
    image->SetBufferProtect(s.bufferProtect);
    image->SetWriteMode(s.discAtOnce ? 232 : 2);
    shell_.BeginEngineJob(this);
    if (image->WriteToDevice(shell_.WriteDevice)) {
        JobStarted();
    } else {
        DeleteTemporaryWavs();
        JobNotStarted(Text(IDS_WRITECD_MSG_CanNotStart));
    }
}

void TBurnCDPage::ApplyDataSettings(bool toDisc) {
    const BurnSettings s = shell_.BurnOptions->Settings();
    auto image = shell_.Engine()->DataImage();
    image->Volume()->SetLabel(s.volumeId.toStdString());
    image->SetWriteKind(kWriteKindDisc);
    image->SetFileSystems(s.fileSystems);
    image->SetAutoVerify(s.autoVerify);
    image->SetMode2XA(s.mode2XA);
    image->SetUseFileDate(s.useFileDate);
    image->SetWriteSpeed(SelectedSpeed(cmbWrite_WriteSpeed));
    if (!toDisc)
        return;
    image->SetCacheFiles(s.cacheFiles);
    image->SetTestMode(s.testMode);
    image->SetFinalize(s.finalize);
    image->SetBufferProtect(s.bufferProtect);
    image->SetWriteMode(s.discAtOnce ? 248 : 2);
}

void TBurnCDPage::WriteDataDisc() {
    if (!CheckBlankDisc())
        return;
    ApplyDataSettings(true);
    shell_.BeginEngineJob(this);
    if (shell_.Engine()->DataImage()->WriteToDevice(shell_.WriteDevice))
        JobStarted();
    else
        JobNotStarted(Text(IDS_WRITECD_MSG_CanNotStart));
}

void TBurnCDPage::WriteIsoFile() {
    ui::FileDialogRequest request;
    request.filter = Text(IDS_WRITECD_SAVEFILE_Filter);
    request.title = Text(IDS_WRITECD_SAVEFILE_Title);
    request.fileName = Text(IDS_WRITECD_SAVEFILE_DefaultFileName);
    request.initialDir = QString::fromStdString(globals::TempDir);
    const auto path = ui::Prompts().SaveFile(shell_.Window(), request);
    if (!path) {
        shell_.Progress->hide();
        SetBurnPageIdle(true);
        return;
    }
    ApplyDataSettings(false);
    shell_.BeginEngineJob(this);
    if (shell_.Engine()->DataImage()->WriteToImageFile(path->toStdString())) {
        QCoreApplication::processEvents();
        JobStarted();
    } else {
        shell_.ShowStatus(Text(IDS_LABEL_Status_WriteError));
        JobNotStarted(Text(IDS_MSG_CannotStartImageWriting));
    }
}

void TBurnCDPage::WriteIsoToDisc() {
    if (!CheckBlankDisc())
        return;
    shell_.WriteDevice->Refresh(true);
    ApplyDataSettings(true);
    shell_.BeginEngineJob(this);
    if (shell_.Engine()->DataImage()->WriteImageFileToDevice(edtISOFilePath->text().toStdString(),
                                                             shell_.WriteDevice))
        JobStarted();
    else
        JobNotStarted(Text(IDS_WRITECD_MSG_CanNotStart));
}

void TBurnCDPage::JobStarted() {
    // The job may already have ended (its events run on this thread while we started it).
    if (shell_.JobOwner() != this)
        return;
    SetBurnPageIdle(false);
    shell_.Progress->show();
}

void TBurnCDPage::JobNotStarted(const QString& message) {
    shell_.EndEngineJob(this);
    shell_.ErrorBox(message);
}

// Cancel stops every kind of job, an ISO image burned to a disc included: the data image's
// Cancel ends that write too.
void TBurnCDPage::actCancelExecute() {
    if (shell_.JobOwner() != this)
        return;
    shell_.ShowStatus(Text(IDS_WRITECD_LABEL_Status_AbortingWrite));
    if (writeMode_ == AudioMode)
        shell_.Engine()->AudioImage()->Cancel();
    else
        shell_.Engine()->DataImage()->Cancel();
}
