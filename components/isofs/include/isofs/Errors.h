#pragma once

#include <stdexcept>
#include <string>

namespace isofs {

// A layout operation that cannot be done (unknown path, name clash, bad name).
class LayoutError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// A source file could not be opened or read; path names the file, errnum its errno (0 if none).
class SourceError : public std::runtime_error {
public:
    SourceError(std::string path, int errnum, const std::string& message)
        : std::runtime_error(message), path_(std::move(path)), errnum_(errnum) {}
    const std::string& path() const { return path_; }
    int errnum() const { return errnum_; }

private:
    std::string path_;
    int errnum_;
};

// Writing the target failed (disk full, file too large, I/O error); errnum is the errno.
class OutputError : public std::runtime_error {
public:
    OutputError(int errnum, const std::string& message)
        : std::runtime_error(message), errnum_(errnum) {}
    int errnum() const { return errnum_; }

private:
    int errnum_;
};

// An image file that cannot be read or is refused as malformed.
class ImageReadError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

} // namespace isofs
