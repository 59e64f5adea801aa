#pragma once

#include "job/SkyboxJob.h"

#include <array>
#include <string>

namespace vantorix {

// The files of one run, per face in SkyboxFace order.
struct FaceFileNames {
    // Where Terragen writes the face's frame; empty for a face not chosen.
    // Frames are numbered over the chosen faces only.
    std::array<std::string, SkyboxFaceCount> RenderName;
    // Output prefix + "_" + face name + extension, composed for every face.
    std::array<std::string, SkyboxFaceCount> FinalName;
    // The prefix up to and including its last separator.
    std::string OutputFolder;
};

// The output prefix as a path: as typed when absolute; "~/" stands for the
// home folder; anything else lies in the program's folder, where the render
// folder lies too, and not wherever the program happened to be started from.
std::string OutputPrefixPath(const std::string& output, const std::string& programFolder);

// The face's name in the job's scheme: As-Is numbers by its place among all
// six faces, or the Compass or Direction name, cut to one letter when the
// job abbreviates.
std::string FaceName(const SkyboxJob& job, int face);

// The file extension of the job's conversion: ".bmp", ".tga" or ".jpg".
std::string OutputExtension(const SkyboxJob& job);

FaceFileNames ComposeFaceFileNames(const SkyboxJob& job, const std::string& programFolder);

}  // namespace vantorix
