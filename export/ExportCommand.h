#pragma once

#include <iosfwd>
#include <optional>
#include <string>
#include <vector>

namespace vantorix::cube {

// What one run of vantorix-export is asked to do.
struct ExportOptions {
    std::string Prefix;                    // the run's output prefix, or
    std::vector<std::string> FaceFiles;    // six files, North, South, East, West, Up, Down
    std::string Equirect;                  // an equirectangular panorama
    int EquirectWidth = 0;                 // 0: four times the face size
    std::string Dds;                       // a DDS cube map
    bool MipMaps = false;
    std::string FacesGl;                   // six files PREFIX_px ... PREFIX_nz
    std::string Cross, VerticalCross, Strip;
    bool DdsSrgb = false;                  // the DDS's colour space stated in a DX10 header
    std::string Ktx2;                      // a KTX 2 cube map
    int LayoutColumns = 0, LayoutRows = 0;  // Godot's one-picture cube, and its file
    std::string Layout;
    std::string Preset, PresetDest;        // an engine's files, and where they go
    bool NorthAlongEngine = false;         // the Quake family's north along the engine's +Y
    double Yaw = 0;                        // degrees the sky turns before anything is written
    int Size = 0;                          // the faces of every cube output; 0: the run's own
    std::string Preview;                   // the look-around page
    int Threads = 0;                       // 0: one per core
};

// Reads the command line; throws std::invalid_argument saying in one line
// what is wrong. Empty when help was asked for.
std::optional<ExportOptions> ParseExportArguments(const std::vector<std::string>& arguments);

extern const char* const ExportUsage;

// The files --faces-gl writes for a prefix: PREFIX_px to PREFIX_nz, with the
// prefix's picture extension, or .png when it has none.
std::vector<std::string> CubeMapFaceFiles(const std::string& prefix);

// Loads the faces and writes every output asked for; says which faces it
// read on `report`, and how far a panorama has come on `progress` when given.
// Every output is checked first: it is no input face (by file identity),
// not a folder, not read-only, and its folder takes new files or can be
// made. Throws ExportError, FileError or std::invalid_argument; writes
// nothing before every face has loaded.
void RunExport(const ExportOptions& options, std::ostream& report, std::ostream* progress);

// The whole command: the exit status, 0 done, 1 the export failed (one
// message), 2 the command line is wrong (one line and where to find help)
// or empty (the usage). Progress goes to `errors` when `showProgress`.
int ExportMain(const std::vector<std::string>& arguments, std::ostream& output, std::ostream& errors,
               bool showProgress);

}  // namespace vantorix::cube
