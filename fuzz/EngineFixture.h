#pragma once

// The disc engine the engine targets share: one per process (the engine registers its drives
// process-wide), on a default store in the scratch folder. D: reads the sample audio CD,
// E: is a recorder with a blank CD-RW, F: a recorder with the sample data CD.

#include "discengine/Engine.h"
#include "discengine/VirtualStore.h"

namespace fuzzsupport {

discengine::IDVDEngineX& Engine();
discengine::VirtualStore Store();
// A drive of the default store; aborts when it is missing, since every target relies on it.
std::shared_ptr<discengine::IDeviceX> Drive(char letter);

} // namespace fuzzsupport
