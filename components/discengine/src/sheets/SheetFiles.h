#pragma once

#include "DiscPlan.h"
#include "discengine/VirtualStore.h"

#include <filesystem>
#include <string>

namespace discengine::sheets {

using discengine::SheetRule; // see VirtualStore.h

// Resolves `name` as written in the sheet at `sheet` against the sheet's folder under `rule`
// and opens it (regular files only, never blocking). WAVE files must hold CD audio. Throws
// EngineError naming the file and the reason: outside the folder, missing, a FIFO, a device...
PlanFile OpenSheetFile(const std::filesystem::path& sheet, const std::string& name, FileKind kind,
                       SheetRule rule);

} // namespace discengine::sheets
