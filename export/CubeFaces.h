#pragma once

#include "export/CubeGeometry.h"
#include "export/RgbImage.h"

#include <array>
#include <cstdint>
#include <memory>
#include <vector>

namespace vantorix {
class FileMapping;
}

namespace vantorix::cube {

// A face as it lies in its file, the sampler reading it there: rows from
// the bottom up, `RowBytes` apart, each pixel blue, green, red.
struct FileFace {
    std::shared_ptr<const FileMapping> File;
    const std::uint8_t* BottomRow = nullptr;
    int Width = 0, Height = 0;
    std::ptrdiff_t RowBytes = 0;
};

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
    // The same, reading the faces where they lie in their files.
    explicit CubeFaces(std::array<FileFace, 6> faces, const FaceViews& views = VantorixFaceViews());

    int Size() const { return size_; }
    const FaceViews& Views() const { return views_; }
    // A face's texel, x from the left and y from the top, in red, green, blue.
    void TexelRgb(int face, int x, int y, std::uint8_t rgb[3]) const {
        const std::uint8_t* texel = Texel(face, x, y);
        const int red = order_ == ChannelOrder::Rgb ? 0 : 2;
        rgb[0] = texel[red];
        rgb[1] = texel[1];
        rgb[2] = texel[2 - red];
    }
    // Throws FileError naming a face's file if it was cut short while it was
    // read: what was made of it since must not be kept.
    void CheckFilesWhole() const;

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
    const std::uint8_t* Texel(int face, int x, int y) const {  // x, y from 0 to size - 1
        return top_[face] + y * stride_ + x * 3;
    }
    const std::uint8_t* TexelOrNeighbour(int face, int x, int y) const;  // x, y from -1 to size
    // The face a direction falls on, and its position there in texel units,
    // centres on whole numbers (-0.5 to size - 0.5 on the face itself).
    int Locate(const Vec3& direction, double& px, double& py) const;
    void Bilinear(const Vec3& direction, std::uint8_t rgb[3]) const;
    // Swap: the bytes out in the other order than the faces'.
    template <bool Swap>
    void BilinearAt(int face, double px, double py, std::uint8_t out[3]) const;
    template <bool Swap>
    void SamplePixel(const RowPlan& row, int u, std::uint8_t* out) const;
    template <bool Swap>
    void SampleRowIn(const Columns& columns, double sinPitch, double cosPitch, std::uint8_t* out) const;
    void SetUpViews();

    // Each face's view as axes of the world, for sampling without dot products.
    struct AxisView {
        int forward, right, up;                   // 0 x, 1 y, 2 z
        double forwardSign, rightSign, upSign;
    };

    int size_;
    std::ptrdiff_t stride_;  // from a row to the one below it
    ChannelOrder order_ = ChannelOrder::Rgb;
    std::array<const std::uint8_t*, 6> top_{};  // each face's top row
    FaceViews views_;
    Projector projector_;
    std::array<AxisView, 6> axes_{};
    std::array<int, 6> faceOfAxis_{};  // +x, -x, +y, -y, +z, -z
    std::array<RgbImage, 6> faces_;  // the faces' own pixels, or none where they are read in their files
    std::array<std::shared_ptr<const FileMapping>, 6> files_;
};

}  // namespace vantorix::cube
