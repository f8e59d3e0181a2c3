#include "InputFile.h"

#include "WavFile.h"
#include "audio/AudioError.h"

#include <cerrno>
#include <cstring>
#include <system_error>

namespace audio {
namespace {

constexpr int kIoBufferSize = 64 * 1024;

std::string quoted(const std::filesystem::path& p) {
    return "[" + p.string() + "]";
}

} // namespace

void InputFile::IoDeleter::operator()(AVIOContext* io) const {
    av_freep(&io->buffer);
    avio_context_free(&io);
}

int InputFile::readPacket(void* opaque, std::uint8_t* buffer, int size) {
    auto* self = static_cast<InputFile*>(opaque);
    const std::size_t n = std::fread(buffer, 1, static_cast<std::size_t>(size), self->file_.get());
    if (n > 0)
        return static_cast<int>(n);
    return std::ferror(self->file_.get()) ? AVERROR(EIO) : AVERROR_EOF;
}

std::int64_t InputFile::seek(void* opaque, std::int64_t offset, int whence) {
    auto* self = static_cast<InputFile*>(opaque);
    if (whence & AVSEEK_SIZE)
        return self->size_;
    whence &= ~AVSEEK_FORCE;
    if (whence != SEEK_SET && whence != SEEK_CUR && whence != SEEK_END)
        return AVERROR(EINVAL);
    std::FILE* f = self->file_.get();
    std::clearerr(f);
    if (fseeko(f, static_cast<off_t>(offset), whence) != 0)
        return AVERROR(errno);
    return ftello(f);
}

InputFile::InputFile(const std::filesystem::path& file) : path_(file) {
    std::error_code ec;
    const auto status = std::filesystem::status(file, ec);
    if (ec || !std::filesystem::exists(status))
        throw AudioError("The audio file " + quoted(file) + " does not exist");
    if (!std::filesystem::is_regular_file(status))
        throw AudioError("The audio file " + quoted(file) + " is not a regular file");

    file_.reset(std::fopen(file.c_str(), "rb"));
    if (!file_)
        throw AudioError("The audio file " + quoted(file) +
                         " cannot be opened: " + std::strerror(errno));
    if (fseeko(file_.get(), 0, SEEK_END) != 0 || (size_ = ftello(file_.get())) < 0 ||
        fseeko(file_.get(), 0, SEEK_SET) != 0)
        throw AudioError("The audio file " + quoted(file) + " cannot be read");
    if (size_ == 0)
        throw AudioError("The audio file " + quoted(file) + " is empty");
    // FFmpeg decodes a WAV by whatever its header says; one that contradicts itself is refused
    // here with the reason rather than decoded into noise or the wrong length.
    char riff[12] = {};
    if (std::fread(riff, 1, sizeof riff, file_.get()) == sizeof riff &&
        std::memcmp(riff, "RIFF", 4) == 0 && std::memcmp(riff + 8, "WAVE", 4) == 0)
        readWavLayout(file);
    if (fseeko(file_.get(), 0, SEEK_SET) != 0)
        throw AudioError("The audio file " + quoted(file) + " cannot be read");

    auto* buffer = static_cast<std::uint8_t*>(av_malloc(kIoBufferSize));
    if (!buffer)
        throw AudioError("Out of memory while opening " + quoted(file));
    io_.reset(avio_alloc_context(buffer, kIoBufferSize, 0, this, &InputFile::readPacket, nullptr,
                                 &InputFile::seek));
    if (!io_) {
        av_free(buffer);
        throw AudioError("Out of memory while opening " + quoted(file));
    }

    AVFormatContext* context = avformat_alloc_context();
    if (!context)
        throw AudioError("Out of memory while opening " + quoted(file));
    context->pb = io_.get();
    AVDictionary* options = nullptr;
    // Playlist-like formats must not reach out to other files or the network.
    av_dict_set(&options, "protocol_whitelist", "file", 0);
    const int rc = avformat_open_input(&context, "", nullptr, &options);
    av_dict_free(&options);
    if (rc < 0) // avformat_open_input frees the context on failure
        throw AudioError("The file " + quoted(file) +
                         " is not a readable audio file: " + ffmpeg::errorText(rc));
    format_.reset(context);
    const int info = avformat_find_stream_info(context, nullptr);
    if (info < 0)
        throw AudioError("The file " + quoted(file) +
                         " is not a readable audio file: " + ffmpeg::errorText(info));
}

InputFile::~InputFile() = default;

// The I/O callbacks hold `this`; a moved object must hand them its new address.
InputFile::InputFile(InputFile&& other) noexcept
    : path_(std::move(other.path_)), file_(std::move(other.file_)), size_(other.size_),
      io_(std::move(other.io_)), format_(std::move(other.format_)) {
    if (io_)
        io_->opaque = this;
}

std::string InputFile::formatName() const {
    return format_ && format_->iformat && format_->iformat->name ? format_->iformat->name : "";
}

AVStream* InputFile::audioStream(int ordinal) const {
    int seen = 0;
    for (unsigned i = 0; i < format_->nb_streams; ++i) {
        AVStream* stream = format_->streams[i];
        if (stream->codecpar->codec_type != AVMEDIA_TYPE_AUDIO)
            continue;
        if (seen++ == ordinal)
            return stream;
    }
    if (seen == 0)
        throw AudioError("The file " + quoted(path_) + " holds no audio");
    throw AudioError("The file " + quoted(path_) + " has no audio stream number " +
                     std::to_string(ordinal));
}

} // namespace audio
