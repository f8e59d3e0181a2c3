#include "read/DataDiscRead.h"

#include "app/LogLines.h"
#include "app/TfrmLog.h"
#include "app/TfrmProgress.h"
#include "app/VerifyReport.h"
#include "app/WriteEventReport.h"
#include "core/MultiLanguages.h"
#include "core/TimeText.h"
#include "core/globals.h"
#include "dialogs/TfrmBurnOptions.h"
#include "discengine/DataImage.h"
#include "discengine/Device.h"
#include "discengine/Disc.h"
#include "discengine/Errors.h"
#include "engine/DVDEngineBinding.h"
#include "jobs/DataDiscRead.h"
#include "jobs/FolderCopyText.h"
#include "ui/Prompts.h"
#include "ui/TextFormat.h"

#include <QCheckBox>
#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QLineEdit>
#include <QPlainTextEdit>

#include <cmath>
#include <filesystem>

using MultiLanguages::Text;

namespace {

QString Q(const std::string& text) {
    return QString::fromStdString(text);
}

} // namespace

// The folder copy's view of the page: the progress window, the log and the cancel message.
class DataDiscRead::CopyHost final : public jobs::IFolderCopyHost {
public:
    explicit CopyHost(DataDiscRead& owner) : owner_(owner) {}
    void CopyingFile(const std::string& sourcePath) override {
        owner_.shell_.ShowStatus(
            ui::FormatText(Text(IDS_READCD_LABEL_Status_CopyingFile), {Q(sourcePath)}));
        owner_.ShowReadSpeed();
    }
    void SetProgress(int percent) override {
        if (owner_.shell_.Progress)
            owner_.shell_.Progress->SetProgress(percent);
    }
    void Report(const jobs::CopyNote& note) override {
        if (owner_.shell_.Log)
            app::AddLogLine(owner_.shell_.Log->Memo(), globals::EnableLog,
                            jobs::CopyNoteText(note));
    }
    bool Cancelled() override {
        QCoreApplication::processEvents();
        return owner_.fileCopyCancelled_;
    }

private:
    DataDiscRead& owner_;
};

DataDiscRead::DataDiscRead(app::Shell& shell, Controls controls,
                           std::function<void(bool)> setPageIdle)
    : shell_(shell), controls_(controls), setPageIdle_(std::move(setPageIdle)) {}

bool DataDiscRead::ReadToIso() const {
    return controls_.readToIso->isChecked();
}

void DataDiscRead::chkReadToISOClick() {
    QString output = QString::fromStdString(globals::TempDir);
    if (ReadToIso())
        output += Text(IDS_READCD_SAVEDIALOG_DefaultFileName);
    controls_.outputPath->setText(output);
    if (shell_.BurnOptions)
        shell_.BurnOptions->OptionsForImageFromDataDisc(ReadToIso());
}

void DataDiscRead::BrowseImageFile() {
    ui::FileDialogRequest request;
    request.title = Text(IDS_READCD_SAVEDIALOG_Title);
    request.filter = Text(IDS_READCD_SAVEDIALOG_Filter);
    request.initialDir = QFileInfo(controls_.outputPath->text()).path();
    request.fileName = Text(IDS_READCD_SAVEDIALOG_DefaultFileName);
    if (auto chosen = ui::Prompts().SaveFile(shell_.Window(), request))
        controls_.outputPath->setText(*chosen);
}

bool DataDiscRead::Start() {
    if (ReadToIso())
        return StartImageJob();
    RunFileCopy();
    return false;
}

