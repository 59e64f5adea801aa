#pragma once

#include "export/CubeFaces.h"
#include "export/RgbImage.h"

#include <array>
#include <optional>
#include <stdexcept>
#include <string>

namespace vantorix::cube {

// Input the export cannot use: what and which file, said so a user can act on it.
class ExportError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// The six face files of one finished run, in face order (North, South,
// East, West, Up, Down), and which of the finisher's names they carry.
struct FaceSet {
    std::string Description;  // "Compass names, .jpg"
    std::array<std::string, 6> Files;
};

// Finds the faces the finisher wrote for an output prefix, under every name
// scheme (As-Is, Compass, Direction, abbreviated or not) and extension (.bmp,
// .tga, .jpg) it writes. A prefix that is not absolute lies in `folder`;
// "~/" is the home folder. Throws ExportError when no set is complete
// (naming the files tried) or when more than one is.
FaceSet FindFaceSet(const std::string& prefix, const std::string& folder);

// The prefix a face file's name carries, if it is named as the finisher names faces.
std::optional<std::string> PrefixOfFaceFile(const std::string& path);

// What a prefix leads to, in one line for the export window: "Six 1024 x
// 1024 JPEG faces, Compass names", or why no set of faces can be used.
struct FoundFaces {
    bool Usable;
    int Size;  // the faces' side, when usable
    std::string Line;
};
// Reads the faces' headers only, so it can follow every change of the prefix.
FoundFaces DescribeFaceSet(const std::string& prefix, const std::string& folder);

// The faces as a sky. Six uncompressed 24-bit bottom-up BMP or TGA files
// (a renderer's usual frames, the finisher's TGA faces) are read where they
// lie in the files, which CubeFaces::CheckFilesWhole checks before anything
// made of them is kept; other faces are read into pictures of their own:
// BMP and TGA through the program's picture loader, JPEG through
// libjpeg-turbo. Throws ExportError naming a file that does not load and
// why, and when the faces are not square or not of one size.
CubeFaces LoadFaces(const FaceSet& set);

// One picture file of any size, read as LoadFaces reads a face. Throws ExportError.
RgbImage LoadPictureAsRgb(const std::string& path);

}  // namespace vantorix::cube
