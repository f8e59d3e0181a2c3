#pragma once

#include "discengine/Engine.h"

#include <ostream>
#include <string>
#include <vector>

// "info X:" of the command-line tool: the source report and the destination report of drive X,
// as the Copy CD page shows them, printed as text in the current language.
// `args` are the words after "info". Returns the exit status: 0 printed, 1 unknown drive or
// engine failure (the lines made before the failure are still printed), 2 bad arguments.
int RunInfoCommand(discengine::IDVDEngineX& engine, const std::vector<std::string>& args,
                   std::ostream& out, std::ostream& err);