bool DataDiscRead::StartImageJob() {
    const std::filesystem::path output = controls_.outputPath->text().toStdString();
    std::error_code ec;
    if (!controls_.replaceExisting->isChecked() && std::filesystem::exists(output, ec)) {
        shell_.WarningBox(Text(IDS_MSG_OutputFileExisted));
        return false;
    }
    setPageIdle_(false);
    TDVDEngineX* engine = shell_.Engine();
    bool started = false;
    try {
        if (!engine || !shell_.ReadDevice)
            throw discengine::EngineError(Text(IDS_READCD_MSG_NoReadDevice).toStdString());
        image_ = engine->DataImage();
        auto volume = shell_.ReadDevice->Volume();
        shell_.ShowStatus(Text(IDS_READCD_LABEL_Status_AddFileFolderToImage));
        jobs::DiscImageSettings settings;
        if (TfrmBurnOptions* burn = shell_.BurnOptions) {
            auto* label = burn->findChild<QLineEdit*>(QStringLiteral("edtVolumeID"));
            auto* verify = burn->findChild<QCheckBox*>(QStringLiteral("chkAutoVerifyData"));
            auto* mode2XA = burn->findChild<QCheckBox*>(QStringLiteral("chkMode2XA"));
            settings.label = label ? label->text().toStdString() : std::string();
            settings.fileSystems = burn->FileSystems();
            settings.autoVerify = verify && verify->isChecked();
            settings.mode2XA = mode2XA && mode2XA->isChecked();
        } else {
            settings.label = Text(IDS_READCD_EDIT_VolumeID_DefaultText).toStdString();
        }
        jobs::PrepareImageFromDisc(*image_, *volume, shell_.ReadDevice->DriveLetter(), settings);
        shell_.ShowStatus(Text(IDS_READCD_LABEL_Status_AddFileFolderToImageCompleted));
        // The page hears the image's write events from here until the job's end.
        shell_.BeginEngineJob(this);
        running_ = Running::Image;
        started = image_->WriteToImageFile(output);
    } catch (const discengine::EngineError& e) {
        // A disc that cannot be listed (or a refused start) ends here with its reason.
        running_ = Running::None;
        shell_.EndEngineJob(this);
        setPageIdle_(true);
        shell_.ErrorBox(Q(e.what()));
        return false;
    }
    if (!started) {
        running_ = Running::None;
        shell_.EndEngineJob(this);
        shell_.ShowStatus(Text(IDS_LABEL_Status_WriteError));
        shell_.ErrorBox(Text(IDS_MSG_CannotStartImageWriting));
        setPageIdle_(true);
        return false;
    }
    return true;
}

void DataDiscRead::RunFileCopy() {
    setPageIdle_(false);
    fileCopyCancelled_ = false;
    running_ = Running::Folder;
    jobs::FolderCopyResult result;
    try {
        if (!shell_.ReadDevice)
            throw discengine::EngineError(Text(IDS_READCD_MSG_NoReadDevice).toStdString());
        auto volume = shell_.ReadDevice->Volume();
        CopyHost host(*this);
        result = jobs::CopyDiscTree(*volume, shell_.ReadDevice->DriveLetter(),
                                    controls_.outputPath->text().toStdString(),
                                    controls_.replaceExisting->isChecked(), host);
    } catch (const discengine::EngineError& e) {
        running_ = Running::None;
        setPageIdle_(true);
        shell_.ErrorBox(Q(e.what()));
        return;
    }
    running_ = Running::None;
    setPageIdle_(true);
    const QString problems = jobs::FolderCopyProblemsText(result);
    if (fileCopyCancelled_) {
        shell_.ShowStatus(Text(IDS_READCD_LABEL_Status_CopyingCancelled));
    } else if (!problems.isEmpty()) {
        // Some files are missing from the folder: saying "completed" would hide that.
        shell_.ShowStatus(problems);
        shell_.WarningBox(problems);
    } else {
        shell_.ShowStatus(Text(IDS_READCD_LABEL_Status_CopyingCompleted));
    }
}

void DataDiscRead::Cancel() {
    if (running_ == Running::Image && image_) {
        image_->Cancel();
        return;
    }
    if (running_ != Running::Folder)
        return;
    // Handled once the copy lets events run, as the window's own message was.
    static_assert(kFileCopyCancelMessage == 0x40A);
    QMetaObject::invokeMethod(
        this, [this] { fileCopyCancelled_ = true; }, Qt::QueuedConnection);
}

