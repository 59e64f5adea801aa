#include "collect/FaceFileNames.h"

#include "job/mMain.h"
#include "platform/FileSystem.h"

#include <stdexcept>

namespace vantorix {

std::string OutputPrefixPath(const std::string& output, const std::string& programFolder) {
    if (IsAbsolutePath(output)) return output;
    if (output.size() >= 2 && output[0] == '~' && IsPathSeparator(output[1])) {
        std::string path = HomeFolder();
        if (!path.empty()) {
            if (!IsPathSeparator(path.back())) path += PathSeparator;
            return path + output.substr(2);
        }
    }
    std::string path = programFolder;
    if (path.empty() || !IsPathSeparator(path.back())) path += PathSeparator;
    return path + output;
}

std::string FaceName(const SkyboxJob& job, int face) {
    const SkyboxFaceNames& names = SkyboxFaces.at(static_cast<std::size_t>(face));
    switch (job.NameScheme) {
        case 0: return std::string(names.AsIsName);
        case 1:
        case 2: {
            const std::string_view name = job.NameScheme == 1 ? names.CompassName : names.DirectionName;
            return std::string(job.NameAbreviate ? name.substr(0, 1) : name);
        }
        default: throw std::out_of_range("name scheme " + std::to_string(job.NameScheme) + " is not one of 0 to 2");
    }
}

std::string OutputExtension(const SkyboxJob& job) {
    switch (job.Convert) {
        case 0: return ".bmp";
        case 1: return ".tga";
        case 2: return ".jpg";
        default: throw std::out_of_range("conversion " + std::to_string(job.Convert) + " is not one of 0 to 2");
    }
}

FaceFileNames ComposeFaceFileNames(const SkyboxJob& job, const std::string& programFolder) {
    FaceFileNames names;
    const std::string prefix = OutputPrefixPath(job.Output, programFolder);
    const std::string extension = OutputExtension(job);
    int frameNumber = 1;
    for (int face = 0; face < SkyboxFaceCount; ++face) {
        if (job.Render[face]) names.RenderName[face] = RenderFrameName(programFolder, frameNumber++);
        names.FinalName[face] = prefix + "_" + FaceName(job, face) + extension;
    }
    names.OutputFolder = FolderOf(prefix);
    return names;
}

}  // namespace vantorix
