#pragma once

#include "export/CubeGeometry.h"
#include "export/RgbImage.h"

#include <array>
#include <cstdint>

namespace vantorix::cube {

// The six faces of a skybox as one sphere of colour: any direction can be
// looked up, with the faces' views from a table (Vantorix's, unless a test
// gives another).
//
// Each face is kept with a border one texel wide filled from the faces
// beside it, so that bilinear sampling runs on across edges and corners
// without a seam, a black texel or a doubled one.
class CubeFaces {
public:
    // Takes six square faces of one size; throws std::invalid_argument otherwise.
    explicit CubeFaces(std::array<RgbImage, 6> faces, const FaceViews& views = VantorixFaceViews());

    int Size() const { return size_; }
    const Projector& Projection() const { return projector_; }

    // Bilinear, between the four texels around the point the direction meets.
    void Sample(const Vec3& direction, std::uint8_t rgb[3]) const;
    // The texel the direction meets: a face's texel centre gives that texel exactly.
    void SampleNearest(const Vec3& direction, std::uint8_t rgb[3]) const;

private:
    const std::uint8_t* Texel(int face, int x, int y) const;  // x, y from -1 to size, the border included

    int size_;
    int stride_;  // bytes per padded row
    Projector projector_;
    std::array<std::vector<std::uint8_t>, 6> padded_;
};

}  // namespace vantorix::cube
