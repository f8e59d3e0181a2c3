#pragma once

#include "../RegularFile.h"

#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

// A disc described by a user's image (cue sheet, cdrdao TOC, plain ISO or BIN): which bytes of
// which files make up each track, in the order they lie on the disc. The readers fill it, the
// payload writer turns it into the drive store's own files.
namespace discengine::sheets {

enum class SectorMode {
    Audio,        // 2352 bytes of 16-bit stereo PCM
    Mode1Cooked,  // 2048 bytes of user data (an ISO image, MODE1/2048)
    Mode1Raw,     // 2352 bytes: sync, header, user data, EDC/ECC (MODE1/2352)
    Mode2Raw,     // 2352 bytes of a mode 2 (XA) sector (MODE2/2352)
    Mode2Formless // 2336 bytes: a mode 2 sector without sync and header (MODE2/2336)
};

std::int64_t SectorBytes(SectorMode mode);
inline bool IsData(SectorMode mode) {
    return mode != SectorMode::Audio;
}

constexpr std::int64_t kRawSector = 2352;
constexpr std::int64_t kUserData = 2048;
constexpr std::int32_t kFramesPerSecond = 75;
// The longest disc a sheet may describe: 100 minutes, more than any CD holds.
constexpr std::int64_t kMaxDiscFrames = 100 * 60 * kFramesPerSecond;

enum class FileKind {
    Binary,   // raw sectors; audio as little-endian samples
    Motorola, // raw sectors; audio as big-endian samples
    Wave      // a RIFF WAVE file of CD audio: the PCM of its data chunk
};

// A file the disc's sectors come from, opened once (regular, without blocking) and read through
// this descriptor only.
struct PlanFile {
    std::filesystem::path path;
    FileKind kind = FileKind::Binary;
    SourceFile file;
    std::int64_t dataOffset = 0; // where the sectors start (past a WAVE header)
    std::int64_t dataBytes = 0;  // how many bytes of sectors follow
};

// A run of bytes of a track: from a file's data, or generated (file < 0: silence for audio,
// empty sectors for data).
struct Piece {
    int file = -1;
    std::int64_t offset = 0; // from the file's dataOffset
    std::int64_t bytes = 0;
};

struct TextFields {
    std::string title, performer, songwriter, composer, arranger, message; // UTF-8
};

struct PlanTrack {
    SectorMode mode = SectorMode::Audio;
    std::vector<Piece> pieces; // from the track's first sector (INDEX 00) to the next track
    std::int64_t index1 = 0;   // sectors from the first sector to INDEX 01
    TextFields text;
    std::string isrc;

    // Sectors the pieces fill; a partial last sector is completed with zeros.
    std::int64_t Sectors() const;
};

struct DiscPlan {
    std::vector<PlanFile> files;
    std::vector<PlanTrack> tracks;
    TextFields text;
    std::string genre;
    std::string catalog; // UPC/EAN, 13 digits
};

// Removes the first `bytes` of the track's pieces (what lies before the disc's first sector).
void DropLeadingBytes(PlanTrack& track, std::int64_t bytes);

// Refuses a plan no disc can hold: no tracks, more than 99, an empty track, more than
// kMaxDiscFrames in all. Throws EngineError naming `source`.
void CheckPlan(const DiscPlan& plan, const std::string& source);

} // namespace discengine::sheets
