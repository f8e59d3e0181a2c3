#pragma once

// Little/big/both-endian field writers for on-disc structures.

#include <cstdint>
#include <cstring>

namespace isofs::detail {

inline void le16(std::uint8_t* p, std::uint32_t v) {
    p[0] = static_cast<std::uint8_t>(v);
    p[1] = static_cast<std::uint8_t>(v >> 8);
}
inline void be16(std::uint8_t* p, std::uint32_t v) {
    p[0] = static_cast<std::uint8_t>(v >> 8);
    p[1] = static_cast<std::uint8_t>(v);
}
inline void le32(std::uint8_t* p, std::uint32_t v) {
    le16(p, v & 0xFFFF);
    le16(p + 2, v >> 16);
}
inline void be32(std::uint8_t* p, std::uint32_t v) {
    be16(p, v >> 16);
    be16(p + 2, v & 0xFFFF);
}
inline void le64(std::uint8_t* p, std::uint64_t v) {
    le32(p, static_cast<std::uint32_t>(v));
    le32(p + 4, static_cast<std::uint32_t>(v >> 32));
}
inline void both16(std::uint8_t* p, std::uint32_t v) {
    le16(p, v);
    be16(p + 2, v);
}
inline void both32(std::uint8_t* p, std::uint32_t v) {
    le32(p, v);
    be32(p + 4, v);
}
inline std::uint32_t rd32le(const std::uint8_t* p) {
    return p[0] | (p[1] << 8) | (p[2] << 16) | (static_cast<std::uint32_t>(p[3]) << 24);
}

} // namespace isofs::detail
