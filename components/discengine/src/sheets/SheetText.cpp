#include "SheetText.h"

#include <cctype>

namespace discengine::sheets {

std::optional<std::vector<Word>> SplitWords(const std::string& line) {
    std::vector<Word> words;
    std::size_t i = 0;
    while (i < line.size()) {
        auto c = static_cast<unsigned char>(line[i]);
        if (std::isspace(c)) {
            ++i;
            continue;
        }
        Word word;
        if (c == '"') {
            word.quoted = true;
            ++i;
            bool closed = false;
            while (i < line.size()) {
                char d = line[i++];
                if (d == '"') {
                    closed = true;
                    break;
                }
                if (d == '\\' && i < line.size())
                    d = line[i++];
                word.text += d;
            }
            if (!closed)
                return std::nullopt;
        } else {
            while (i < line.size() && !std::isspace(static_cast<unsigned char>(line[i])))
                word.text += line[i++];
        }
        words.push_back(std::move(word));
    }
    return words;
}

std::optional<std::int64_t> ParseCount(const std::string& text) {
    if (text.empty() || text.size() > 15)
        return std::nullopt;
    std::int64_t value = 0;
    for (unsigned char c : text) {
        if (!std::isdigit(c))
            return std::nullopt;
        value = value * 10 + (c - '0');
    }
    return value;
}

std::optional<std::int64_t> ParseMsf(const std::string& text) {
    auto first = text.find(':');
    auto second = first == std::string::npos ? first : text.find(':', first + 1);
    if (second == std::string::npos || text.find(':', second + 1) != std::string::npos)
        return std::nullopt;
    auto minutes = ParseCount(text.substr(0, first));
    auto seconds = ParseCount(text.substr(first + 1, second - first - 1));
    auto frames = ParseCount(text.substr(second + 1));
    if (!minutes || !seconds || !frames || *minutes > 999 || *seconds >= 60 || *frames >= 75)
        return std::nullopt;
    return (*minutes * 60 + *seconds) * 75 + *frames;
}

std::string Upper(std::string text) {
    for (char& c : text)
        c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    return text;
}

} // namespace discengine::sheets
