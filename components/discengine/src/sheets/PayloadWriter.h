#pragma once

#include "DiscPlan.h"
#include "discengine/VirtualStore.h"

#include <filesystem>

namespace discengine::sheets {

// Turns a plan into the drive store's payload in `folder` (a staging folder of the drive):
// disc.bin (2352-byte sectors of every track) and disc.cue when the disc has audio tracks, so
// libcdio and the grabbing library read the whole disc; disc.iso (the 2048-byte user data of the
// data tracks, addressed by LBA) when it has data tracks, for the volume layer. A source that
// already is the payload - one BIN of raw sectors, one ISO image - is linked (hard link, else a
// symbolic link to its real path) instead of copied. Returns the medium.ini state; throws
// EngineError (a source that cannot be read, a disc the payload cannot express).
MediumState WritePayload(const DiscPlan& plan, const std::filesystem::path& folder);

} // namespace discengine::sheets
