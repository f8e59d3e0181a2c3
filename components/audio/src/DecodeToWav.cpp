#include "audio/DecodeToWav.h"

#include "audio/AudioError.h"
#include "audio/TAudioFile2.h"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

namespace audio {
namespace {

void decodeInto(const std::filesystem::path& source, const std::filesystem::path& target) {
    TAudioFile2 reader;
    TAudioFile2 writer;
    writer.SetOutputFormat(44100, 2, 16);
    reader.SetOutputFormat(44100, 2, 16);
    reader.OpenSource(source, 0, kFormatPcm);
    writer.CreateTarget(target, kFormatPcm);
    writer.SetTargetParams(reader.SourceParamB(), reader.SourceParamA());
    const int blockSize = reader.SourceParamA() * reader.SourceParamB();
    for (;;) {
        const std::vector<std::uint8_t> block = reader.ReadBlock(blockSize);
        if (block.empty())
            break;
        writer.WriteBlock(block);
    }
    writer.CloseFile();
    reader.CloseFile();
}

// Removes the half-written target and passes the error on.
void decodeOrClean(const std::filesystem::path& source, const std::filesystem::path& target) {
    try {
        decodeInto(source, target);
    } catch (...) {
        std::error_code ec;
        std::filesystem::remove(target, ec);
        throw;
    }
}

} // namespace

void DecodeToWav(const std::filesystem::path& source, const std::filesystem::path& target) {
    std::error_code ec;
    if (std::filesystem::equivalent(source, target, ec))
        throw AudioError("The WAV file [" + target.string() +
                         "] would replace its own source; choose another target");
    decodeOrClean(source, target);
}

std::filesystem::path DecodeToNewWav(const std::filesystem::path& source,
                                     const std::filesystem::path& folder) {
    const std::string stem = source.stem().string();
    for (int n = 1; n < 10000; ++n) {
        const std::string name = n == 1 ? stem + ".wav" : stem + " (" + std::to_string(n) + ").wav";
        const std::filesystem::path target = folder / name;
        // Creating the name exclusively claims it, so no existing file is ever replaced.
        const int fd = ::open(target.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0644);
        if (fd < 0) {
            if (errno == EEXIST)
                continue;
            throw AudioError("The WAV file [" + target.string() +
                             "] cannot be created: " + std::strerror(errno));
        }
        ::close(fd);
        decodeOrClean(source, target);
        return target;
    }
    throw AudioError("No free name for a WAV copy of [" + source.string() + "] in [" +
                     folder.string() + "]");
}

} // namespace audio
