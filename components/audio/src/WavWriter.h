#pragma once

#include "PcmFormat.h"

#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <memory>
#include <span>

namespace audio {

// Writes PCM into a canonical 44-byte-header WAV file; the sizes in the header are written as
// zero first and filled in by close().
class WavWriter {
public:
    // Creates or replaces `file`. Throws AudioError when it cannot be created.
    WavWriter(const std::filesystem::path& file, const PcmFormat& format);
    // A writer dropped without close() still leaves a consistent file behind.
    ~WavWriter();
    WavWriter(const WavWriter&) = delete;
    WavWriter& operator=(const WavWriter&) = delete;

    void append(std::span<const std::uint8_t> bytes);
    // Completes the header and closes the file; throws AudioError when the data is not a whole
    // number of sample frames or the file cannot be completed (a full disk, for instance).
    void close();

    std::uint64_t dataBytes() const { return dataBytes_; }

private:
    bool finish();

    struct FileCloser {
        void operator()(std::FILE* f) const { std::fclose(f); }
    };
    std::filesystem::path path_;
    PcmFormat format_;
    std::unique_ptr<std::FILE, FileCloser> file_;
    std::uint64_t dataBytes_ = 0;
    bool failed_ = false;
};

} // namespace audio
