#pragma once

#include <cstdint>

namespace discengine {

// MediaType codes of IDiscInfoX.
enum MediaType : std::int32_t {
    kMediaNone = 0,
    kMediaDVDROM = 1,
    kMediaDVDRAM = 2,
    kMediaDVDR = 3,
    kMediaDVDRW = 4,
    kMediaDVDPRW = 5, // DVD+RW
    kMediaDVDPR = 6,  // DVD+R
    kMediaDVDRDual = 7,
    kMediaDVDPRDual = 8,
    kMediaCDRW = 9,
    kMediaCDR = 10,
    kMediaHDDVDR = 11,
    kMediaHDDVDRAM = 12,
    kMediaHDDVDROM = 13,
    kMediaBDR = 14,
    kMediaBDRE = 15,
    kMediaBDROM = 16,
    kMediaCDROM = 255,
};

// DiscType codes (CD only).
enum DiscType : std::int32_t {
    kDiscTypeCDDA = 0,
    kDiscTypeCDI = 16,
    kDiscTypeCDROMXA = 32,
    kDiscTypeUnknown = 255,
};

// DiscStatus codes.
enum DiscStatus : std::int32_t {
    kDiscEmpty = 0,
    kDiscIncomplete = 1,
    kDiscComplete = 2,
    kDiscUnknown = 3,
};

// LastSessionStatus codes.
enum SessionStatus : std::int32_t {
    kSessionEmpty = 0,
    kSessionIncomplete = 1,
    kSessionReserved = 2,
    kSessionComplete = 3,
};

// Bits of IDeviceX::TrackFileSystems (and of a data image's file-system flags).
enum FileSystemBits : std::int32_t {
    kFsISO9660 = 1,
    kFsJoliet = 2,
    kFsUDF = 4,
};

// Status of the erase events.
enum EraseStatus : std::int32_t {
    kEraseStarted = 0,
    kEraseProgress = 1,
    kEraseCompleted = 2,
    kEraseFailed = 3,
};

// Status of OnWriteStatus.
enum WriteStatus : std::int32_t {
    kWritePreparing = 0,
    kWriteCachingImage = 1,
    kWriteCachingTrack = 2,
    kWriteWriting = 3,
    kWriteClosingTrack = 4,
    kWriteLeadIn = 5,
    kWriteLeadOut = 6,
    kWriteUpdatingVolume = 8,
    kWriteCompleted = 9,
    kWriteCancelled = 10,
    kWriteError = 11,
};

// Capability codes of IDeviceX::Supports that are not plain read/write-media codes.
enum Capability : std::int32_t {
    kCapTestWrite = 30,
    kCapBufferProtect = 57,
};

// Speeds of 1x in KB/s per medium family.
constexpr std::int32_t kCDSpeed1x = 176;
constexpr std::int32_t kDVDSpeed1x = 1385;
constexpr std::int32_t kBDSpeed1x = 4496;
constexpr std::int32_t kHDDVDSpeed1x = 4568;

// Capacities in 2048-byte blocks.
constexpr std::int32_t kBlocksCD74 = 333000;
constexpr std::int32_t kBlocksCD80 = 360000;
constexpr std::int32_t kBlocksDVD = 2295104;
constexpr std::int32_t kBlocksDVDDual = 4173824;
constexpr std::int32_t kBlocksHDDVD = 7324218;
constexpr std::int32_t kBlocksBD = 12219392;

} // namespace discengine
