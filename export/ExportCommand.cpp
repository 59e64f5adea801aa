#include "export/ExportCommand.h"

#include "export/CubeFaces.h"
#include "export/CubeMapFaces.h"
#include "export/DdsFile.h"
#include "export/EnginePresets.h"
#include "export/FaceSet.h"
#include "export/ImageFile.h"
#include "export/Ktx2File.h"
#include "export/Panorama.h"
#include "export/PreviewPage.h"
#include "export/SkyViews.h"
#include "job/SkyboxJob.h"
#include "platform/FileSystem.h"
#include "platform/ReplacementFile.h"

#include <algorithm>
#include <cctype>
#include <charconv>
#include <cmath>
#include <cstring>
#include <filesystem>
#include <optional>
#include <ostream>
#include <sstream>
#include <stdexcept>

namespace vantorix::cube {

namespace {

int WholeNumber(const std::string& option, const std::string& text, int low, int high) {
    int value = 0;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (error != std::errc() || end != text.data() + text.size() || value < low || value > high) {
        throw std::invalid_argument(option + " takes a whole number from " + std::to_string(low) + " to " +
                                    std::to_string(high) + ", not \"" + text + "\".");
    }
    return value;
}

void NeedPictureName(const std::string& option, const std::string& path) {
    if (!IsImageFileName(path)) {
        throw std::invalid_argument(option + " \"" + path + "\": end the name in .png, .jpg, .tga or .bmp.");
    }
}

bool EndsWithNoCase(const std::string& text, const std::string& end) {
    return text.size() >= end.size() &&
           std::equal(end.begin(), end.end(), text.end() - static_cast<std::ptrdiff_t>(end.size()),
                      [](char a, char b) { return std::tolower(static_cast<unsigned char>(a)) == b; });
}

// Every file the options ask for, with the option that asks for it.
std::vector<std::pair<std::string, std::string>> OutputFiles(const ExportOptions& options) {
    std::vector<std::pair<std::string, std::string>> files;
    for (const auto& [option, path] : {std::pair{"--equirect", options.Equirect}, {"--dds", options.Dds},
                                       {"--ktx2", options.Ktx2}, {"--cross", options.Cross},
                                       {"--vcross", options.VerticalCross}, {"--strip", options.Strip},
                                       {"--layout", options.Layout}, {"--preview", options.Preview}}) {
        if (!path.empty()) files.emplace_back(option, path);
    }
    if (!options.FacesGl.empty()) {
        for (const std::string& path : CubeMapFaceFiles(options.FacesGl)) files.emplace_back("--faces-gl", path);
    }
    if (!options.Preset.empty()) {
        for (const std::string& path : PresetFiles(*FindPreset(options.Preset), options.PresetDest)) {
            files.emplace_back("--preset " + options.Preset, path);
        }
    }
    return files;
}

bool HasCubeOutput(const ExportOptions& options) {
    return !options.Dds.empty() || !options.Ktx2.empty() || !options.FacesGl.empty() || !options.Cross.empty() ||
           !options.VerticalCross.empty() || !options.Strip.empty() || !options.Layout.empty() ||
           !options.Preset.empty() || !options.Preview.empty();
}

double Degrees(const std::string& option, const std::string& text) {
    double value = 0;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (error != std::errc() || end != text.data() + text.size() || !std::isfinite(value) || std::fabs(value) > 3600) {
        throw std::invalid_argument(option + " takes degrees, a number from -3600 to 3600, not \"" + text + "\".");
    }
    return value;
}

// Before any work: the output can be written, and is none of the faces read.
void CheckOutput(const std::string& option, const std::string& path, const FaceSet& set) {
    const std::string named = option + " \"" + path + "\"";
    if (const auto output = IdentityOf(path)) {
        for (std::size_t face = 0; face < set.Files.size(); ++face) {
            const auto input = IdentityOf(set.Files[face]);
            if (input && SameFile(*input, *output)) {
                throw ExportError(named + " is the " + std::string(SkyboxFaces[face].Caption) +
                                  " face this export reads (\"" + set.Files[face] + "\"): name another file.");
            }
        }
    }
    std::error_code error;
    if (std::filesystem::is_directory(FsPath(path), error)) throw ExportError(named + " is a folder: name a file.");
    RefuseReplacingReadOnly(path);
    // The nearest folder that stands must take new files: the output's own, or the first of those to be made.
    std::filesystem::path folder = std::filesystem::absolute(FsPath(path)).parent_path();
    while (!std::filesystem::exists(folder, error) && folder.has_relative_path()) folder = folder.parent_path();
    if (!std::filesystem::is_directory(folder, error)) {
        throw ExportError(named + ": \"" + Utf8Path(folder) + "\" is not a folder, so no folder can be made there.");
    }
    if (const int refusal = NewFileRefusal(Utf8Path(folder))) {
        throw ExportError(named + ": the folder \"" + Utf8Path(folder) + "\" takes no new files (" +
                          std::strerror(refusal) + ").");
    }
}

// Makes the folders an output goes into, as the finisher does for its faces.
void MakeFolderFor(const std::string& path) {
    const std::filesystem::path folder = FsPath(path).parent_path();
    std::error_code ignored;  // a folder that cannot be made shows in the write's own error
    if (!folder.empty()) std::filesystem::create_directories(folder, ignored);
}

// Where an output lands, for telling whether two options name one file
// through a link, a mount or (on Windows) another case or a short name: the
// file's identity where it exists, else its folder's and its name.
struct Place {
    std::optional<FileIdentity> File, Folder;
    std::string Name;  // with Folder; case-folded where the system folds it
    std::string Spelled;  // the absolute path, where neither is known yet

