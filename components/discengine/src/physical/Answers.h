#pragma once

#include "discengine/VirtualStore.h"

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

// What a physical drive says about itself and its medium, in the drive's own terms (MMC profile
// and feature numbers, libburn's disc status, speeds in 1000 bytes/s), and how those answers
// become the engine's values. The answers come from libburn at run time and from recorded
// answers of real drive models in the tests, so the mapping never needs a drive to be checked.
namespace discengine::physical {

// One speed descriptor (libburn's burn_speed_descriptor).
struct SpeedAnswer {
    int source = 0;         // 1 mode page 2Ah, 2 GET PERFORMANCE (write), 3 (read)
    int profileLoaded = -1; // the profile the drive had loaded when it answered
    int writeSpeed = 0;     // 1000 bytes/s
    int readSpeed = 0;
};

// One MMC feature: its code and the first byte of its feature data (flags such as Write or
// BUF live there).
struct FeatureAnswer {
    int code = 0;
    int flags = 0;
};

// The drive, independent of the loaded medium.
struct DriveAnswers {
    std::string vendor, product, revision;
    std::vector<int> profiles; // every profile the drive announces
    std::vector<FeatureAnswer> features;
    // Mode page 2Ah flags as libburn reports them.
    bool readCdr = false, readCdrw = false, readDvdrom = false, readDvdr = false,
         readDvdram = false;
    bool writeCdr = false, writeCdrw = false, writeDvdr = false, writeDvdram = false;
    bool writeSimulate = false;
    int bufferKB = 0;
    std::vector<SpeedAnswer> speeds;
};

// One entry of the table of contents.
struct TocAnswer {
    int session = 1;
    int control = 0; // Q sub-channel control: bit 2 set = data track
    int start = 0;   // LBA
    int blocks = 0;
};

// libburn's burn_disc_status values.
enum BurnDiscStatus : int {
    kBurnUnready = 0,
    kBurnBlank = 1,
    kBurnEmpty = 2,
    kBurnAppendable = 3,
    kBurnFull = 4,
    kBurnUngrabbed = 5,
    kBurnUnsuitable = 6,
};

// The loaded medium.
struct MediumAnswers {
    int profile = 0; // current profile, 0 = none
    int status = kBurnEmpty;
    bool erasable = false;
    std::string cdDiscType;     // burn_disc_get_cd_info's disc type text ("" when not asked)
    int incompleteSessions = 0; // sessions still open for appending
    std::vector<TocAnswer> toc;
    std::int64_t freeBlocks = 0; // writable 2048-byte blocks left
};

// The profile number libburn gives its stdio pseudo-drives (not an MMC profile).
constexpr int kProfileStdio = 0xffff;
// A medium whose profile the engine has no code for ("Unknown Media").
constexpr std::int32_t kMediaUnknownProfile = 254;

std::int32_t MediaTypeOfProfile(int profile);
std::int32_t DiscTypeOf(const std::string& cdDiscType, std::int32_t mediaType);
// DiscStatus and LastSessionStatus codes.
std::int32_t DiscStatusOf(const MediumAnswers& medium);
std::int32_t SessionStatusOf(const MediumAnswers& medium);
// The medium as the engine's disc model sees it; nothing when the drive holds no medium.
std::optional<MediumState> MediumOf(const MediumAnswers& medium);

// Supports codes the drive answers true, ascending.
std::vector<std::int32_t> CapabilitiesOf(const DriveAnswers& drive);
bool IsWriterOf(const std::vector<std::int32_t>& capabilities);
// Write speeds in KB/s (the engine's unit, 1000 bytes/s as MMC counts) for the loaded profile,
// fastest first, each once; none without a writable medium.
std::vector<std::int32_t> WriteSpeedsOf(const DriveAnswers& drive, int loadedProfile);
std::int32_t MaxReadSpeedOf(const DriveAnswers& drive);
std::int32_t MaxWriteSpeedOf(const DriveAnswers& drive);

// A drive's refusal: the sense code (key << 16 | ASC << 8 | ASCQ, 0 when the message carries
// none) and a description a person can act on.
struct SenseError {
    std::int32_t code = 0;
    std::string description;
    std::string detail;
};
// libburn's message texts carry the drive's sense data as "[K AA QQ]".
SenseError SenseOfMessage(const std::string& message);
std::string SenseDescription(std::int32_t code);

} // namespace discengine::physical
