#include "platform/Processes.h"

#include <csignal>
#include <sys/stat.h>
#include <unistd.h>

#include <charconv>
#include <string>

namespace platform {

std::vector<pid_t> ProcessesRunning(const std::filesystem::path& executable) {
    std::vector<pid_t> found;
    struct stat wanted {};
    if (::stat(executable.c_str(), &wanted) != 0)
        return found;
    const uid_t me = ::getuid();
    const pid_t self = ::getpid();
    std::error_code ec;
    for (const auto& entry : std::filesystem::directory_iterator("/proc", ec)) {
        const std::string name = entry.path().filename().string();
        pid_t pid = 0;
        const auto [end, rc] = std::from_chars(name.data(), name.data() + name.size(), pid);
        if (rc != std::errc() || end != name.data() + name.size() || pid == self)
            continue;
        struct stat owner {};
        if (::stat(entry.path().c_str(), &owner) != 0 || owner.st_uid != me)
            continue;
        // stat() through /proc/PID/exe names the running file itself, even after a rename.
        struct stat exe {};
        if (::stat((entry.path() / "exe").c_str(), &exe) != 0)
            continue;
        if (exe.st_dev == wanted.st_dev && exe.st_ino == wanted.st_ino)
            found.push_back(pid);
    }
    return found;
}

bool AskToClose(pid_t pid) {
    return ::kill(pid, SIGTERM) == 0;
}

bool IsRunning(pid_t pid) {
    // A zombie child still answers kill(); its state in /proc tells it has ended.
    if (::kill(pid, 0) != 0)
        return false;
    std::error_code ec;
    const auto stat = std::filesystem::path("/proc") / std::to_string(pid) / "stat";
    FILE* f = std::fopen(stat.c_str(), "r");
    if (!f)
        return false;
    char buffer[512] = {};
    const size_t n = std::fread(buffer, 1, sizeof buffer - 1, f);
    std::fclose(f);
    const std::string text(buffer, n);
    const auto close = text.rfind(')');
    return close == std::string::npos || close + 2 >= text.size() || text[close + 2] != 'Z';
}

} // namespace platform
