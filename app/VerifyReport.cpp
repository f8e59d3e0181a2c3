#include "app/VerifyReport.h"

#include "app/TfrmProgress.h"
#include "core/MultiLanguages.h"
#include "discengine/DataImage.h"
#include "ui/TextFormat.h"

#include <cmath>

using MultiLanguages::Text;

namespace app {

void ShowVerifyStart(Shell& shell, std::int32_t fileCount) {
    shell.ShowStatus(
        ui::FormatText(Text(IDS_MSG_AutoVerifyNewFile), {static_cast<long long>(fileCount)}));
}

void ShowFileVerified(Shell& shell, const discengine::IDataItemX* item, std::int32_t verifyStatus,
                      std::int32_t fileIndex, std::int32_t fileCount) {
    const QString onDisc = item ? QString::fromStdString(item->ImagePath()) : QString();
    const QString source = item ? QString::fromStdString(item->SourcePath()) : QString();
    LangId message = LangKeyCount;
    switch (verifyStatus) {
    case 0:
        message = IDS_MSG_VerifyError_CannotReadSourceFile;
        break;
    case 1:
        message = IDS_MSG_VerifyError_CannotReadDestFile;
        break;
    case 2:
        message = IDS_MSG_VerifyError_FileNotMatch;
        break;
    case 5:
        message = IDS_MSG_VerifyError_FileSizeNotMatch;
        break;
    default:
        break;
    }
    if (message != LangKeyCount)
        shell.ErrorBox(ui::FormatText(Text(message), {onDisc, source}));
    shell.ShowStatus(ui::FormatText(Text(IDS_LABEL_Status_AutoVerify), {onDisc}));
    if (fileCount > 0 && shell.Progress)
        shell.Progress->SetProgress(static_cast<int>(
            std::ceil(static_cast<double>(fileIndex) / static_cast<double>(fileCount) * 100.0)));
}

void ShowVerifyComplete(Shell& shell, std::int32_t fileCount, std::int32_t matchedFiles) {
    shell.ShowStatus(
        ui::FormatText(MultiLanguages::Text(IDS_MSG_AutoVerifyComplete),
                       {static_cast<long long>(matchedFiles), static_cast<long long>(fileCount)}));
}

} // namespace app
