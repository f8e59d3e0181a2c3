#include "platform/IniFile.h"

#include "platform/AtomicFile.h"

#include <algorithm>
#include <cerrno>
#include <charconv>
#include <fstream>
#include <limits>
#include <system_error>

namespace platform {

namespace {

char lowerAscii(char c) {
    return (c >= 'A' && c <= 'Z') ? char(c - 'A' + 'a') : c;
}

bool equalsNoCase(std::string_view a, std::string_view b) {
    return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) {
               return lowerAscii(x) == lowerAscii(y);
           });
}

bool isBlank(char c) {
    return static_cast<unsigned char>(c) <= ' ';
}

// "[name]" -> name; anything else -> nothing.
std::optional<std::string_view> sectionName(std::string_view line) {
    std::size_t b = 0, e = line.size();
    while (b < e && isBlank(line[b]))
        ++b;
    while (e > b && isBlank(line[e - 1]))
        --e;
    if (e - b < 2 || line[b] != '[' || line[e - 1] != ']')
        return std::nullopt;
    line = line.substr(b + 1, e - b - 2);
    b = 0;
    e = line.size();
    while (b < e && isBlank(line[b]))
        ++b;
    while (e > b && isBlank(line[e - 1]))
        --e;
    return line.substr(b, e - b);
}

// "key = value" -> (key, value) with blanks dropped; comments and other lines -> nothing.
std::optional<std::pair<std::string_view, std::string_view>> keyValue(std::string_view line) {
    std::size_t b = 0;
    while (b < line.size() && isBlank(line[b]))
        ++b;
    if (b == line.size() || line[b] == ';' || line[b] == '#' || line[b] == '[')
        return std::nullopt;
    const auto eq = line.find('=', b);
    if (eq == std::string_view::npos)
        return std::nullopt;
    std::size_t ke = eq;
    while (ke > b && isBlank(line[ke - 1]))
        --ke;
    if (ke == b)
        return std::nullopt;
    std::size_t vb = eq + 1, ve = line.size();
    while (vb < ve && isBlank(line[vb]))
        ++vb;
    while (ve > vb && isBlank(line[ve - 1]))
        --ve;
    return std::make_pair(line.substr(b, ke - b), line.substr(vb, ve - vb));
}

} // namespace

std::string TrimBlanks(std::string_view text) {
    std::size_t b = 0, e = text.size();
    while (b < e && isBlank(text[b]))
        ++b;
    while (e > b && isBlank(text[e - 1]))
        --e;
    return std::string(text.substr(b, e - b));
}

std::optional<std::int64_t> ParseIniInteger(std::string_view text) {
    const std::string t = TrimBlanks(text);
    std::string_view s = t;
    bool negative = false;
    if (!s.empty() && (s[0] == '-' || s[0] == '+')) {
        negative = s[0] == '-';
        s.remove_prefix(1);
    }
    int base = 10;
    if (s.size() > 2 && s[0] == '0' && (s[1] == 'x' || s[1] == 'X')) {
        base = 16;
        s.remove_prefix(2);
    } else if (s.size() > 1 && s[0] == '$') {
        base = 16;
        s.remove_prefix(1);
    }
    if (s.empty())
        return std::nullopt;
    std::uint64_t magnitude = 0;
    const auto [ptr, ec] = std::from_chars(s.data(), s.data() + s.size(), magnitude, base);
    if (ec != std::errc() || ptr != s.data() + s.size())
        return std::nullopt;
    if (magnitude > static_cast<std::uint64_t>(std::numeric_limits<std::int64_t>::max()))
        return std::nullopt;
    const auto v = static_cast<std::int64_t>(magnitude);
    return negative ? -v : v;
}

IniFile::IniFile(std::filesystem::path file) : file_(std::move(file)) {
    reload();
}

bool IniFile::existsOnDisk() const {
    std::error_code ec;
    return std::filesystem::is_regular_file(file_, ec);
}

bool IniFile::reload() {
    lines_.clear();
    eol_ = "\n";
    readWhole_ = true;
    std::error_code ec;
    if (!std::filesystem::exists(file_, ec))
        return true;
    if (!std::filesystem::is_regular_file(file_, ec)) {
        readWhole_ = false;
        return false;
    }
    const auto size = std::filesystem::file_size(file_, ec);
    if (ec || size > MaxFileSize) {
        readWhole_ = false;
        return false;
    }
    std::ifstream in(file_, std::ios::binary);
    if (!in) {
        readWhole_ = false;
        return false;
    }
    std::string content(size, '\0');
    in.read(content.data(), static_cast<std::streamsize>(size));
    content.resize(static_cast<std::size_t>(in.gcount()));
    if (content.find("\r\n") != std::string::npos)
        eol_ = "\r\n";
    std::size_t pos = 0;
    while (pos < content.size()) {
        auto nl = content.find('\n', pos);
        if (nl == std::string::npos)
            nl = content.size();
        std::string line = content.substr(pos, nl - pos);
        if (!line.empty() && line.back() == '\r')
            line.pop_back();
        lines_.push_back({std::move(line)});
        pos = nl + 1;
    }
    return true;
}

