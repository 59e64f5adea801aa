#pragma once

#include "job/SkyboxFace.h"

#include <array>
#include <stdexcept>
#include <string>

namespace vantorix {

// The settings of one run, as a snapshot of the main window's controls.
// Texts stay texts: they are read as numbers only where they are used.
struct SkyboxJob {
    std::string CameraHeight = "100";  // metres
    std::string TGArea = "7680";       // the landscape's side, metres
    int TGSize = 1;                    // grid option 0..5: 129 .. 4097 points
    std::array<bool, SkyboxFaceCount> Render = {true, true, true, true, true, true};
    std::string Output;                // path and file-name prefix, no extension
    int Convert = 2;                   // 0 keep BMP, 1 TGA, 2 JPG
    int JPGQuality = 90;               // 0..100
    int NameScheme = 1;                // 0 As-Is - Numerical, 1 Compass, 2 Direction
    bool NameAbreviate = false;
};

// A job whose settings cannot be turned into a script. The message says
// which setting and what it read, in words a user understands.
class SkyboxJobError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// The defaults every start of the program opens with; the output prefix
// names "NewSky" in the render folder of the program in programFolder.
SkyboxJob DefaultSkyboxJob(const std::string& programFolder);

// The landscape's size in grid units, one less than the option's grid points:
// 128 for option 0 up to 4096 for option 5.
double GridSize(int tgSize);

}  // namespace vantorix
