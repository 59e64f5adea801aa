#pragma once

#include <turbojpeg.h>

#include <string>

// libjpeg-turbo's entry points, as the JPEG library layer takes them: on
// Linux from the shared library opened at the first use, on Windows linked in.
namespace vantorix::ijl {

// The entry points, all or none.
struct Binding {
    decltype(&::tjInitCompress) InitCompress = nullptr;
    decltype(&::tjCompress2) Compress2 = nullptr;
    decltype(&::tjDestroy) Destroy = nullptr;
    decltype(&::tjFree) Free = nullptr;
    decltype(&::tjGetErrorStr2) GetErrorStr2 = nullptr;
    decltype(&::tjInitDecompress) InitDecompress = nullptr;
    decltype(&::tjDecompressHeader3) DecompressHeader3 = nullptr;
    decltype(&::tjDecompress2) Decompress2 = nullptr;
};


// The library's entry points, bound at the first call and kept. Throws
// std::runtime_error naming the library when it cannot be loaded or lacks one.
const Binding& BoundLibrary();

// The library to bind from now on (empty: libjpeg-turbo's own); a name the
// system has no library for makes BoundLibrary fail as a missing one does.
void BindLibraryForTesting(const std::string& name);

}  // namespace vantorix::ijl
