#include "Text.h"

#include <cstring>
#include <vector>

namespace cdgrb {
namespace {

// Decodes UTF-8 strictly; false on any malformed or overlong sequence.
bool decodeUtf8(const std::string& s, std::vector<char32_t>& out, bool allowCutTail) {
    out.clear();
    const auto* p = reinterpret_cast<const unsigned char*>(s.data());
    const std::size_t n = s.size();
    for (std::size_t i = 0; i < n;) {
        const unsigned char c = p[i];
        int len = 0;
        char32_t cp = 0;
        if (c < 0x80) {
            len = 1;
            cp = c;
        } else if ((c & 0xE0) == 0xC0) {
            len = 2;
            cp = c & 0x1F;
        } else if ((c & 0xF0) == 0xE0) {
            len = 3;
            cp = c & 0x0F;
        } else if ((c & 0xF8) == 0xF0) {
            len = 4;
            cp = c & 0x07;
        } else {
            return false;
        }
        if (i + len > n) {
            // A multi-byte character cut by the field's width: drop it if the rest is well formed.
            for (std::size_t k = i + 1; k < n; ++k) {
                if ((p[k] & 0xC0) != 0x80)
                    return false;
            }
            return allowCutTail;
        }
        for (int k = 1; k < len; ++k) {
            if ((p[i + k] & 0xC0) != 0x80)
                return false;
            cp = (cp << 6) | (p[i + k] & 0x3F);
        }
        static constexpr char32_t minimum[] = {0, 0, 0x80, 0x800, 0x10000};
        if (cp < minimum[len] || cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF))
            return false;
        out.push_back(cp);
        i += len;
    }
    return true;
}

void appendUtf8(std::string& out, char32_t cp) {
    if (cp < 0x80) {
        out += static_cast<char>(cp);
    } else if (cp < 0x800) {
        out += static_cast<char>(0xC0 | (cp >> 6));
        out += static_cast<char>(0x80 | (cp & 0x3F));
    } else if (cp < 0x10000) {
        out += static_cast<char>(0xE0 | (cp >> 12));
        out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (cp & 0x3F));
    } else {
        out += static_cast<char>(0xF0 | (cp >> 18));
        out += static_cast<char>(0x80 | ((cp >> 12) & 0x3F));
        out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (cp & 0x3F));
    }
}

std::vector<char32_t> codePoints(const std::string& utf8, bool allowCutTail = false) {
    std::vector<char32_t> cps;
    if (!decodeUtf8(utf8, cps, allowCutTail)) {
        cps.clear();
        for (unsigned char c : utf8)
            cps.push_back(c);
    }
    return cps;
}

} // namespace

std::string fieldText(const char* field, std::size_t width) {
    const void* nul = std::memchr(field, '\0', width);
    const std::size_t len = nul ? static_cast<const char*>(nul) - field : width;
    return std::string(field, len);
}

bool fieldTerminated(const char* field, std::size_t width) {
    return std::memchr(field, '\0', width) != nullptr;
}

std::string toUtf8(const std::string& text, bool cutAtWidth) {
    std::string out;
    for (char32_t cp : codePoints(text, cutAtWidth))
        appendUtf8(out, cp);
    return out;
}

bool fitsLatin1(const std::string& utf8) {
    for (char32_t cp : codePoints(utf8)) {
        if (cp > 0xFF)
            return false;
    }
    return true;
}

std::string toLatin1(const std::string& utf8) {
    std::string out;
    for (char32_t cp : codePoints(utf8))
        out += cp > 0xFF ? '?' : static_cast<char>(cp);
    return out;
}

std::u16string toUtf16WithBom(const std::string& utf8) {
    std::u16string out(1, u'\uFEFF');
    for (char32_t cp : codePoints(utf8)) {
        if (cp >= 0x10000) {
            cp -= 0x10000;
            out += static_cast<char16_t>(0xD800 + (cp >> 10));
            out += static_cast<char16_t>(0xDC00 + (cp & 0x3FF));
        } else {
            out += static_cast<char16_t>(cp);
        }
    }
    return out;
}

} // namespace cdgrb
