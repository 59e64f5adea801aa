#pragma once

#include "export/CubeFaces.h"
#include "export/CubeGeometry.h"
#include "export/RgbImage.h"

#include <array>

// Views of the sky at any size and any turn: what every cube output (cube-map
// faces, layouts, engine presets) is cut from.
namespace vantorix::cube {

// The face a camera with this view sees, `size` texels a side (texel (i, j)
// counted from the top left), from faces whose views lie along the same axes.
// At the faces' own size it is their texels, turned or mirrored as the view
// asks; smaller, each texel is the average of every texel its footprint
// covers, weighted by how much of it is covered; larger, it is sampled
// bilinearly across the sphere. Throws std::invalid_argument for a view that
// does not look along an axis.
RgbImage ViewOfSky(const CubeFaces& sky, const FaceView& view, int size);

// The six faces of the sky turned `yawDegrees` about the vertical, so that
// what lay at heading h + yaw now lies at heading h: a multiple of 90 only
// exchanges the faces and gives Up and Down a quarter turn each, texel for
// texel; any other angle samples bilinearly across the sphere.
std::array<RgbImage, 6> TurnedSky(const CubeFaces& sky, double yawDegrees);

// A view turned `yawDegrees` clockwise about the vertical, as a camera's heading turns.
FaceView TurnedView(const FaceView& view, double yawDegrees);

// What an average is taken of: the values as stored, or the light they
// encode in sRGB (decoded, averaged, encoded again), as a GPU filters an
// sRGB texture.
enum class Light { AsStored, Srgb };

// A picture made smaller by averaging: each pixel the mean of every pixel its
// footprint covers, weighted by coverage (halving an even size is the plain
// 2 x 2 mean). The new size must not be larger.
RgbImage ShrinkByArea(const RgbImage& picture, int width, int height, Light light = Light::AsStored);

}  // namespace vantorix::cube
