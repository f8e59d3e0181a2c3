#pragma once

#include <filesystem>
#include <string_view>

namespace platform {

// Replaces `file` with `content` so that a reader never sees a half-written file: the bytes go to
// a temporary file beside it, which is then renamed over the target. When the folder does not
// allow a new file but the target itself is writable, the target is rewritten in place.
bool WriteFileAtomically(const std::filesystem::path& file, std::string_view content);

} // namespace platform
