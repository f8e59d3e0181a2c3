// The engine's write events for the page's own jobs: the progress window's lines and bar, the
// boxes of errors, warnings and verification, and the end of the job.
#include "write/TBurnCDPage.h"

#include "app/TfrmProgress.h"
#include "app/VerifyReport.h"
#include "app/WriteEventReport.h"
#include "core/MultiLanguages.h"
#include "discengine/DataImage.h"
#include "discengine/Disc.h"
#include "discengine/Errors.h"
#include "engine/DriveLists.h"
#include "ui/TextFormat.h"

#include <QCheckBox>

#include <cmath>

using MultiLanguages::Text;

void TBurnCDPage::EndJob() {
    shell_.EndEngineJob(this);
    shell_.ElapsedSeconds = 0;
    shell_.Progress->SetProgress(0);
    shell_.Progress->SetUsedTimeText(0);
    shell_.Progress->hide();
}

void TBurnCDPage::DVDEngineWriteStatus(std::int32_t, std::int32_t imageProgress, std::int32_t,
                                       std::int32_t, std::int32_t currentTrack, std::int32_t,
                                       std::int32_t trackProgress, std::int32_t, std::int32_t,
                                       std::int32_t status, bool&) {
    using namespace discengine;
    if (app::ShowWriteProgress(shell_, status, imageProgress, currentTrack, trackProgress)) {
        if (status == kWriteWriting && shell_.WriteDevice)
            shell_.Progress->SetSpeedText(
                ui::FormatText(Text(IDS_LABEL_Status_CurrentWriteSpeed),
                               {QString::number(shell_.WriteDevice->CurrentSpeed())}));
        return;
    }
    switch (status) {
    case kWriteCompleted:
        shell_.ShowStatus(Text(IDS_LABEL_Status_WriteCompleted));
        SetBurnPageIdle(true);
        UpdateTrackCounters();
        if (!chkWrite_WriteToISO->isChecked() && shell_.WriteDevice) {
            try {
                EjectTray(*shell_.WriteDevice);
            } catch (const discengine::EngineError&) {
                // The answer of the tray is ignored; the burn itself is done.
            }
        }
        DeleteTemporaryWavs();
        EndJob();
        shell_.HintBox(Text(IDS_LABEL_Status_WriteCompleted));
        break;
    case kWriteCancelled:
        shell_.ShowStatus(Text(IDS_LABEL_Status_WriteCancelled));
        SetBurnPageIdle(true);
        EndJob();
        shell_.HintBox(Text(IDS_LABEL_Status_WriteCancelled));
        break;
    case kWriteError:
        shell_.ShowStatus(Text(IDS_LABEL_Status_WriteError));
        SetBurnPageIdle(true);
        EndJob();
        break;
    default:
        break; // 7 and unknown codes change nothing
    }
}

void TBurnCDPage::DVDEngineWriteError(std::int32_t,
                                      std::shared_ptr<discengine::IWriteErrorX> error) {
    const QString text = app::WriteErrorText(error.get());
    SetBurnPageIdle(true);
    shell_.Progress->hide();
    shell_.Progress->SetProgress(0);
    shell_.ErrorBox(text);
}

void TBurnCDPage::DVDEngineTrackFileWarning(std::int32_t,
                                            std::shared_ptr<discengine::IFileErrorX> error,
                                            std::int32_t, bool& ignoreWarning) {
    ignoreWarning = true;
    shell_.ErrorBox(app::FileWarningText(error.get()));
    shell_.ShowStatus(Text(IDS_LABEL_Status_FileWarning));
}

void TBurnCDPage::DVDEngineTrackFileStatus(std::int32_t, std::int32_t trackNumber,
                                           std::int32_t fileCount, std::int32_t fileIndex,
                                           const QString& fileName) {
    ShowFileLine(fileCount, false, [this, trackNumber, fileIndex, fileName] {
        app::ShowTrackFileStatus(shell_, trackNumber, fileIndex, fileName);
    });
}

// A compilation of 100,000 small files brings 100,000 of these lines, each a repaint and a log
// line: that alone would hold the write back for a minute and fill the memory. Up to
// kEveryFileLimit files every line is shown; above, the latest file is shown at most every
// kFileLineMs, and lines that come with a box are shown at once.
void TBurnCDPage::ShowFileLine(std::int32_t fileCount, bool urgent, std::function<void()> show) {
    if (fileCount <= kEveryFileLimit || urgent) {
        pendingFileLine_ = nullptr;
        show();
        fileLineClock_.start();
        return;
    }
    if (!pendingFileLine_)
        statusBeforeFileLine_ = shell_.LastStatus();
    pendingFileLine_ = std::move(show);
    if (!fileLineClock_.isValid() || fileLineClock_.elapsed() >= kFileLineMs)
        ShowPendingFileLine();
    else if (!fileLineTimer_.isActive())
        fileLineTimer_.start(kFileLineMs - static_cast<int>(fileLineClock_.elapsed()));
}

void TBurnCDPage::ShowPendingFileLine() {
    fileLineTimer_.stop();
    fileLineClock_.start();
    auto show = std::move(pendingFileLine_);
    pendingFileLine_ = nullptr;
    // A status shown since (the end of the job, a box) is not painted over.
    if (show && shell_.LastStatus() == statusBeforeFileLine_)
        show();
}

void TBurnCDPage::DVDEngineItemAdded(std::int32_t, std::shared_ptr<discengine::IDataItemX> item) {
    app::ShowItemAdded(shell_, item.get());
}

void TBurnCDPage::DVDEngineFileVerifyStart(std::int32_t, std::int32_t fileCount) {
    app::ShowVerifyStart(shell_, fileCount);
}

void TBurnCDPage::DVDEngineFileVerify(std::int32_t, std::shared_ptr<discengine::IDataItemX> item,
                                      double, double, std::int32_t verifyStatus,
                                      std::int32_t fileIndex, std::int32_t fileCount, bool&) {
    const bool mismatch =
        verifyStatus == 0 || verifyStatus == 1 || verifyStatus == 2 || verifyStatus == 5;
    ShowFileLine(fileCount, mismatch, [this, item, verifyStatus, fileIndex, fileCount] {
        app::ShowFileVerified(shell_, item.get(), verifyStatus, fileIndex, fileCount);
    });
}

void TBurnCDPage::DVDEngineFileVerifyComplete(std::int32_t, std::int32_t fileCount,
                                              std::int32_t matchedFiles) {
    app::ShowVerifyComplete(shell_, fileCount, matchedFiles);
}
