#include "audio/DecoderEntry.h"

#include "audio/AudioTags.h"
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

extern "C" int platterly_audio_read_tags(const char* source, char* fields, size_t fieldsSize) {
    if (!fields || fieldsSize == 0)
        return -1;
    fields[0] = '\0';
    if (!source)
        return -1;
    try {
        const audio::AudioTags tags = audio::ReadAudioTags(source);
        std::string packed;
        for (const std::string* field : {&tags.title, &tags.artist, &tags.album, &tags.albumArtist})
            packed.append(field->c_str()).push_back('\0'); // a NUL inside a tag ends it
        if (packed.size() > fieldsSize)
            return -1;
        std::memcpy(fields, packed.data(), packed.size());
        return 0;
    } catch (const std::exception&) {
        fields[0] = '\0';
        return -1;
    }
}
