#include "isofs/TargetFile.h"

#include "isofs/Errors.h"

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace isofs {

namespace {

// The mode a new file gets from open(..., 0666) under the process's umask. Read from
// /proc/self/status: calling umask() to read it would change it for a moment under the feet of
// other threads.
mode_t newFileMode() {
    if (FILE* status = std::fopen("/proc/self/status", "re")) {
        char line[256];
        unsigned mask = 0;
        bool found = false;
        while (!found && std::fgets(line, sizeof line, status))
            found = std::sscanf(line, "Umask: %o", &mask) == 1;
        std::fclose(status);
        if (found)
            return static_cast<mode_t>(0666 & ~mask);
    }
    return 0644;
}

} // namespace

TargetFile::TargetFile(const std::filesystem::path& target) : target_(target) {
    std::filesystem::path folder = target.parent_path();
    if (folder.empty())
        folder = ".";
    std::string pattern = (folder / ("." + target.filename().string() + ".XXXXXX.part")).string();
    int fd = ::mkostemps(pattern.data(), 5, O_CLOEXEC);
    if (fd < 0) {
        int err = errno;
        throw OutputError(err,
                          "Cannot create a file in " + folder.string() + ": " + std::strerror(err));
    }
    ::fchmod(fd, newFileMode()); // mkstemp makes it 0600
    fd_ = fd;
    temp_ = pattern;
}

TargetFile::~TargetFile() {
    discard();
}

void TargetFile::discard() {
    if (done_)
        return;
    done_ = true;
    if (fd_ >= 0)
        ::close(fd_);
    fd_ = -1;
    ::unlink(temp_.c_str());
}

void TargetFile::commit() {
    if (done_)
        throw OutputError(EINVAL, "The target file was already closed");
    int fd = fd_;
    fd_ = -1;
    if (::close(fd) != 0) {
        int err = errno;
        discard();
        throw OutputError(err, std::string("Cannot close the image: ") + std::strerror(err));
    }
    if (::rename(temp_.c_str(), target_.c_str()) != 0) {
        int err = errno;
        discard();
        throw OutputError(err, "Cannot rename the image to " + target_.string() + ": " +
                                   std::strerror(err));
    }
    done_ = true;
}

} // namespace isofs
