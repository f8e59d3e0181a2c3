// Drive answers (MMC profiles and features, libburn's disc status and speed descriptors) turned
// into the engine's media types, disc and session status, capabilities and speed lists.
#include "Answers.h"

#include "discengine/Disc.h"

#include <algorithm>
#include <functional>

namespace discengine::physical {
namespace {

struct ProfileMedia {
    int profile;
    std::int32_t mediaType;
};
// MMC profile numbers (GET CONFIGURATION) and the engine's media type codes.
constexpr ProfileMedia kProfiles[] = {
    {0x08, kMediaCDROM},
    {0x09, kMediaCDR},
    {0x0A, kMediaCDRW},
    {0x10, kMediaDVDROM},
    {0x11, kMediaDVDR},
    {0x12, kMediaDVDRAM},
    {0x13, kMediaDVDRW},
    {0x14, kMediaDVDRW},
    {0x15, kMediaDVDRDual},
    {0x16, kMediaDVDRDual},
    {0x1A, kMediaDVDPRW},
    {0x1B, kMediaDVDPR},
    {0x2A, kMediaDVDPRW},
    {0x2B, kMediaDVDPRDual},
    {0x40, kMediaBDROM},
    {0x41, kMediaBDR},
    {0x42, kMediaBDR},
    {0x43, kMediaBDRE},
    {0x50, kMediaHDDVDROM},
    {0x51, kMediaHDDVDR},
    {0x52, kMediaHDDVDRAM},
    {0x53, kMediaHDDVDROM},
    {0x58, kMediaHDDVDR},
    {0x5A, kMediaHDDVDRAM},
    // libburn's stdio pseudo-drive: a random-access overwritable "medium" like DVD-RAM.
    {kProfileStdio, kMediaDVDRAM},
};

// MMC feature codes the write capabilities rest on.
constexpr int kFeatDvdPlusRw = 0x002A;  // flags bit 0: Write
constexpr int kFeatDvdPlusR = 0x002B;   // flags bit 0: Write
constexpr int kFeatCdTao = 0x002D;      // flags bit 6: BUF (underrun protection)
constexpr int kFeatCdSao = 0x002E;      // flags bit 6: BUF
constexpr int kFeatDvdMinusRW = 0x002F; // DVD-R/-RW Write; bit 6 BUF, bit 1 DVD-RW
constexpr int kFeatDvdPlusRDl = 0x003B; // flags bit 0: Write
constexpr int kFeatBdWrite = 0x0041;
constexpr int kFeatHdDvdWrite = 0x0051;
constexpr int kFlagWrite = 0x01, kFlagDvdRw = 0x02, kFlagBuf = 0x40;

bool HasProfile(const DriveAnswers& d, std::initializer_list<int> wanted) {
    return std::any_of(wanted.begin(), wanted.end(), [&](int p) {
        return std::find(d.profiles.begin(), d.profiles.end(), p) != d.profiles.end();
    });
}

const FeatureAnswer* Feature(const DriveAnswers& d, int code) {
    for (const auto& f : d.features)
        if (f.code == code)
            return &f;
    return nullptr;
}

bool FeatureFlag(const DriveAnswers& d, int code, int flag) {
    const FeatureAnswer* f = Feature(d, code);
    return f && (f->flags & flag) != 0;
}

bool Closed(const MediumAnswers& m) {
    return m.status == kBurnFull;
}

} // namespace

std::int32_t MediaTypeOfProfile(int profile) {
    if (profile <= 0)
        return kMediaNone;
    for (const auto& p : kProfiles)
        if (p.profile == profile)
            return p.mediaType;
    return kMediaUnknownProfile;
}

std::int32_t DiscTypeOf(const std::string& cdDiscType, std::int32_t mediaType) {
    if (mediaType != kMediaCDROM && mediaType != kMediaCDR && mediaType != kMediaCDRW)
        return kDiscTypeUnknown; // the disc type belongs to CDs only
    if (cdDiscType == "CD-DA or CD-ROM")
        return kDiscTypeCDDA;
    if (cdDiscType == "CD-I")
        return kDiscTypeCDI;
    if (cdDiscType == "CD-ROM XA")
        return kDiscTypeCDROMXA;
    // A blank CD has no lead-in to tell; it becomes what is written on it.
    return cdDiscType.empty() || cdDiscType == "undefined" ? kDiscTypeCDDA : kDiscTypeUnknown;
}

std::int32_t DiscStatusOf(const MediumAnswers& m) {
    switch (m.status) {
    case kBurnBlank:
        return kDiscEmpty;
    case kBurnAppendable:
        return kDiscIncomplete;
    case kBurnFull:
        return kDiscComplete;
    default:
        return kDiscUnknown;
    }
}

std::int32_t SessionStatusOf(const MediumAnswers& m) {
    switch (m.status) {
    case kBurnBlank:
        return kSessionEmpty;
    case kBurnAppendable:
        return m.incompleteSessions > 0 ? kSessionIncomplete : kSessionComplete;
    case kBurnFull:
        return kSessionComplete;
    default:
        return 255; // "Status Unknown."
    }
}

std::optional<MediumState> MediumOf(const MediumAnswers& m) {
    if (m.status == kBurnEmpty || m.status == kBurnUngrabbed || m.profile <= 0)
        return std::nullopt;
    MediumState s;
    s.mediaType = MediaTypeOfProfile(m.profile);
    s.discType = DiscTypeOf(m.cdDiscType, s.mediaType);
    s.erasable = m.erasable;
    s.discStatus = DiscStatusOf(m);
    s.lastSessionStatus = SessionStatusOf(m);
    std::vector<TocAnswer> toc = m.toc;
    std::sort(toc.begin(), toc.end(), [](const TocAnswer& a, const TocAnswer& b) {
        return a.session != b.session ? a.session < b.session : a.start < b.start;
    });
    for (const auto& t : toc)
        if (t.blocks > 0)
            s.tracks.push_back(TrackState{t.session, (t.control & 4) == 0, t.start, t.blocks});
    std::int64_t used =
        s.tracks.empty() ? 0 : std::int64_t{s.tracks.back().start} + s.tracks.back().blocks;
    std::int64_t capacity = Closed(m) ? used : used + std::max<std::int64_t>(m.freeBlocks, 0);
    s.capacity = static_cast<std::int32_t>(std::min<std::int64_t>(capacity, INT32_MAX));
    return s;
}

std::vector<std::int32_t> CapabilitiesOf(const DriveAnswers& d) {
    // Reading: the mode page's flags, else the profile list (a drive lists what it can read).
    const std::pair<std::int32_t, bool> rules[] = {
        {0, d.readCdr || HasProfile(d, {0x09})},
        {1, d.readCdrw || HasProfile(d, {0x0A})},
        {2, d.readDvdrom || HasProfile(d, {0x10})},
        {3, d.readDvdr || HasProfile(d, {0x11})},
        {4, HasProfile(d, {0x13, 0x14})},
        {5, HasProfile(d, {0x15, 0x16})},
        {6, d.readDvdram || HasProfile(d, {0x12})},
        {7, HasProfile(d, {0x1A})},
        {8, HasProfile(d, {0x1B})},
        {9, HasProfile(d, {0x2B})},
        {10, HasProfile(d, {0x41, 0x42})},
        {11, HasProfile(d, {0x40})},
        {12, HasProfile(d, {0x43})},
        {13, HasProfile(d, {0x51})},
        {14, HasProfile(d, {0x50})},
        {15, HasProfile(d, {0x52})},
        // Writing: the mode page for CD and DVD-R/RAM, the features for the rest.
        {16, d.writeCdr},
        {17, d.writeCdrw},
        {18, d.writeDvdr || Feature(d, kFeatDvdMinusRW) != nullptr},
        {19, FeatureFlag(d, kFeatDvdMinusRW, kFlagDvdRw)},
        {20, Feature(d, kFeatDvdMinusRW) && HasProfile(d, {0x15, 0x16})},
        {22, d.writeDvdram},
        {23, FeatureFlag(d, kFeatDvdPlusRw, kFlagWrite)},
        {24, FeatureFlag(d, kFeatDvdPlusR, kFlagWrite)},
        {25, FeatureFlag(d, kFeatDvdPlusRDl, kFlagWrite)},
        {26, Feature(d, kFeatBdWrite) && HasProfile(d, {0x41, 0x42})},
        {27, Feature(d, kFeatBdWrite) && HasProfile(d, {0x43})},
        {28, Feature(d, kFeatHdDvdWrite) && HasProfile(d, {0x51})},
        {29, Feature(d, kFeatHdDvdWrite) && HasProfile(d, {0x52})},
        {kCapTestWrite, d.writeSimulate},
        {kCapBufferProtect, FeatureFlag(d, kFeatCdTao, kFlagBuf) ||
                                FeatureFlag(d, kFeatCdSao, kFlagBuf) ||
                                FeatureFlag(d, kFeatDvdMinusRW, kFlagBuf)},
    };
    std::vector<std::int32_t> codes;
    for (const auto& [code, yes] : rules)
        if (yes)
            codes.push_back(code);
    return codes;
}

bool IsWriterOf(const std::vector<std::int32_t>& capabilities) {
    return std::any_of(capabilities.begin(), capabilities.end(),
                       [](std::int32_t c) { return c >= 16 && c <= 29; });
}

std::vector<std::int32_t> WriteSpeedsOf(const DriveAnswers& d, int loadedProfile) {
    if (!IsRecordableMedia(MediaTypeOfProfile(loadedProfile)))
        return {};
    auto collect = [&](int source) {
        std::vector<std::int32_t> speeds;
        for (const auto& s : d.speeds)
            if (s.source == source && s.writeSpeed > 0 &&
                (s.profileLoaded == loadedProfile || s.profileLoaded < 0))
                speeds.push_back(s.writeSpeed);
        return speeds;
    };
    // GET PERFORMANCE answers for the loaded medium; the mode page's list when a drive has none.
    auto speeds = collect(2);
    if (speeds.empty())
        speeds = collect(1);
    std::sort(speeds.begin(), speeds.end(), std::greater<>());
    speeds.erase(std::unique(speeds.begin(), speeds.end()), speeds.end());
    return speeds;
}

std::int32_t MaxReadSpeedOf(const DriveAnswers& d) {
    std::int32_t best = 0;
    for (const auto& s : d.speeds)
        best = std::max(best, s.readSpeed);
    return best;
}

std::int32_t MaxWriteSpeedOf(const DriveAnswers& d) {
    if (!IsWriterOf(CapabilitiesOf(d)))
        return 0;
    std::int32_t best = 0;
    for (const auto& s : d.speeds)
        best = std::max(best, s.writeSpeed);
    return best;
}

} // namespace discengine::physical
