#pragma once

#include "Ffmpeg.h"
#include "PcmFormat.h"
#include "StreamDecoder.h"

#include <cstdint>
#include <filesystem>
#include <vector>

namespace audio {

// Decoded audio of one stream, converted by libswresample to the chosen PCM format and served
// as a byte stream.
class PcmReader {
public:
    PcmReader(const std::filesystem::path& file, int audioStream, const PcmFormat& format);
    ~PcmReader();
    PcmReader(const PcmReader&) = delete;
    PcmReader& operator=(const PcmReader&) = delete;

    // Appends up to `count` bytes to `out`; appends nothing only at the end of the audio.
    void read(std::vector<std::uint8_t>& out, std::size_t count);

private:
    bool refill();
    void convert(const AVFrame* frame);
    void flushResampler();
    void appendConverted(const std::uint8_t** input, int inputSamples);

    StreamDecoder decoder_;
    PcmFormat format_;
    AVSampleFormat outSampleFormat_;
    AVChannelLayout outLayout_{};
    ffmpeg::SwrPtr resampler_;
    // What the current resampler was set up for; a change mid-stream sets up a new one.
    int inRate_ = 0;
    int inSampleFormat_ = -1;
    AVChannelLayout inLayout_{};
    std::vector<std::uint8_t> pending_;
    std::size_t pendingHead_ = 0;
    bool ended_ = false;
};

} // namespace audio
