#include "export/FaceSet.h"

#include "collect/FaceFileNames.h"
#include "export/Pixels.h"
#include "imaging/mPictureLoader.h"
#include "job/SkyboxJob.h"
#include "platform/FileMapping.h"
#include "platform/FileSystem.h"
#include "platform/InputFile.h"
#include "platform/JpegLibrary.h"

#include <algorithm>
#include <cctype>
#include <cstring>
#include <filesystem>
#include <optional>
#include <span>
#include <thread>
#include <vector>

namespace vantorix::cube {

namespace {

struct NameScheme {
    int Scheme;
    bool Abbreviate;
    const char* Description;
};
constexpr NameScheme Schemes[] = {
    {0, false, "As-Is numbers"},
    {1, false, "Compass names"},
    {1, true, "Compass names, abbreviated"},
    {2, false, "Direction names"},
    {2, true, "Direction names, abbreviated"},
};

bool IsFile(const std::string& path) {
    std::error_code error;
    return std::filesystem::is_regular_file(FsPath(path), error);
}

std::string LoadFailure(std::int16_t status) {
    switch (status) {
        case PictureStatus::TGADepthBelow24: return "it is a TGA picture of fewer than 24 bits";
        case PictureStatus::TGANotTrueColour: return "it is a TGA picture that is not true colour";
        case PictureStatus::TGADepthUnsupported: return "it is a TGA picture of neither 24 nor 32 bits";
        case PictureStatus::NoBitmap: return "there is no memory for its picture, or it has no picture";
        case PictureStatus::NotFound: return "it was not found";
        default: return "it could not be loaded (status " + std::to_string(status) + ")";
    }
}

RgbImage LoadJpeg(const std::string& path) {
    std::vector<std::uint8_t> bytes;
    try {
        const InputFile in(path);
        bytes.resize(static_cast<std::size_t>(in.Size()));
        bytes.resize(in.ReadAt(0, bytes.data(), bytes.size()));
    } catch (const std::exception& error) {
        throw ExportError(error.what());
    }
    try {
        ijl::DecodedJpeg decoded = ijl::DecodeJpeg(bytes);
        RgbImage image;
        image.Width = decoded.Width;
        image.Height = decoded.Height;
        image.Pixels.assign(decoded.Rgb.begin(), decoded.Rgb.end());
        return image;
    } catch (const std::runtime_error& error) {
        throw ExportError("Cannot load \"" + path + "\": " + error.what() + ".");
    }
}

// The loaded picture's bottom-up blue, green, red rows, top-down in red, green, blue.
RgbImage LoadWithPictureLoader(const std::string& path) {
    std::int16_t status = 0;
    try {
        status = LoadPictureFile(path);
    } catch (const std::exception& error) {
        throw ExportError(std::string(error.what()));
    }
    if (status != PictureStatus::Loaded) throw ExportError("Cannot load \"" + path + "\": " + LoadFailure(status) + ".");
    cDIBSection& picture = LoadedPicture();
    if (const auto view = picture.File()) view->MapAllPages();  // one call, not a page fault every few pages
    RgbImage image(picture.Width(), picture.Height(), RgbImage::ToBeFilled{});
    const auto turn = [&](int from, int to) {
        for (int y = from; y < to; ++y) {
            const std::uint8_t* in =
                picture.DIBSectionBitsPtr() + static_cast<std::size_t>(image.Height - 1 - y) * picture.BytesPerScanLine();
            SwapRedAndBlue(in, image.At(0, y), static_cast<std::size_t>(image.Width));
        }
    };
    // A large face is turned by two threads, half the rows each.
    if (image.Height >= 256 && std::thread::hardware_concurrency() > 1) {
        std::thread lowerHalf(turn, image.Height / 2, image.Height);
        turn(0, image.Height / 2);
        lowerHalf.join();
    } else {
        turn(0, image.Height);
    }
    if (const auto view = picture.File()) view->CheckWhole();
    picture.ClearUp();
    return image;
}

// The last `count` characters of a name, in lower case.
std::string LowerCaseEnding(const std::string& path, std::size_t count) {
    std::string end = path.substr(path.size() - std::min(path.size(), count));
    std::transform(end.begin(), end.end(), end.begin(), [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    return end;
}

bool EndsWithJpeg(const std::string& path) {
    const std::string end = LowerCaseEnding(path, 5);
    return end.ends_with(".jpg") || end.ends_with(".jpeg");
}

}  // namespace

namespace {

// The faces the finisher may have written for the prefix, a set for each
// name scheme and extension.
std::vector<FaceSet> EveryNaming(const std::string& prefix, const std::string& folder) {
    std::vector<FaceSet> sets;
    for (const NameScheme& scheme : Schemes) {
        for (int convert = 0; convert < 3; ++convert) {
            SkyboxJob job;
            job.Output = prefix;
            job.NameScheme = scheme.Scheme;
            job.NameAbreviate = scheme.Abbreviate;
            job.Convert = convert;
            const FaceFileNames names = ComposeFaceFileNames(job, folder);
            FaceSet& set = sets.emplace_back(FaceSet{std::string(scheme.Description) + ", " + OutputExtension(job), {}});
            std::copy(names.FinalName.begin(), names.FinalName.end(), set.Files.begin());
        }
    }
    return sets;
}

// Every complete set of faces under the prefix; what was found of the
// incomplete ones goes to `tried`.
std::vector<FaceSet> CompleteSets(const std::string& prefix, const std::string& folder, std::string& tried) {
    std::vector<FaceSet> complete;
    for (const FaceSet& set : EveryNaming(prefix, folder)) {
        const auto present = std::count_if(set.Files.begin(), set.Files.end(), IsFile);
        if (present == 6) {
            complete.push_back(set);
        } else if (present > 0) {
            tried += "\n  " + set.Description + ": missing";
            for (const std::string& file : set.Files) {
                if (!IsFile(file)) tried += " \"" + file + "\"";
            }
        }
    }
    return complete;
}

}  // namespace

std::optional<std::string> PrefixOfFaceFile(const std::string& path) {
    for (const NameScheme& scheme : Schemes) {
        for (int convert = 0; convert < 3; ++convert) {
            SkyboxJob job;
            job.NameScheme = scheme.Scheme;
            job.NameAbreviate = scheme.Abbreviate;
            job.Convert = convert;
            for (int face = 0; face < SkyboxFaceCount; ++face) {
                const std::string end = "_" + FaceName(job, face) + OutputExtension(job);
                if (path.size() > end.size() && path.ends_with(end)) return path.substr(0, path.size() - end.size());
            }
        }
    }
    return std::nullopt;
}

namespace {

// For a prefix that names a folder or a face file: the face sets in that
// folder, or the set of that file, as a sentence, spelled as the prefix is.
std::string FaceSetsNear(const std::string& prefix, const std::string& folder) {
    struct Candidate {
        std::string Path, Shown;
        bool operator<(const Candidate& other) const { return Path < other.Path; }
        bool operator==(const Candidate& other) const { return Path == other.Path; }
    };
    const std::string path = OutputPrefixPath(prefix, folder);
    std::error_code error;
    std::vector<Candidate> candidates;
    const bool isFolder = std::filesystem::is_directory(FsPath(path), error);
    if (isFolder) {
        const auto inside = [](const std::string& folderPath) {
            return !folderPath.empty() && IsPathSeparator(folderPath.back()) ? folderPath : folderPath + PathSeparator;
        };
        for (const auto& entry : std::filesystem::directory_iterator(FsPath(path), error)) {
            if (const auto stem = PrefixOfFaceFile(Utf8Path(entry.path().filename()))) {
                candidates.push_back({inside(path) + *stem, inside(prefix) + *stem});
            }
        }
    } else if (const auto stem = PrefixOfFaceFile(path); stem && IsFile(path)) {
        candidates.push_back({*stem, PrefixOfFaceFile(prefix).value_or(*stem)});
    } else {
        return "";
    }
    std::sort(candidates.begin(), candidates.end());
    candidates.erase(std::unique(candidates.begin(), candidates.end()), candidates.end());
    std::string sets;
    for (const Candidate& candidate : candidates) {
        std::string ignored;
        for (const FaceSet& set : CompleteSets(candidate.Path, "/", ignored)) {
            sets += "\n  \"" + candidate.Shown + "\" (" + set.Description + ")";
        }
    }
    const std::string what = isFolder ? " That is a folder; " : " That is a face file; ";
    if (sets.empty()) return what + "no complete set of six faces lies " + (isFolder ? "in it." : "beside it.");
    return what + "give the prefix of a set of faces " + (isFolder ? "in it" : "beside it") + ":" + sets;
}

}  // namespace

FaceSet FindFaceSet(const std::string& prefix, const std::string& folder) {
    std::string tried;
    const std::vector<FaceSet> complete = CompleteSets(prefix, folder, tried);
    if (complete.size() == 1) return complete.front();
    if (complete.size() > 1) {
        std::string sets;
        for (const FaceSet& set : complete) sets += "\n  " + set.Description + ": \"" + set.Files[0] + "\" ...";
        throw ExportError("More than one set of six faces has the prefix \"" + prefix + "\":" + sets +
                          "\nName the six files with --faces.");
    }
    if (tried.empty()) {
        const FaceFileNames example = ComposeFaceFileNames([&] {
            SkyboxJob job;
            job.Output = prefix;
            return job;
        }(), folder);
        throw ExportError("No face of a skybox has the prefix \"" + prefix + "\": tried \"" + example.FinalName[0] +
                          "\" and the other faces under every name scheme (As-Is, Compass, Direction, abbreviated or "
                          "not) as .bmp, .tga and .jpg." + FaceSetsNear(prefix, folder));
    }
    throw ExportError("No complete set of six faces has the prefix \"" + prefix + "\":" + tried);
}

namespace {

std::uint32_t Little(const std::uint8_t* bytes, int count) {
    std::uint32_t value = 0;
    for (int i = count - 1; i >= 0; --i) value = value << 8 | bytes[i];
    return value;
}

// A picture's width and height from its header alone; nothing for a file
// that does not start as a BMP, TGA or JPEG picture does.
std::optional<std::pair<int, int>> PictureSize(const std::string& path) {
    int error = 0;
    const std::optional<InputFile> in = InputFile::TryOpen(path, error);
    if (!in) return std::nullopt;
    std::uint8_t head[26] = {};
    if (in->ReadAt(0, head, sizeof head) < sizeof head) return std::nullopt;
    if (head[0] == 'B' && head[1] == 'M') {
        const auto height = static_cast<std::int32_t>(Little(head + 22, 4));
        return std::pair{static_cast<int>(static_cast<std::int32_t>(Little(head + 18, 4))),
                         height < 0 ? -height : height};
    }
    if (head[0] == 0xFF && head[1] == 0xD8) {
        // Marker by marker to the frame header, whose lines and samples give the size.
        for (long long at = 2; at + 9 <= in->Size();) {
            std::uint8_t marker[9] = {};
            if (in->ReadAt(at, marker, sizeof marker) < sizeof marker || marker[0] != 0xFF) return std::nullopt;
            const int kind = marker[1];
            if (kind >= 0xC0 && kind <= 0xCF && kind != 0xC4 && kind != 0xC8 && kind != 0xCC) {
                return std::pair{marker[7] << 8 | marker[8], marker[5] << 8 | marker[6]};
            }
            at += 2 + (marker[2] << 8 | marker[3]);
        }
        return std::nullopt;
    }
    if (head[2] == 2 || head[2] == 10) return std::pair{static_cast<int>(Little(head + 12, 2)), static_cast<int>(Little(head + 14, 2))};
    return std::nullopt;
}

}  // namespace

FoundFaces DescribeFaceSet(const std::string& prefix, const std::string& folder) {
    if (prefix.empty()) return {false, 0, "Give the prefix of a finished run, or pick one of its faces with Browse."};
    std::string tried;
    const std::vector<FaceSet> complete = CompleteSets(prefix, folder, tried);
    if (complete.size() > 1) {
        std::string sets;
        for (const FaceSet& set : complete) sets += (sets.empty() ? "" : "; ") + set.Description;
        return {false, 0, "More than one set of six faces has this prefix (" + sets + "): move one of them away."};
    }
    if (complete.empty()) {
        // The set with the most faces present, and which of them are missing.
        int bestPresent = 0;
        std::string best;
        for (const FaceSet& set : EveryNaming(prefix, folder)) {
            std::string missing;
            int present = 0;
            for (int face = 0; face < SkyboxFaceCount; ++face) {
                if (IsFile(set.Files[face])) {
                    ++present;
                } else {
                    missing += std::string(missing.empty() ? "" : ", ") + std::string(SkyboxFaces[face].Caption);
                }
            }
            if (present > bestPresent) {
                bestPresent = present;
                best = std::to_string(present) + " of six faces (" + set.Description + "): no " + missing + " face.";
            }
        }
        return {false, 0, bestPresent > 0 ? best : "No faces of a finished run have this prefix."};
    }
    const FaceSet& set = complete.front();
    std::optional<std::pair<int, int>> sizes[6];
    for (int face = 0; face < SkyboxFaceCount; ++face) {
        sizes[face] = PictureSize(set.Files[face]);
        if (!sizes[face]) {
            return {false, 0, "The " + std::string(SkyboxFaces[face].Caption) + " face is no picture Vantorix reads."};
        }
    }
    for (int face = 0; face < SkyboxFaceCount; ++face) {
        if (*sizes[face] != *sizes[0] || sizes[face]->first != sizes[face]->second) {
            const auto shown = [&](int f) {
                return std::string(SkyboxFaces[f].Caption) + " " + std::to_string(sizes[f]->first) + " x " +
                       std::to_string(sizes[f]->second);
            };
            return {false, 0, "The faces must be square and of one size: " + shown(0) + ", " + shown(face) + "."};
        }
    }
    const std::string extension = set.Files[0].substr(set.Files[0].rfind('.'));
    const char* kind = extension == ".jpg" ? "JPEG" : extension == ".tga" ? "TGA" : "BMP";
    const std::string names = set.Description.substr(0, set.Description.rfind(", "));
    const std::string size = std::to_string(sizes[0]->first);
    return {true, sizes[0]->first, "Six " + size + " x " + size + " " + kind + " faces, " + names};
}

RgbImage LoadPictureAsRgb(const std::string& path) {
    return EndsWithJpeg(path) ? LoadJpeg(path) : LoadWithPictureLoader(path);
}

namespace {

// A renderer's usual frame, or a face the finisher kept as TGA, read where
// it lies in its file: nothing copied, and no memory for the system to
// clear first. Nothing for any other file, or one that cannot be mapped
// (the picture loader then reads it, or says why not).
std::optional<FileFace> MapPlainFace(const std::string& path) {
    std::shared_ptr<FileMapping> file;
    try {
        file = FileMapping::Open(path);
    } catch (const std::exception&) {
        return std::nullopt;
    }
    if (!file) return std::nullopt;
    const std::span header(file->Data(), std::min<std::size_t>(file->Size(), 54));
    const auto size = static_cast<long long>(file->Size());
    // The picture loader takes a name ending in "tga" for a TGA file, whatever it holds.
    const auto rows = LowerCaseEnding(path, 3) == "tga" ? FindPlainTgaRows(header, size) : FindPlainBmpRows(header, size);
    if (!rows) return std::nullopt;
    file->MapAllPages();
    const std::uint8_t* bottomRow = file->Data() + rows->PixelOffset;
    return FileFace{std::move(file), bottomRow, rows->Width, rows->Height, rows->RowBytes};
}

void CheckFaceSize(const FaceSet& set, std::size_t face, int width, int height, int firstWidth) {
    const std::string& path = set.Files[face];
    if (width != height) {
        throw ExportError("\"" + path + "\" is " + std::to_string(width) + " x " + std::to_string(height) +
                          " pixels: a face must be square.");
    }
    if (width != firstWidth) {
        throw ExportError("\"" + path + "\" is " + std::to_string(width) + " pixels a side, and \"" + set.Files[0] +
                          "\" " + std::to_string(firstWidth) + ": the six faces must be of one size.");
    }
}

}  // namespace

CubeFaces LoadFaces(const FaceSet& set) {
    std::array<FileFace, 6> mapped;
    std::array<RgbImage, 6> faces;
    bool inFiles = true;
    for (std::size_t face = 0; face < 6; ++face) {
        const std::string& path = set.Files[face];
        if (const std::string what = WhatIsNoFile(path); !what.empty()) {
            throw ExportError("Cannot load \"" + path + "\": it is " + what + ", not a picture file.");
        }
        if (!IsFile(path)) throw ExportError("Cannot load \"" + path + "\": there is no such file.");
        if (inFiles) {
            if (std::optional<FileFace> inFile = MapPlainFace(path)) {
                CheckFaceSize(set, face, inFile->Width, inFile->Height, face == 0 ? inFile->Width : mapped[0].Width);
                mapped[face] = std::move(*inFile);
                continue;
            }
            // This face is read into a picture of its own, and so are those before it.
            inFiles = false;
            mapped = {};
            for (std::size_t before = 0; before < face; ++before) faces[before] = LoadPictureAsRgb(set.Files[before]);
        }
        faces[face] = LoadPictureAsRgb(path);
        CheckFaceSize(set, face, faces[face].Width, faces[face].Height, faces[0].Width);
    }
    return inFiles ? CubeFaces(std::move(mapped)) : CubeFaces(std::move(faces));
}

}  // namespace vantorix::cube
