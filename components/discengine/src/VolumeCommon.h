#pragma once

// Helpers the volume classes share (see Volume.h for the rules they enforce).

#include "discengine/Volume.h"

#include <chrono>
#include <ctime>
#include <filesystem>
#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

namespace discengine {
struct DriveState;
}

namespace discengine::volume {

// A descriptor closed with its owner.
class UniqueFd {
public:
    UniqueFd() = default;
    UniqueFd(const UniqueFd&) = delete;
    UniqueFd& operator=(const UniqueFd&) = delete;
    ~UniqueFd() { reset(-1); }
    void reset(int fd);
    int get() const { return fd_; }
    explicit operator bool() const { return fd_ >= 0; }

private:
    int fd_ = -1;
};

// Deeper disc paths are refused.
constexpr int kMaxDepth = 64;

// "\a\b" -> {"a", "b"}, views of `path`; "." and ".." are refused (EngineError), never
// followed.
std::vector<std::string_view> SplitPath(const std::string& path);
// Names from the disc become plain names: separators and controls replaced, dot names dropped
// (empty).
std::string SanitiseName(std::string name);
// Disc names compare ignoring ASCII case, as the platform of the discs does.
bool SameName(std::string_view a, std::string_view b);
// A hash that names equal under SameName share.
std::uint64_t FoldedNameHash(std::string_view name);
std::chrono::system_clock::time_point FromTimeT(std::time_t t);
std::string Latin1ToUtf8(const std::string& text);
// Copies through a temporary file in the target's folder, so a failed copy never leaves a
// partial target and never touches an existing one.
void CopyThroughTemp(const IDiscVolume& volume, const std::string& path,
                     const std::filesystem::path& target);

// A UDF volume read through libudf; throws EngineError when the image holds none.
std::shared_ptr<IDiscVolume> OpenUdfVolume(const std::filesystem::path& image);

// Opens the volume of a virtual drive's medium so that its reads fail with MediumGoneError
// once the tray is opened or the disc's image is removed, replaced or cut short. `open` opens
// the volume itself.
using VolumeOpener = std::function<std::shared_ptr<IDiscVolume>(const DriveState&)>;
std::shared_ptr<IDiscVolume> OpenWatchedVolume(const DriveState& state, const VolumeOpener& open);

} // namespace discengine::volume
