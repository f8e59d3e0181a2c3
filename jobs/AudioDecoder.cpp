#include "jobs/AudioDecoder.h"

#include "audio/DecoderEntry.h"
#include "platform/SystemPaths.h"

#include <dlfcn.h>

#include <memory>
#include <stdexcept>
#include <string>

namespace fs = std::filesystem;

namespace jobs {

namespace {

struct LibraryCloser {
    void operator()(void* handle) const { dlclose(handle); }
};
using Library = std::unique_ptr<void, LibraryCloser>;

// The component's entry `name`; the library is loaded at the first call and kept.
void* Entry(const char* name) {
    static Library library;
    const fs::path path = platform::ProgramDir() / "libplatterly_audio.so";
    if (!library) {
        library.reset(dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL));
        // A program linked with the component (the window program) has it loaded already;
        // RTLD_NOLOAD takes only that copy and never searches the library path.
        if (!library)
            library.reset(dlopen("libplatterly_audio.so", RTLD_NOW | RTLD_NOLOAD));
        if (!library) {
            const char* why = dlerror();
            throw std::runtime_error("cannot load the audio component " + path.string() + ": " +
                                     (why ? why : "unknown error"));
        }
    }
    void* entry = dlsym(library.get(), name);
    if (!entry)
        throw std::runtime_error("the audio component " + path.string() + " lacks " + name);
    return entry;
}

PlatterlyDecodeToNewWavFn LoadDecoder() {
    static auto decode =
        reinterpret_cast<PlatterlyDecodeToNewWavFn>(Entry("platterly_audio_decode_to_new_wav"));
    return decode;
}

} // namespace

fs::path DecodeToNewWav(const fs::path& source, const fs::path& folder) {
    const PlatterlyDecodeToNewWavFn decode = LoadDecoder();
    std::string written(4096, '\0');
    std::string error(1024, '\0');
    if (decode(source.c_str(), folder.c_str(), written.data(), written.size(), error.data(),
               error.size()) != 0)
        throw std::runtime_error(error.c_str());
    return fs::path(written.c_str());
}

} // namespace jobs

namespace jobs {

SourceTags ReadSourceTags(const fs::path& source) {
    static auto read = reinterpret_cast<PlatterlyReadTagsFn>(Entry("platterly_audio_read_tags"));
    std::string fields(16384, '\0');
    SourceTags tags;
    if (read(source.c_str(), fields.data(), fields.size()) != 0)
        return tags;
    const char* at = fields.data();
    for (std::string* field : {&tags.title, &tags.artist, &tags.album, &tags.albumArtist}) {
        *field = at;
        at += field->size() + 1;
    }
    return tags;
}

} // namespace jobs
