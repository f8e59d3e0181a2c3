#include "FuzzSupport.h"

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <stdexcept>
#include <unistd.h>

namespace fs = std::filesystem;

namespace fuzzsupport {
namespace {

class ScratchFolder {
public:
    ScratchFolder() {
        std::string pattern = (fs::temp_directory_path() / "platterly-fuzz-XXXXXX").string();
        if (!::mkdtemp(pattern.data()))
            throw std::runtime_error("cannot create a scratch folder under " + pattern);
        path_ = pattern;
    }
    ~ScratchFolder() {
        std::error_code ec;
        fs::remove_all(path_, ec);
    }
    ScratchFolder(const ScratchFolder&) = delete;
    ScratchFolder& operator=(const ScratchFolder&) = delete;
    const fs::path& Path() const { return path_; }

private:
    fs::path path_;
};

} // namespace

const fs::path& Scratch() {
    static ScratchFolder folder;
    return folder.Path();
}

void WriteFile(const fs::path& file, std::string_view bytes) {
    std::ofstream out(file, std::ios::binary | std::ios::trunc);
    out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    if (!out.flush())
        Broken("the scratch folder takes the input", file.string());
}

void WriteFile(const fs::path& file, const std::uint8_t* data, std::size_t size) {
    WriteFile(file, std::string_view(reinterpret_cast<const char*>(data), size));
}

std::string ReadFile(const fs::path& file) {
    std::ifstream in(file, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

void Note(const std::string& text) {
    static const bool verbose = std::getenv("PLATTERLY_FUZZ_VERBOSE") != nullptr;
    if (verbose)
        std::fprintf(stderr, "note: %s\n", text.c_str());
}

void Broken(const char* promise, const std::string& detail) {
    std::fprintf(stderr, "fuzz check failed: %s%s%s\n", promise, detail.empty() ? "" : ": ",
                 detail.c_str());
    std::fflush(stderr);
    std::abort();
}

} // namespace fuzzsupport
