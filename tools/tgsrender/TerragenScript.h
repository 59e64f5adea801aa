#pragma once

#include <functional>
#include <stdexcept>
#include <string>
#include <string_view>

namespace vantorix::tgs {

// Where the camera stands and looks, in Terragen's terms: x east, y north,
// z up, in terrain units; angles in degrees, heading 0 north and growing
// clockwise, positive pitch up.
struct Camera {
    double X = 0, Y = 0, Z = 0;
    double Heading = 0, Pitch = 0, Bank = 0;
    double Zoom = 1;  // the horizontal field of view is 2 atan(1 / Zoom)
};

// A line the script runner cannot execute; the message names the line.
class ScriptError : public std::runtime_error {
public:
    ScriptError(int line, const std::string& cause)
        : std::runtime_error("line " + std::to_string(line) + ": " + cause), line_(line) {}
    int Line() const noexcept { return line_; }

private:
    int line_;
};

// Called for every FRend with the frame's file name and the camera.
using FrameRenderer = std::function<void(const std::string& frameName, const Camera& camera)>;

// Executes the commands of a Terragen script that set up an animation and
// render frames: InitAnim "base", first; CamPos x, y, z; TarPos x, y, z
// (turns the camera towards that point); Zoom; CamB; CamP; CamH; FRend
// (frame base + four-digit number + ".bmp", then the next number).
// Commands are case-insensitive, ";" starts a comment, and arguments are
// separated by commas or blanks. Throws ScriptError before the first frame
// of a line it cannot execute; frames rendered before it stay rendered.
void RunTerragenScript(std::string_view script, const FrameRenderer& renderFrame);

}  // namespace vantorix::tgs
