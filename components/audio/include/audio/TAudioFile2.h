#pragma once

#include <cstdint>
#include <filesystem>
#include <memory>
#include <span>
#include <vector>

namespace audio {

// The only file format tag the component reads into and writes: integer PCM in a WAV file
// (the tag WAV files themselves use for it).
inline constexpr int kFormatPcm = 1;

// Reads any audio file FFmpeg can decode as PCM of a chosen output format (the reader role), or
// writes such PCM into a WAV file (the writer role). One object may play both roles at once.
//
// Reader: OpenSource, then SourceParamA/SourceParamB, then ReadBlock until it returns an empty
// array, then CloseFile. Writer: SetOutputFormat, CreateTarget, SetTargetParams, WriteBlock...,
// CloseFile (which completes the WAV header). Every failure throws AudioError.
class TAudioFile2 {
public:
    TAudioFile2();
    ~TAudioFile2();
    TAudioFile2(TAudioFile2&&) noexcept;
    TAudioFile2& operator=(TAudioFile2&&) noexcept;
    TAudioFile2(const TAudioFile2&) = delete;
    TAudioFile2& operator=(const TAudioFile2&) = delete;

    // PCM format of both roles: what ReadBlock delivers and what CreateTarget's file holds.
    // Default 44100 Hz, 2 channels, 16 bits. Supported: 8000-192000 Hz, 1 or 2 channels,
    // 8 or 16 bits. Takes effect at the next OpenSource / CreateTarget.
    void SetOutputFormat(int sampleRate, int channels, int bitsPerSample);

    // Opens `source` for decoding. `audioStream` picks among the file's audio streams (0: the
    // first); `formatTag` is the PCM form wanted and must be kFormatPcm.
    void OpenSource(const std::filesystem::path& source, int audioStream, int formatTag);
    // Bytes of one sample frame that ReadBlock delivers (all channels of one instant).
    int SourceParamA() const;
    // Sample frames in the block size the reader works best with.
    int SourceParamB() const;
    // Up to `byteCount` bytes of decoded PCM; an empty array once the source is exhausted.
    std::vector<std::uint8_t> ReadBlock(int byteCount);

    // Creates (or replaces) the WAV file `target`; `formatTag` must be kFormatPcm.
    void CreateTarget(const std::filesystem::path& target, int formatTag);
    // Tells the writer what its blocks will hold: the source's frames per block and bytes per
    // frame. A frame size that differs from the output format's is refused.
    void SetTargetParams(int framesPerBlock, int bytesPerFrame);
    // Appends PCM bytes to the target.
    void WriteBlock(std::span<const std::uint8_t> block);

    // Writer: completes the WAV header and closes the file. Reader: releases the decoder.
    // Closing what is not open does nothing.
    void CloseFile();

private:
    struct Impl;
    std::unique_ptr<Impl> impl_;
};

} // namespace audio
