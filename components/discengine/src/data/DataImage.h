#pragma once

#include "DiscSource.h"
#include "EngineShared.h"
#include "discengine/DataImage.h"

#include <memory>

namespace discengine::data {

// The engine's data image. Its layout reads "X:\..." sources from the store drives `lookup`
// finds and from the physical drives' volumes `physicalVolumes` opens; its jobs run on the
// engine's job runner under "image:1" (and "drive:X" for a burn) and report through its
// listener hub.
std::shared_ptr<IDataImageX> CreateDataImage(std::shared_ptr<EngineCore> core, DriveLookup lookup,
                                             VolumeLookup physicalVolumes = {});

} // namespace discengine::data
