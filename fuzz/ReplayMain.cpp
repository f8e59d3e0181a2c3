// Runs a fuzz target's function over saved inputs without searching for new ones, so the normal
// build can check in CI that every seed and every crasher found so far passes.
//   replay SEEDS [REGRESSIONS...]      (each a folder or one file)
// SEEDS must hold at least one input; a regression folder may be missing (no crasher yet).
#include "FuzzSupport.h"

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <string>
#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size);
// Defined by the targets that prepare something before their first input.
extern "C" __attribute__((weak)) int LLVMFuzzerInitialize(int* argc, char*** argv);

namespace fs = std::filesystem;

namespace {

// A file is one input; a folder gives every file below it, in name order.
std::vector<fs::path> InputsIn(const fs::path& folder) {
    // Absolute: a target may change the working folder (the sheet targets do).
    std::vector<fs::path> inputs;
    if (fs::is_regular_file(folder))
        return {fs::absolute(folder)};
    for (const auto& entry : fs::recursive_directory_iterator(folder))
        if (entry.is_regular_file())
            inputs.push_back(fs::absolute(entry.path()));
    std::sort(inputs.begin(), inputs.end());
    return inputs;
}

} // namespace

int main(int argc, char** argv) {
    if (argc < 2) {
        std::fprintf(stderr, "usage: %s SEEDS [REGRESSIONS...]\n", argv[0]);
        return 2;
    }
    std::error_code ec;
    if (!fs::exists(argv[1], ec) || InputsIn(argv[1]).empty()) {
        std::fprintf(stderr, "%s: no seed inputs in %s\n", argv[0], argv[1]);
        return 1;
    }
    std::vector<fs::path> inputs = InputsIn(argv[1]);
    for (int i = 2; i < argc; ++i) {
        if (!fs::exists(argv[i], ec))
            continue;
        auto crashers = InputsIn(argv[i]);
        inputs.insert(inputs.end(), crashers.begin(), crashers.end());
    }
    if (LLVMFuzzerInitialize)
        LLVMFuzzerInitialize(&argc, &argv);
    for (const auto& input : inputs) {
        // Printed first, so a crash names the input that caused it.
        std::printf("replay %s\n", input.c_str());
        std::fflush(stdout);
        const std::string bytes = testsupport::readFile(input);
        LLVMFuzzerTestOneInput(reinterpret_cast<const std::uint8_t*>(bytes.data()), bytes.size());
    }
    std::printf("%zu inputs passed\n", inputs.size());
    return 0;
}
