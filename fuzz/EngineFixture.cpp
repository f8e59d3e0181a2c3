#include "EngineFixture.h"

#include "FuzzSupport.h"

#include <cstdlib>

namespace fuzzsupport {
namespace {

std::filesystem::path StorePath() {
    return Scratch() / "drives";
}

std::unique_ptr<discengine::IDVDEngineX> MakeEngine() {
    // Only the store below is looked at, never a real drive of the machine.
    ::setenv("PLATTERLY_PHYSICAL_DRIVES", "0", 1);
    auto engine = discengine::CreateEngine({StorePath(), true});
    if (!engine->Initialize(0))
        Broken("the engine starts on a fresh default store", engine->LastError());
    return engine;
}

} // namespace

discengine::IDVDEngineX& Engine() {
    static std::unique_ptr<discengine::IDVDEngineX> engine = MakeEngine();
    return *engine;
}

discengine::VirtualStore Store() {
    Engine();
    return discengine::VirtualStore(StorePath());
}

std::shared_ptr<discengine::IDeviceX> Drive(char letter) {
    auto device = Engine().FindDevice(letter);
    if (!device)
        Broken("the default store has drive", std::string(1, letter));
    return device;
}

} // namespace fuzzsupport

// The engine (a fresh default store with its sample discs) is made before the first input, so
// its start-up never counts against an input's time limit.
extern "C" int LLVMFuzzerInitialize(int* /*argc*/, char*** /*argv*/) {
    fuzzsupport::Engine();
    return 0;
}
