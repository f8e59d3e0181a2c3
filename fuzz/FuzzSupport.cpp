#include "FuzzSupport.h"

#include <cstdio>
#include <cstdlib>

namespace fuzzsupport {

const std::filesystem::path& Scratch() {
    static testsupport::TempDir folder;
    return folder.path();
}

void WriteInput(const std::filesystem::path& file, const std::uint8_t* data, std::size_t size) {
    testsupport::writeFile(file, std::string(reinterpret_cast<const char*>(data), size));
}

bool PlainName(const std::string& name) {
    return !name.empty() && name != "." && name != ".." &&
           name.find_first_of(std::string("/\\\0", 3)) == std::string::npos;
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
