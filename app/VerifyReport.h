#pragma once

#include "app/Shell.h"

#include <cstdint>

namespace discengine {
class IDataItemX;
}

// What a page shows while the engine verifies the files it wrote (the burn and the disc-to-image
// jobs verify the same way): the count at the start, and per file its status line, the bar and,
// for a file that does not match, one error box.
namespace app {

void ShowVerifyStart(Shell& shell, std::int32_t fileCount);
void ShowFileVerified(Shell& shell, const discengine::IDataItemX* item, std::int32_t verifyStatus,
                      std::int32_t fileIndex, std::int32_t fileCount);
// The closing count: how many of the files matched.
void ShowVerifyComplete(Shell& shell, std::int32_t fileCount, std::int32_t matchedFiles);

} // namespace app
