#pragma once

#include <stdexcept>
#include <string>

namespace preview {

// A player call that cannot be done; what() is a sentence for the user.
class PlayerError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

} // namespace preview
