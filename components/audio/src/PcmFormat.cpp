#include "PcmFormat.h"

#include "audio/AudioError.h"

namespace audio {

void checkSupported(const PcmFormat& f) {
    if (f.sampleRate < 8000 || f.sampleRate > 192000 || f.channels < 1 || f.channels > 2 ||
        (f.bitsPerSample != 8 && f.bitsPerSample != 16))
        throw AudioError("Unsupported output format: " + std::to_string(f.sampleRate) + " Hz, " +
                         std::to_string(f.channels) + " channels, " +
                         std::to_string(f.bitsPerSample) +
                         " bits (supported: 8000-192000 Hz, 1 or 2 channels, 8 or 16 bits)");
}

} // namespace audio
