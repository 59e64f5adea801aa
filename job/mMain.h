#pragma once

#include "job/SkyboxJob.h"
#include "platform/AnsiCodePage.h"

#include <string>

namespace vantorix {

// Where a run's files live, all derived from the program's own folder:
// the render folder is that folder, a separator unless it ends with one,
// then "Vantorix" and a separator. It holds the script and the frames.
std::string RenderFolder(const std::string& programFolder);
std::string ScriptPath(const std::string& programFolder);      // ... "Vantorix.tgs"
std::string RenderBaseName(const std::string& programFolder);  // ... "Vantorix_"

// The file Terragen writes for the frameNumber-th chosen face (from 1):
// the base name, the number in four digits, ".bmp".
std::string RenderFrameName(const std::string& programFolder, int frameNumber);

// Makes every missing folder along path. The first piece (the root, or a
// drive elsewhere) is never made; failures are ignored and show up when a
// file inside is opened. The empty path makes nothing.
void CreateFolderPath(const std::string& path);

// The numbers the script places the camera with.
struct SkyboxScriptNumbers {
    double GridSize = 0;       // landscape side in grid units
    double MetresPerUnit = 0;
    double GridCentre = 0;     // a whole number
    float HeightUnits = 0;     // camera height in grid units
};

// Throws SkyboxJobError when the settings give no usable numbers.
SkyboxScriptNumbers ComputeScriptNumbers(const SkyboxJob& job);

// The whole script text, CRLF line ends. Throws SkyboxJobError.
std::string ComposeSkyboxScript(const SkyboxJob& job, const std::string& programFolder);

// The script text in the given code page, the one Terragen reads it in.
// Throws SkyboxJobError, naming the character, the folder and the code page,
// when the program folder's path has a character the code page lacks.
std::string ScriptInCodePage(const std::string& script, const std::string& programFolder, ansi::CodePage codePage);

// Writes the script into the render folder, in the system's code page,
// making the folder if needed. Every number and character is converted
// first: a SkyboxJobError leaves the disk as it was.
// The script is replaced whole or not at all, but for a plain script in a
// render folder that takes no new files, which is written where it stands;
// a file the system refuses throws FileError naming the script.
void WriteSkyboxScript(const SkyboxJob& job, const std::string& programFolder);

}  // namespace vantorix
