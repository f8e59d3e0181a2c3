#include "BurnChecks.h"

#include "discengine/Disc.h"
#include "discengine/Errors.h"

#include <algorithm>

namespace discengine::physical {

BurnFailure DriveRefusal(const std::string& fallback) {
    SenseError sense = SenseOfMessage(TakeLibburnMessages());
    if (sense.code == 0)
        return {kErrWriteFault, fallback, sense.detail.empty() ? fallback : sense.detail};
    return {sense.code, sense.description, sense.detail};
}

void CheckMedium(const DriveAnswers& drive, const MediumAnswers& m, std::uint64_t blocks,
                 bool testMode, BurnKind kind) {
    auto caps = CapabilitiesOf(drive);
    if (!IsWriterOf(caps))
        throw BurnFailure{kErrNotWriter, "Invalid command", "the drive cannot write"};
    if (testMode && std::find(caps.begin(), caps.end(), kCapTestWrite) == caps.end())
        throw BurnFailure{kErrNotWriter, "Invalid command", "the drive cannot write in test mode"};
    if (m.status == kBurnEmpty || m.profile <= 0)
        throw BurnFailure{kErrNoMedium, "Medium not present", "no disc in the drive"};
    std::int32_t type = MediaTypeOfProfile(m.profile);
    if (!IsRecordableMedia(type))
        throw BurnFailure{kErrIncompatibleMedium, "Incompatible medium",
                          MediaTypeName(type) + " cannot be written"};
    if (kind == BurnKind::Audio && type != kMediaCDR && type != kMediaCDRW)
        throw BurnFailure{kErrIncompatibleMedium, "Incompatible medium",
                          "audio tracks need a CD-R or CD-RW, the drive holds " +
                              MediaTypeName(type)};
    // Sessions are not appended: an image's file system starts at block 0, and an audio CD is
    // written in one go.
    if (m.status != kBurnBlank)
        throw BurnFailure{kErrIncompatibleMedium, "Medium not blank",
                          "the disc already holds data; insert or erase a blank disc"};
    if (blocks > static_cast<std::uint64_t>(std::max<std::int64_t>(m.freeBlocks, 0)))
        throw BurnFailure{kErrNoSpace, "Not enough space on the medium",
                          "the image needs " + std::to_string(blocks) + " blocks, the disc has " +
                              std::to_string(m.freeBlocks)};
}

bool CanStayAppendable(burn_drive* d, bool sessionAtOnce) {
    burn_multi_caps* caps = nullptr;
    bool can = burn_disc_get_multi_caps(d, sessionAtOnce ? BURN_WRITE_SAO : BURN_WRITE_TAO, &caps,
                                        0) > 0 &&
               caps && caps->multi_session == 1;
    if (caps)
        burn_disc_free_multi_caps(&caps);
    return can;
}

} // namespace discengine::physical
