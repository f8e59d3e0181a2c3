#include "Device.h"

#include <cstring>

namespace cdgrb {
namespace {

// At most 32 bytes, NUL-terminated only when shorter, as the callers' buffers are.
void copyName(const std::string& name, char* buffer32) {
    if (buffer32 == nullptr)
        return;
    const std::size_t n = std::min<std::size_t>(name.size(), 32);
    std::memcpy(buffer32, name.data(), n);
    if (n < 32)
        buffer32[n] = '\0';
}

} // namespace

int Device::sessionsCount() const {
    // libcdio tells sessions apart only on some physical drives; images and single-session
    // discs are one session.
    return disc_.tracks().empty() ? 0 : 1;
}

void Device::volumeName(char* buffer32) const {
    copyName(disc_.volumeName(), buffer32);
}

void Device::fileSystemName(char* buffer32) const {
    copyName(disc_.fileSystemName(), buffer32);
}

int Device::track(int number, TGrbTrackInfo* info) const {
    if (info == nullptr)
        return CDGRB_E_ARGUMENT;
    for (const TrackEntry& t : disc_.tracks()) {
        if (t.number != number)
            continue;
        *info = TGrbTrackInfo{};
        info->Number = static_cast<std::uint8_t>(t.number);
        info->IsAudio = t.audio ? 1 : 0;
        info->StartSector = static_cast<std::uint32_t>(t.first);
        info->Sectors = static_cast<std::uint32_t>(t.sectors());
        return CDGRB_OK;
    }
    return CDGRB_E_TRACK;
}

const char* Device::cdText(int track, int kind, std::int32_t* length) {
    std::lock_guard lock(mutex_);
    const auto key = std::make_pair(track, kind);
    auto it = texts_.find(key);
    if (it == texts_.end()) {
        const auto text = disc_.cdText(track, kind);
        if (!text)
            return nullptr;
        it = texts_.emplace(key, *text).first;
    }
    if (length)
        *length = static_cast<std::int32_t>(it->second.size());
    return it->second.c_str();
}

} // namespace cdgrb
