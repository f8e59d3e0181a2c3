#pragma once

#include "DiscPlan.h"

#include <cstdint>

// Data sectors between their forms: the 2048 bytes of user data an ISO image holds, and the
// 2352-byte raw sector of a BIN.
namespace discengine::sheets {

// True when a raw sector starts with the sync pattern of a data sector.
bool HasSync(const char* sector);

// The user data of one sector of `mode` (SectorBytes(mode) bytes at `sector`) into `out`
// (2048 bytes). A raw sector without the sync pattern (a gap) gives zeros; mode 2 gives the
// form 1 data after the sub-header.
void CookSector(SectorMode mode, const char* sector, char* out);

// The raw 2352-byte mode 1 sector at `lba` for 2048 bytes of user data: sync, header, the data,
// its EDC and the P and Q parity of the error correction code.
void RawFromCooked(const char* user, std::int64_t lba, char* out);

// The raw 2352-byte form of a mode 2 sector without sync and header (2336 bytes) at `lba`.
void RawFromFormless(const char* sector, std::int64_t lba, char* out);

} // namespace discengine::sheets
