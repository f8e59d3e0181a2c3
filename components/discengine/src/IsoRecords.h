#pragma once

// The records of one ISO 9660 folder, read from its bytes: what the volume needs to list a
// Joliet folder without libiso9660 resolving the folder's path from the root again (and opening
// a character converter per name) for every folder of the disc.
#include <cstddef>
#include <cstdint>
#include <ctime>
#include <string>
#include <vector>

namespace discengine::iso {

struct FolderRecord {
    std::string name; // as recorded: UTF-8 from UCS-2/UTF-16 big-endian, version kept
    std::uint32_t lsn = 0;
    std::uint32_t bytes = 0;
    bool isFolder = false;
    std::time_t recorded = 0; // UTC, the record's own time zone applied
};

// Every record of a folder whose extent is `data` (whole 2048-byte blocks), "." and ".."
// left out. Records are bounded by their block: a record that claims to run past its block or
// to hold more name than it has ends that block, as it does for other readers; nothing is read
// outside `data`.
std::vector<FolderRecord> ReadJolietFolder(const unsigned char* data, std::size_t bytes);

// The seven-byte recording time of a record, as UTC seconds (0 when not recorded).
std::time_t RecordTime(const unsigned char* date);

} // namespace discengine::iso
