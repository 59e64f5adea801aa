#pragma once

#include "export/CubeFaces.h"
#include "export/RgbImage.h"

#include <functional>
#include <string>

namespace vantorix::cube {

// Called now and then while a panorama is made, with the share done, 0 to 1.
using Progress = std::function<void(double done)>;

// An equirectangular panorama `width` pixels wide and half as high. Pixel
// (u, v), counted from the top left with centres at +0.5, looks at heading
// 360 (u + 0.5) / width - 180 degrees, clockwise from north (the middle
// column looks north, three quarters across east), and pitch
// 90 - 180 (v + 0.5) / height degrees. Sampled bilinearly across the cube;
// narrower than four faces, each pixel averages its whole footprint.
// Rows are shared out among `threads` threads (0: one per core).
RgbImage EquirectangularPanorama(const CubeFaces& faces, int width, int threads = 0, const Progress& progress = {});

// Makes the panorama and writes it through the replacing writer. A BMP, TGA
// or PNG file is written a block of rows at a time while the next rows are
// made (and, for PNG, compressed) on every core, so the whole panorama is
// never held; a JPEG file is made whole, then written.
void WriteEquirectangularPanorama(const CubeFaces& faces, int width, const std::string& path, int threads = 0,
                                  const Progress& progress = {});

}  // namespace vantorix::cube
