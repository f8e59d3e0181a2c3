#pragma once

#include "EngineShared.h"
#include "discengine/DataImage.h"
#include "discengine/Device.h"

#include <filesystem>
#include <memory>
#include <vector>

namespace discengine::data {

// The engine's data image. Its layout reads "X:\..." sources from these drives; its jobs run
// on the engine's job runner and report through its listener hub.
std::shared_ptr<IDataImageX> CreateDataImage(std::shared_ptr<EngineCore> core,
                                             const std::vector<std::shared_ptr<IDeviceX>>& devices,
                                             std::filesystem::path store);

} // namespace discengine::data
