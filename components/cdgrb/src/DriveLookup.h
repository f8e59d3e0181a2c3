#pragma once

#include "Disc.h"

#include <filesystem>
#include <optional>

// Drive letters are the disc engine's: its process-wide registry says what libcdio opens.
namespace cdgrb {

// The folder libcdgrb.so was loaded from.
std::filesystem::path libraryFolder();

// The medium in drive `letter` through the engine's registry, which is set up from the drive
// store ($PLATTERLY_DRIVES, else "drives/" beside this library) when no engine in the process
// has done it yet.
std::optional<Source> lookupDrive(char letter);

} // namespace cdgrb
