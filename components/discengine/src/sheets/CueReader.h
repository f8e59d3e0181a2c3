#pragma once

#include "DiscPlan.h"
#include "SheetFiles.h"

#include <filesystem>
#include <string>

namespace discengine::sheets {

// Reads the cue sheet `text` of the file `sheet`: FILE lines (BINARY, MOTOROLA, WAVE; several),
// TRACK modes AUDIO, MODE1/2048, MODE1/2352, MODE2/2352 and MODE2/2336, INDEX, PREGAP, POSTGAP,
// CATALOG, ISRC, CD-Text (TITLE, PERFORMER, SONGWRITER, COMPOSER, ARRANGER, MESSAGE, GENRE and
// REM GENRE); FLAGS, CDTEXTFILE and other REM lines are skipped. The files it names are opened
// under `rule`. What lies before INDEX 01 of the first track (a hidden pregap) is not part of
// the disc. Throws EngineError with the line and the reason.
DiscPlan ReadCueSheet(const std::filesystem::path& sheet, const std::string& text, SheetRule rule);

} // namespace discengine::sheets
