#pragma once

#include <atomic>
#include <exception>
#include <iosfwd>
#include <optional>
#include <stdexcept>
#include <string>
#include <string_view>
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

// One option of the command line, from which its parser, its help and the
// export window are all made.
struct ExportOption {
    using Values = std::vector<std::string>;
    const char* Name;     // "--equirect"
    int ValueCount;       // the values that follow it
    const char* Value;    // how the help names them: "FILE"
    const char* Help;     // lines after the first begin with "\n"
    // A file the window offers under this caption, named the faces' prefix
    // and this ending unless the user names it otherwise; "": not offered so.
    const char* Caption;
    const char* BesideFaces;
    void (*Apply)(ExportOptions& options, const Values& values);  // throws std::invalid_argument
};

extern const std::vector<ExportOption> ExportOptionTable;
const ExportOption* FindExportOption(std::string_view name);

// The command's help, made from the table.
std::string ExportUsage();

// The files --faces-gl writes for a prefix: PREFIX_px to PREFIX_nz, with the
// prefix's picture extension, or .png when it has none.
std::vector<std::string> CubeMapFaceFiles(const std::string& prefix);

// An export stopped by its watch's Cancel.
class ExportCancelled : public std::runtime_error {
public:
    ExportCancelled();
};

// Follows an export from another thread: how far it has come, and a way to
// stop it with nothing replaced.
class ExportWatch {
public:
    double Done() const noexcept { return done_; }  // 0 to 1
    void Cancel() noexcept;
    bool Cancelled() const noexcept { return cancelled_; }
    // The export's side: the share done; throws ExportCancelled once Cancel was called.
    void Report(double done);

private:
    std::atomic<double> done_{0};
    std::atomic<bool> cancelled_{false};
};

// Loads the faces and writes every output asked for; says which faces it
// read on `report`, and how far a panorama has come on `progress` when given.
// Every output is checked first: it is no input face (by file identity),
// not a folder, not read-only, and its folder takes new files or can be
// made. Throws ExportError, FileError or std::invalid_argument; writes
// nothing before every face has loaded.
// A watch, when given, is told the share done through every output, and
// its Cancel ends the export with ExportCancelled and every old file as it was.
void RunExport(const ExportOptions& options, std::ostream& report, std::ostream* progress,
               ExportWatch* watch = nullptr);

// What to tell the user of an export that failed with this exception, in
// one message without the program's name.
std::string DescribeExportFailure(const std::exception_ptr& failure);

// The whole command: the exit status, 0 done, 1 the export failed (one
// message), 2 the command line is wrong (one line and where to find help)
// or empty (the usage). Progress goes to `errors` when `showProgress`.
int ExportMain(const std::vector<std::string>& arguments, std::ostream& output, std::ostream& errors,
               bool showProgress);

}  // namespace vantorix::cube
