#include "audio/DecoderEntry.h"

#include "audio/DecodeToWav.h"

#include <cstring>
#include <exception>
#include <string>
#include <system_error>

namespace {

bool CopyText(const std::string& text, char* buffer, size_t size) {
    if (!buffer || size == 0)
        return false;
    const bool fits = text.size() < size;
    const size_t n = fits ? text.size() : size - 1;
    std::memcpy(buffer, text.data(), n);
    buffer[n] = '\0';
    return fits;
}

} // namespace

extern "C" int platterly_audio_decode_to_new_wav(const char* source, const char* folder,
                                                 char* written, size_t writtenSize, char* error,
                                                 size_t errorSize) {
    if (written && writtenSize > 0)
        written[0] = '\0';
    if (!source || !folder) {
        CopyText("no source or folder given", error, errorSize);
        return -1;
    }
    try {
        const std::filesystem::path wav = audio::DecodeToNewWav(source, folder);
        if (CopyText(wav.string(), written, writtenSize))
            return 0;
        std::error_code ignored;
        std::filesystem::remove(wav, ignored);
        if (written && writtenSize > 0)
            written[0] = '\0';
        CopyText("the decoded file's path is too long", error, errorSize);
    } catch (const std::exception& e) {
        CopyText(e.what(), error, errorSize);
    }
    return -1;
}
