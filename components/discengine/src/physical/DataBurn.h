#pragma once

#include "PhysicalDevice.h"
#include "data/Jobs.h"

namespace discengine::data {

// Writes one data track in its own session to a physical drive through libburn: the image is
// streamed from its source while the drive writes (worker thread).
// Whether the write mode asks for one session written at once (disc-at-once) rather than
// track-at-once.
bool WritesSessionAtOnce(const ImageSettings& settings);

void RunPhysicalDeviceJob(std::shared_ptr<JobShared> job, std::unique_ptr<ImageSource> source,
                          std::shared_ptr<physical::PhysicalShared> drive, ImageSettings settings,
                          std::vector<VerifyEntry> verify);

} // namespace discengine::data
