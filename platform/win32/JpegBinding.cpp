#include "platform/JpegBinding.h"

#include <stdexcept>

namespace vantorix::ijl {

namespace {

// libjpeg-turbo is linked into the program on Windows: there is nothing to look for.
const Binding Linked{&::tjInitCompress, &::tjCompress2, &::tjDestroy, &::tjFree, &::tjGetErrorStr2,
                     &::tjInitDecompress, &::tjDecompressHeader3, &::tjDecompress2};
std::string missing;  // a library a test asks for in its place

}  // namespace

const Binding& BoundLibrary() {
    if (!missing.empty()) throw std::runtime_error("Cannot load the JPEG library \"" + missing + "\": not found.");
    return Linked;
}

void BindLibraryForTesting(const std::string& name) {
    missing = name;
}

}  // namespace vantorix::ijl
