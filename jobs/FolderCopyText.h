#pragma once

#include "jobs/DataDiscRead.h"

#include <QString>

// The words of a folder copy, from the language table: the log line of each note and the
// closing status. The Read CD page and `platterly-cli read` say the same.
namespace jobs {

QString CopyNoteText(const CopyNote& note);

// Empty when every file was copied or skipped.
QString FolderCopyProblemsText(const FolderCopyResult& result);

} // namespace jobs
