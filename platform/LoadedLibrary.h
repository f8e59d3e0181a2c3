#pragma once

#include <dlfcn.h>

namespace platform {

// A shared library loaded when it is first needed instead of with the program, and its
// functions looked up by name. It stays loaded for the rest of the process: the libraries
// loaded this way keep process-wide state that cannot be unloaded.
class LoadedLibrary {
public:
    explicit LoadedLibrary(const char* soname) : handle_(::dlopen(soname, RTLD_NOW | RTLD_LOCAL)) {}

    // Sets `function` to the library's `name`; false when the library or the name is missing.
    template <typename F> bool Get(F& function, const char* name) const {
        function = handle_ ? reinterpret_cast<F>(::dlsym(handle_, name)) : nullptr;
        return function != nullptr;
    }

private:
    void* handle_;
};

} // namespace platform
