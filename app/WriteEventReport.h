#pragma once

#include "app/Shell.h"

#include <QString>

#include <cstdint>

namespace discengine {
class IDataItemX;
class IFileErrorX;
class IWriteErrorX;
} // namespace discengine

// How a page reports the engine's write events that every write job shows alike: the status
// lines and bar of the running write, and the texts of its error and file-warning boxes.
namespace app {

// The status line and bar of a write status that does not end the job (0 to 8). Writing (3)
// sets only the bar: the speed line is the page's own. False for the ending codes (9, 10, 11)
// and for codes without a reaction.
bool ShowWriteProgress(Shell& shell, std::int32_t status, std::int32_t imageProgress,
                       std::int32_t currentTrack, std::int32_t trackProgress);

// The error box text of a write error, by its kind.
QString WriteErrorText(const discengine::IWriteErrorX* error);
// The box text of a file warning.
QString FileWarningText(const discengine::IFileErrorX* error);

// The answer of a job reading from a disc to a file warning: one unreadable file is boxed and
// passed over; a disc that left the drive ends the job (its error box follows). Gives the
// engine's ignore flag.
bool AnswerDiscFileWarning(Shell& shell, const discengine::IFileErrorX* error);

// The status lines of a track file being read and of a file going into the image.
void ShowTrackFileStatus(Shell& shell, std::int32_t trackNumber, std::int32_t fileIndex,
                         const QString& fileName);
void ShowItemAdded(Shell& shell, const discengine::IDataItemX* item);

} // namespace app
