#include "Names.h"

#include <algorithm>
#include <unordered_map>
#include <unordered_set>

namespace isofs::detail {

std::u32string utf8ToUtf32(std::string_view s) {
    std::u32string out;
    out.reserve(s.size());
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

char32_t upperAscii(char32_t c) {
    return (c >= 'a' && c <= 'z') ? c - 32 : c;
}

U32 fold(const U32& s) {
    U32 out = s;
    for (auto& c : out)
        c = upperAscii(c);
    return out;
}

struct U32Hash {
    std::size_t operator()(const U32& s) const {
        std::size_t h = 1469598103934665603ull;
        for (char32_t c : s)
            h = (h ^ c) * 1099511628211ull;
        return h;
    }
};

// Splits at the last dot of a file name (a leading dot does not start an extension).
std::pair<U32, U32> splitExt(const U32& name, bool isFolder) {
    if (isFolder)
        return {name, U32()};
    auto dot = name.rfind(U'.');
    if (dot == U32::npos || dot == 0)
        return {name, U32()};
    return {name.substr(0, dot), name.substr(dot)};
}

// Truncates keeping the extension when it is short enough to leave room for a name.
U32 fitLength(const U32& name, bool isFolder, std::size_t maxLen) {
    if (name.size() <= maxLen)
        return name;
    auto [base, ext] = splitExt(name, isFolder);
    if (ext.size() * 2 > maxLen)
        ext.clear();
    return base.substr(0, maxLen - ext.size()) + ext;
}

// Makes each candidate unique (compared after fold when caseFold) by putting mark and a number
// at the end of the name part, shortening it to stay within the length limit.
std::vector<U32> makeUnique(const std::vector<U32>& cands, const std::vector<bool>& isFolder,
                            const std::vector<std::size_t>& maxLen, bool caseFold,
                            char mark = '~') {
    std::unordered_set<U32, U32Hash> taken;
    taken.reserve(cands.size());
    std::unordered_map<U32, unsigned, U32Hash> next;
    auto key = [&](const U32& s) { return caseFold ? fold(s) : s; };
    std::vector<U32> out;
    out.reserve(cands.size());
    for (std::size_t i = 0; i < cands.size(); ++i) {
        U32 name = cands[i];
        if (!taken.insert(key(name)).second) {
            auto [base, ext] = splitExt(name, isFolder[i]);
            if (ext.size() + 3 > maxLen[i])
                ext.clear();
            unsigned& n = next[key(name)];
            for (;;) {
                ++n;
                std::string num = mark + std::to_string(n);
                U32 suffix(num.begin(), num.end());
                std::size_t room = maxLen[i] - ext.size() - suffix.size();
                U32 candidate = base.substr(0, room) + suffix + ext;
                if (taken.insert(key(candidate)).second) {
                    name = candidate;
                    break;
                }
            }
        }
        out.push_back(std::move(name));
    }
    return out;
}

bool isDChar(char32_t c) {
    return (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '_';
}

U32 isoSanitize(const U32& s) {
    U32 out;
    for (char32_t c : s) {
        c = upperAscii(c);
        out.push_back(isDChar(c) ? c : U'_');
    }
    return out;
}

U32 isoCandidate(const std::string& utf8, bool isFolder) {
    U32 name = utf8ToUtf32(utf8);
    if (isFolder) {
        U32 s = isoSanitize(name).substr(0, 31);
        return s.empty() ? U32(U"_") : s;
    }
    auto [base, ext] = splitExt(name, false);
    U32 b = isoSanitize(base);
    U32 e = ext.empty() ? U32() : isoSanitize(ext.substr(1));
    if (b.empty() || b.find_first_not_of(U'_') == U32::npos) {
        if (!e.empty() && b.empty()) {
            b = e;
            e.clear();
        }
    }
    if (b.empty())
        b = U"_";
    if (e.size() > 8)
        e.resize(8);
    if (b.size() + e.size() > 30)
        b.resize(30 - e.size());
    return e.empty() ? b : b + U"." + e;
}

U32 replaceBad(const U32& s, const U32& bad, bool controls) {
    U32 out;
    for (char32_t c : s) {
        bool isBad = bad.find(c) != U32::npos || (controls && c < 0x20) || c > 0xFFFF ||
                     (c >= 0xD800 && c <= 0xDFFF);
        out.push_back(isBad ? U'_' : c);
    }
    if (out.empty() || out == U"." || out == U"..")
        out = U32(out.size() + 1, U'_');
    return out;
}

} // namespace

std::vector<std::string> isoNames(const std::vector<NameRequest>& names) {
    std::vector<U32> cands;
    std::vector<bool> folders;
    std::vector<std::size_t> maxLen;
    for (const auto& n : names) {
        cands.push_back(isoCandidate(n.name, n.isFolder));
        folders.push_back(n.isFolder);
        maxLen.push_back(31);
    }
    std::vector<std::string> out;
    for (const auto& u : makeUnique(cands, folders, maxLen, false, '_'))
        out.push_back(utf32ToUtf8(u));
    return out;
}

std::vector<std::u16string> jolietNames(const std::vector<NameRequest>& names) {
    std::vector<U32> cands;
    std::vector<bool> folders;
    std::vector<std::size_t> maxLen;
    for (const auto& n : names) {
        U32 s = replaceBad(utf8ToUtf32(n.name), U"*/:;?\\", true);
        cands.push_back(fitLength(s, n.isFolder, 64));
        folders.push_back(n.isFolder);
        maxLen.push_back(64);
    }
    std::vector<std::u16string> out;
    for (const auto& u : makeUnique(cands, folders, maxLen, true))
        out.push_back(utf32ToUcs2(u));
    return out;
}

std::vector<std::u16string> udfNames(const std::vector<NameRequest>& names) {
    std::vector<U32> cands;
    std::vector<bool> folders;
    std::vector<std::size_t> maxLen;
    for (const auto& n : names) {
        U32 s = replaceBad(utf8ToUtf32(n.name), U32(U"/\\") + U32(1, 0), false);
        bool wide = std::any_of(s.begin(), s.end(), [](char32_t c) { return c > 0xFF; });
        std::size_t limit = wide ? 127 : 254;
        cands.push_back(fitLength(s, n.isFolder, limit));
        folders.push_back(n.isFolder);
        maxLen.push_back(limit);
    }
    std::vector<std::u16string> out;
    for (const auto& u : makeUnique(cands, folders, maxLen, false))
        out.push_back(utf32ToUcs2(u));
    return out;
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
