#pragma once

#include "OutputFile.h"
#include "RipSettings.h"

#include <cstdint>
#include <memory>

// Turns a track's PCM (44.1 kHz, 16 bit, stereo, interleaved L,R, host order) into its file.
namespace cdgrb {

class Encoder {
public:
    virtual ~Encoder() = default;
    // Each returns CDGRB_OK or a negative CDGRB_E_* code.
    virtual int write(const std::int16_t* pcm, std::size_t frames) = 0;
    // Ends the stream (trailers, tags, headers); the file is committed by the caller.
    virtual int finish() = 0;
};

// `totalFrames` is the track's length in stereo sample frames. Nothing, with `error` set, when
// the encoder refuses the settings.
std::unique_ptr<Encoder> makeEncoder(const RipSettings& settings, OutputFile& out,
                                     std::uint32_t totalFrames, int& error);

std::unique_ptr<Encoder> makePcmEncoder(bool wavHeader, OutputFile& out, std::uint32_t totalFrames,
                                        int& error);
std::unique_ptr<Encoder> makeMp3Encoder(const Mp3Settings& settings, OutputFile& out,
                                        std::uint32_t totalFrames, int& error);
std::unique_ptr<Encoder> makeOggEncoder(const OggSettings& settings, OutputFile& out, int& error);
std::unique_ptr<Encoder> makeFlacEncoder(const FlacSettings& settings, OutputFile& out,
                                         std::uint32_t totalFrames, int& error);

} // namespace cdgrb
