#pragma once

#include "Ffmpeg.h"

#include <cstdio>
#include <filesystem>
#include <memory>
#include <string>

namespace audio {

// A file opened for demuxing. FFmpeg reads it through our own I/O callbacks, so the path is
// never taken for a URL or protocol ("concat:", "pipe:", ...) and its extension does not sway
// format detection: only the content decides.
class InputFile {
public:
    // Throws AudioError when the file is missing, not a regular file, empty, unreadable or not a
    // media file FFmpeg recognises.
    explicit InputFile(const std::filesystem::path& file);
    ~InputFile();
    InputFile(InputFile&&) noexcept;
    InputFile& operator=(InputFile&&) = delete;
    InputFile(const InputFile&) = delete;
    InputFile& operator=(const InputFile&) = delete;

    AVFormatContext* context() const { return format_.get(); }
    const std::filesystem::path& path() const { return path_; }
    // The demuxer's short name ("wav", "mp3", "asf", ...).
    std::string formatName() const;
    // The `ordinal`-th audio stream (0: the first). Throws AudioError when there is none.
    AVStream* audioStream(int ordinal) const;

private:
    struct FileCloser {
        void operator()(std::FILE* f) const { std::fclose(f); }
    };
    struct IoDeleter {
        void operator()(AVIOContext* io) const;
    };
    struct FormatDeleter {
        void operator()(AVFormatContext* f) const { avformat_close_input(&f); }
    };

    static int readPacket(void* opaque, std::uint8_t* buffer, int size);
    static std::int64_t seek(void* opaque, std::int64_t offset, int whence);

    std::filesystem::path path_;
    // Declared in release order reversed: the demuxer goes first, then its I/O, then the file.
    std::unique_ptr<std::FILE, FileCloser> file_;
    std::int64_t size_ = 0;
    std::unique_ptr<AVIOContext, IoDeleter> io_;
    std::unique_ptr<AVFormatContext, FormatDeleter> format_;
};

} // namespace audio
