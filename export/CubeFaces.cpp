#include "export/CubeFaces.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <stdexcept>
#include <string>

namespace vantorix::cube {

CubeFaces::CubeFaces(std::array<RgbImage, 6> faces, const FaceViews& views)
    : size_(faces[0].Width), stride_((faces[0].Width + 2) * 3), projector_(views) {
    for (const RgbImage& face : faces) {
        if (face.Width != size_ || face.Height != size_ || size_ < 1 ||
            face.Pixels.size() != static_cast<std::size_t>(size_) * size_ * 3) {
            throw std::invalid_argument("The six faces must be square and of one size.");
        }
    }
    const std::size_t paddedBytes = static_cast<std::size_t>(stride_) * (size_ + 2);
    for (int face = 0; face < 6; ++face) {
        padded_[face].resize(paddedBytes);
        for (int y = 0; y < size_; ++y) {
            std::memcpy(padded_[face].data() + static_cast<std::size_t>(y + 1) * stride_ + 3, faces[face].At(0, y),
                        static_cast<std::size_t>(size_) * 3);
        }
        faces[face] = RgbImage();  // only the padded copy is kept
    }
    // Each border texel takes the texel its centre's direction meets on the
    // neighbouring face (at a corner, whichever face the direction favours).
    const double n = size_;
    for (int face = 0; face < 6; ++face) {
        const FaceView& view = views[face];
        for (int y = -1; y <= size_; ++y) {
            for (int x = -1; x <= size_; ++x) {
                if (x >= 0 && x < size_ && y >= 0 && y < size_) continue;
                const double a = 2.0 * (x + 0.5) / n - 1.0, b = 1.0 - 2.0 * (y + 0.5) / n;
                const Vec3 d{view.Forward.X + a * view.Right.X + b * view.Up.X,
                             view.Forward.Y + a * view.Right.Y + b * view.Up.Y,
                             view.Forward.Z + a * view.Right.Z + b * view.Up.Z};
                const FacePoint p = projector_.Project(d);
                const int sx = std::clamp(static_cast<int>(std::floor((p.A + 1.0) / 2.0 * n)), 0, size_ - 1);
                const int sy = std::clamp(static_cast<int>(std::floor((1.0 - p.B) / 2.0 * n)), 0, size_ - 1);
                std::memcpy(padded_[face].data() + static_cast<std::size_t>(y + 1) * stride_ + (x + 1) * 3,
                            Texel(p.Face, sx, sy), 3);
            }
        }
    }
}

const std::uint8_t* CubeFaces::Texel(int face, int x, int y) const {
    return padded_[face].data() + static_cast<std::size_t>(y + 1) * stride_ + (x + 1) * 3;
}

void CubeFaces::Sample(const Vec3& direction, std::uint8_t rgb[3]) const {
    const FacePoint p = projector_.Project(direction);
    // Texel units with centres on whole numbers: -0.5 to size - 0.5 on the face.
    const double px = (p.A + 1.0) * 0.5 * size_ - 0.5;
    const double py = (1.0 - p.B) * 0.5 * size_ - 0.5;
    const int x0 = std::clamp(static_cast<int>(std::floor(px)), -1, size_ - 1);
    const int y0 = std::clamp(static_cast<int>(std::floor(py)), -1, size_ - 1);
    const double fx = std::clamp(px - x0, 0.0, 1.0), fy = std::clamp(py - y0, 0.0, 1.0);
    const std::uint8_t* t00 = Texel(p.Face, x0, y0);
    const std::uint8_t* t10 = t00 + 3;
    const std::uint8_t* t01 = t00 + stride_;
    const std::uint8_t* t11 = t01 + 3;
    for (int c = 0; c < 3; ++c) {
        const double top = t00[c] + (t10[c] - t00[c]) * fx;
        const double bottom = t01[c] + (t11[c] - t01[c]) * fx;
        rgb[c] = static_cast<std::uint8_t>(top + (bottom - top) * fy + 0.5);
    }
}

void CubeFaces::SampleNearest(const Vec3& direction, std::uint8_t rgb[3]) const {
    const FacePoint p = projector_.Project(direction);
    const int x = std::clamp(static_cast<int>(std::floor((p.A + 1.0) * 0.5 * size_)), 0, size_ - 1);
    const int y = std::clamp(static_cast<int>(std::floor((1.0 - p.B) * 0.5 * size_)), 0, size_ - 1);
    std::memcpy(rgb, Texel(p.Face, x, y), 3);
}

}  // namespace vantorix::cube
