#pragma once

#include <filesystem>
#include <optional>
#include <string>

// The process-wide drive registry: drive letter -> drive, and for a drive the libcdio source of
// its loaded medium. The disc engine fills it when it initialises; the CD grabbing library asks it
// to turn a drive letter into something libcdio can open. One registry per process is why the
// engine is a shared library.
namespace discengine {

struct CdioSource {
    std::string path; // what cdio_open takes: a cue or toc file, or a device node
    int driver = 0;   // libcdio driver_id_t: DRIVER_BINCUE, DRIVER_CDRDAO, DRIVER_LINUX
};

// The libcdio source for the medium in drive `letter` (upper or lower case), or nothing when the
// letter is unknown, the tray is open or the medium has no libcdio-readable payload.
// When no engine in this process has set the registry up yet, it is set up first from the drive
// store `fallbackStore` (callers pass $PLATTERLY_DRIVES or their own program folder's "drives/").
std::optional<CdioSource> DriveCdioSource(char letter, const std::filesystem::path& fallbackStore);

// What identifies the medium in drive `letter` now; nothing when the tray is open or no readable
// medium is loaded. A reader compares it while it reads: a different answer means the disc was
// swapped or ejected meanwhile. For a virtual drive every insert gives a new identity, also of
// the same image; a physical drive's answer is its device (its disc changes are libcdio's).
std::optional<std::string> MediumIdentity(char letter, const std::filesystem::path& fallbackStore);

// The store folder a process uses when nobody says otherwise: $PLATTERLY_DRIVES when set,
// else `programDir / "drives"`.
std::filesystem::path DefaultDriveStore(const std::filesystem::path& programDir);

} // namespace discengine
