#pragma once

#include "discengine/Device.h"
#include "discengine/VirtualStore.h"

#include <filesystem>
#include <memory>
#include <optional>

// The drive's view of a stored medium: disc info, tracks (with the implied open track), block
// counts and speeds.
namespace discengine {

// Null medium (or tray open) gives the "no medium" answers.
std::shared_ptr<IDiscInfoX> MakeDiscInfo(const std::optional<MediumState>& medium);
// Track n (1-based), the open track of a blank or appendable disc included; null when absent.
std::shared_ptr<ITrackInfoX> MakeTrackInfo(const std::optional<MediumState>& medium,
                                           std::int32_t n);
std::shared_ptr<IAudioTrackListX> MakeAudioTrackList(const std::optional<MediumState>& medium);

bool MediumIsOpen(const MediumState& medium);
std::int32_t UsedBlocksOf(const MediumState& medium);
std::int32_t FreeBlocksOf(const MediumState& medium);
std::int32_t OneXSpeed(std::int32_t mediaType); // KB/s; CD for no medium
bool IsCDMedia(std::int32_t mediaType);

// FileSystemBits found in the volume descriptors of a data image at block `start`.
std::int32_t DetectFileSystems(const std::filesystem::path& image, std::int32_t start);

} // namespace discengine
