#include "OutputFile.h"

#include <cstdlib>
#include <string>
#include <sys/stat.h>
#include <system_error>
#include <unistd.h>

namespace cdgrb {
namespace {
constexpr std::size_t kBufferSize = 1 << 20;
}

std::unique_ptr<OutputFile> OutputFile::create(const std::filesystem::path& target) {
    if (!target.has_filename())
        return nullptr;
    std::unique_ptr<OutputFile> file(new OutputFile);
    file->target_ = target;
    // A short hidden name: one built from the target's would pass the file system's 255-byte
    // limit for a legal target name of 242 bytes or more.
    std::string pattern = (target.parent_path() / ".cdgrb-XXXXXX").string();
    const int fd = mkstemp(pattern.data());
    if (fd < 0)
        return nullptr;
    file->temp_ = pattern;
    file->stream_.reset(fdopen(fd, "w+b"));
    if (!file->stream_) {
        close(fd);
        std::error_code ec;
        std::filesystem::remove(file->temp_, ec);
        return nullptr;
    }
    file->buffer_ = std::make_unique<char[]>(kBufferSize);
    std::setvbuf(file->stream_.get(), file->buffer_.get(), _IOFBF, kBufferSize);
    return file;
}

OutputFile::~OutputFile() {
    if (committed_)
        return;
    stream_.reset();
    std::error_code ec;
    std::filesystem::remove(temp_, ec);
}

bool OutputFile::write(const void* data, std::size_t bytes) {
    return bytes == 0 || std::fwrite(data, 1, bytes, stream_.get()) == bytes;
}

bool OutputFile::commit() {
    if (!stream_)
        return false;
    const bool flushed = std::fflush(stream_.get()) == 0 && !std::ferror(stream_.get());
    const bool closed = std::fclose(stream_.release()) == 0;
    if (!flushed || !closed)
        return false;
    // mkstemp creates 0600; give the result the usual permissions of a new file.
    const mode_t mask = umask(0);
    umask(mask);
    std::error_code ec;
    std::filesystem::permissions(temp_, static_cast<std::filesystem::perms>(0666 & ~mask), ec);
    std::filesystem::rename(temp_, target_, ec);
    if (ec)
        return false;
    committed_ = true;
    return true;
}

} // namespace cdgrb
