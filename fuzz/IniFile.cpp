// The INI reader and writer on a hostile settings file: setting one key and saving keeps every
// other key's value, and the key reads back as written.
#include "FuzzSupport.h"

#include "platform/IniFile.h"

#include <cstdint>
#include <map>
#include <string>
#include <utility>

namespace fs = std::filesystem;

namespace {

using Values = std::map<std::pair<std::string, std::string>, std::string>;

std::string Lower(std::string text) {
    for (auto& c : text)
        if (c >= 'A' && c <= 'Z')
            c = static_cast<char>(c - 'A' + 'a');
    return text;
}

// Every value the file answers for, asked section by section through the public lookups.
Values ReadAll(const platform::IniFile& ini, const std::string& text) {
    Values values;
    std::size_t pos = 0;
    while (pos < text.size()) {
        std::size_t end = text.find('\n', pos);
        if (end == std::string::npos)
            end = text.size();
        const std::string line =
            platform::TrimBlanks(std::string_view(text).substr(pos, end - pos));
        pos = end + 1;
        if (line.size() < 2 || line.front() != '[' || line.back() != ']')
            continue;
        const std::string section = platform::TrimBlanks(line.substr(1, line.size() - 2));
        for (const auto& key : ini.sectionKeys(section)) {
            auto slot = std::make_pair(Lower(section), Lower(key));
            if (!values.count(slot))
                values[slot] = ini.value(section, key).value_or("<missing>");
        }
    }
    return values;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const fs::path file = fuzzsupport::Scratch() / "settings.ini";
    const std::string text(reinterpret_cast<const char*>(data), size);
    testsupport::writeFile(file, text);
    platform::ParseIniInteger(text);

    platform::IniFile ini(file);
    Values before = ReadAll(ini, text);
    ini.readInteger("Config", "Language", 0);
    ini.readBool("Options", "AutoPlay", false);
    ini.setString("Fuzz", "Written", "a value\nacross lines");
    ini.eraseKey("Config", "Erased");
    if (!ini.save())
        return 0;

    platform::IniFile again(file);
    FUZZ_CHECK(again.value("fuzz", "written") == "a value across lines",
               "a key reads back as written");
    before.erase({"fuzz", "written"});
    before.erase({"config", "erased"});
    const Values after = ReadAll(again, testsupport::readFile(file));
    for (const auto& [slot, value] : before) {
        auto it = after.find(slot);
        FUZZ_CHECK(it != after.end() && it->second == value,
                   "[" + slot.first + "] " + slot.second + " keeps \"" + value + "\"");
    }
    return 0;
}
