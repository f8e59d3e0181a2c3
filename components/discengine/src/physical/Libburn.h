#pragma once

#include "Answers.h"

#include <libburn/libburn.h>

#include <memory>
#include <mutex>
#include <string>
#include <vector>

// libburn, used as one library per process: initialised once, drive lists and grabs serialised,
// every drive handle released by its owner.
namespace discengine::physical {

// libburn declares its C API inside namespace burn when compiled as C++.
using namespace burn;

// Initialises libburn on first use; false when the library cannot start (no drives then).
bool LibburnReady();
// libburn's drive list and grabbing are process-wide state: one caller at a time.
std::mutex& LibburnMutex();
// The messages libburn queued since the last call (severity SORRY and worse), one a line.
std::string TakeLibburnMessages();

// A drive libburn found: its address and what it says about itself.
struct ScannedDrive {
    std::string address; // "/dev/sr0", or "stdio:/path" for a pseudo-drive
    std::string vendor, product, revision;
};

// Which drives to use: PLATTERLY_PHYSICAL_DRIVES (when set) or the caller's setting.
// "0": none; "" or "1": every drive libburn finds; anything else: a comma-separated list of
// libburn addresses used as they are (device paths, stdio: pseudo-drives).
std::vector<ScannedDrive> FindPhysicalDrives(const std::string& setting);
// The address a setting names, or the whole scan; exposed for tests of the setting's grammar.
std::vector<std::string> AddressesOfSetting(const std::string& setting, bool& scan);

// A drive held by this process (libburn's exclusive grab); released when this goes.
class GrabbedDrive {
public:
    // Nothing (and `error` says why) when the drive cannot be opened.
    static std::unique_ptr<GrabbedDrive> Grab(const std::string& address, std::string& error);
    ~GrabbedDrive();
    GrabbedDrive(const GrabbedDrive&) = delete;
    GrabbedDrive& operator=(const GrabbedDrive&) = delete;

    burn_drive* Drive() const { return info_->drive; }
    const burn_drive_info& Info() const { return *info_; }
    bool IsPseudoDrive() const;

    DriveAnswers ReadDrive() const;
    MediumAnswers ReadMedium() const;

private:
    explicit GrabbedDrive(burn_drive_info* info) : info_(info) {}
    burn_drive_info* info_;
};

// The file libcdio and the volume layer read for a libburn address.
std::string DevicePathOf(const std::string& address);

// Why a device cannot be opened, with what to do about it: permissions (the cdrom group),
// another program holding it, the desktop having the disc mounted.
std::string AccessProblem(const std::string& devicePath, const std::string& libburnMessage);

} // namespace discengine::physical
