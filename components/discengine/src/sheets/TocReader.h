#pragma once

#include "DiscPlan.h"
#include "SheetFiles.h"

#include <filesystem>
#include <string>

namespace discengine::sheets {

// Reads the cdrdao TOC `text` of the file `sheet`: tracks AUDIO, MODE1, MODE1_RAW, MODE2 and
// MODE2_RAW made of FILE/AUDIOFILE (with #offset, start and length), DATAFILE, SILENCE, ZERO and
// PREGAP, with START, INDEX, ISRC, CATALOG and CD_TEXT (language 0). Raw audio files hold
// big-endian samples, as cdrdao writes them; files named *.wav are WAVE files. FIFO sources and
// sub-channel data are refused. Files are opened under `rule`. Throws EngineError.
DiscPlan ReadTocFile(const std::filesystem::path& sheet, const std::string& text, SheetRule rule);

} // namespace discengine::sheets
