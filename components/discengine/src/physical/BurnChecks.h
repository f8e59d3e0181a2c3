#pragma once

#include "Answers.h"
#include "Libburn.h"

#include <cstdint>
#include <string>

// The checks every physical burn makes before the drive is told to write, and the failure they
// end with.
namespace discengine::physical {

// Why a burn on a physical drive stopped, as the engine reports it.
struct BurnFailure {
    std::int32_t code;
    std::string description, detail;
};

// What the drive said when it gave up; `fallback` when its messages carry no sense data.
BurnFailure DriveRefusal(const std::string& fallback);

// What a burn puts on the medium: audio tracks need a CD, data fits any recordable medium.
enum class BurnKind { Data, Audio };

// The drive must be a writer (able to simulate in test mode) holding a blank recordable medium
// with room for `blocks`; throws BurnFailure saying what is missing.
void CheckMedium(const DriveAnswers& drive, const MediumAnswers& medium, std::uint64_t blocks,
                 bool testMode, BurnKind kind);

// Media without sessions (DVD+RW, BD-RE, DVD-RAM, files) cannot be left appendable; they stay
// writable in place anyway, so "leave open" writes them the only way they can be written.
bool CanStayAppendable(burn_drive* drive, bool sessionAtOnce);

} // namespace discengine::physical
