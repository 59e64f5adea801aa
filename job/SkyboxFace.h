#pragma once

#include <array>
#include <span>
#include <string_view>

namespace vantorix {

// The six cube faces. The index order is the render order and the order of
// every per-face table in the program.
enum SkyboxFace : int { North = 0, South, East, West, Up, Down };

inline constexpr int SkyboxFaceCount = 6;

struct SkyboxFaceNames {
    std::string_view Caption;        // the face's check box
    std::string_view ScriptComment;  // first line of its script block
    std::span<const std::string_view> CameraLines;  // then these, then "FRend"
    std::string_view CompassName;
    std::string_view DirectionName;
    std::string_view AsIsName;       // place among all six faces, never the frame number
};

// Everything the program spells per face lives here and nowhere else.
extern const std::array<SkyboxFaceNames, SkyboxFaceCount> SkyboxFaces;

}  // namespace vantorix
