#pragma once

#include "DiscPlan.h"
#include "SheetFiles.h"

#include <filesystem>

namespace discengine::sheets {

// Reads a disc image a user brings into a plan, by its extension:
// - .cue and .toc: the sheet (see CueReader.h, TocReader.h), its files opened under `rule`;
// - .iso: one data track of 2048-byte sectors;
// - .bin: the sheet of the same name beside it (.cue, then .toc; files in its folder only),
//   else one data track of 2048- or 2352-byte sectors when the sectors say which;
// anything else (.nrg, .mdf, ...) is refused with the reason. Throws EngineError.
DiscPlan ReadDiscImage(const std::filesystem::path& file, SheetRule rule);

} // namespace discengine::sheets
