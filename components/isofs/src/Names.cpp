#include "Names.h"

#include <algorithm>
#include <unordered_map>

namespace isofs::detail {

namespace {

// Appends the code points of UTF-8 text to out.
void appendUtf32(std::string_view s, std::u32string& out) {
    for (std::size_t i = 0; i < s.size();) {
        auto c = static_cast<unsigned char>(s[i]);
        int len = c < 0x80 ? 1 : (c >> 5) == 6 ? 2 : (c >> 4) == 14 ? 3 : (c >> 3) == 30 ? 4 : 0;
        char32_t cp = len == 1 ? c : len == 2 ? (c & 0x1F) : len == 3 ? (c & 0x0F) : (c & 0x07);
        bool ok = len > 0 && i + len <= s.size();
        for (int k = 1; ok && k < len; ++k) {
            auto cc = static_cast<unsigned char>(s[i + k]);
            ok = (cc & 0xC0) == 0x80;
            cp = (cp << 6) | (cc & 0x3F);
        }
        if (ok && ((len == 2 && cp < 0x80) || (len == 3 && cp < 0x800) ||
                   (len == 4 && (cp < 0x10000 || cp > 0x10FFFF)) || (cp >= 0xD800 && cp <= 0xDFFF)))
            ok = false;
        if (!ok) {
            out.push_back(0xFFFD);
            ++i;
        } else {
            out.push_back(cp);
            i += static_cast<std::size_t>(len);
        }
    }
}

} // namespace

std::u32string utf8ToUtf32(std::string_view s) {
    std::u32string out;
    out.reserve(s.size());
    appendUtf32(s, out);
    return out;
}

std::string utf32ToUtf8(std::u32string_view s) {
    std::string out;
    for (char32_t c : s) {
        if (c < 0x80) {
            out.push_back(static_cast<char>(c));
        } else if (c < 0x800) {
            out.push_back(static_cast<char>(0xC0 | (c >> 6)));
            out.push_back(static_cast<char>(0x80 | (c & 0x3F)));
        } else if (c < 0x10000) {
            out.push_back(static_cast<char>(0xE0 | (c >> 12)));
            out.push_back(static_cast<char>(0x80 | ((c >> 6) & 0x3F)));
            out.push_back(static_cast<char>(0x80 | (c & 0x3F)));
        } else {
            out.push_back(static_cast<char>(0xF0 | (c >> 18)));
            out.push_back(static_cast<char>(0x80 | ((c >> 12) & 0x3F)));
            out.push_back(static_cast<char>(0x80 | ((c >> 6) & 0x3F)));
            out.push_back(static_cast<char>(0x80 | (c & 0x3F)));
        }
    }
    return out;
}

std::u16string utf32ToUcs2(std::u32string_view s) {
    std::u16string out;
    for (char32_t c : s)
        out.push_back(c > 0xFFFF ? u'_' : static_cast<char16_t>(c));
    return out;
}

std::string ucs2ToUtf8(std::u16string_view s) {
    std::u32string wide;
    for (std::size_t i = 0; i < s.size(); ++i) {
        char32_t c = s[i];
        if (c >= 0xD800 && c <= 0xDBFF && i + 1 < s.size() && s[i + 1] >= 0xDC00 &&
            s[i + 1] <= 0xDFFF) {
            c = 0x10000 + ((c - 0xD800) << 10) + (s[i + 1] - 0xDC00);
            ++i;
        } else if (c >= 0xD800 && c <= 0xDFFF) {
            c = 0xFFFD;
        }
        wide.push_back(c);
    }
    return utf32ToUtf8(wide);
}

namespace {

using U32 = std::u32string;
template <typename Ch> using Str = std::basic_string<Ch>;
template <typename Ch> using View = std::basic_string_view<Ch>;

template <typename Ch> Ch upperAscii(Ch c) {
    return (c >= 'a' && c <= 'z') ? static_cast<Ch>(c - 32) : c;
}

bool isDChar(char32_t c) {
    return (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '_';
}

char isoChar(char32_t c) {
    c = upperAscii(c);
    return isDChar(c) ? static_cast<char>(c) : '_';
}

U32 isoSanitize(const U32& s) {
    U32 out;
    for (char32_t c : s)
        out.push_back(static_cast<unsigned char>(isoChar(c)));
    return out;
}

// Characters a name may not keep: the given ones, controls (when asked), and what UCS-2 cannot
// hold.
bool badChar(char32_t c, std::u32string_view bad, bool controls) {
    return bad.find(c) != std::u32string_view::npos || (controls && c < 0x20) || c > 0xFFFF ||
           (c >= 0xD800 && c <= 0xDFFF);
}

U32 replaceBad(const U32& s, std::u32string_view bad, bool controls) {
    U32 out;
    for (char32_t c : s)
        out.push_back(badChar(c, bad, controls) ? U'_' : c);
    if (out.empty() || out == U"." || out == U"..")
        out = U32(out.size() + 1, U'_');
    return out;
}

// The same in UCS-2, into out (its room reused from name to name).
void replaceBadUcs2(const U32& s, std::u32string_view bad, bool controls, std::u16string& out) {
    out.clear();
    for (char32_t c : s)
        out.push_back(badChar(c, bad, controls) ? u'_' : static_cast<char16_t>(c));
    if (out.empty() || out == u"." || out == u"..")
        out.assign(out.size() + 1, u'_');
}

// Splits at the last dot of a file name (a leading dot does not start an extension).
template <typename Ch> std::pair<View<Ch>, View<Ch>> splitExt(View<Ch> name, bool isFolder) {
    if (isFolder)
        return {name, {}};
    auto dot = name.rfind(Ch('.'));
    if (dot == View<Ch>::npos || dot == 0)
        return {name, {}};
    return {name.substr(0, dot), name.substr(dot)};
}

// Adds name, shortened to maxLen keeping the extension when it is short enough to leave room
// for a name.
template <typename Ch>
void pushFitted(NameList<Ch>& list, View<Ch> name, bool isFolder, std::size_t maxLen) {
    if (name.size() <= maxLen) {
        list.push_back(name);
        return;
    }
    auto [base, ext] = splitExt(name, isFolder);
    if (ext.size() * 2 > maxLen)
        ext = {};
    Str<Ch> fitted(base.substr(0, maxLen - ext.size()));
    fitted += ext;
    list.push_back(fitted);
}

// The names of a list taken so far, by index: an open-addressing table of indices hashed by
// their names (ignoring ASCII case when fold is set), so a folder's names cost no copies and no
// allocation per name.
template <typename Ch> class TakenNames {
public:
    TakenNames(const NameList<Ch>& list, bool fold) : list_(list), fold_(fold) {
        std::size_t slots = 16;
        while (slots < list.size() * 2)
            slots *= 2;
        slots_.assign(slots, kEmpty);
    }
    // Takes entry i's current name; false when an entry taken before has it.
    bool take(std::uint32_t i) {
        const std::size_t mask = slots_.size() - 1;
        for (std::size_t s = hash(i) & mask;; s = (s + 1) & mask) {
            if (slots_[s] == kEmpty) {
                slots_[s] = i;
                if (++used_ * 2 > slots_.size())
                    grow();
                return true;
            }
            if (same(slots_[s], i))
                return false;
        }
    }

private:
    static constexpr std::uint32_t kEmpty = 0xFFFFFFFF;
    Ch at(View<Ch> s, std::size_t k) const { return fold_ ? upperAscii(s[k]) : s[k]; }
    std::size_t hash(std::uint32_t i) const {
        const View<Ch> s = list_[i];
        std::size_t h = 1469598103934665603ull;
        for (std::size_t k = 0; k < s.size(); ++k)
            h = (h ^ static_cast<std::size_t>(at(s, k))) * 1099511628211ull;
        return h ^ (h >> 29);
    }
    bool same(std::uint32_t a, std::uint32_t b) const {
        const View<Ch> x = list_[a], y = list_[b];
        if (x.size() != y.size())
            return false;
        for (std::size_t k = 0; k < x.size(); ++k)
            if (at(x, k) != at(y, k))
                return false;
        return true;
    }
    // Entries renamed after a clash can outnumber the list's size.
    void grow() {
        std::vector<std::uint32_t> old(slots_.size() * 2, kEmpty);
        old.swap(slots_);
        const std::size_t mask = slots_.size() - 1;
        for (auto i : old)
            if (i != kEmpty) {
                std::size_t s = hash(i) & mask;
                while (slots_[s] != kEmpty)
                    s = (s + 1) & mask;
                slots_[s] = i;
            }
    }

    const NameList<Ch>& list_;
    bool fold_;
    std::vector<std::uint32_t> slots_;
    std::size_t used_ = 0;
};

// Makes each name unique (compared ignoring ASCII case when caseFold) by putting mark and a
// number at the end of the name part, shortening it to stay within maxLen(i).
template <typename Ch, typename MaxLen>
void makeUnique(NameList<Ch>& list, const std::vector<NameRequest>& requests, MaxLen maxLen,
                bool caseFold, char mark) {
    TakenNames<Ch> taken(list, caseFold);
    std::unordered_map<Str<Ch>, unsigned> next; // by the clashing name, folded like the keys
    for (std::uint32_t i = 0; i < list.size(); ++i) {
        if (taken.take(i))
            continue;
        const Str<Ch> name(list[i]);
        auto [base, ext] = splitExt<Ch>(name, requests[i].isFolder);
        const std::size_t limit = maxLen(i);
        if (ext.size() + 3 > limit)
            ext = {};
        Str<Ch> clash = name;
        if (caseFold)
            for (auto& c : clash)
                c = upperAscii(c);
        unsigned& n = next[clash];
        for (Str<Ch> candidate;;) {
            ++n;
            const std::string number = mark + std::to_string(n);
            if (ext.size() + number.size() > limit) // a long extension gives way to the number
                ext = {};
            candidate.assign(base.substr(0, limit - ext.size() - number.size()));
            candidate.append(number.begin(), number.end());
            candidate.append(ext);
            list.replace(i, candidate);
            if (taken.take(i))
                break;
        }
    }
}

// The ISO9660 name of a decoded name: "NAME.EXT" of d-characters for a file, NAME for a folder.
void pushIsoCandidate(NameList<char>& list, const U32& name, bool isFolder, std::string& base,
                      std::string& ext) {
    base.clear();
    ext.clear();
    if (isFolder) {
        for (std::size_t i = 0; i < name.size() && i < 31; ++i)
            base.push_back(isoChar(name[i]));
        list.push_back(base.empty() ? std::string_view("_") : std::string_view(base));
        return;
    }
    auto [b, e] = splitExt<char32_t>(name, false);
    for (char32_t c : b)
        base.push_back(isoChar(c));
    if (!e.empty())
        for (char32_t c : e.substr(1))
            ext.push_back(isoChar(c));
    if (base.empty() && !ext.empty())
        std::swap(base, ext);
    if (base.empty())
        base = "_";
    if (ext.size() > 8)
        ext.resize(8);
    if (base.size() + ext.size() > 30)
        base.resize(30 - ext.size());
    if (!ext.empty()) {
        base.push_back('.');
        base += ext;
    }
    list.push_back(base);
}

std::size_t utf8Bytes(const std::vector<NameRequest>& names) {
    std::size_t bytes = 0;
    for (const auto& n : names)
        bytes += n.name.size();
    return bytes;
}

} // namespace

NameList<char> isoNames(const std::vector<NameRequest>& names) {
    NameList<char> list;
    list.reserve(names.size(), utf8Bytes(names));
    U32 wide;
    std::string base, ext;
    for (const auto& n : names) {
        wide.clear();
        appendUtf32(n.name, wide);
        pushIsoCandidate(list, wide, n.isFolder, base, ext);
    }
    makeUnique(
        list, names, [](std::size_t) { return 31; }, false, '_');
    return list;
}

NameList<char16_t> jolietNames(const std::vector<NameRequest>& names) {
    NameList<char16_t> list;
    list.reserve(names.size(), utf8Bytes(names));
    U32 wide;
    std::u16string clean;
    for (const auto& n : names) {
        wide.clear();
        appendUtf32(n.name, wide);
        replaceBadUcs2(wide, U"*/:;?\\", true, clean);
        pushFitted<char16_t>(list, clean, n.isFolder, 64);
    }
    makeUnique(
        list, names, [](std::size_t) { return 64; }, true, '~');
    return list;
}

NameList<char16_t> udfNames(const std::vector<NameRequest>& names) {
    static constexpr char32_t kBad[] = {U'/', U'\\', 0};
    NameList<char16_t> list;
    list.reserve(names.size(), utf8Bytes(names));
    std::vector<std::uint8_t> wideNames(names.size());
    U32 wide;
    std::u16string clean;
    for (std::size_t i = 0; i < names.size(); ++i) {
        wide.clear();
        appendUtf32(names[i].name, wide);
        replaceBadUcs2(wide, std::u32string_view(kBad, 3), false, clean);
        wideNames[i] = std::any_of(clean.begin(), clean.end(), [](char16_t c) { return c > 0xFF; });
        pushFitted<char16_t>(list, clean, names[i].isFolder, wideNames[i] ? 127 : 254);
    }
    makeUnique(
        list, names, [&](std::size_t i) { return wideNames[i] ? 127 : 254; }, false, '~');
    return list;
}

std::string isoVolumeId(std::string_view label) {
    U32 s = isoSanitize(utf8ToUtf32(label)).substr(0, 32);
    return utf32ToUtf8(s);
}

std::u16string jolietVolumeId(std::string_view label) {
    U32 s = replaceBad(utf8ToUtf32(label), U"*/:;?\\", true);
    if (label.empty())
        s.clear();
    return utf32ToUcs2(s.substr(0, 16));
}

std::u16string udfVolumeId(std::string_view label, std::size_t maxBytes) {
    U32 s = utf8ToUtf32(label);
    for (auto& c : s)
        if (c > 0xFFFF || c == 0)
            c = U'_';
    bool wide = std::any_of(s.begin(), s.end(), [](char32_t c) { return c > 0xFF; });
    // The dstring holds a compression byte, the characters and a length byte.
    std::size_t limit = wide ? (maxBytes - 2) / 2 : maxBytes - 2;
    return utf32ToUcs2(s.substr(0, limit));
}

template <class S> static bool nameExtLess(const S& a, const S& b, typename S::value_type dot) {
    auto ap = a.rfind(dot), bp = b.rfind(dot);
    S an = a.substr(0, ap), bn = b.substr(0, bp);
    if (an != bn)
        return an < bn;
    S ae = ap == S::npos ? S() : a.substr(ap + 1);
    S be = bp == S::npos ? S() : b.substr(bp + 1);
    return ae < be;
}

bool isoLess(std::string_view a, std::string_view b) {
    return nameExtLess(a, b, '.');
}
bool jolietLess(std::u16string_view a, std::u16string_view b) {
    return nameExtLess(a, b, u'.');
}

} // namespace isofs::detail
