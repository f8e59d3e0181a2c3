#include "platform/AutoStart.h"

#include "platform/AtomicFile.h"
#include "platform/SystemPaths.h"

#include <string>

namespace platform {

namespace {

// Exec= values quote arguments that hold blanks or reserved characters; inside quotes the
// characters " ` $ \ are escaped with a backslash.
std::string quoteExec(const std::string& path) {
    if (path.find_first_of(" \t\"'`$\\><~|&;*?#()") == std::string::npos)
        return path;
    std::string quoted = "\"";
    for (char c : path) {
        if (c == '"' || c == '`' || c == '$' || c == '\\')
            quoted += '\\';
        quoted += c;
    }
    quoted += '"';
    return quoted;
}

} // namespace

std::filesystem::path AutoStartEntryPath(const std::string& entryName) {
    const auto config = UserConfigDir();
    if (config.empty())
        return {};
    return config / "autostart" / (entryName + ".desktop");
}

bool WriteAutoStartEntry(const std::string& entryName, const std::filesystem::path& executable) {
    const auto entry = AutoStartEntryPath(entryName);
    if (entry.empty() || executable.empty())
        return false;
    std::error_code ec;
    std::filesystem::create_directories(entry.parent_path(), ec);
    const std::string content = "[Desktop Entry]\n"
                                "Type=Application\n"
                                "Name=Platterly\n"
                                "Exec=" +
                                quoteExec(executable.string()) +
                                "\n"
                                "X-GNOME-Autostart-enabled=true\n";
    return WriteFileAtomically(entry, content);
}

bool RemoveAutoStartEntry(const std::string& entryName) {
    const auto entry = AutoStartEntryPath(entryName);
    if (entry.empty())
        return false;
    std::error_code ec;
    std::filesystem::remove(entry, ec);
    return !ec;
}

} // namespace platform