void DataDiscRead::ShowReadSpeed() {
    if (!shell_.Progress || !shell_.ReadDevice)
        return;
    shell_.Progress->SetSpeedText(
        ui::FormatText(Text(IDS_LABEL_Status_CurrentReadSpeed),
                       {static_cast<long long>(shell_.ReadDevice->CurrentSpeed())}));
}

void DataDiscRead::EndImageJob() {
    running_ = Running::None;
    shell_.EndEngineJob(this);
    setPageIdle_(true);
    shell_.ElapsedSeconds = 0;
    if (TfrmProgress* progress = shell_.Progress) {
        progress->SetProgress(0);
        progress->SetUsedTimeText(0);
        progress->hide();
    }
}

void DataDiscRead::DVDEngineWriteStatus(std::int32_t, std::int32_t imageProgress, std::int32_t,
                                        std::int32_t, std::int32_t currentTrack, std::int32_t,
                                        std::int32_t trackProgress, std::int32_t, std::int32_t,
                                        std::int32_t status, bool&) {
    if (app::ShowWriteProgress(shell_, status, imageProgress, currentTrack, trackProgress)) {
        if (status == discengine::kWriteWriting)
            ShowReadSpeed();
        return;
    }
    switch (status) {
    case discengine::kWriteCompleted:
        shell_.ShowStatus(Text(IDS_LABEL_Status_WriteCompleted));
        EndImageJob();
        shell_.HintBox(Text(IDS_LABEL_Status_WriteCompleted));
        break;
    case discengine::kWriteCancelled:
        // The engine leaves no partial image and never touched an existing file at the output
        // path, so nothing is deleted here: that file may be the user's own.
        shell_.ShowStatus(Text(IDS_LABEL_Status_WriteCancelled));
        EndImageJob();
        shell_.HintBox(Text(IDS_LABEL_Status_WriteCancelled));
        break;
    case discengine::kWriteError:
        shell_.ShowStatus(Text(IDS_LABEL_Status_WriteError));
        EndImageJob();
        break;
    default:
        break;
    }
}

void DataDiscRead::DVDEngineWriteError(std::int32_t,
                                       std::shared_ptr<discengine::IWriteErrorX> error) {
    const QString text = app::WriteErrorText(error.get());
    setPageIdle_(true);
    if (TfrmProgress* progress = shell_.Progress) {
        progress->hide();
        progress->SetProgress(0);
    }
    shell_.ErrorBox(text);
}

void DataDiscRead::DVDEngineItemAdded(std::int32_t, std::shared_ptr<discengine::IDataItemX> item) {
    app::ShowItemAdded(shell_, item.get());
}

void DataDiscRead::DVDEngineTrackFileWarning(std::int32_t,
                                             std::shared_ptr<discengine::IFileErrorX> error,
                                             std::int32_t, bool& ignoreWarning) {
    ignoreWarning = app::AnswerDiscFileWarning(shell_, error.get());
}

void DataDiscRead::DVDEngineFileVerifyStart(std::int32_t, std::int32_t fileCount) {
    app::ShowVerifyStart(shell_, fileCount);
}

void DataDiscRead::DVDEngineFileVerify(std::int32_t, std::shared_ptr<discengine::IDataItemX> item,
                                       double, double, std::int32_t verifyStatus,
                                       std::int32_t fileIndex, std::int32_t fileCount, bool&) {
    app::ShowFileVerified(shell_, item.get(), verifyStatus, fileIndex, fileCount);
}

void DataDiscRead::DVDEngineFileVerifyComplete(std::int32_t, std::int32_t fileCount,
                                               std::int32_t matchedFiles) {
    app::ShowVerifyComplete(shell_, fileCount, matchedFiles);
}
