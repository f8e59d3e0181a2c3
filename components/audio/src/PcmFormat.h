#pragma once

#include <string>

namespace audio {

// Interleaved integer PCM as the component delivers and writes it.
struct PcmFormat {
    int sampleRate = 44100;
    int channels = 2;
    int bitsPerSample = 16;

    int bytesPerFrame() const { return channels * (bitsPerSample / 8); }
    bool operator==(const PcmFormat&) const = default;
};

// Throws AudioError unless the format is one the component can produce and write.
void checkSupported(const PcmFormat& format);

} // namespace audio
