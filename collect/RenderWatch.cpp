#include "collect/RenderWatch.h"

#include "collect/FaceFileNames.h"
#include "platform/BmpHeader.h"
#include "platform/FileError.h"
#include "platform/FileSystem.h"
#include "platform/InputFile.h"

#include <array>

namespace vantorix {

bool RenderIsComplete(const std::string& path) {
    int error = 0;
    const std::optional<InputFile> file = InputFile::TryOpen(path, error);
    // Only a header that can be read and falls short of its pixels means the
    // renderer is still writing; a file that cannot be read, or a render that
    // is no file at all, is finishing's to report.
    if (!file) return error != 0 || !WhatIsNoFile(path).empty();
    std::array<std::uint8_t, BmpHeaderBytes> header{};
    std::size_t got = 0;
    try {
        got = file->ReadAt(0, header.data(), header.size());
    } catch (const FileError&) {
        return true;
    }
    return CheckBmpHeader({header.data(), got}, file->Size()) != BmpHeaderCheck::CutShort;
}

bool AllRendersPresent(const SkyboxJob& job, const std::string& programFolder) {
    const FaceFileNames names = ComposeFaceFileNames(job, programFolder);
    bool allPresent = true;
    for (int face = 0; face < SkyboxFaceCount; ++face) {
        if (job.Render[face] && !RenderIsComplete(names.RenderName[face])) allPresent = false;
    }
    return allPresent;
}

}  // namespace vantorix