    explicit Place(const std::string& path) {
        const std::filesystem::path absolute = std::filesystem::absolute(FsPath(path)).lexically_normal();
        File = IdentityOf(path);
        Folder = IdentityOf(Utf8Path(absolute.parent_path()));
        Name = Utf8Path(absolute.filename());
#ifdef _WIN32
        std::transform(Name.begin(), Name.end(), Name.begin(), [](char c) {
            return static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
        });
#endif
        Spelled = Utf8Path(absolute);
    }

    bool operator==(const Place& other) const {
        if (File && other.File) return SameFile(*File, *other.File);
        if (File || other.File) return false;
        if (Folder && other.Folder) return SameFile(*Folder, *other.Folder) && Name == other.Name;
        return Spelled == other.Spelled;
    }
};

}  // namespace

using Values = ExportOption::Values;

const std::vector<ExportOption> ExportOptionTable = {
    {"--equirect", 1, "FILE", "an equirectangular panorama (the middle column looks north)", "Panorama", "_panorama.png",
     [](ExportOptions& o, const Values& v) { o.Equirect = v[0]; }},
    {"--width", 1, "N", "its width, an even number (default: four times the face size)", "", "",
     [](ExportOptions& o, const Values& v) { o.EquirectWidth = WholeNumber("--width", v[0], 2, 65536); }},
    {"--dds", 1, "FILE", "a DDS cube map, 32-bit BGRA, faces +X -X +Y -Y +Z -Z", "DDS cube map", ".dds",
     [](ExportOptions& o, const Values& v) { o.Dds = v[0]; }},
    {"--dds-srgb", 0, "", "with a DX10 header stating sRGB (R8G8B8A8_UNORM_SRGB)", "", "",
     [](ExportOptions& o, const Values&) { o.DdsSrgb = true; }},
    {"--ktx2", 1, "FILE", "a KTX 2 cube map, R8G8B8A8_SRGB", "KTX 2 cube map", ".ktx2",
     [](ExportOptions& o, const Values& v) { o.Ktx2 = v[0]; }},
    {"--mipmaps", 0, "", "the DDS and KTX 2 files with mip-maps down to 1 x 1", "", "",
     [](ExportOptions& o, const Values&) { o.MipMaps = true; }},
    {"--faces-gl", 1, "PREFIX", "six pictures PREFIX_px, _nx, _py, _ny, _pz, _nz", "Six GL faces", "_gl.png",
     [](ExportOptions& o, const Values& v) { o.FacesGl = v[0]; }},
    {"--cross", 1, "FILE", "a horizontal cross, 4 x 3 faces", "Cross", "_cross.png",
     [](ExportOptions& o, const Values& v) { o.Cross = v[0]; }},
    {"--vcross", 1, "FILE", "a vertical cross, 3 x 4 faces", "Vertical cross", "_vcross.png",
     [](ExportOptions& o, const Values& v) { o.VerticalCross = v[0]; }},
    {"--strip", 1, "FILE", "a strip of 6 x 1 faces, +X -X +Y -Y +Z -Z", "Strip", "_strip.png",
     [](ExportOptions& o, const Values& v) { o.Strip = v[0]; }},
    {"--layout", 2, "CxR FILE",
     "the cube in Godot's order (+X -X +Y -Y +Z -Z, row by row),\n2x3, 3x2, 1x6 or 6x1 faces", "One picture",
     "_cube.png",
     [](ExportOptions& o, const Values& v) {
         const std::string& shape = v[0];
         if (shape != "2x3" && shape != "3x2" && shape != "1x6" && shape != "6x1") {
             throw std::invalid_argument("--layout takes 2x3, 3x2, 1x6 or 6x1 (columns x rows), not \"" + shape +
                                         "\".");
         }
         o.LayoutColumns = shape[0] - '0';
         o.LayoutRows = shape[2] - '0';
         o.Layout = v[1];
     }},
    {"--preset", 2, "NAME DEST",
     "what an engine loads, named and turned as it expects:\nquake3, quake2, halflife, source, unity, godot or three", "",
     "",
     [](ExportOptions& o, const Values& v) {
         o.Preset = v[0];
         if (FindPreset(o.Preset) == nullptr) {
             std::string names;
             for (const Preset& preset : Presets) names += std::string(names.empty() ? "" : ", ") + preset.Name;
             throw std::invalid_argument("There is no preset \"" + o.Preset + "\": " + names + ".");
         }
         o.PresetDest = v[1];
     }},
    {"--north", 1, "engine",
     "for the Quake family and Source: north along the engine's +Y\n(default: the run's Direction faces as they are, "
     "north along -Y)", "", "",
     [](ExportOptions& o, const Values& v) {
         if (v[0] != "engine" && v[0] != "run") {
             throw std::invalid_argument("--north takes \"engine\" (the engine's +Y) or \"run\" (as the run has "
                                         "it), not \"" + v[0] + "\".");
         }
         o.NorthAlongEngine = v[0] == "engine";
     }},
    {"--yaw", 1, "DEGREES", "turn the sky first, so that this heading lies where north did", "", "",
     [](ExportOptions& o, const Values& v) { o.Yaw = Degrees("--yaw", v[0]); }},
    {"--size", 1, "N", "the faces of every cube output, N texels a side", "", "",
     [](ExportOptions& o, const Values& v) { o.Size = WholeNumber("--size", v[0], 1, 16384); }},
    {"--preview", 1, "FILE", "a page to look around the sky in a web browser (.html)", "Look-around page",
     "_preview.html", [](ExportOptions& o, const Values& v) { o.Preview = v[0]; }},
    {"--threads", 1, "N", "threads for the panorama (default: one per core)", "", "",
     [](ExportOptions& o, const Values& v) { o.Threads = WholeNumber("--threads", v[0], 1, 256); }},
};

const ExportOption* FindExportOption(std::string_view name) {
    for (const ExportOption& option : ExportOptionTable) {
        if (name == option.Name) return &option;
    }
    return nullptr;
}

std::string ExportUsage() {
    std::string usage =
        "usage: vantorix-export [options] PREFIX\n"
        "       vantorix-export [options] --faces NORTH SOUTH EAST WEST UP DOWN\n"
        "Turns the six faces of a finished Vantorix run into what engines and 3D tools load.\n"
        "PREFIX is the run's output prefix: its faces are found under every name scheme\n"
        "and as .bmp, .tga or .jpg. Pictures are written in the kind their extension names:\n"
        ".png, .jpg, .tga or .bmp.\n";
    constexpr std::size_t HelpColumn = 22;
    for (const ExportOption& option : ExportOptionTable) {
        std::string line = std::string("  ") + option.Name + (*option.Value != '\0' ? " " : "") + option.Value;
        line.resize(std::max(HelpColumn, line.size() + 2), ' ');
        for (const char c : std::string_view(option.Help)) line += c == '\n' ? "\n" + std::string(HelpColumn, ' ') : std::string(1, c);
        usage += line + "\n";
    }
    return usage;
}

std::optional<ExportOptions> ParseExportArguments(const std::vector<std::string>& arguments) {
    ExportOptions options;
    for (std::size_t i = 0; i < arguments.size(); ++i) {
        const std::string& argument = arguments[i];
        if (argument == "--help" || argument == "-h") return std::nullopt;
        if (const ExportOption* option = FindExportOption(argument)) {
            if (i + option->ValueCount >= arguments.size()) throw std::invalid_argument(argument + " needs a value.");
            const std::vector<std::string> values(arguments.begin() + static_cast<std::ptrdiff_t>(i) + 1,
                                                  arguments.begin() + static_cast<std::ptrdiff_t>(i) + 1 +
                                                      option->ValueCount);
            option->Apply(options, values);
            i += static_cast<std::size_t>(option->ValueCount);
        } else if (argument == "--faces") {
            while (options.FaceFiles.size() < 6 && i + 1 < arguments.size() && !arguments[i + 1].starts_with("--")) {
                options.FaceFiles.push_back(arguments[++i]);
            }
            if (options.FaceFiles.size() < 6) {
                throw std::invalid_argument("--faces needs six files, North, South, East, West, Up and Down; it got " +
                                            std::to_string(options.FaceFiles.size()) + ".");
            }
        } else if (argument.rfind("--", 0) == 0) {
            throw std::invalid_argument("There is no option " + argument + ".");
        } else if (options.Prefix.empty()) {
            options.Prefix = argument;
        } else {
            throw std::invalid_argument("One prefix only: \"" + options.Prefix + "\" and \"" + argument + "\".");
        }
    }
    if (options.Prefix.empty() == options.FaceFiles.empty()) {
        throw std::invalid_argument("Give the run's output prefix, or six faces with --faces, not both.");
    }
    const bool cubeOutput = HasCubeOutput(options);
    if (options.Equirect.empty() && !cubeOutput) {
        throw std::invalid_argument("Nothing to write: ask for --equirect, --dds, --ktx2, --faces-gl, --cross, --vcross, "
                                    "--strip, --layout, --preset or --preview.");
    }
    if (options.EquirectWidth != 0 && options.Equirect.empty()) {
        throw std::invalid_argument("--width sets the panorama's width: it needs --equirect.");
    }
    if (options.MipMaps && options.Dds.empty() && options.Ktx2.empty()) {
        throw std::invalid_argument("--mipmaps is for the DDS and KTX 2 files: it needs --dds or --ktx2.");
    }
    if (options.DdsSrgb && options.Dds.empty()) throw std::invalid_argument("--dds-srgb is for the DDS file: it needs --dds.");
    if (options.Size != 0 && !cubeOutput) {
        throw std::invalid_argument("--size sets the faces of the cube outputs (not the panorama's --width): it needs "
                                    "one of them.");
    }
    if (options.NorthAlongEngine && (options.Preset.empty() || !FindPreset(options.Preset)->QuakeFamily)) {
        throw std::invalid_argument("--north is for the Quake family and Source: it needs --preset quake3, quake2, "
                                    "halflife or source.");
    }
    if (!options.Ktx2.empty() && !EndsWithNoCase(options.Ktx2, ".ktx2")) {
        throw std::invalid_argument("--ktx2 \"" + options.Ktx2 + "\": end the name in .ktx2.");
    }
    if (!options.Preview.empty() && !EndsWithNoCase(options.Preview, ".html") && !EndsWithNoCase(options.Preview, ".htm")) {
        throw std::invalid_argument("--preview \"" + options.Preview + "\": end the name in .html.");
    }
    if (!options.Layout.empty()) NeedPictureName("--layout", options.Layout);
    if (!options.PresetDest.empty()) {
        const std::string name = Utf8Path(FsPath(options.PresetDest).filename());
        if (name.empty() || name == "." || name == "..") {
            throw std::invalid_argument("--preset " + options.Preset + " \"" + options.PresetDest +
                                        "\": give a name for the files, not only a folder (\"env/mysky\").");
        }
    }
    if (options.EquirectWidth % 2 != 0) throw std::invalid_argument("--width takes an even number.");
    for (const auto& [option, path] : {std::pair{"--equirect", options.Equirect}, {"--cross", options.Cross},
                                       {"--vcross", options.VerticalCross}, {"--strip", options.Strip}}) {
        if (!path.empty()) NeedPictureName(option, path);
    }
    if (!options.Dds.empty() && !EndsWithNoCase(options.Dds, ".dds")) {
        throw std::invalid_argument("--dds \"" + options.Dds + "\": end the name in .dds.");
    }
    if (!options.FacesGl.empty()) {
        const std::string name = Utf8Path(FsPath(options.FacesGl).filename());
        if (name.empty() || name == "." || name == "..") {
            throw std::invalid_argument("--faces-gl \"" + options.FacesGl +
                                        "\": give a name for the files, not only a folder (\"cubes/sky\" writes "
                                        "cubes/sky_px.png and five more).");
        }
        if (name.find('.') != std::string::npos && !IsImageFileName(options.FacesGl)) {
            throw std::invalid_argument("--faces-gl \"" + options.FacesGl +
                                        "\": end the name in .png, .jpg, .tga or .bmp, or give it no extension (PNG).");
        }
    }
    std::vector<std::pair<Place, std::string>> seen;  // where each output goes, and which option said so
    for (const auto& [option, path] : OutputFiles(options)) {
        const Place place(path);
        for (const auto& [otherPlace, otherOption] : seen) {
            if (otherPlace == place) {
                throw std::invalid_argument(otherOption + " and " + option + " both write \"" + path + "\".");
            }
        }
        seen.emplace_back(place, option);
    }
    return options;
}

std::vector<std::string> CubeMapFaceFiles(const std::string& prefix) {
    std::string stem = prefix, extension = ".png";
    if (IsImageFileName(prefix)) {
        const auto dot = prefix.rfind('.');
        stem = prefix.substr(0, dot);
        extension = prefix.substr(dot);
    }
    std::vector<std::string> files;
    for (const char* name : CubeMapFaceNames) files.push_back(stem + "_" + name + extension);
    return files;
}

ExportCancelled::ExportCancelled() : std::runtime_error("The export was cancelled; every file stays as it was.") {}

void ExportWatch::Cancel() noexcept { cancelled_ = true; }

void ExportWatch::Report(double done) {
    if (cancelled_) throw ExportCancelled();
    done_ = std::clamp(done, 0.0, 1.0);
}

namespace {

// The export's steps, weighed by the pixels each makes, for a watch's share done.
class Steps {
public:
    explicit Steps(ExportWatch* watch) : watch_(watch) {}
    void Plan(double total) { total_ = total; }
    // Part of a step of that weight is done; at 1, the whole step.
    void Within(double weight, double part) {
        if (watch_ != nullptr) watch_->Report(total_ > 0 ? (done_ + weight * part) / total_ : 0);
    }
    void Finished(double weight) {
        done_ += weight;
        Within(0, 0);
    }

private:
    ExportWatch* watch_;
    double total_ = 0, done_ = 0;
};

// What one step weighs: a cube of the run's faces weighs 1.
double CubeWeight(int size, int faceSize) { return static_cast<double>(size) * size / (double(faceSize) * faceSize); }

// A panorama is sampled, then written: twice its pixels.
double PanoramaWeight(int width, int faceSize) { return 2 * double(width) * (width / 2) / (6.0 * faceSize * faceSize); }

void WriteCubeOutputs(const ExportOptions& options, const FaceSet& set, const CubeFaces& faces, std::ostream& report,
                      Steps& steps) {
    const int size = options.Size > 0 ? options.Size : faces.Size();
    const double cube = CubeWeight(size, faces.Size());
    const CubeMap map = MakeCubeMap(faces, size);
    steps.Finished(cube);
    if (!options.Dds.empty()) {
        MakeFolderFor(options.Dds);
        WriteDdsCubeMap(options.Dds, map, options.MipMaps, options.DdsSrgb);
        report << "Wrote \"" << options.Dds << "\"" << std::endl;
        steps.Finished(cube);
    }
    if (!options.Ktx2.empty()) {
        MakeFolderFor(options.Ktx2);
        WriteKtx2CubeMap(options.Ktx2, map, options.MipMaps);
        report << "Wrote \"" << options.Ktx2 << "\"" << std::endl;
        steps.Finished(cube);
    }
    if (!options.FacesGl.empty()) {
        const std::vector<std::string> files = CubeMapFaceFiles(options.FacesGl);
        MakeFolderFor(files.front());
        for (std::size_t face = 0; face < files.size(); ++face) {
            WriteImageFile(files[face], map[face]);
            steps.Within(cube, (face + 1) / 6.0);
        }
        report << "Wrote \"" << files.front() << "\" to \"" << files.back() << "\"" << std::endl;
        steps.Finished(cube);
    }
    for (const auto& [path, layout] : {std::pair{options.Cross, &HorizontalCross},
                                       {options.VerticalCross, &VerticalCross}, {options.Strip, &Strip}}) {
        if (path.empty()) continue;
        MakeFolderFor(path);
        WriteImageFile(path, layout(map));
        report << "Wrote \"" << path << "\"" << std::endl;
        steps.Finished(cube);
    }
    if (!options.Layout.empty()) {
        MakeFolderFor(options.Layout);
        WriteImageFile(options.Layout, GodotLayout(map, options.LayoutColumns, options.LayoutRows));
        report << "Wrote \"" << options.Layout << "\"" << std::endl;
        steps.Finished(cube);
    }
    if (!options.Preset.empty()) {
        const Preset& preset = *FindPreset(options.Preset);
        const std::vector<std::string> files = PresetFiles(preset, options.PresetDest);
        MakeFolderFor(files.front());
        const std::string north = WritePreset(preset, options.PresetDest, faces,
                                              options.NorthAlongEngine ? North::AlongTheEngines : North::AsTheRunHasIt,
                                              options.Size);
        report << "Wrote " << options.Preset << ": \"" << files.front() << "\" to \"" << files.back() << "\"\n"
               << north << std::endl;
        steps.Finished(cube);
    }
    if (!options.Preview.empty()) {
        MakeFolderFor(options.Preview);
        // A page of a few megabytes at most: faces beyond 1024 texels add nothing a screen shows.
        // Named by the prefix's own name: a folder's path may hold the user's name.
        const std::string shown = Utf8Path(FsPath(options.Prefix.empty() ? set.Files[0] : options.Prefix).filename());
        const bool capped = options.Size == 0 && size > 1024;
        WritePreviewPage(options.Preview, capped ? MakeCubeMap(faces, 1024) : map, "Sky: " + shown);
        report << "Wrote \"" << options.Preview << "\": open it in a web browser, drag to look around" << std::endl;
        if (capped) {
            report << "The page's faces are 1024 texels a side, not the run's " << size
                   << ", to keep it a few megabytes (--size sets theirs)" << std::endl;
        }
        steps.Finished(cube);
    }
}

// The weight of every step after the faces are loaded, as Steps counts them.
double PlannedWeight(const ExportOptions& options, int faceSize, double yaw) {
    const int width = options.EquirectWidth > 0 ? options.EquirectWidth : 4 * faceSize;
    const double cube = CubeWeight(options.Size > 0 ? options.Size : faceSize, faceSize);
    double total = 1 + (yaw != 0 ? 1 : 0);  // the loading, the turn
    if (!options.Equirect.empty()) total += PanoramaWeight(width, faceSize);
    if (!HasCubeOutput(options)) return total;
    total += cube;  // the cube map every cube output is made from
    for (const std::string* path : {&options.Dds, &options.Ktx2, &options.FacesGl, &options.Cross,
                                    &options.VerticalCross, &options.Strip, &options.Layout, &options.Preset,
                                    &options.Preview}) {
        if (!path->empty()) total += cube;
    }
    return total;
}

}  // namespace

void RunExport(const ExportOptions& options, std::ostream& finalReport, std::ostream* progress, ExportWatch* watch) {
    Steps steps(watch);
    FaceSet set;
    if (options.FaceFiles.empty()) {
        set = FindFaceSet(options.Prefix, Utf8Path(std::filesystem::current_path()));
    } else {
        set.Description = "the six files given";
        std::copy(options.FaceFiles.begin(), options.FaceFiles.end(), set.Files.begin());
    }
    std::vector<GuardedFiles::File> inputs;
    for (std::size_t face = 0; face < set.Files.size(); ++face) {
        if (const auto identity = IdentityOf(set.Files[face])) {
            inputs.push_back({*identity, "the " + std::string(SkyboxFaces[face].Caption) + " face this export reads"});
        }
    }
    for (const auto& [option, path] : OutputFiles(options)) CheckOutput(option, path, set);
    finalReport << "Faces: " << set.Description << ", from \"" << set.Files[0] << "\" on" << std::endl;
    steps.Within(0, 0);
    const CubeFaces run(LoadFaces(set));
    // All or nothing: every output waits beside its name until all are written.
    ReplacementGroup outputs;
    std::ostringstream report;
    const GuardedFiles guard(std::move(inputs));  // in case a name comes to lead to a face while the work runs
    // The sky turned before anything is made of it.
    const double yaw = std::fmod(options.Yaw, 360.0);
    steps.Plan(PlannedWeight(options, run.Size(), yaw));
    steps.Finished(1);
    std::optional<CubeFaces> turned;
    if (yaw != 0) {
        turned.emplace(TurnedSky(run, yaw));
        steps.Finished(1);
    }
    const CubeFaces& faces = turned ? *turned : run;
    if (yaw != 0) report << "Turned the sky by " << yaw << " degrees: heading " << yaw << " lies where north did" << std::endl;

    if (!options.Equirect.empty()) {
        const int width = options.EquirectWidth > 0 ? options.EquirectWidth : 4 * faces.Size();
        const double weight = PanoramaWeight(width, faces.Size());
        Progress shown;
        if (progress != nullptr || watch != nullptr) {
            shown = [progress, &steps, weight](double done) {
                if (progress != nullptr) *progress << "\rPanorama: " << static_cast<int>(done * 100) << " %" << std::flush;
                steps.Within(weight, done);
            };
        }
        MakeFolderFor(options.Equirect);
        WriteEquirectangularPanorama(faces, width, options.Equirect, options.Threads, shown);
        if (progress != nullptr) *progress << std::endl;
        report << "Wrote \"" << options.Equirect << "\", " << width << " x " << width / 2 << std::endl;
        steps.Finished(weight);
    }
    if (HasCubeOutput(options)) WriteCubeOutputs(options, set, faces, report, steps);
    run.CheckFilesWhole();  // a face cut short meanwhile read as black
    outputs.Commit();
    finalReport << report.str() << std::flush;
}

std::string DescribeExportFailure(const std::exception_ptr& failure) {
    try {
        std::rethrow_exception(failure);
    } catch (const std::bad_alloc&) {
        return "there is not enough memory for this export; nothing was written.";
    } catch (const std::filesystem::filesystem_error& error) {
        // Most often a relative name, from a folder that has been removed.
        std::error_code ignored;
        const bool here = !std::filesystem::current_path(ignored).empty();
        return (here ? "\"" + Utf8Path(error.path1()) + "\": " + error.code().message()
                     : "the current folder cannot be read (it may have been removed), so names relative to it "
                       "lead nowhere: " + error.code().message()) +
               "; nothing was written.";
    } catch (const std::exception& error) {
        return error.what();
    } catch (...) {
        return "the export failed for a reason it cannot name; nothing was written.";
    }
}

int ExportMain(const std::vector<std::string>& arguments, std::ostream& output, std::ostream& errors,
               bool showProgress) {
    if (arguments.empty()) {
        errors << ExportUsage();
        return 2;
    }
    try {
        std::optional<ExportOptions> options;
        try {
            options = ParseExportArguments(arguments);
        } catch (const std::invalid_argument& error) {
            errors << "vantorix-export: " << error.what() << "\nTry 'vantorix-export --help'.\n";
            return 2;
        }
        if (!options) {
            output << ExportUsage();
            return 0;
        }
        RunExport(*options, output, showProgress ? &errors : nullptr);
    } catch (...) {
        errors << "vantorix-export: " << DescribeExportFailure(std::current_exception()) << "\n";
        return 1;
    }
    return 0;
}

}  // namespace vantorix::cube
