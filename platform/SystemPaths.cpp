#include "platform/SystemPaths.h"

#include <cstdlib>
#include <pwd.h>
#include <sys/stat.h>
#include <sys/statvfs.h>
#include <unistd.h>

namespace platform {

std::filesystem::path ExecutablePath() {
    std::error_code ec;
    auto p = std::filesystem::read_symlink("/proc/self/exe", ec);
    return ec ? std::filesystem::path() : p;
}

std::filesystem::path ProgramDir() {
    const auto exe = ExecutablePath();
    return exe.empty() ? std::filesystem::path(".") : exe.parent_path();
}

std::optional<VolumeSpace> QueryVolumeSpace(const std::filesystem::path& path) {
    std::error_code ec;
    auto p = std::filesystem::weakly_canonical(path, ec);
    if (ec)
        p = path;
    // Walk up to the first existing folder: the asked folder may not exist yet.
    while (!p.empty() && !std::filesystem::exists(p, ec) && p.has_parent_path() &&
           p.parent_path() != p)
        p = p.parent_path();
    struct statvfs vfs {};
    if (::statvfs(p.c_str(), &vfs) != 0)
        return std::nullopt;
    VolumeSpace space;
    space.freeBytes = std::uint64_t(vfs.f_bavail) * vfs.f_frsize;
    space.totalBytes = std::uint64_t(vfs.f_blocks) * vfs.f_frsize;
    // The mount point is the highest ancestor still on the same device.
    struct stat st {};
    if (::stat(p.c_str(), &st) != 0)
        return std::nullopt;
    auto mount = p;
    while (mount.has_parent_path() && mount.parent_path() != mount) {
        struct stat up {};
        if (::stat(mount.parent_path().c_str(), &up) != 0 || up.st_dev != st.st_dev)
            break;
        mount = mount.parent_path();
    }
    space.mountPoint = mount;
    return space;
}

std::filesystem::path UserConfigDir() {
    if (const char* xdg = std::getenv("XDG_CONFIG_HOME"); xdg && *xdg == '/')
        return xdg;
    if (const char* home = std::getenv("HOME"); home && *home)
        return std::filesystem::path(home) / ".config";
    if (const passwd* pw = ::getpwuid(::getuid()); pw && pw->pw_dir)
        return std::filesystem::path(pw->pw_dir) / ".config";
    return {};
}

} // namespace platform
