#pragma once

#include "discengine/AudioImage.h"
#include "discengine/DataImage.h"
#include "discengine/Device.h"
#include "discengine/Errors.h"
#include "discengine/Listener.h"
#include "discengine/MSF.h"
#include "discengine/Volume.h"

#include <cstdint>
#include <filesystem>
#include <memory>
#include <string>

namespace discengine {

struct EngineOptions {
    // The virtual drive store; empty: DefaultDriveStore(ProgramDir()) (see DriveRegistry.h).
    std::filesystem::path store;
    // Create the embedded default store when the store folder does not exist.
    bool createDefaultStore = true;
    // Physical drives (listed first, from D:): "" or "1" every drive libburn finds, "0" none,
    // else a comma-separated list of libburn addresses ("/dev/sr1", "stdio:/tmp/disc.iso").
    // The environment variable PLATTERLY_PHYSICAL_DRIVES, when set, wins.
    std::string physicalDrives = {};
};

// The disc engine: its drives (physical ones first, then the store's) and the images written
// to them.
class IDVDEngineX {
public:
    virtual ~IDVDEngineX() = default;

    // Reads the drive store (creating the default one when it is missing) and registers the
    // drives process-wide. False when the store cannot be used; LastError says why.
    virtual bool Initialize(std::int32_t flags) = 0;
    virtual std::string LastError() const = 0;
    virtual std::filesystem::path StorePath() const = 0;

    virtual std::int32_t DeviceCount() const = 0;
    // Drive `index` (from 0); throws EngineError when out of range.
    virtual std::shared_ptr<IDeviceX> Device(std::int32_t index) const = 0;
    // The drive with this letter (any case); null when there is none.
    virtual std::shared_ptr<IDeviceX> FindDevice(char letter) const = 0;

    // The engine's data image (lImageID 1) and audio image (2), made on first use and kept for
    // the engine's life. Destroying the engine cancels their running jobs.
    virtual std::shared_ptr<IDataImageX> DataImage() = 0;
    virtual std::shared_ptr<IAudioCDImageX> AudioImage() = 0;

    // Receives every event. Non-owning: the listener must stay alive until it is replaced
    // (nullptr to detach) or the engine is destroyed. Safe to call while jobs run.
    virtual void SetListener(IEngineListener* listener) = 0;
    // Blocks until no job runs (for shutdown and tests).
    virtual void WaitForJobs() = 0;
};

std::unique_ptr<IDVDEngineX> CreateEngine(EngineOptions options = {});

// The folder of the running executable.
std::filesystem::path ProgramDir();

} // namespace discengine
