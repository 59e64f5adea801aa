#pragma once

#include "export/CubeMapFaces.h"

#include <string>

namespace vantorix::cube {

// The script of the look-around page: three.js and the page's own code in
// one (see export/preview/viewer.js), built with the program.
extern const char* const PreviewScript;

// One self-contained HTML page in which the mouse looks around the sky (drag
// to turn, wheel to zoom), starting towards north, with the heading shown.
// The faces are in the page as JPEG pictures and three.js is in it too, so
// it opens from the file system and needs no network. Written through the
// replacing writer.
void WritePreviewPage(const std::string& path, const CubeMap& map, const std::string& title);

}  // namespace vantorix::cube
