#pragma once

#include "../EngineShared.h"
#include "discengine/AudioImage.h"

#include <functional>
#include <memory>

namespace discengine {

// The engine's audio CD image. Its writes run on `core`'s job runner under the keys
// "drive:X" and "image:<imageId>".
std::shared_ptr<IAudioCDImageX>
CreateAudioCDImage(std::int32_t imageId, std::shared_ptr<EngineCore> core, DriveLookup lookup);

} // namespace discengine
