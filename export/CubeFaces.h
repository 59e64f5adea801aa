#pragma once

#include "export/CubeGeometry.h"
#include "export/RgbImage.h"

#include <array>
#include <cstdint>
#include <vector>

namespace vantorix::cube {

// The six faces of a skybox as one sphere of colour: any direction can be
// looked up, with the faces' views from a table (Vantorix's, unless a test
// gives another).
//
// Bilinear sampling runs on across edges and corners without a seam, a black
// texel or a doubled one: a texel just past a face's edge is the texel its
// centre's direction meets on the face beside it.
class CubeFaces {
public:
    // Takes six square faces of one size; throws std::invalid_argument otherwise.
    explicit CubeFaces(std::array<RgbImage, 6> faces, const FaceViews& views = VantorixFaceViews());

    int Size() const { return size_; }
    const RgbImage& Face(int face) const { return faces_[face]; }
    const FaceViews& Views() const { return views_; }

    // Bilinear, between the four texels around the point the direction meets.
    void Sample(const Vec3& direction, std::uint8_t rgb[3]) const;
    // The texel the direction meets: a face's texel centre gives that texel exactly.
    void SampleNearest(const Vec3& direction, std::uint8_t rgb[3]) const;

    // A panorama's rows all share their columns' headings: what the sampling
    // of a row needs of each column, worked out once for all rows.
    struct Columns {
        std::vector<double> sinHeading, cosHeading;
        std::vector<double> level;  // the larger of |sin|, |cos|: the row's slope up to which a side face is met
        std::vector<int> sideFace;
        // On the side face, A = a0 + aSlope t and B = b0 + bSlope t for a row of slope t (tan pitch).
        std::vector<double> a0, aSlope, b0, bSlope;
    };
    Columns PrepareColumns(const std::vector<double>& sinHeading, const std::vector<double>& cosHeading) const;

    // Samples a row of directions (sinHeading cosPitch, cosHeading cosPitch,
    // sinPitch) for every column, as Sample would, without a division per
    // pixel; the bytes in the order asked for.
    void SampleRow(const Columns& columns, double sinPitch, double cosPitch, std::uint8_t* out,
                   ChannelOrder order = ChannelOrder::Rgb) const;

    struct RowPlan;  // what sampling one row needs, worked out once

private:
    const std::uint8_t* Texel(int face, int x, int y) const;  // x, y from 0 to size - 1
    const std::uint8_t* TexelOrNeighbour(int face, int x, int y) const;  // x, y from -1 to size
    // The face a direction falls on, and its position there in texel units,
    // centres on whole numbers (-0.5 to size - 0.5 on the face itself).
    int Locate(const Vec3& direction, double& px, double& py) const;
    void Bilinear(const Vec3& direction, std::uint8_t rgb[3]) const;
    template <ChannelOrder Order = ChannelOrder::Rgb>
    void BilinearAt(int face, double px, double py, std::uint8_t out[3]) const;
    template <ChannelOrder Order>
    void SamplePixel(const RowPlan& row, int u, std::uint8_t* out) const;
    template <ChannelOrder Order>
    void SampleRowIn(const Columns& columns, double sinPitch, double cosPitch, std::uint8_t* out) const;

    // Each face's view as axes of the world, for sampling without dot products.
    struct AxisView {
        int forward, right, up;                   // 0 x, 1 y, 2 z
        double forwardSign, rightSign, upSign;
    };

    int size_;
    int stride_;  // bytes per row
    FaceViews views_;
    Projector projector_;
    std::array<AxisView, 6> axes_{};
    std::array<int, 6> faceOfAxis_{};  // +x, -x, +y, -y, +z, -z
    std::array<RgbImage, 6> faces_;
};

}  // namespace vantorix::cube
