#pragma once

// Name rules of the three file systems: turning any source name into a legal, unique name.

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace isofs::detail {

std::u32string utf8ToUtf32(std::string_view text); // invalid bytes become U+FFFD
std::string utf32ToUtf8(std::u32string_view text);
std::u16string utf32ToUcs2(std::u32string_view text); // only BMP characters are expected
std::string ucs2ToUtf8(std::u16string_view text);

struct NameRequest {
    std::string_view name; // UTF-8 source name
    bool isFolder = false;
};

// One folder's names in one file system, in request order, kept in a single buffer: a folder of
// thousands of files costs a few allocations, not several per name.
template <typename Ch> class NameList {
public:
    using View = std::basic_string_view<Ch>;
    std::size_t size() const { return spans_.size(); }
    View operator[](std::size_t i) const {
        return View(text_).substr(spans_[i].first, spans_[i].second);
    }
    void reserve(std::size_t names, std::size_t chars) {
        spans_.reserve(names);
        text_.reserve(chars);
    }
    void push_back(View name) {
        spans_.emplace_back(static_cast<std::uint32_t>(text_.size()),
                            static_cast<std::uint32_t>(name.size()));
        text_.append(name);
    }
    // `name` must not point into this list.
    void replace(std::size_t i, View name) {
        spans_[i] = {static_cast<std::uint32_t>(text_.size()),
                     static_cast<std::uint32_t>(name.size())};
        text_.append(name);
    }

private:
    std::basic_string<Ch> text_;
    std::vector<std::pair<std::uint32_t, std::uint32_t>> spans_; // offset, length
};

// ISO9660: upper-case d-characters, files "NAME.EXT" (name + extension <= 30), folders <= 31
// without dots. Returned without the ";1" version.
NameList<char> isoNames(const std::vector<NameRequest>& names);
// Joliet: up to 64 UCS-2 characters, no * / : ; ? \ or controls, unique ignoring case.
NameList<char16_t> jolietNames(const std::vector<NameRequest>& names);
// UDF: up to 254 Latin-1 or 127 UCS-2 characters, no "/" or NUL, unique.
NameList<char16_t> udfNames(const std::vector<NameRequest>& names);

std::string isoVolumeId(std::string_view label);                          // <= 32 d-characters
std::u16string jolietVolumeId(std::string_view label);                    // <= 16 characters
std::u16string udfVolumeId(std::string_view label, std::size_t maxBytes); // dstring content

// Ordering of directory records: name part, then extension part.
bool isoLess(std::string_view a, std::string_view b);
bool jolietLess(std::u16string_view a, std::u16string_view b);

} // namespace isofs::detail
