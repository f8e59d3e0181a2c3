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

PlatterlyDecodeToNewWavFn LoadDecoder() {
    static Library library;
    static PlatterlyDecodeToNewWavFn decode = nullptr;
    if (decode)
        return decode;
    const fs::path path = platform::ProgramDir() / "libplatterly_audio.so";
    library.reset(dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL));
    if (!library) {
        const char* why = dlerror();
        throw std::runtime_error("cannot load the audio component " + path.string() + ": " +
                                 (why ? why : "unknown error"));
    }
    decode = reinterpret_cast<PlatterlyDecodeToNewWavFn>(
        dlsym(library.get(), "platterly_audio_decode_to_new_wav"));
    if (!decode)
        throw std::runtime_error("the audio component " + path.string() + " cannot decode");
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
