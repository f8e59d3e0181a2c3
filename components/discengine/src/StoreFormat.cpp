// drive.ini and medium.ini: parsing with clear errors, and printing.
#include "StoreFiles.h"
#include "discengine/Disc.h"
#include "discengine/Errors.h"
#include "discengine/VirtualStore.h"

#include <algorithm>
#include <sstream>

namespace discengine {

using namespace storefiles;

namespace {

constexpr std::int64_t kMaxSpeed = 1000000;
constexpr std::int64_t kMaxBlocks = 0x7fffffff;

std::vector<std::int32_t> ParseList(const IniSection& section, const std::string& key,
                                    const std::string& fileName, std::int64_t max) {
    std::vector<std::int32_t> values;
    std::stringstream items(GetText(section, key, ""));
    std::string item;
    while (std::getline(items, item, ',')) {
        IniSection one{{"v", item}};
        if (item.find_first_not_of(" \t") == std::string::npos)
            continue;
        values.push_back(
            static_cast<std::int32_t>(GetInt(one, "v", 0, fileName + ": " + key, 0, max)));
    }
    return values;
}

std::string JoinList(const std::vector<std::int32_t>& values) {
    std::string text;
    for (std::size_t i = 0; i < values.size(); ++i)
        text += (i ? "," : "") + std::to_string(values[i]);
    return text;
}

bool PlainFileName(const std::string& name) {
    return !name.empty() && name != "." && name != ".." &&
           name.find_first_of("/\\") == std::string::npos && name[0] != '.';
}

} // namespace

DriveConfig ParseDriveIni(const std::string& text, const std::string& fileName) {
    IniFile ini = ParseIni(text, fileName);
    auto drive = ini.find("drive");
    if (drive == ini.end())
        throw EngineError(fileName + " has no [Drive] section");
    const IniSection& d = drive->second;
    DriveConfig c;
    c.vendor = GetText(d, "Vendor", c.vendor);
    c.product = GetText(d, "Product", c.product);
    c.revision = GetText(d, "Revision", c.revision);
    c.writer = GetBool(d, "Writer", false, fileName);
    c.capabilities = ParseList(d, "Capabilities", fileName, 255);
    c.maxReadSpeed = static_cast<std::int32_t>(
        GetInt(d, "MaxReadSpeed", c.maxReadSpeed, fileName, 0, kMaxSpeed));
    c.maxWriteSpeed =
        static_cast<std::int32_t>(GetInt(d, "MaxWriteSpeed", 0, fileName, 0, kMaxSpeed));
    c.cdWriteSpeeds = ParseList(d, "CDWriteSpeeds", fileName, kMaxSpeed);
    c.dvdWriteSpeeds = ParseList(d, "DVDWriteSpeeds", fileName, kMaxSpeed);
    c.bufferSize =
        static_cast<std::int32_t>(GetInt(d, "BufferSize", c.bufferSize, fileName, 0, 1 << 20));
    c.trayOpen = GetBool(d, "TrayOpen", false, fileName);
    auto faults = ini.find("faults");
    if (faults != ini.end()) {
        c.failEraseAfterBlocks =
            GetInt(faults->second, "FailEraseAfterBlocks", -1, fileName, -1, kMaxBlocks);
        c.failWriteAfterBlocks =
            GetInt(faults->second, "FailWriteAfterBlocks", -1, fileName, -1, kMaxBlocks);
    }
    return c;
}

std::string FormatDriveIni(const DriveConfig& c) {
    std::ostringstream out;
    out << "[Drive]\n"
        << "Vendor=" << c.vendor << "\nProduct=" << c.product << "\nRevision=" << c.revision
        << "\nWriter=" << (c.writer ? 1 : 0) << "\nCapabilities=" << JoinList(c.capabilities)
        << "\nMaxReadSpeed=" << c.maxReadSpeed << "\nMaxWriteSpeed=" << c.maxWriteSpeed
        << "\nCDWriteSpeeds=" << JoinList(c.cdWriteSpeeds)
        << "\nDVDWriteSpeeds=" << JoinList(c.dvdWriteSpeeds) << "\nBufferSize=" << c.bufferSize
        << "\nTrayOpen=" << (c.trayOpen ? 1 : 0) << "\n";
    if (c.failEraseAfterBlocks >= 0 || c.failWriteAfterBlocks >= 0) {
        out << "\n[Faults]\n";
        if (c.failEraseAfterBlocks >= 0)
            out << "FailEraseAfterBlocks=" << c.failEraseAfterBlocks << "\n";
        if (c.failWriteAfterBlocks >= 0)
            out << "FailWriteAfterBlocks=" << c.failWriteAfterBlocks << "\n";
    }
    return out.str();
}

MediumState ParseMediumIni(const std::string& text, const std::string& fileName) {
    IniFile ini = ParseIni(text, fileName);
    auto medium = ini.find("medium");
    if (medium == ini.end())
        throw EngineError(fileName + " has no [Medium] section");
    const IniSection& m = medium->second;
    MediumState s;
    s.mediaType = static_cast<std::int32_t>(GetInt(m, "MediaType", -1, fileName, 0, 255));
    if (s.mediaType < 0)
        throw EngineError(fileName + ": MediaType is missing");
    s.discType = static_cast<std::int32_t>(GetInt(m, "DiscType", 0, fileName, 0, 255));
    s.capacity = static_cast<std::int32_t>(GetInt(m, "Capacity", 0, fileName, 0, kMaxBlocks));
    s.erasable = GetBool(m, "Erasable", false, fileName);
    s.discStatus = static_cast<std::int32_t>(GetInt(m, "DiscStatus", 0, fileName, 0, 255));
    s.lastSessionStatus =
        static_cast<std::int32_t>(GetInt(m, "LastSessionStatus", 0, fileName, 0, 255));
    s.audioPayload = GetText(m, "AudioPayload", "");
    s.dataPayload = GetText(m, "DataPayload", "");
    for (const std::string* name : {&s.audioPayload, &s.dataPayload})
        if (!name->empty() && !PlainFileName(*name))
            throw EngineError(fileName + ": payload \"" + *name +
                              "\" must be a plain file name inside the drive folder");
    auto count = GetInt(m, "Tracks", 0, fileName, 0, 99);
    std::int64_t end = 0;
    for (std::int64_t n = 1; n <= count; ++n) {
        auto section = ini.find("track" + std::to_string(n));
        if (section == ini.end())
            throw EngineError(fileName + ": [Track" + std::to_string(n) + "] is missing");
        const IniSection& t = section->second;
        TrackState track;
        std::string what = fileName + " [Track" + std::to_string(n) + "]";
        track.session = static_cast<std::int32_t>(GetInt(t, "Session", 1, what, 1, 99));
        std::string type = Lower(GetText(t, "Type", "audio"));
        if (type != "audio" && type != "data")
            throw EngineError(what + ": Type must be audio or data");
        track.audio = type == "audio";
        track.start = static_cast<std::int32_t>(GetInt(t, "Start", -1, what, 0, kMaxBlocks));
        track.blocks = static_cast<std::int32_t>(GetInt(t, "Blocks", 0, what, 1, kMaxBlocks));
        if (track.start < end)
            throw EngineError(what + ": Start overlaps the previous track or is missing");
        if (!s.tracks.empty() && track.session < s.tracks.back().session)
            throw EngineError(what + ": sessions must not decrease");
        end = std::int64_t{track.start} + track.blocks;
        if (end > kMaxBlocks)
            throw EngineError(what + ": track runs past the largest address");
        s.tracks.push_back(track);
    }
    if (s.capacity > 0 && end > s.capacity)
        throw EngineError(fileName + ": the tracks need more blocks than Capacity");
    bool anyAudio = std::any_of(s.tracks.begin(), s.tracks.end(), [](auto& t) { return t.audio; });
    bool anyData = std::any_of(s.tracks.begin(), s.tracks.end(), [](auto& t) { return !t.audio; });
    if (anyAudio && s.audioPayload.empty())
        throw EngineError(fileName + ": audio tracks without an AudioPayload");
    if (anyData && s.dataPayload.empty())
        throw EngineError(fileName + ": data tracks without a DataPayload");
    return s;
}

std::string FormatMediumIni(const MediumState& s) {
    std::ostringstream out;
    out << "[Medium]\n"
        << "MediaType=" << s.mediaType << "\nDiscType=" << s.discType << "\nCapacity=" << s.capacity
        << "\nErasable=" << (s.erasable ? 1 : 0) << "\nDiscStatus=" << s.discStatus
        << "\nLastSessionStatus=" << s.lastSessionStatus << "\nAudioPayload=" << s.audioPayload
        << "\nDataPayload=" << s.dataPayload << "\nTracks=" << s.tracks.size() << "\n";
    for (std::size_t i = 0; i < s.tracks.size(); ++i) {
        const TrackState& t = s.tracks[i];
        out << "\n[Track" << i + 1 << "]\nSession=" << t.session
            << "\nType=" << (t.audio ? "audio" : "data") << "\nStart=" << t.start
            << "\nBlocks=" << t.blocks << "\n";
    }
    return out.str();
}

namespace {
struct MediaName {
    const char* name;
    std::int32_t type;
    std::int32_t capacity;
    bool rewritable;
    bool recordable;
};
constexpr MediaName kMedia[] = {
    {"cd-rom", kMediaCDROM, kBlocksCD80, false, false},
    {"cd-r", kMediaCDR, kBlocksCD80, false, true},
    {"cd-rw", kMediaCDRW, kBlocksCD80, true, true},
    {"dvd-rom", kMediaDVDROM, kBlocksDVD, false, false},
    {"dvd-ram", kMediaDVDRAM, kBlocksDVD, true, true},
    {"dvd-r", kMediaDVDR, kBlocksDVD, false, true},
    {"dvd-rw", kMediaDVDRW, kBlocksDVD, true, true},
    {"dvd+rw", kMediaDVDPRW, kBlocksDVD, true, true},
    {"dvd+r", kMediaDVDPR, kBlocksDVD, false, true},
    {"dvd-r-dl", kMediaDVDRDual, kBlocksDVDDual, false, true},
    {"dvd+r-dl", kMediaDVDPRDual, kBlocksDVDDual, false, true},
    {"hddvd-r", kMediaHDDVDR, kBlocksHDDVD, false, true},
    {"hddvd-ram", kMediaHDDVDRAM, kBlocksHDDVD, true, true},
    {"hddvd-rom", kMediaHDDVDROM, kBlocksHDDVD, false, false},
    {"bd-r", kMediaBDR, kBlocksBD, false, true},
    {"bd-re", kMediaBDRE, kBlocksBD, true, true},
    {"bd-rom", kMediaBDROM, kBlocksBD, false, false},
};
const MediaName* FindMedia(std::int32_t type) {
    for (const auto& m : kMedia)
        if (m.type == type)
            return &m;
    return nullptr;
}
} // namespace

std::optional<std::int32_t> MediaTypeFromName(const std::string& name) {
    std::string wanted = Lower(name);
    for (const auto& m : kMedia)
        if (wanted == m.name)
            return m.type;
    return std::nullopt;
}

std::string MediaTypeName(std::int32_t mediaType) {
    if (mediaType == kMediaNone)
        return "none";
    const MediaName* m = FindMedia(mediaType);
    return m ? m->name : "unknown(" + std::to_string(mediaType) + ")";
}

std::int32_t DefaultCapacity(std::int32_t mediaType) {
    const MediaName* m = FindMedia(mediaType);
    return m ? m->capacity : 0;
}

bool IsRewritableMedia(std::int32_t mediaType) {
    const MediaName* m = FindMedia(mediaType);
    return m && m->rewritable;
}

bool IsRecordableMedia(std::int32_t mediaType) {
    const MediaName* m = FindMedia(mediaType);
    return m && m->recordable;
}

} // namespace discengine
