#include "WavWriter.h"

#include "audio/AudioError.h"

#include <array>
#include <cerrno>
#include <cstring>

namespace audio {
namespace {

constexpr std::size_t kHeaderSize = 44;
// The RIFF size field is 32 bits and counts everything after itself.
constexpr std::uint64_t kMaxDataBytes = 0xFFFFFFFFull - (kHeaderSize - 8) - 1;

void put16(unsigned char* p, std::uint32_t v) {
    p[0] = v & 0xFF;
    p[1] = (v >> 8) & 0xFF;
}
void put32(unsigned char* p, std::uint32_t v) {
    put16(p, v & 0xFFFF);
    put16(p + 2, v >> 16);
}

std::array<unsigned char, kHeaderSize> header(const PcmFormat& f, std::uint64_t dataBytes) {
    std::array<unsigned char, kHeaderSize> h{};
    const std::uint32_t pad = dataBytes & 1;
    std::memcpy(h.data(), "RIFF", 4);
    put32(h.data() + 4, static_cast<std::uint32_t>(kHeaderSize - 8 + dataBytes + pad));
    std::memcpy(h.data() + 8, "WAVEfmt ", 8);
    put32(h.data() + 16, 16);
    put16(h.data() + 20, 1); // integer PCM
    put16(h.data() + 22, static_cast<std::uint32_t>(f.channels));
    put32(h.data() + 24, static_cast<std::uint32_t>(f.sampleRate));
    put32(h.data() + 28, static_cast<std::uint32_t>(f.sampleRate * f.bytesPerFrame()));
    put16(h.data() + 32, static_cast<std::uint32_t>(f.bytesPerFrame()));
    put16(h.data() + 34, static_cast<std::uint32_t>(f.bitsPerSample));
    std::memcpy(h.data() + 36, "data", 4);
    put32(h.data() + 40, static_cast<std::uint32_t>(dataBytes));
    return h;
}

} // namespace

WavWriter::WavWriter(const std::filesystem::path& file, const PcmFormat& format)
    : path_(file), format_(format) {
    checkSupported(format);
    file_.reset(std::fopen(file.c_str(), "wb"));
    if (!file_)
        throw AudioError("The WAV file [" + file.string() +
                         "] cannot be created: " + std::strerror(errno));
    std::setvbuf(file_.get(), nullptr, _IOFBF, 256 * 1024);
    const auto h = header(format_, 0);
    if (std::fwrite(h.data(), 1, h.size(), file_.get()) != h.size()) {
        failed_ = true;
        throw AudioError("The WAV file [" + file.string() +
                         "] cannot be written: " + std::strerror(errno));
    }
}

WavWriter::~WavWriter() {
    if (file_)
        finish();
}

void WavWriter::append(std::span<const std::uint8_t> bytes) {
    if (!file_)
        throw AudioError("No WAV file is open for writing");
    if (bytes.size() > kMaxDataBytes - dataBytes_)
        throw AudioError("The WAV file [" + path_.string() +
                         "] would grow beyond the 4 GB a WAV file can hold");
    if (std::fwrite(bytes.data(), 1, bytes.size(), file_.get()) != bytes.size()) {
        failed_ = true;
        throw AudioError("The WAV file [" + path_.string() +
                         "] cannot be written: " + std::strerror(errno));
    }
    dataBytes_ += bytes.size();
}

bool WavWriter::finish() {
    std::FILE* f = file_.get();
    bool ok = !failed_;
    if (dataBytes_ & 1)
        ok = std::fputc(0, f) != EOF && ok; // RIFF chunks are padded to an even size
    const auto h = header(format_, dataBytes_);
    ok = std::fseek(f, 0, SEEK_SET) == 0 && ok;
    ok = std::fwrite(h.data(), 1, h.size(), f) == h.size() && ok;
    ok = std::fflush(f) == 0 && ok;
    ok = std::fclose(file_.release()) == 0 && ok;
    return ok;
}

void WavWriter::close() {
    if (!file_)
        return;
    const bool partialFrame = dataBytes_ % static_cast<std::uint64_t>(format_.bytesPerFrame()) != 0;
    errno = 0;
    if (!finish())
        throw AudioError("The WAV file [" + path_.string() + "] cannot be completed: " +
                         (errno ? std::strerror(errno) : "write error"));
    if (partialFrame)
        throw AudioError("The WAV file [" + path_.string() +
                         "] ends in the middle of a sample frame");
}

} // namespace audio
