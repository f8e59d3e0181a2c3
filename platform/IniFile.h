#pragma once

#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>
#include <vector>

namespace platform {

// An INI text file held in memory line by line, so that writing one key keeps every other key,
// section, comment and blank line exactly as it was. Sections and keys match without regard to
// ASCII case. Values are read with surrounding blanks dropped.
//
// Reading never fails loudly: a missing, unreadable, binary or oversized file reads as empty, so
// every lookup gives its default. Saving refuses to write over a file it could not read whole,
// so an oversized file is never truncated.
class IniFile {
public:
    explicit IniFile(std::filesystem::path file);

    // Re-reads the file from disk. False when it exists but could not be read whole.
    bool reload();
    // Writes the lines back (temporary file plus rename, so a failed write leaves the old file).
    bool save();

    const std::filesystem::path& path() const { return file_; }
    bool existsOnDisk() const;

    std::optional<std::string> value(std::string_view section, std::string_view key) const;
    std::string readString(std::string_view section, std::string_view key,
                           std::string_view def) const;
    std::int64_t readInteger(std::string_view section, std::string_view key,
                             std::int64_t def) const;
    bool readBool(std::string_view section, std::string_view key, bool def) const;

    // Sets a key in memory: replaces the first matching entry, else appends it to the section,
    // creating the section at the end of the file when missing.
    void setString(std::string_view section, std::string_view key, std::string_view value);
    void setInteger(std::string_view section, std::string_view key, std::int64_t value);
    void setBool(std::string_view section, std::string_view key, bool value);
    bool eraseKey(std::string_view section, std::string_view key);

    std::vector<std::string> sectionKeys(std::string_view section) const;

    // Files larger than this are not loaded (their keys read as defaults, and they are not saved).
    static constexpr std::uintmax_t MaxFileSize = 16u * 1024u * 1024u;

private:
    struct Line {
        std::string text;
    };
    std::optional<std::size_t> findSection(std::string_view section) const;
    std::optional<std::size_t> findKey(std::size_t sectionLine, std::string_view key) const;
    std::size_t sectionEnd(std::size_t sectionLine) const;

    std::filesystem::path file_;
    std::vector<Line> lines_;
    std::string eol_ = "\n";
    bool readWhole_ = true;
};

// Parses an INI integer the way the settings files expect: decimal, or hexadecimal after "0x"
// (or "$"); an optional sign; surrounding blanks ignored. Anything else is not a number.
std::optional<std::int64_t> ParseIniInteger(std::string_view text);

// Drops blanks and control characters (everything up to and including the space) from both ends.
std::string TrimBlanks(std::string_view text);

// One-shot helpers in the style of the platform INI routines: each call reads (and for writes,
// rewrites) the file.
std::string ReadIniString(const std::filesystem::path& file, std::string_view section,
                          std::string_view key, std::string_view def);
std::int64_t ReadIniInteger(const std::filesystem::path& file, std::string_view section,
                            std::string_view key, std::int64_t def);
bool ReadIniBool(const std::filesystem::path& file, std::string_view section, std::string_view key,
                 bool def);
bool WriteIniString(const std::filesystem::path& file, std::string_view section,
                    std::string_view key, std::string_view value);
bool WriteIniInteger(const std::filesystem::path& file, std::string_view section,
                     std::string_view key, std::int64_t value);
bool WriteIniBool(const std::filesystem::path& file, std::string_view section, std::string_view key,
                  bool value);

} // namespace platform
