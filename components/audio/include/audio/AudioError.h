#pragma once

#include <stdexcept>
#include <string>

namespace audio {

// The one error type of the audio components: every failing call throws it, with a message that
// names the file and what went wrong, ready to be shown to the user as it stands.
class AudioError : public std::runtime_error {
public:
    explicit AudioError(const std::string& message) : std::runtime_error(message) {}
};

} // namespace audio
