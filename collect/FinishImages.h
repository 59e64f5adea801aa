#pragma once

#include "job/SkyboxJob.h"

#include <stdexcept>
#include <string>
#include <vector>

namespace vantorix {

// A chosen face that finishing skipped: its render could not be loaded, or
// its JPEG file could not be written. Its render stays where it is.
struct UnfinishedFace {
    int Face = 0;
    std::string RenderName;
    std::string Reason;  // a sentence fragment: "the render was not found"
};

struct FinishReport {
    std::vector<UnfinishedFace> Unfinished;  // in face order
    // Faces finished whose render was replaced by another file while they
    // were: that file is kept under the render's name.
    std::vector<UnfinishedFace> KeptRenders;
};

// An error that ended finishing at one face. The faces before it are
// finished; it and the faces after it keep their renders.
class FaceFinishError : public std::runtime_error {
public:
    FaceFinishError(int face, const std::string& message) : std::runtime_error(message), face_(face) {}
    int Face() const noexcept { return face_; }

private:
    int face_;
};

// Turns the renders of the job's chosen faces into the named skybox images,
// one face after the other in face order, one picture in memory at a time:
// Keep BMP moves each render to its final name unread; TGA and JPG load it,
// write the output (replacing any file of that name, on disk before the
// render goes) and delete the render. The output folder is made first.
//
// Throws FaceFinishError naming the face and the file when the file system
// refuses a step, or, before anything is finished, when a render is no file
// (a folder, a named pipe) or an output already is a render of the run, by
// file identity, whatever its spelling, links or mirrors (no write during the
// run lands on a render either). A render is deleted only while its name
// still leads to the file that was finished.
FinishReport FinishImages(const SkyboxJob& job, const std::string& programFolder);

// What the waiting window tells the user at the end: "Skybox Images are
// Done!", then each face that was not finished and its render.
std::string CompletionMessage(const FinishReport& report);

}  // namespace vantorix
