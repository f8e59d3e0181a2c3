#pragma once

#include "VolumeCommon.h"

#include <filesystem>

namespace discengine {

// Tells, at the cost of one read, whether a drive's folder (its drive.ini, medium.ini and disc
// image) or one file may have changed since the last look. A disc read checks that its disc is
// still there before each file and each piece of one; stat-ing the image and drive.ini every
// time cost a third of a fast read. Without inotify (no kernel support, no watches left) every
// look says "changed", so callers fall back to checking for themselves.
class ChangeWatch {
public:
    // `file` (optional) is watched as the file it names now, wherever else it is linked.
    explicit ChangeWatch(const std::filesystem::path& folder,
                         const std::filesystem::path& file = {});
    // True when something may have changed since the last call (or since construction).
    bool Changed() const;

private:
    volume::UniqueFd fd_;
};

} // namespace discengine
