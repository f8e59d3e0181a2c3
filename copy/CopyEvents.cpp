// The engine's write events of a copy: the progress window's lines, the boxes, the end of each
// phase and the start of the second phase of an image copy.
#include "copy/TCopyCDPage.h"

#include "app/TfrmProgress.h"
#include "app/VerifyReport.h"
#include "app/WriteEventReport.h"
#include "core/MultiLanguages.h"
#include "discengine/DataImage.h"
#include "discengine/Disc.h"
#include "discengine/Errors.h"
#include "engine/DVDEngineBinding.h"
#include "jobs/DiscCopy.h"
#include "ui/TextFormat.h"

using MultiLanguages::Text;

// While the image is read from the source the line shows the read speed; a data copy then
// shows the speed it asked for, an audio copy the drive's.
void TCopyCDPage::ShowSpeed() {
    TfrmProgress* progress = shell_.Progress;
    if (!progress || !copy_)
        return;
    if (copy_->ImagePhase()) {
        if (shell_.ReadDevice)
            progress->SetSpeedText(
                ui::FormatText(Text(IDS_LABEL_Status_CurrentReadSpeed),
                               {static_cast<long long>(shell_.ReadDevice->CurrentSpeed())}));
        return;
    }
    long long speed = 0;
    if (copy_->Kind() == jobs::CopyKind::Audio) {
        if (shell_.WriteDevice)
            speed = shell_.WriteDevice->CurrentSpeed();
    } else if (shell_.Engine()) {
        speed = shell_.Engine()->DataImage()->WriteSpeedSetting();
    }
    progress->SetSpeedText(
        ui::FormatText(Text(IDS_LABEL_Status_CurrentWriteSpeed), {QString::number(speed)}));
}

void TCopyCDPage::DVDEngineWriteStatus(std::int32_t, std::int32_t imageProgress, std::int32_t,
                                       std::int32_t, std::int32_t currentTrack, std::int32_t,
                                       std::int32_t trackProgress, std::int32_t, std::int32_t,
                                       std::int32_t status, bool&) {
    if (app::ShowWriteProgress(shell_, status, imageProgress, currentTrack, trackProgress)) {
        if (status == discengine::kWriteWriting)
            ShowSpeed();
        return;
    }
    if (!copy_)
        return;
    switch (status) {
    case discengine::kWriteCompleted:
        shell_.ShowStatus(Text(IDS_LABEL_Status_WriteCompleted));
        if (copy_->WriteCompleted() == jobs::CopyCompletion::SecondPhase) {
            QMetaObject::invokeMethod(this, &TCopyCDPage::CopyContinue, Qt::QueuedConnection);
            return;
        }
        EndJob();
        shell_.HintBox(Text(IDS_LABEL_Status_WriteCompleted));
        break;
    case discengine::kWriteCancelled:
        shell_.ShowStatus(Text(IDS_LABEL_Status_WriteCancelled));
        copy_->WriteEnded();
        EndJob();
        shell_.HintBox(Text(IDS_LABEL_Status_WriteCancelled));
        break;
    case discengine::kWriteError:
        shell_.ShowStatus(Text(IDS_LABEL_Status_WriteError));
        copy_->WriteEnded();
        EndJob();
        break;
    default:
        break; // 7 and unknown codes change nothing
    }
}

void TCopyCDPage::DVDEngineWriteError(std::int32_t,
                                      std::shared_ptr<discengine::IWriteErrorX> error) {
    const QString text = app::WriteErrorText(error.get());
    if (copy_)
        copy_->WriteEnded();
    else
        SetCopyPageIdle(true);
    if (TfrmProgress* progress = shell_.Progress) {
        progress->hide();
        progress->SetProgress(0);
    }
    shell_.ErrorBox(text);
}

void TCopyCDPage::DVDEngineTrackFileWarning(std::int32_t,
                                            std::shared_ptr<discengine::IFileErrorX> error,
                                            std::int32_t, bool& ignoreWarning) {
    ignoreWarning = app::AnswerDiscFileWarning(shell_, error.get());
}

void TCopyCDPage::DVDEngineTrackFileStatus(std::int32_t, std::int32_t trackNumber, std::int32_t,
                                           std::int32_t fileIndex, const QString& fileName) {
    app::ShowTrackFileStatus(shell_, trackNumber, fileIndex, fileName);
}

void TCopyCDPage::DVDEngineItemAdded(std::int32_t, std::shared_ptr<discengine::IDataItemX> item) {
    app::ShowItemAdded(shell_, item.get());
}

void TCopyCDPage::DVDEngineFileVerifyStart(std::int32_t, std::int32_t fileCount) {
    app::ShowVerifyStart(shell_, fileCount);
}

void TCopyCDPage::DVDEngineFileVerify(std::int32_t, std::shared_ptr<discengine::IDataItemX> item,
                                      double, double, std::int32_t verifyStatus,
                                      std::int32_t fileIndex, std::int32_t fileCount, bool&) {
    app::ShowFileVerified(shell_, item.get(), verifyStatus, fileIndex, fileCount);
}

void TCopyCDPage::DVDEngineFileVerifyComplete(std::int32_t, std::int32_t fileCount,
                                              std::int32_t matchedFiles) {
    app::ShowVerifyComplete(shell_, fileCount, matchedFiles);
}
