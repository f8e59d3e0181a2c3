#pragma once

#include <cstdio>
#include <filesystem>
#include <memory>

// The file a rip writes. It is written under a hidden temporary name beside the target and only
// renamed to the target by commit(); destroyed uncommitted, it removes itself, so an aborted or
// failed rip never leaves a file that looks finished.
namespace cdgrb {

class OutputFile {
public:
    // Nothing when the temporary file cannot be created (missing folder, no permission, ...).
    static std::unique_ptr<OutputFile> create(const std::filesystem::path& target);
    ~OutputFile();
    OutputFile(const OutputFile&) = delete;
    OutputFile& operator=(const OutputFile&) = delete;

    // Opened for reading and writing ("w+b"): LAME reads back what it wrote for its VBR header.
    FILE* stream() const { return stream_.get(); }
    bool write(const void* data, std::size_t bytes);
    // Flushes, closes and renames onto the target; false (and the file removed) on any failure.
    bool commit();

private:
    struct Closer {
        void operator()(FILE* f) const { std::fclose(f); }
    };
    OutputFile() = default;
    std::filesystem::path target_;
    std::filesystem::path temp_;
    std::unique_ptr<FILE, Closer> stream_;
    std::unique_ptr<char[]> buffer_;
    bool committed_ = false;
};

} // namespace cdgrb
