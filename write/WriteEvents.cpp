// The engine's write events for the page's own jobs: the progress window's lines and bar, the
// boxes of errors, warnings and verification, and the end of the job.
#include "write/TBurnCDPage.h"

#include "app/TfrmProgress.h"
#include "app/VerifyReport.h"
#include "core/MultiLanguages.h"
#include "discengine/DataImage.h"
#include "discengine/Disc.h"
#include "discengine/Errors.h"
#include "engine/DriveLists.h"
#include "ui/TextFormat.h"

#include <QCheckBox>

#include <cmath>

using MultiLanguages::Text;

namespace {

QString Str(const std::string& text) {
    return QString::fromStdString(text);
}

} // namespace

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
    const auto track = static_cast<long long>(currentTrack);
    switch (status) {
    case kWritePreparing:
        if (!shell_.Progress->isVisible())
            shell_.Progress->show();
        shell_.ShowStatus(Text(IDS_LABEL_Status_PreparingImage));
        break;
    case kWriteCachingImage:
        shell_.Progress->SetProgress(imageProgress);
        shell_.ShowStatus(ui::FormatText(Text(IDS_LABEL_Status_CachingImage), {track}));
        break;
    case kWriteCachingTrack:
        shell_.Progress->SetProgress(trackProgress);
        shell_.ShowStatus(ui::FormatText(Text(IDS_LABEL_Status_CachingTrack), {track}));
        break;
    case kWriteWriting:
        shell_.Progress->SetProgress(imageProgress);
        if (shell_.WriteDevice)
            shell_.Progress->SetSpeedText(
                ui::FormatText(Text(IDS_LABEL_Status_CurrentWriteSpeed),
                               {QString::number(shell_.WriteDevice->CurrentSpeed())}));
        break;
    case kWriteClosingTrack:
        shell_.ShowStatus(Text(IDS_LABEL_Status_ClosingTrack));
        break;
    case kWriteLeadIn:
        shell_.ShowStatus(Text(IDS_LABEL_Status_WriteLeadIn));
        break;
    case kWriteLeadOut:
        shell_.ShowStatus(Text(IDS_LABEL_Status_WriteLeadOut));
        break;
    case kWriteUpdatingVolume:
        shell_.ShowStatus(Text(IDS_LABEL_Status_UpdateVolume));
        break;
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
    QString text;
    const std::int32_t kind = error ? error->Kind() : 0;
    const auto device = error ? error->DeviceError() : nullptr;
    const auto file = error ? error->FileError() : nullptr;
    if (kind == discengine::kWriteErrorDevice && device)
        text =
            ui::FormatText(Text(IDS_MSG_DeviceError),
                           {static_cast<long long>(device->ErrorCode()), Str(device->Description()),
                            Str(device->Detail()), Str(device->Context())});
    else if ((kind == discengine::kWriteErrorOutputFile ||
              kind == discengine::kWriteErrorSourceFile) &&
             file)
        text = ui::FormatText(Text(kind == discengine::kWriteErrorOutputFile
                                       ? IDS_MSG_OutputFileError
                                       : IDS_MSG_SourceFileError),
                              {static_cast<long long>(file->ErrorCode()), Str(file->Description()),
                               Str(file->Path())});
    else if (kind == discengine::kWriteErrorSystem)
        text = ui::FormatText(
            Text(IDS_MSG_SystemError),
            {static_cast<long long>(error->SystemErrorCode()), Str(error->Description())});
    else
        text = ui::FormatText(
            Text(IDS_MSG_WriteError),
            {static_cast<long long>(kind), error ? Str(error->Description()) : QString()});
    SetBurnPageIdle(true);
    shell_.Progress->hide();
    shell_.Progress->SetProgress(0);
    shell_.ErrorBox(text);
}

void TBurnCDPage::DVDEngineTrackFileWarning(std::int32_t,
                                            std::shared_ptr<discengine::IFileErrorX> error,
                                            std::int32_t, bool& ignoreWarning) {
    ignoreWarning = true;
    shell_.ErrorBox(ui::FormatText(Text(IDS_MSG_FileWarning),
                                   {static_cast<long long>(error ? error->ErrorCode() : 0),
                                    error ? Str(error->Path()) : QString(),
                                    error ? Str(error->Description()) : QString()}));
    shell_.ShowStatus(Text(IDS_LABEL_Status_FileWarning));
}

void TBurnCDPage::DVDEngineTrackFileStatus(std::int32_t, std::int32_t trackNumber,
                                           std::int32_t fileCount, std::int32_t fileIndex,
                                           const QString& fileName) {
    const QString text =
        ui::FormatText(Text(IDS_MSG_TrackReading), {static_cast<long long>(trackNumber),
                                                    static_cast<long long>(fileIndex), fileName});
    ShowFileLine(fileCount, false, [this, text] { shell_.ShowStatus(text); });
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
    if (item)
        shell_.ShowStatus(
            ui::FormatText(Text(IDS_WRITECD_LABEL_Status_AddingFile), {Str(item->ImagePath())}));
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
    shell_.ShowStatus(
        ui::FormatText(Text(IDS_MSG_AutoVerifyComplete),
                       {static_cast<long long>(matchedFiles), static_cast<long long>(fileCount)}));
}
