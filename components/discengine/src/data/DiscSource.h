#pragma once

#include "isofs/Source.h"

#include <functional>
#include <memory>
#include <string>

namespace discengine {
class IDiscVolume;
}

namespace discengine::data {

// A pull reader over a file of a volume (path after "X:"); display names it in errors.
std::unique_ptr<isofs::SourceReader> OpenVolumeFile(std::shared_ptr<IDiscVolume> volume,
                                                    const std::string& path,
                                                    const std::string& display);

// The volume of the disc in drive `letter`; null when the engine has no such drive, throws
// EngineError when the drive holds nothing readable.
using VolumeLookup = std::function<std::shared_ptr<IDiscVolume>(char letter)>;

// A drive's volume as a source opener gets it. `watched`: the volume checks on each use that
// its disc is still in the drive (a virtual drive's data disc), so the opener keeps it for the
// next files instead of asking the drive again each time.
struct SourceVolume {
    std::shared_ptr<IDiscVolume> volume;
    bool watched = false;
};
using SourceVolumeLookup = std::function<SourceVolume(char letter)>;

// Opens the sources of a data image: "X:\..." paths through the drive's volume layer, every
// other path as a native file.
std::shared_ptr<const isofs::SourceOpener> MakeEngineSourceOpener(SourceVolumeLookup volumes);

} // namespace discengine::data
