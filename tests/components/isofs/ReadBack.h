#pragma once

// Independent read-back of images: libiso9660 and libudf, plus the command-line validators.

#include "isofs/ImageWriter.h"

#include <filesystem>
#include <map>
#include <set>
#include <string>

namespace isofstest {

struct ReadBack {
    bool opened = false;
    std::string label;
    std::map<std::string, std::string> files;   // "/docs/a.txt" -> content (small files)
    std::map<std::string, std::uint64_t> sizes; // every file
    std::set<std::string> folders;
    bool xa = false; // XA attributes seen on entries
};

// libiso9660; joliet selects the Joliet tree. Files above maxRead bytes are only sized.
ReadBack readWithIso9660(const std::filesystem::path& image, bool joliet,
                         std::uint64_t maxRead = 64u << 20);
ReadBack readWithUdf(const std::filesystem::path& image, std::uint64_t maxRead = 64u << 20);
// Bytes [offset, offset+n) of a file read through libudf / libiso9660.
std::string udfFileBytes(const std::filesystem::path& image, const std::string& path,
                         std::uint64_t offset, std::size_t n);
std::string isoFileBytes(const std::filesystem::path& image, const std::string& path,
                         std::uint64_t offset, std::size_t n);

// Runs a shell command; returns its exit code and fills out with stdout.
int run(const std::string& command, std::string* out = nullptr);
std::string quote(const std::string& s);

// The path of a layout item as one file system names it ("/" separated), from the plan.
std::string expectedPath(const isofs::ImagePlan& plan, const std::string& imagePath, int fs);

} // namespace isofstest
