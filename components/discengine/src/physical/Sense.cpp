// Sense data (key, ASC, ASCQ) of a drive's refusal turned into the device error's code and a
// text a person can act on. libburn puts the sense triple into its messages as "[K AA QQ]".
#include "Answers.h"

#include <regex>

namespace discengine::physical {
namespace {

struct SenseText {
    std::int32_t code; // key << 16 | ASC << 8 | ASCQ; ASCQ 0xFF: any qualifier of this ASC
    const char* text;
};

constexpr SenseText kAscTexts[] = {
    {0x020401, "The drive is becoming ready"},
    {0x020404, "The drive is formatting the medium"},
    {0x020407, "The drive is busy with another operation"},
    {0x020408, "The drive is busy writing"},
    {0x0204FF, "The drive is not ready"},
    {0x023A01, "No disc in the drive (the tray is closed)"},
    {0x023A02, "No disc in the drive (the tray is open)"},
    {0x023AFF, "No disc in the drive"},
    {0x020C07, "The drive needs a write recovery"},
    {0x030C00, "Write error on the disc"},
    {0x030CFF, "Write error on the disc"},
    {0x0311FF, "The disc cannot be read at this place"},
    {0x0315FF, "The drive could not position its laser"},
    {0x0331FF, "The disc's format is damaged"},
    {0x0351FF, "Erasing the disc failed"},
    {0x0373FF, "The drive failed while writing the disc's power calibration or table"},
    {0x0409FF, "The drive's laser tracking failed"},
    {0x0444FF, "The drive reported an internal failure"},
    {0x0453FF, "The drive could not load or eject the disc"},
    {0x0520FF, "The drive does not know this command"},
    {0x0521FF, "The address is outside the disc"},
    {0x0524FF, "The drive refused a setting of this operation"},
    {0x0526FF, "The drive refused a parameter of this operation"},
    {0x052C00, "The command was not expected at this point"},
    {0x052C04, "The drive needs the disc to be closed or blanked first"},
    {0x0530FF, "The disc is not suitable for this drive or this operation"},
    {0x0564FF, "The track mode is not allowed on this disc"},
    {0x0572FF, "Closing the session failed"},
    {0x0573FF, "The disc has no space left for this"},
    {0x0628FF, "The disc was changed"},
    {0x0629FF, "The drive was reset"},
    {0x062AFF, "The drive's settings were changed by another program"},
    {0x062EFF, "The drive lost a command"},
    {0x0727FF, "The disc is write-protected"},
    {0x0B00FF, "The command was aborted"},
    {0x0B47FF, "A transfer error between computer and drive"},
};

constexpr const char* kKeyTexts[16] = {
    "No error",       "Recovered error",       "The drive is not ready",
    "Medium error",   "Drive error",           "Illegal request",
    "Unit attention", "The disc is protected", "The disc is blank",
    "Vendor error",   "Copy aborted",          "Command aborted",
    "Equal",          "Volume overflow",       "Miscompare",
    "Reserved",
};

} // namespace

std::string SenseDescription(std::int32_t code) {
    for (const auto& t : kAscTexts)
        if (t.code == code)
            return t.text;
    for (const auto& t : kAscTexts)
        if ((t.code & 0xFF) == 0xFF && (t.code & 0xFFFF00) == (code & 0xFFFF00))
            return t.text;
    return kKeyTexts[(code >> 16) & 0x0F];
}

SenseError SenseOfMessage(const std::string& message) {
    static const std::regex triple(
        R"(\[([0-9A-Fa-f])\s+([0-9A-Fa-f]{1,2})\s+([0-9A-Fa-f]{1,2})\])");
    SenseError error;
    error.detail = message;
    std::smatch match;
    if (!std::regex_search(message, match, triple)) {
        error.description = message.empty() ? "The drive refused the operation" : message;
        return error;
    }
    int key = std::stoi(match[1].str(), nullptr, 16);
    int asc = std::stoi(match[2].str(), nullptr, 16);
    int ascq = std::stoi(match[3].str(), nullptr, 16);
    error.code = key << 16 | asc << 8 | ascq;
    error.description = SenseDescription(error.code);
    return error;
}

} // namespace discengine::physical
