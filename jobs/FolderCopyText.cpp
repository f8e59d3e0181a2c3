#include "jobs/FolderCopyText.h"

#include "core/MultiLanguages.h"
#include "ui/TextFormat.h"

using MultiLanguages::Text;

namespace jobs {

namespace {

QString Q(const std::string& text) {
    return QString::fromStdString(text);
}

QString Reason(const CopyNote& note) {
    using K = CopyNote::Kind;
    switch (note.kind) {
    case K::NameLeavesFolder:
        return Text(IDS_READCD_REASON_NameLeavesFolder);
    case K::NameHasSeparator:
        return Text(IDS_READCD_REASON_NameHasSeparator);
    case K::NameTooLong:
        return Text(IDS_READCD_REASON_NameTooLong);
    case K::NotAFolder:
        return ui::FormatText(Text(IDS_READCD_REASON_NotAFolder), {Q(note.target)});
    case K::IsAFolder:
        return ui::FormatText(Text(IDS_READCD_REASON_IsAFolder), {Q(note.target)});
    case K::CannotCreate:
        return ui::FormatText(Text(IDS_READCD_REASON_CannotCreate),
                              {Q(note.target), Q(note.detail)});
    case K::CannotWrite:
        return ui::FormatText(Text(IDS_READCD_REASON_CannotWrite),
                              {Q(note.target), Q(note.detail)});
    case K::Incomplete:
        return Text(IDS_READCD_REASON_Incomplete);
    case K::DiscGone:
        return ui::FormatText(Text(IDS_READCD_REASON_DiscGone), {Q(note.detail)});
    case K::DiscError:
    default:
        return Q(note.detail);
    }
}

} // namespace

QString CopyNoteText(const CopyNote& note) {
    switch (note.kind) {
    case CopyNote::Kind::SkippedExisting:
        return ui::FormatText(Text(IDS_READCD_LOG_SkippedExisting), {Q(note.target)});
    case CopyNote::Kind::OutputMissing:
        return ui::FormatText(Text(IDS_READCD_LOG_OutputMissing), {Q(note.target)});
    case CopyNote::Kind::OutputUnwritable:
        return ui::FormatText(Text(IDS_READCD_LOG_OutputUnwritable),
                              {Q(note.target), Q(note.detail)});
    default:
        return ui::FormatText(Text(IDS_READCD_LOG_CouldNotCopy), {Q(note.source), Reason(note)});
    }
}

QString FolderCopyProblemsText(const FolderCopyResult& result) {
    if (!FolderCopyHasProblems(result))
        return {};
    QString text = ui::FormatText(
        Text(result.failed == 1 ? IDS_READCD_MSG_NotCopiedOne : IDS_READCD_MSG_NotCopiedMany),
        {static_cast<long long>(result.failed)});
    if (result.stopped)
        text += QLatin1Char(' ') + Text(IDS_READCD_MSG_OutputDiskFull);
    if (result.discGone)
        text += QLatin1Char(' ') + Text(IDS_READCD_MSG_DiscGone);
    return text;
}

} // namespace jobs
