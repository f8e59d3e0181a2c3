#include "ChangeWatch.h"

#include <cerrno>
#include <sys/inotify.h>
#include <unistd.h>

namespace discengine {

ChangeWatch::ChangeWatch(const std::filesystem::path& folder, const std::filesystem::path& file) {
    // What reading never causes: writes, truncation, renames, removal, new files.
    constexpr std::uint32_t kFolderChanges = IN_MODIFY | IN_ATTRIB | IN_CLOSE_WRITE |
                                             IN_MOVED_FROM | IN_MOVED_TO | IN_CREATE | IN_DELETE |
                                             IN_DELETE_SELF | IN_MOVE_SELF;
    constexpr std::uint32_t kFileChanges = IN_MODIFY | IN_ATTRIB | IN_DELETE_SELF | IN_MOVE_SELF;
    fd_.reset(::inotify_init1(IN_NONBLOCK | IN_CLOEXEC));
    if (fd_ && (::inotify_add_watch(fd_.get(), folder.c_str(), kFolderChanges) < 0 ||
                (!file.empty() && ::inotify_add_watch(fd_.get(), file.c_str(), kFileChanges) < 0)))
        fd_.reset(-1);
}

bool ChangeWatch::Changed() const {
    if (!fd_)
        return true;
    bool changed = false;
    alignas(inotify_event) char events[4096];
    for (;;) {
        const ssize_t n = ::read(fd_.get(), events, sizeof events);
        if (n > 0) {
            changed = true; // drained: the caller looks at the new state as a whole
            continue;
        }
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0 && errno == EAGAIN)
            return changed;
        return true; // the watch itself failed: say changed, so the caller looks
    }
}

} // namespace discengine
