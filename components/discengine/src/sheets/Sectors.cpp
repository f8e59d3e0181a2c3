#include "Sectors.h"

#include <cstring>

namespace discengine::sheets {
namespace {

constexpr unsigned char kSync[12] = {0x00, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF,
                                     0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0x00};

unsigned char Bcd(std::int64_t value) {
    return static_cast<unsigned char>(((value / 10) << 4) | (value % 10));
}

void PutHeader(char* out, std::int64_t lba, char mode) {
    std::memcpy(out, kSync, sizeof kSync);
    std::int64_t address = lba + 150; // sector addresses count the 2 s lead-in pregap
    out[12] = static_cast<char>(Bcd(address / (75 * 60)));
    out[13] = static_cast<char>(Bcd((address / 75) % 60));
    out[14] = static_cast<char>(Bcd(address % 75));
    out[15] = mode;
}

// The EDC: a 32-bit CRC over sync, header and data with the generator
// (x^16 + x^15 + x^2 + 1)(x^16 + x^2 + x + 1), least significant bit first.
struct EdcTable {
    std::uint32_t entry[256];
    constexpr EdcTable() : entry{} {
        for (std::uint32_t i = 0; i < 256; ++i) {
            std::uint32_t value = i;
            for (int bit = 0; bit < 8; ++bit)
                value = (value >> 1) ^ ((value & 1) ? 0xD8018001u : 0u);
            entry[i] = value;
        }
    }
};
constexpr EdcTable kEdc;

std::uint32_t Edc(const unsigned char* data, std::size_t size) {
    std::uint32_t edc = 0;
    for (std::size_t i = 0; i < size; ++i)
        edc = (edc >> 8) ^ kEdc.entry[(edc ^ data[i]) & 0xFF];
    return edc;
}

// GF(2^8) with the field polynomial x^8 + x^4 + x^3 + x^2 + 1, alpha = 2.
struct Field {
    unsigned char exp[512];
    unsigned char log[256];
    constexpr Field() : exp{}, log{} {
        unsigned value = 1;
        for (int i = 0; i < 255; ++i) {
            exp[i] = exp[i + 255] = static_cast<unsigned char>(value);
            log[value] = static_cast<unsigned char>(i);
            value <<= 1;
            if (value & 0x100)
                value ^= 0x11D;
        }
    }
    constexpr unsigned char Mul(unsigned char a, unsigned char b) const {
        return a && b ? exp[log[a] + log[b]] : 0;
    }
    constexpr unsigned char Div(unsigned char a, unsigned char b) const {
        return a ? exp[log[a] + 255 - log[b]] : 0;
    }
};
constexpr Field kField;

// Two parity bytes for a Reed-Solomon code word of `length` bytes whose check rows are all ones
// and alpha^(length-1) ... alpha^0; `at(k)` is the k-th byte, the last two are the parity.
template <class At> void Parity(int length, At at) {
    unsigned char sum = 0, weighted = 0;
    for (int k = 0; k < length - 2; ++k) {
        unsigned char byte = *at(k);
        sum ^= byte;
        weighted ^= kField.Mul(byte, kField.exp[length - 1 - k]);
    }
    // p0 + p1 = sum and alpha * p0 + p1 = weighted, so (alpha + 1) * p0 = sum + weighted.
    constexpr unsigned char kAlpha = 2, kOne = 1;
    constexpr unsigned char kAlphaPlusOne = kAlpha ^ kOne; // addition in GF(2^8) is XOR
    unsigned char p0 = kField.Div(static_cast<unsigned char>(sum ^ weighted), kAlphaPlusOne);
    *at(length - 2) = p0;
    *at(length - 1) = static_cast<unsigned char>(sum ^ p0);
}

// P parity: 86 code words of 26 bytes down the columns of header and data; Q parity: 52 code
// words of 45 bytes along the diagonals, P parity included. Words are 16 bits, each byte of a
// word in its own code.
void Ecc(unsigned char* sector) {
    unsigned char* base = sector + 12;
    for (int column = 0; column < 43; ++column)
        for (int half = 0; half < 2; ++half)
            Parity(26, [&](int row) { return base + 2 * (43 * row + column) + half; });
    for (int diagonal = 0; diagonal < 26; ++diagonal)
        for (int half = 0; half < 2; ++half)
            Parity(45, [&](int k) {
                int word =
                    k < 43 ? (44 * k + 43 * diagonal) % 1118 : 1118 + 26 * (k - 43) + diagonal;
                return base + 2 * word + half;
            });
}

} // namespace

bool HasSync(const char* sector) {
    return std::memcmp(sector, kSync, sizeof kSync) == 0;
}

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
        if (HasSync(sector) && (sector[15] == 1 || sector[15] == 2)) {
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
    PutHeader(out, lba, 2);
    std::memcpy(out + 16, sector, 2336);
}

void RawFromCooked(const char* user, std::int64_t lba, char* out) {
    auto* raw = reinterpret_cast<unsigned char*>(out);
    PutHeader(out, lba, 1);
    std::memcpy(out + 16, user, kUserData);
    std::uint32_t edc = Edc(raw, 2064);
    for (int i = 0; i < 4; ++i)
        raw[2064 + i] = static_cast<unsigned char>(edc >> (8 * i));
    std::memset(out + 2068, 0, 8);
    Ecc(raw);
}

} // namespace discengine::sheets
