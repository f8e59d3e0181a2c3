#pragma once

#include <sys/stat.h>

namespace isofs::detail {

// What a file that is not a regular file is, for messages ("... is a FIFO").
inline const char* fileKind(mode_t mode) {
    if (S_ISFIFO(mode))
        return "a FIFO";
    if (S_ISCHR(mode) || S_ISBLK(mode))
        return "a device";
    if (S_ISSOCK(mode))
        return "a socket";
    if (S_ISDIR(mode))
        return "a folder";
    if (S_ISLNK(mode))
        return "a link";
    return "not a regular file";
}

} // namespace isofs::detail
