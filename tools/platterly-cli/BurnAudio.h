#pragma once

#include "Commands.h"

#include <string>
#include <vector>

namespace cli {

// burn X: --audio [--dao] [--test] [--speed KBs] FILE... : an audio CD from WAV, MP3 and WMA
// files in play order. `args` are the burn arguments after the drive, without "--audio".
int BurnAudio(Context& context, const std::string& drive, const std::vector<std::string>& args);

} // namespace cli
