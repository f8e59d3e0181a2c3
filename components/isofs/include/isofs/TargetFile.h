#pragma once

#include <filesystem>

namespace isofs {

// A file written under a temporary name in the target's folder and renamed over the target only
// by commit(), so a failed or cancelled write never destroys an existing file. Without commit()
// the temporary file is removed. The file gets the mode an ordinary new file would get under the
// user's umask.
class TargetFile {
public:
    explicit TargetFile(const std::filesystem::path& target); // throws OutputError
    ~TargetFile();
    TargetFile(const TargetFile&) = delete;
    TargetFile& operator=(const TargetFile&) = delete;

    int fd() const { return fd_; }
    const std::filesystem::path& temporaryPath() const { return temp_; }
    void commit(); // throws OutputError; closes the descriptor
    void discard();

private:
    std::filesystem::path target_;
    std::filesystem::path temp_;
    int fd_ = -1;
    bool done_ = false;
};

} // namespace isofs
