#pragma once

#include <string>

namespace testsupport {

// Latin-1 bytes as UTF-8, written here on its own so that the readers the tests check the
// engine with do not borrow the engine's conversion.
inline std::string Latin1ToUtf8(const std::string& s) {
    std::string out;
    for (unsigned char c : s) {
        if (c < 0x80) {
            out.push_back(static_cast<char>(c));
        } else {
            out.push_back(static_cast<char>(0xC0 | (c >> 6)));
            out.push_back(static_cast<char>(0x80 | (c & 0x3F)));
        }
    }
    return out;
}

} // namespace testsupport
