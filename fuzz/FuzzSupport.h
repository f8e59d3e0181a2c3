#pragma once

// What every fuzz target shares: a scratch folder for the files an input becomes, and a check
// that turns a broken promise of the code under test into a crash the fuzzer keeps.

#include "support/TempDir.h"

#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <string>

namespace fuzzsupport {

// A private folder under $TMPDIR for this process, removed when the process ends normally.
const std::filesystem::path& Scratch();

void WriteInput(const std::filesystem::path& file, const std::uint8_t* data, std::size_t size);

// What a name from a disc or image must be: not empty, not "." or "..", no separator, no NUL.
bool PlainName(const std::string& name);

// With PLATTERLY_FUZZ_VERBOSE set, prints why an input was refused (for looking at seeds).
void Note(const std::string& text);

// Prints what was promised and aborts, so libFuzzer records the input as a crash.
[[noreturn]] void Broken(const char* promise, const std::string& detail = {});

} // namespace fuzzsupport

#define FUZZ_CHECK(condition, detail)                                                              \
    do {                                                                                           \
        if (!(condition))                                                                          \
            ::fuzzsupport::Broken(#condition, (detail));                                           \
    } while (false)
