#pragma once

#include "Commands.h"

#include <string>
#include <vector>

namespace cli {

// burn X: (--image FILE.iso | SOURCE...) [--speed KBPS] [--test] [--finalize]: a data disc from
// files and folders (native or "X:\...") or from an image file. `args` follow the drive.
int BurnData(Context& context, const std::string& drive, const std::vector<std::string>& args);

} // namespace cli
