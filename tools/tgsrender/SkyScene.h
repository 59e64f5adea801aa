#pragma once

#include "tools/tgsrender/TerragenScript.h"

#include <cstdint>
#include <vector>

namespace vantorix::tgs {

// A simple outdoor scene: a sky that darkens towards the zenith, a sun in the
// south-south-east, and a flat landscape of terrainSize units a side from
// (0, 0), gridded every 32nd of its side, with a four-coloured compass at
// its centre, fenced in red, with a yellow pole at each corner; beyond it,
// bare ground fading into haze. Each pixel's colour
// depends only on the direction of its ray from the camera, so frames from
// one position join without a seam.
struct SkyScene {
    double TerrainSize = 256;
};

// One frame seen through a pinhole camera: blue, green, red bytes per pixel,
// rows bottom-up, each padded to a multiple of 4 bytes, as a 24-bit BMP holds them.
std::vector<std::uint8_t> RenderFrame(const SkyScene& scene, const Camera& camera, int width, int height);

}  // namespace vantorix::tgs
