#pragma once

#include "discengine/Device.h"
#include "isofs/Source.h"

#include <memory>
#include <vector>

namespace discengine {
class IDiscVolume;
}

namespace discengine::data {

// A pull reader over a file of a volume (path after "X:"); display names it in errors.
std::unique_ptr<isofs::SourceReader> OpenVolumeFile(std::shared_ptr<IDiscVolume> volume,
                                                    const std::string& path,
                                                    const std::string& display);

// Opens the sources of a data image: "X:\..." paths through the drive's volume layer, every
// other path as a native file. Drives are held weakly so a layout never keeps the engine alive.
std::shared_ptr<const isofs::SourceOpener>
MakeEngineSourceOpener(std::vector<std::weak_ptr<IDeviceX>> devices);

} // namespace discengine::data
