#include "audio/TAudioFile2.h"

#include "PcmFormat.h"
#include "PcmReader.h"
#include "WavWriter.h"
#include "audio/AudioError.h"

#include <algorithm>
#include <optional>

namespace audio {
namespace {

// Frames per block offered to callers: 32 KB of CD audio, large enough that the per-call cost
// vanishes, small enough to keep a window responsive between blocks.
constexpr int kFramesPerBlock = 8192;
constexpr std::size_t kMaxReserve = 4u << 20;

void requirePcmTag(int formatTag, const char* operation) {
    if (formatTag != kFormatPcm)
        throw AudioError(std::string(operation) + ": format tag " + std::to_string(formatTag) +
                         " is not supported (only " + std::to_string(kFormatPcm) + ", PCM)");
}

} // namespace

struct TAudioFile2::Impl {
    PcmFormat format;
    std::optional<PcmFormat> readerFormat;
    std::unique_ptr<PcmReader> reader;
    std::unique_ptr<WavWriter> writer;
};

TAudioFile2::TAudioFile2() : impl_(std::make_unique<Impl>()) {}
TAudioFile2::~TAudioFile2() = default;
TAudioFile2::TAudioFile2(TAudioFile2&&) noexcept = default;
TAudioFile2& TAudioFile2::operator=(TAudioFile2&&) noexcept = default;

void TAudioFile2::SetOutputFormat(int sampleRate, int channels, int bitsPerSample) {
    const PcmFormat format{sampleRate, channels, bitsPerSample};
    checkSupported(format);
    impl_->format = format;
}

void TAudioFile2::OpenSource(const std::filesystem::path& source, int audioStream, int formatTag) {
    requirePcmTag(formatTag, "OpenSource");
    if (audioStream < 0)
        throw AudioError("OpenSource: audio stream number " + std::to_string(audioStream) +
                         " is not valid");
    impl_->reader.reset();
    impl_->readerFormat.reset();
    impl_->reader = std::make_unique<PcmReader>(source, audioStream, impl_->format);
    impl_->readerFormat = impl_->format;
}

int TAudioFile2::SourceParamA() const {
    if (!impl_->reader)
        throw AudioError("SourceParamA: no source file is open");
    return impl_->readerFormat->bytesPerFrame();
}

int TAudioFile2::SourceParamB() const {
    if (!impl_->reader)
        throw AudioError("SourceParamB: no source file is open");
    return kFramesPerBlock;
}

std::vector<std::uint8_t> TAudioFile2::ReadBlock(int byteCount) {
    if (!impl_->reader)
        throw AudioError("ReadBlock: no source file is open");
    if (byteCount <= 0)
        throw AudioError("ReadBlock: a block of " + std::to_string(byteCount) +
                         " bytes cannot be read");
    std::vector<std::uint8_t> block;
    // A caller may ask for far more than the source holds; grow only with what is decoded.
    block.reserve(std::min<std::size_t>(static_cast<std::size_t>(byteCount), kMaxReserve));
    impl_->reader->read(block, static_cast<std::size_t>(byteCount));
    return block;
}

void TAudioFile2::CreateTarget(const std::filesystem::path& target, int formatTag) {
    requirePcmTag(formatTag, "CreateTarget");
    if (impl_->writer)
        throw AudioError("CreateTarget: a target file is already open; close it first");
    impl_->writer = std::make_unique<WavWriter>(target, impl_->format);
}

void TAudioFile2::SetTargetParams(int framesPerBlock, int bytesPerFrame) {
    if (!impl_->writer)
        throw AudioError("SetTargetParams: no target file is open");
    if (framesPerBlock <= 0)
        throw AudioError("SetTargetParams: " + std::to_string(framesPerBlock) +
                         " frames per block is not valid");
    if (bytesPerFrame != impl_->format.bytesPerFrame())
        throw AudioError("SetTargetParams: the source delivers frames of " +
                         std::to_string(bytesPerFrame) + " bytes, the target holds frames of " +
                         std::to_string(impl_->format.bytesPerFrame()) + " bytes");
}

void TAudioFile2::WriteBlock(std::span<const std::uint8_t> block) {
    if (!impl_->writer)
        throw AudioError("WriteBlock: no target file is open");
    impl_->writer->append(block);
}

void TAudioFile2::CloseFile() {
    impl_->reader.reset();
    impl_->readerFormat.reset();
    if (impl_->writer) {
        // The writer is gone after this call whether completing it worked or not.
        const std::unique_ptr<WavWriter> writer = std::move(impl_->writer);
        writer->close();
    }
}

} // namespace audio
