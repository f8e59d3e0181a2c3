#include "app/WriteEventReport.h"

#include "app/TfrmProgress.h"
#include "core/MultiLanguages.h"
#include "discengine/DataImage.h"
#include "discengine/Disc.h"
#include "discengine/Errors.h"
#include "ui/TextFormat.h"

using MultiLanguages::Text;

namespace app {

namespace {

QString Q(const std::string& text) {
    return QString::fromStdString(text);
}

} // namespace

bool ShowWriteProgress(Shell& shell, std::int32_t status, std::int32_t imageProgress,
                       std::int32_t currentTrack, std::int32_t trackProgress) {
    TfrmProgress* progress = shell.Progress;
    auto bar = [&](int percent) {
        if (progress)
            progress->SetProgress(percent);
    };
    auto track = [&](LangId key) {
        shell.ShowStatus(ui::FormatText(Text(key), {static_cast<long long>(currentTrack)}));
    };
    switch (status) {
    case discengine::kWritePreparing:
        if (progress && !progress->isVisible())
            progress->show();
        shell.ShowStatus(Text(IDS_LABEL_Status_PreparingImage));
        return true;
    case discengine::kWriteCachingImage:
        bar(imageProgress);
        track(IDS_LABEL_Status_CachingImage);
        return true;
    case discengine::kWriteCachingTrack:
        bar(trackProgress);
        track(IDS_LABEL_Status_CachingTrack);
        return true;
    case discengine::kWriteWriting:
        bar(imageProgress);
        return true;
    case discengine::kWriteClosingTrack:
        shell.ShowStatus(Text(IDS_LABEL_Status_ClosingTrack));
        return true;
    case discengine::kWriteLeadIn:
        shell.ShowStatus(Text(IDS_LABEL_Status_WriteLeadIn));
        return true;
    case discengine::kWriteLeadOut:
        shell.ShowStatus(Text(IDS_LABEL_Status_WriteLeadOut));
        return true;
    case discengine::kWriteUpdatingVolume:
        shell.ShowStatus(Text(IDS_LABEL_Status_UpdateVolume));
        return true;
    default:
        return false;
    }
}

QString WriteErrorText(const discengine::IWriteErrorX* error) {
    const std::int32_t kind = error ? error->Kind() : 0;
    const auto device = error ? error->DeviceError() : nullptr;
    const auto file = error ? error->FileError() : nullptr;
    if (kind == discengine::kWriteErrorDevice && device)
        return ui::FormatText(Text(IDS_MSG_DeviceError),
                              {static_cast<long long>(device->ErrorCode()),
                               Q(device->Description()), Q(device->Detail()),
                               Q(device->Context())});
    if ((kind == discengine::kWriteErrorOutputFile || kind == discengine::kWriteErrorSourceFile) &&
        file)
        return ui::FormatText(
            Text(kind == discengine::kWriteErrorOutputFile ? IDS_MSG_OutputFileError
                                                           : IDS_MSG_SourceFileError),
            {static_cast<long long>(file->ErrorCode()), Q(file->Description()), Q(file->Path())});
    if (kind == discengine::kWriteErrorSystem)
        return ui::FormatText(
            Text(IDS_MSG_SystemError),
            {static_cast<long long>(error->SystemErrorCode()), Q(error->Description())});
    return ui::FormatText(Text(IDS_MSG_WriteError), {static_cast<long long>(kind),
                                                     error ? Q(error->Description()) : QString()});
}

QString FileWarningText(const discengine::IFileErrorX* error) {
    return ui::FormatText(Text(IDS_MSG_FileWarning),
                          {static_cast<long long>(error ? error->ErrorCode() : 0),
                           error ? Q(error->Path()) : QString(),
                           error ? Q(error->Description()) : QString()});
}

bool AnswerDiscFileWarning(Shell& shell, const discengine::IFileErrorX* error) {
    const bool ignore = !discengine::MediumGone(error);
    if (ignore)
        shell.ErrorBox(FileWarningText(error));
    shell.ShowStatus(Text(IDS_LABEL_Status_FileWarning));
    return ignore;
}

void ShowTrackFileStatus(Shell& shell, std::int32_t trackNumber, std::int32_t fileIndex,
                         const QString& fileName) {
    shell.ShowStatus(
        ui::FormatText(Text(IDS_MSG_TrackReading), {static_cast<long long>(trackNumber),
                                                    static_cast<long long>(fileIndex), fileName}));
}

void ShowItemAdded(Shell& shell, const discengine::IDataItemX* item) {
    if (item)
        shell.ShowStatus(
            ui::FormatText(Text(IDS_WRITECD_LABEL_Status_AddingFile), {Q(item->ImagePath())}));
}

} // namespace app
