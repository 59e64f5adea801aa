#include "platform/JpegBinding.h"

#include <dlfcn.h>

#include <stdexcept>

namespace vantorix::ijl {

namespace {

constexpr const char* TurboJpegLibrary = "libturbojpeg.so.0";
std::string libraryName = TurboJpegLibrary;
Binding binding;
bool bound = false;

template <typename Function>
void Resolve(void* library, const char* name, Function& entry) {
    entry = reinterpret_cast<Function>(::dlsym(library, name));
    if (entry == nullptr) {
        throw std::runtime_error("The JPEG library \"" + libraryName + "\" has no entry point \"" + name + "\".");
    }
}

// Loaded once and kept: the library is never unloaded while the program runs.
const Binding& Bound() {
    if (bound) return binding;
    void* library = ::dlopen(libraryName.c_str(), RTLD_NOW | RTLD_LOCAL);
    if (library == nullptr) {
        const char* reason = ::dlerror();
        throw std::runtime_error("Cannot load the JPEG library \"" + libraryName + "\": " +
                                 (reason != nullptr ? reason : "not found") + ".");
    }
    Binding found;
    Resolve(library, "tjInitCompress", found.InitCompress);
    Resolve(library, "tjCompress2", found.Compress2);
    Resolve(library, "tjDestroy", found.Destroy);
    Resolve(library, "tjFree", found.Free);
    Resolve(library, "tjGetErrorStr2", found.GetErrorStr2);
    Resolve(library, "tjInitDecompress", found.InitDecompress);
    Resolve(library, "tjDecompressHeader3", found.DecompressHeader3);
    Resolve(library, "tjDecompress2", found.Decompress2);
    binding = found;
    bound = true;
    return binding;
}

}  // namespace

const Binding& BoundLibrary() {
    return Bound();
}

void BindLibraryForTesting(const std::string& name) {
    libraryName = name.empty() ? TurboJpegLibrary : name;
    bound = false;
}

}  // namespace vantorix::ijl
