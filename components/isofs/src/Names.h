#pragma once

// Name rules of the three file systems: turning any source name into a legal, unique name.

#include <string>
#include <string_view>
#include <vector>

namespace isofs::detail {

std::u32string utf8ToUtf32(std::string_view text); // invalid bytes become U+FFFD
std::string utf32ToUtf8(std::u32string_view text);
std::u16string utf32ToUcs2(std::u32string_view text); // only BMP characters are expected
std::string ucs2ToUtf8(std::u16string_view text);

struct NameRequest {
    std::string name; // UTF-8 source name
    bool isFolder = false;
};

// ISO9660: upper-case d-characters, files "NAME.EXT" (name + extension <= 30), folders <= 31
// without dots. Returned without the ";1" version.
std::vector<std::string> isoNames(const std::vector<NameRequest>& names);
// Joliet: up to 64 UCS-2 characters, no * / : ; ? \ or controls, unique ignoring case.
std::vector<std::u16string> jolietNames(const std::vector<NameRequest>& names);
// UDF: up to 254 Latin-1 or 127 UCS-2 characters, no "/" or NUL, unique.
std::vector<std::u16string> udfNames(const std::vector<NameRequest>& names);

std::string isoVolumeId(std::string_view label);                          // <= 32 d-characters
std::u16string jolietVolumeId(std::string_view label);                    // <= 16 characters
std::u16string udfVolumeId(std::string_view label, std::size_t maxBytes); // dstring content

// Ordering of directory records: name part, then extension part.
bool isoLess(std::string_view a, std::string_view b);
bool jolietLess(std::u16string_view a, std::u16string_view b);

} // namespace isofs::detail
