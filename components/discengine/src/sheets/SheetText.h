#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

// The words of a sheet line: bare words and "quoted texts" (a backslash escapes the next
// character inside quotes, as cdrdao writes them).
namespace discengine::sheets {

struct Word {
    std::string text;
    bool quoted = false;
};

// Splits one line; an unterminated quote gives nullopt.
std::optional<std::vector<Word>> SplitWords(const std::string& line);

// "mm:ss:ff" as frames (75 a second); nullopt for anything else (seconds >= 60, frames >= 75).
std::optional<std::int64_t> ParseMsf(const std::string& text);

// A non-negative decimal number; nullopt for anything else or more than 15 digits.
std::optional<std::int64_t> ParseCount(const std::string& text);

std::string Upper(std::string text);

} // namespace discengine::sheets
