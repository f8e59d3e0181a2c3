#include "Encoder.h"

#include "cdgrb/cdgrb.h"

#include <array>
#include <cstring>

namespace cdgrb {
namespace {

void put16(std::uint8_t* p, std::uint16_t v) {
    p[0] = static_cast<std::uint8_t>(v);
    p[1] = static_cast<std::uint8_t>(v >> 8);
}
void put32(std::uint8_t* p, std::uint32_t v) {
    for (int i = 0; i < 4; ++i)
        p[i] = static_cast<std::uint8_t>(v >> (8 * i));
}

// The canonical 44-byte header of a 44.1 kHz, 16-bit stereo PCM WAV file.
std::array<std::uint8_t, 44> wavHeader(std::uint32_t dataBytes) {
    std::array<std::uint8_t, 44> h{};
    std::memcpy(&h[0], "RIFF", 4);
    put32(&h[4], 36 + dataBytes);
    std::memcpy(&h[8], "WAVEfmt ", 8);
    put32(&h[16], 16);
    put16(&h[20], 1);         // PCM
    put16(&h[22], 2);         // channels
    put32(&h[24], 44100);     // sample rate
    put32(&h[28], 44100 * 4); // byte rate
    put16(&h[32], 4);         // block align
    put16(&h[34], 16);        // bits per sample
    std::memcpy(&h[36], "data", 4);
    put32(&h[40], dataBytes);
    return h;
}

// WAV and RAW are the disc's samples as they are, little-endian; WAV adds the header.
class PcmEncoder : public Encoder {
public:
    explicit PcmEncoder(OutputFile& out) : out_(out) {}
    int write(const std::int16_t* pcm, std::size_t frames) override {
        static_assert(__BYTE_ORDER__ == __ORDER_LITTLE_ENDIAN__, "PCM is written in host order");
        return out_.write(pcm, frames * 4) ? CDGRB_OK : CDGRB_E_OUTPUT;
    }
    int finish() override { return CDGRB_OK; }

private:
    OutputFile& out_;
};

} // namespace

std::unique_ptr<Encoder> makePcmEncoder(bool withHeader, OutputFile& out, std::uint32_t totalFrames,
                                        int& error) {
    if (withHeader) {
        const auto header = wavHeader(totalFrames * 4);
        if (!out.write(header.data(), header.size())) {
            error = CDGRB_E_OUTPUT;
            return nullptr;
        }
    }
    error = CDGRB_OK;
    return std::make_unique<PcmEncoder>(out);
}

std::unique_ptr<Encoder> makeEncoder(const RipSettings& settings, OutputFile& out,
                                     std::uint32_t totalFrames, int& error) {
    switch (settings.format) {
    case Format::Raw:
        return makePcmEncoder(false, out, totalFrames, error);
    case Format::Wav:
        return makePcmEncoder(true, out, totalFrames, error);
    case Format::Mp3:
        return makeMp3Encoder(settings.mp3, out, totalFrames, error);
    case Format::Ogg:
        return makeOggEncoder(settings.ogg, out, error);
    case Format::Flac:
        return makeFlacEncoder(settings.flac, out, totalFrames, error);
    }
    error = CDGRB_E_ARGUMENT;
    return nullptr;
}

} // namespace cdgrb
