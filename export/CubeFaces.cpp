#include "export/CubeFaces.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <stdexcept>
#include <string>

namespace vantorix::cube {

namespace {

// The axis a unit vector of the table lies along, and its sign.
void AxisOf(const Vec3& v, int& axis, double& sign) {
    const double components[3] = {v.X, v.Y, v.Z};
    for (axis = 0; axis < 3; ++axis) {
        if (std::fabs(components[axis]) == 1.0) break;
    }
    if (axis == 3) throw std::invalid_argument("A face's view must lie along the axes of the world.");
    sign = components[axis];
}

}  // namespace

CubeFaces::CubeFaces(std::array<RgbImage, 6> faces, const FaceViews& views)
    : size_(faces[0].Width), stride_(faces[0].Width * 3), views_(views), projector_(views), faces_(std::move(faces)) {
    for (int face = 0; face < 6; ++face) {
        AxisView& axes = axes_[face];
        AxisOf(views[face].Forward, axes.forward, axes.forwardSign);
        AxisOf(views[face].Right, axes.right, axes.rightSign);
        AxisOf(views[face].Up, axes.up, axes.upSign);
        faceOfAxis_[2 * axes.forward + (axes.forwardSign > 0 ? 0 : 1)] = face;
    }
    for (const RgbImage& face : faces_) {
        if (face.Width != size_ || face.Height != size_ || size_ < 1 ||
            face.Pixels.size() != static_cast<std::size_t>(size_) * size_ * 3) {
            throw std::invalid_argument("The six faces must be square and of one size.");
        }
    }
}

[[gnu::always_inline]] inline const std::uint8_t* CubeFaces::Texel(int face, int x, int y) const {
    return faces_[face].Pixels.data() + static_cast<std::size_t>(y) * stride_ + x * 3;
}

// Past the edge, the texel the centre's direction meets on the neighbouring
// face (at a corner, whichever face the direction favours).
const std::uint8_t* CubeFaces::TexelOrNeighbour(int face, int x, int y) const {
    if (x >= 0 && x < size_ && y >= 0 && y < size_) return Texel(face, x, y);
    const double n = size_;
    const double a = 2.0 * (x + 0.5) / n - 1.0, b = 1.0 - 2.0 * (y + 0.5) / n;
    const FaceView& view = views_[face];
    const Vec3 d{view.Forward.X + a * view.Right.X + b * view.Up.X, view.Forward.Y + a * view.Right.Y + b * view.Up.Y,
                 view.Forward.Z + a * view.Right.Z + b * view.Up.Z};
    const FacePoint p = projector_.Project(d);
    const int sx = std::clamp(static_cast<int>(std::floor((p.A + 1.0) / 2.0 * n)), 0, size_ - 1);
    const int sy = std::clamp(static_cast<int>(std::floor((1.0 - p.B) / 2.0 * n)), 0, size_ - 1);
    return Texel(p.Face, sx, sy);
}

[[gnu::always_inline]] inline int CubeFaces::Locate(const Vec3& direction, double& px, double& py) const {
    const double c[3] = {direction.X, direction.Y, direction.Z};
    const double ax = std::fabs(c[0]), ay = std::fabs(c[1]), az = std::fabs(c[2]);
    const int axis = ax >= ay && ax >= az ? 0 : ay >= az ? 1 : 2;
    const int face = faceOfAxis_[2 * axis + (c[axis] < 0 ? 1 : 0)];
    const AxisView& view = axes_[face];
    // A and B (each -1 to 1) scaled to texels: px = (A + 1) size / 2 - 0.5, py = (1 - B) size / 2 - 0.5.
    const double half = 0.5 * size_;
    const double scale = half / (view.forwardSign * c[view.forward]);
    px = view.rightSign * c[view.right] * scale + (half - 0.5);
    py = -view.upSign * c[view.up] * scale + (half - 0.5);
    return face;
}

template <ChannelOrder Order>
[[gnu::always_inline]] inline void CubeFaces::BilinearAt(int face, double px, double py, std::uint8_t out[3]) const {
    // px and py lie within -0.5 and size - 0.5, give or take rounding, so the
    // four texels around them are on the face or just past its edges.
    const int x0 = std::clamp(static_cast<int>(px + 1.0) - 1, -1, size_ - 1);
    const int y0 = std::clamp(static_cast<int>(py + 1.0) - 1, -1, size_ - 1);
    const int wx = std::clamp(static_cast<int>((px - x0) * 256.0 + 0.5), 0, 256);
    const int wy = std::clamp(static_cast<int>((py - y0) * 256.0 + 0.5), 0, 256);
    const std::uint8_t *t00, *t10, *t01, *t11;
    if (x0 >= 0 && y0 >= 0 && x0 < size_ - 1 && y0 < size_ - 1) {
        t00 = Texel(face, x0, y0);
        t10 = t00 + 3;
        t01 = t00 + stride_;
        t11 = t01 + 3;
    } else {  // along an edge: some of the four lie on the faces beside it
        t00 = TexelOrNeighbour(face, x0, y0);
        t10 = TexelOrNeighbour(face, x0 + 1, y0);
        t01 = TexelOrNeighbour(face, x0, y0 + 1);
        t11 = TexelOrNeighbour(face, x0 + 1, y0 + 1);
    }
    for (int c = 0; c < 3; ++c) {
        const int top = t00[c] * (256 - wx) + t10[c] * wx;
        const int bottom = t01[c] * (256 - wx) + t11[c] * wx;
        out[Order == ChannelOrder::Rgb ? c : 2 - c] = static_cast<std::uint8_t>((top * (256 - wy) + bottom * wy + 32768) >> 16);
    }
}

[[gnu::always_inline]] inline void CubeFaces::Bilinear(const Vec3& direction, std::uint8_t rgb[3]) const {
    double px = 0, py = 0;
    const int face = Locate(direction, px, py);
    BilinearAt(face, px, py, rgb);
}

void CubeFaces::Sample(const Vec3& direction, std::uint8_t rgb[3]) const {
    Bilinear(direction, rgb);
}

void CubeFaces::SampleNearest(const Vec3& direction, std::uint8_t rgb[3]) const {
    double px = 0, py = 0;
    const int face = Locate(direction, px, py);
    const int x = std::clamp(static_cast<int>(px + 1.5) - 1, 0, size_ - 1);
    const int y = std::clamp(static_cast<int>(py + 1.5) - 1, 0, size_ - 1);
    std::memcpy(rgb, Texel(face, x, y), 3);
}

CubeFaces::Columns CubeFaces::PrepareColumns(const std::vector<double>& sinHeading,
                                             const std::vector<double>& cosHeading) const {
    Columns columns;
    columns.sinHeading = sinHeading;
    columns.cosHeading = cosHeading;
    const std::size_t count = sinHeading.size();
    for (auto* list : {&columns.level, &columns.a0, &columns.aSlope, &columns.b0, &columns.bSlope}) list->resize(count);
    columns.sideFace.resize(count);
    for (std::size_t u = 0; u < count; ++u) {
        // The level part of the direction, (sin, cos, 0), picks the side face;
        // the row's slope t adds (0, 0, t).
        const double c[3] = {sinHeading[u], cosHeading[u], 0.0};
        const int axis = std::fabs(c[0]) >= std::fabs(c[1]) ? 0 : 1;
        const int face = faceOfAxis_[2 * axis + (c[axis] < 0 ? 1 : 0)];
        const AxisView& view = axes_[face];
        const double inverse = 1.0 / (view.forwardSign * c[view.forward]);
        columns.level[u] = std::fabs(c[axis]);
        columns.sideFace[u] = face;
        columns.a0[u] = view.right == 2 ? 0.0 : view.rightSign * c[view.right] * inverse;
        columns.aSlope[u] = view.right == 2 ? view.rightSign * inverse : 0.0;
        columns.b0[u] = view.up == 2 ? 0.0 : view.upSign * c[view.up] * inverse;
        columns.bSlope[u] = view.up == 2 ? view.upSign * inverse : 0.0;
    }
    return columns;
}

void CubeFaces::SampleRow(const Columns& columns, double sinPitch, double cosPitch, std::uint8_t* out,
                          ChannelOrder order) const {
    if (order == ChannelOrder::Rgb) {
        SampleRowIn<ChannelOrder::Rgb>(columns, sinPitch, cosPitch, out);
    } else {
        SampleRowIn<ChannelOrder::Bgr>(columns, sinPitch, cosPitch, out);
    }
}

template <ChannelOrder Order>
void CubeFaces::SampleRowIn(const Columns& columns, double sinPitch, double cosPitch, std::uint8_t* out) const {
    // Every direction of the row divided by cos pitch: (sin h, cos h, t).
    const double slope = sinPitch / cosPitch, steepness = std::fabs(slope);
    // The face straight up or down, met where the slope outweighs the level parts.
    const int capFace = faceOfAxis_[4 + (slope < 0 ? 1 : 0)];
    const AxisView& cap = axes_[capFace];
    const double capInverse = 1.0 / (cap.forwardSign * slope);
    const double half = 0.5 * size_, centre = half - 0.5;
    const double capA = cap.rightSign * capInverse * half, capB = cap.upSign * capInverse * half;
    // Everything the loop reads, in locals: the bytes it writes could
    // otherwise be any of them, and every one would be read again per pixel.
    const double* const capRight = (cap.right == 0 ? columns.sinHeading : columns.cosHeading).data();
    const double* const capUp = (cap.up == 0 ? columns.sinHeading : columns.cosHeading).data();
    const double* const level = columns.level.data();
    const double* const a0 = columns.a0.data();
    const double* const aSlope = columns.aSlope.data();
    const double* const b0 = columns.b0.data();
    const double* const bSlope = columns.bSlope.data();
    const int* const sideFace = columns.sideFace.data();
    const std::uint8_t* base[6];
    for (int face = 0; face < 6; ++face) base[face] = faces_[face].Pixels.data();
    const int size = size_, stride = stride_;
    const int count = static_cast<int>(columns.level.size());
    for (int u = 0; u < count; ++u, out += 3) {
        int face;
        double px, py;
        if (level[u] >= steepness) {
            face = sideFace[u];
            px = (a0[u] + aSlope[u] * slope) * half + centre;
            py = centre - (b0[u] + bSlope[u] * slope) * half;
        } else {
            face = capFace;
            px = capRight[u] * capA + centre;
            py = centre - capUp[u] * capB;
        }
        // px and py lie within -0.5 and size - 0.5, give or take rounding: in
        // 256ths of a texel, the texel is the whole part, the weight the rest.
        const int xFixed = static_cast<int>(px * 256.0 + 256.5) - 256, yFixed = static_cast<int>(py * 256.0 + 256.5) - 256;
        const int x0 = xFixed >> 8, y0 = yFixed >> 8, wx = xFixed & 255, wy = yFixed & 255;
        if (x0 < 0 || y0 < 0 || x0 >= size - 1 || y0 >= size - 1) {  // along an edge: the careful way
            BilinearAt<Order>(face, px, py, out);
            continue;
        }
        const std::uint8_t* t00 = base[face] + static_cast<std::ptrdiff_t>(y0) * stride + x0 * 3;
        const std::uint8_t* t01 = t00 + stride;
        const auto blend = [&](int c) {
            const int top = t00[c] * (256 - wx) + t00[c + 3] * wx;
            const int bottom = t01[c] * (256 - wx) + t01[c + 3] * wx;
            return static_cast<std::uint8_t>((top * (256 - wy) + bottom * wy + 32768) >> 16);
        };
        const std::uint8_t red = blend(0), green = blend(1), blue = blend(2);
        out[0] = Order == ChannelOrder::Rgb ? red : blue;
        out[1] = green;
        out[2] = Order == ChannelOrder::Rgb ? blue : red;
    }
}

}  // namespace vantorix::cube
