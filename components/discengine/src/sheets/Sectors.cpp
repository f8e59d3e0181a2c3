#include "Sectors.h"

#include <cstring>

namespace discengine::sheets {
namespace {

constexpr unsigned char kSync[12] = {0x00, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF,
                                     0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0x00};

unsigned char Bcd(std::int64_t value) {
    return static_cast<unsigned char>(((value / 10) << 4) | (value % 10));
}

} // namespace

void CookSector(SectorMode mode, const char* sector, char* out) {
    switch (mode) {
    case SectorMode::Mode1Cooked:
        std::memcpy(out, sector, kUserData);
        return;
    case SectorMode::Mode2Formless:
        std::memcpy(out, sector + 8, kUserData); // past the sub-header
        return;
    case SectorMode::Mode1Raw:
    case SectorMode::Mode2Raw:
        if (std::memcmp(sector, kSync, sizeof kSync) == 0 && (sector[15] == 1 || sector[15] == 2)) {
            // The header says which mode the sector really is: sheets often name it wrongly.
            std::memcpy(out, sector + (sector[15] == 1 ? 16 : 24), kUserData);
            return;
        }
        break;
    case SectorMode::Audio:
        break;
    }
    std::memset(out, 0, kUserData);
}

void RawFromFormless(const char* sector, std::int64_t lba, char* out) {
    std::memcpy(out, kSync, sizeof kSync);
    std::int64_t address = lba + 150; // sector addresses count the 2 s lead-in pregap
    out[12] = static_cast<char>(Bcd(address / (75 * 60)));
    out[13] = static_cast<char>(Bcd((address / 75) % 60));
    out[14] = static_cast<char>(Bcd(address % 75));
    out[15] = 2;
    std::memcpy(out + 16, sector, 2336);
}

} // namespace discengine::sheets
