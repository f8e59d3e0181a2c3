#include "audio/AudioTags.h"

#include "InputFile.h"
#include "audio/AudioError.h"

namespace audio {

namespace {

std::string Tag(const AVDictionary* container, const AVDictionary* stream, const char* key) {
    for (const AVDictionary* dict : {container, stream}) {
        const AVDictionaryEntry* entry = av_dict_get(dict, key, nullptr, 0);
        if (entry && entry->value && entry->value[0])
            return entry->value;
    }
    return {};
}

} // namespace

AudioTags ReadAudioTags(const std::filesystem::path& file) {
    InputFile input(file);
    const AVDictionary* stream = nullptr;
    try {
        stream = input.audioStream(0)->metadata;
    } catch (const AudioError&) {
        // Tags alone are still worth reading from a file whose audio is not found.
    }
    const AVDictionary* container = input.context()->metadata;
    AudioTags tags;
    tags.title = Tag(container, stream, "title");
    tags.artist = Tag(container, stream, "artist");
    tags.album = Tag(container, stream, "album");
    tags.albumArtist = Tag(container, stream, "album_artist");
    return tags;
}

} // namespace audio
