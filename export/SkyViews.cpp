#include "export/SkyViews.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <numbers>
#include <stdexcept>
#include <string>
#include <vector>

namespace vantorix::cube {

namespace {

// How much of each texel of a row `from` wide a texel of a row `to` wide
// covers, in units of 1 / to of a texel: texel x spans [x from, (x + 1) from)
// in those units, texel i of the longer row [i to, (i + 1) to).
struct Footprint {
    int First = 0;
    std::vector<int> Weights;  // for texels First, First + 1, ...
};

std::vector<Footprint> Footprints(int from, int to) {
    std::vector<Footprint> footprints(static_cast<std::size_t>(to));
    for (int x = 0; x < to; ++x) {
        const long long start = static_cast<long long>(x) * from, end = start + from;
        Footprint& footprint = footprints[static_cast<std::size_t>(x)];
        footprint.First = static_cast<int>(start / to);
        for (long long i = footprint.First; i * to < end; ++i) {
            footprint.Weights.push_back(static_cast<int>(std::min(end, (i + 1) * to) - std::max(start, i * to)));
        }
    }
    return footprints;
}

// Which way a vector of the table points: 0, 1 or -1 along each axis.
int Along(const Vec3& a, const Vec3& b) { return static_cast<int>(std::lround(Dot(a, b))); }

bool OnAnAxis(const Vec3& v) {
    const double components[3] = {std::fabs(v.X), std::fabs(v.Y), std::fabs(v.Z)};
    int ones = 0;
    for (const double c : components) {
        if (c == 1.0) ++ones;
        else if (c != 0.0) return false;
    }
    return ones == 1;
}

Vec3 Direction(const FaceView& view, double a, double b) {
    return {view.Forward.X + a * view.Right.X + b * view.Up.X, view.Forward.Y + a * view.Right.Y + b * view.Up.Y,
            view.Forward.Z + a * view.Right.Z + b * view.Up.Z};
}

// The face of the sky that looks where the view does, its texels turned or
// mirrored into the view's own right and up.
RgbImage Oriented(const CubeFaces& sky, const FaceView& view) {
    int source = -1;
    for (int face = 0; face < 6; ++face) {
        if (Along(sky.Views()[face].Forward, view.Forward) == 1) source = face;
    }
    const FaceView& from = sky.Views()[source];
    // The view's a (right) and b (up) in the source face's A and B.
    const int aToA = Along(view.Right, from.Right), bToA = Along(view.Up, from.Right);
    const int aToB = Along(view.Right, from.Up), bToB = Along(view.Up, from.Up);
    const int n = sky.Size();
    RgbImage out(n, n);
    for (int j = 0; j < n; ++j) {
        for (int i = 0; i < n; ++i) {
            // A texel's a runs with i, its b against j: a = i and b = -j, reflected about the centre.
            const auto index = [n](int sign, int value) { return sign > 0 ? value : n - 1 - value; };
            const int si = aToA != 0 ? index(aToA, i) : index(-bToA, j);
            const int sj = bToB != 0 ? index(bToB, j) : index(-aToB, i);
            sky.TexelRgb(source, si, sj, out.At(i, j));
        }
    }
    return out;
}

}  // namespace

namespace {

// The light each sRGB value stands for, 0 to 1.
const std::array<double, 256>& SrgbToLinear() {
    static const std::array<double, 256> table = [] {
        std::array<double, 256> light{};
        for (int v = 0; v < 256; ++v) {
            const double c = v / 255.0;
            light[static_cast<std::size_t>(v)] = c <= 0.04045 ? c / 12.92 : std::pow((c + 0.055) / 1.055, 2.4);
        }
        return light;
    }();
    return table;
}

std::uint8_t LinearToSrgb(double light) {
    const double c = light <= 0.0031308 ? 12.92 * light : 1.055 * std::pow(light, 1 / 2.4) - 0.055;
    return static_cast<std::uint8_t>(std::clamp(std::lround(c * 255), 0L, 255L));
}

}  // namespace

RgbImage ShrinkByArea(const RgbImage& picture, int width, int height, Light light) {
    if (width < 1 || height < 1 || width > picture.Width || height > picture.Height) {
        throw std::invalid_argument("A picture is shrunk to a size from 1 up to its own, not " + std::to_string(width) +
                                    " x " + std::to_string(height) + ".");
    }
    const std::vector<Footprint> columns = Footprints(picture.Width, width);
    const std::vector<Footprint> rows = Footprints(picture.Height, height);
    const long long total = static_cast<long long>(picture.Width) * picture.Height;  // each pixel's weights sum to this
    RgbImage out(width, height);
    for (int y = 0; y < height; ++y) {
        const Footprint& row = rows[static_cast<std::size_t>(y)];
        for (int x = 0; x < width; ++x) {
            const Footprint& column = columns[static_cast<std::size_t>(x)];
            long long sum[3] = {0, 0, 0};
            double lightSum[3] = {0, 0, 0};
            for (std::size_t r = 0; r < row.Weights.size(); ++r) {
                const std::uint8_t* texel = picture.At(column.First, row.First + static_cast<int>(r));
                for (std::size_t c = 0; c < column.Weights.size(); ++c, texel += 3) {
                    const long long weight = static_cast<long long>(row.Weights[r]) * column.Weights[c];
                    if (light == Light::Srgb) {
                        for (int k = 0; k < 3; ++k) lightSum[k] += static_cast<double>(weight) * SrgbToLinear()[texel[k]];
                    } else {
                        for (int k = 0; k < 3; ++k) sum[k] += weight * texel[k];
                    }
                }
            }
            for (int k = 0; k < 3; ++k) {
                out.At(x, y)[k] = light == Light::Srgb ? LinearToSrgb(lightSum[k] / static_cast<double>(total))
                                                       : static_cast<std::uint8_t>((sum[k] + total / 2) / total);
            }
        }
    }
    return out;
}

RgbImage ViewOfSky(const CubeFaces& sky, const FaceView& view, int size) {
    if (!OnAnAxis(view.Forward) || !OnAnAxis(view.Right) || !OnAnAxis(view.Up)) {
        throw std::invalid_argument("A view of the sky must look along the axes of the world.");
    }
    if (size < 1) throw std::invalid_argument("A face is at least 1 texel a side, not " + std::to_string(size) + ".");
    if (size <= sky.Size()) {
        RgbImage face = Oriented(sky, view);
        return size == sky.Size() ? face : ShrinkByArea(face, size, size);
    }
    RgbImage face(size, size);
    for (int j = 0; j < size; ++j) {
        for (int i = 0; i < size; ++i) {
            sky.Sample(Direction(view, 2.0 * (i + 0.5) / size - 1.0, 1.0 - 2.0 * (j + 0.5) / size), face.At(i, j));
        }
    }
    return face;
}

FaceView TurnedView(const FaceView& view, double yawDegrees) {
    // A heading h becomes h + yaw: (x, y) turns clockwise seen from above.
    const FaceView turned = ViewOfCamera(yawDegrees, 0);  // its Forward is the old north, its Right the old east
    const auto turn = [&](const Vec3& v) {
        return Vec3{v.X * turned.Right.X + v.Y * turned.Forward.X, v.X * turned.Right.Y + v.Y * turned.Forward.Y, v.Z};
    };
    return {turn(view.Forward), turn(view.Right), turn(view.Up)};
}

std::array<RgbImage, 6> TurnedSky(const CubeFaces& sky, double yawDegrees) {
    std::array<RgbImage, 6> faces;
    const bool quarterTurns = std::fmod(yawDegrees, 90.0) == 0.0;
    for (int face = 0; face < 6; ++face) {
        const FaceView view = TurnedView(sky.Views()[face], yawDegrees);
        if (quarterTurns) {
            faces[face] = ViewOfSky(sky, view, sky.Size());
            continue;
        }
        const int n = sky.Size();
        faces[face] = RgbImage(n, n);
        for (int j = 0; j < n; ++j) {
            for (int i = 0; i < n; ++i) {
                sky.Sample(Direction(view, 2.0 * (i + 0.5) / n - 1.0, 1.0 - 2.0 * (j + 0.5) / n), faces[face].At(i, j));
            }
        }
    }
    return faces;
}

}  // namespace vantorix::cube