bool IniFile::save() {
    if (!readWhole_)
        return false;
    std::string content;
    for (const auto& l : lines_) {
        content += l.text;
        content += eol_;
    }
    return WriteFileAtomically(file_, content);
}

std::optional<std::size_t> IniFile::findSection(std::string_view section) const {
    for (std::size_t i = 0; i < lines_.size(); ++i) {
        const auto name = sectionName(lines_[i].text);
        if (name && equalsNoCase(*name, section))
            return i;
    }
    return std::nullopt;
}

std::size_t IniFile::sectionEnd(std::size_t sectionLine) const {
    std::size_t i = sectionLine + 1;
    while (i < lines_.size() && !sectionName(lines_[i].text))
        ++i;
    return i;
}

std::optional<std::size_t> IniFile::findKey(std::size_t sectionLine, std::string_view key) const {
    const auto end = sectionEnd(sectionLine);
    for (std::size_t i = sectionLine + 1; i < end; ++i) {
        const auto kv = keyValue(lines_[i].text);
        if (kv && equalsNoCase(kv->first, key))
            return i;
    }
    return std::nullopt;
}

std::optional<std::string> IniFile::value(std::string_view section, std::string_view key) const {
    const auto s = findSection(section);
    if (!s)
        return std::nullopt;
    const auto k = findKey(*s, key);
    if (!k)
        return std::nullopt;
    return std::string(keyValue(lines_[*k].text)->second);
}

std::string IniFile::readString(std::string_view section, std::string_view key,
                                std::string_view def) const {
    auto v = value(section, key);
    return v ? *v : std::string(def);
}

std::int64_t IniFile::readInteger(std::string_view section, std::string_view key,
                                  std::int64_t def) const {
    const auto v = value(section, key);
    if (!v)
        return def;
    return ParseIniInteger(*v).value_or(def);
}

bool IniFile::readBool(std::string_view section, std::string_view key, bool def) const {
    return readInteger(section, key, def ? 1 : 0) != 0;
}

void IniFile::setString(std::string_view section, std::string_view key, std::string_view value) {
    // A value is one line: a line break inside it would split the entry.
    std::string clean(value);
    std::replace_if(
        clean.begin(), clean.end(), [](char c) { return c == '\n' || c == '\r'; }, ' ');
    std::string entry = std::string(key) + "=" + clean;
    auto s = findSection(section);
    if (!s) {
        if (!lines_.empty() && !TrimBlanks(lines_.back().text).empty())
            lines_.push_back({""});
        lines_.push_back({"[" + std::string(section) + "]"});
        lines_.push_back({std::move(entry)});
        return;
    }
    if (auto k = findKey(*s, key)) {
        lines_[*k].text = std::move(entry);
        return;
    }
    // Append after the section's last non-blank line, so blank separators stay between sections.
    std::size_t insertAt = sectionEnd(*s);
    while (insertAt > *s + 1 && TrimBlanks(lines_[insertAt - 1].text).empty())
        --insertAt;
    lines_.insert(lines_.begin() + static_cast<std::ptrdiff_t>(insertAt), {std::move(entry)});
}

void IniFile::setInteger(std::string_view section, std::string_view key, std::int64_t value) {
    setString(section, key, std::to_string(value));
}

void IniFile::setBool(std::string_view section, std::string_view key, bool value) {
    setString(section, key, value ? "1" : "0");
}

bool IniFile::eraseKey(std::string_view section, std::string_view key) {
    const auto s = findSection(section);
    if (!s)
        return false;
    const auto k = findKey(*s, key);
    if (!k)
        return false;
    lines_.erase(lines_.begin() + static_cast<std::ptrdiff_t>(*k));
    return true;
}

std::vector<std::string> IniFile::sectionKeys(std::string_view section) const {
    std::vector<std::string> keys;
    const auto s = findSection(section);
    if (!s)
        return keys;
    const auto end = sectionEnd(*s);
    for (std::size_t i = *s + 1; i < end; ++i)
        if (const auto kv = keyValue(lines_[i].text))
            keys.emplace_back(kv->first);
    return keys;
}

std::string ReadIniString(const std::filesystem::path& file, std::string_view section,
                          std::string_view key, std::string_view def) {
    return IniFile(file).readString(section, key, def);
}

std::int64_t ReadIniInteger(const std::filesystem::path& file, std::string_view section,
                            std::string_view key, std::int64_t def) {
    return IniFile(file).readInteger(section, key, def);
}

bool ReadIniBool(const std::filesystem::path& file, std::string_view section, std::string_view key,
                 bool def) {
    return IniFile(file).readBool(section, key, def);
}

bool WriteIniString(const std::filesystem::path& file, std::string_view section,
                    std::string_view key, std::string_view value) {
    IniFile ini(file);
    ini.setString(section, key, value);
    return ini.save();
}

bool WriteIniInteger(const std::filesystem::path& file, std::string_view section,
                     std::string_view key, std::int64_t value) {
    return WriteIniString(file, section, key, std::to_string(value));
}

bool WriteIniBool(const std::filesystem::path& file, std::string_view section, std::string_view key,
                  bool value) {
    return WriteIniString(file, section, key, value ? "1" : "0");
}

} // namespace platform
