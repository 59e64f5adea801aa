#pragma once

#include "export/CubeFaces.h"
#include "export/RgbImage.h"
#include "job/mMain.h"
#include "tools/tgsrender/SkyScene.h"
#include "tools/tgsrender/TerragenScript.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <numbers>
#include <vector>
#include <cstring>
#include <string>

namespace vantorix::testing {

// A frame as tgsrender renders it (bottom-up BGR rows, padded), as an RgbImage.
inline cube::RgbImage FromFrame(const std::vector<std::uint8_t>& frame, int width, int height) {
    cube::RgbImage image(width, height);
    const std::size_t rowBytes = (static_cast<std::size_t>(width) * 3 + 3) & ~std::size_t{3};
    for (int y = 0; y < height; ++y) {
        const std::uint8_t* in = frame.data() + (height - 1 - y) * rowBytes;
        for (int x = 0; x < width; ++x) {
            image.At(x, y)[0] = in[3 * x + 2];
            image.At(x, y)[1] = in[3 * x + 1];
            image.At(x, y)[2] = in[3 * x];
        }
    }
    return image;
}

// The six faces of a default run, rendered by tgsrender from the script
// Vantorix writes, `size` pixels a side; and the camera they were taken from.
struct DefaultRun {
    std::array<cube::RgbImage, 6> Faces;
    tgs::Camera Camera;
};

inline DefaultRun RenderDefaultRun(int size) {
    DefaultRun run;
    int face = 0;
    const std::string script = ComposeSkyboxScript(DefaultSkyboxJob("/run"), "/run");
    tgs::RunTerragenScript(script, [&](const std::string&, const tgs::Camera& camera) {
        run.Faces[face++] = FromFrame(tgs::RenderFrame(tgs::SkyScene{}, camera, size, size), size, size);
        run.Camera = camera;
    });
    return run;
}

inline constexpr int SharpScene = 32;  // levels a narrow view may spread over and still be compared

// Directions over the whole sphere (x east, y north, z up): the eight cube
// corners, two points on each of the twelve edges, and a spiral of 40 more.
inline std::vector<cube::Vec3> Directions() {
    std::vector<cube::Vec3> directions;
    for (int corner = 0; corner < 8; ++corner) {
        directions.push_back({corner & 1 ? 1.0 : -1.0, corner & 2 ? 1.0 : -1.0, corner & 4 ? 1.0 : -1.0});
    }
    for (const double s : {-1.0, 1.0}) {
        for (const double t : {-1.0, 1.0}) {
            for (const double along : {-0.6, 0.35}) {  // not level with the horizon, where the scene is sharpest
                directions.push_back({s, t, along});
                directions.push_back({s, along, t});
                directions.push_back({along, s, t});
            }
        }
    }
    constexpr int Spiral = 40;
    for (int i = 0; i < Spiral; ++i) {
        const double z = 1.0 - 2.0 * (i + 0.5) / Spiral;
        const double angle = i * std::numbers::pi * (3.0 - std::sqrt(5.0));
        directions.push_back({std::sqrt(1 - z * z) * std::cos(angle), std::sqrt(1 - z * z) * std::sin(angle), z});
    }
    return directions;
}

inline double HeadingOf(const cube::Vec3& d) { return std::atan2(d.X, d.Y) * 180 / std::numbers::pi; }
inline double PitchOf(const cube::Vec3& d) { return std::atan2(d.Z, std::hypot(d.X, d.Y)) * 180 / std::numbers::pi; }

// What tgsrender sees looking exactly that way (heading turned on by
// `extraHeading` degrees), through a narrow view two texels of a face of
// `faceSize` wide: its mean colour, and how far its pixels spread. A
// direction where the scene changes within that view (an edge of the
// compass, a grid line) tells nothing about the geometry, and is left out.
struct Seen {
    std::array<double, 3> mean{};
    int spread = 0;
};

inline Seen RenderedColour(const tgs::Camera& from, const cube::Vec3& d, int faceSize, double extraHeading = 0) {
    tgs::Camera camera = from;
    camera.Heading = HeadingOf(d) + extraHeading;
    camera.Pitch = PitchOf(d);
    camera.Bank = 0;
    camera.Zoom = 1.0 / std::tan(std::numbers::pi / 2 / faceSize);
    const cube::RgbImage view = FromFrame(tgs::RenderFrame(tgs::SkyScene{}, camera, 6, 6), 6, 6);
    Seen seen;
    std::array<int, 3> low{255, 255, 255}, high{0, 0, 0};
    for (std::size_t i = 0; i < view.Pixels.size(); ++i) {
        seen.mean[i % 3] += view.Pixels[i] / 36.0;
        low[i % 3] = std::min<int>(low[i % 3], view.Pixels[i]);
        high[i % 3] = std::max<int>(high[i % 3], view.Pixels[i]);
    }
    for (int c = 0; c < 3; ++c) seen.spread = std::max(seen.spread, high[c] - low[c]);
    return seen;
}

// The published cube-map lookup, written here apart from the export's own:
// the face and texel a direction r (y up, z north) falls on.
struct Lookup {
    int face, i, j;
};
inline Lookup CubeMapLookup(double rx, double ry, double rz, int n) {
    const double ax = std::fabs(rx), ay = std::fabs(ry), az = std::fabs(rz);
    int face;
    double sc, tc, ma;
    if (ax >= ay && ax >= az) {
        face = rx > 0 ? 0 : 1, sc = rx > 0 ? -rz : rz, tc = -ry, ma = ax;
    } else if (ay >= az) {
        face = ry > 0 ? 2 : 3, sc = rx, tc = ry > 0 ? rz : -rz, ma = ay;
    } else {
        face = rz > 0 ? 4 : 5, sc = rz > 0 ? rx : -rx, tc = -ry, ma = az;
    }
    const auto texel = [n](double c) { return std::clamp(static_cast<int>((c + 1) / 2 * n), 0, n - 1); };
    return {face, texel(sc / ma), texel(tc / ma)};
}

// The worst channel difference between what the renderer saw and a sample.
inline double Difference(const std::array<double, 3>& seen, const std::uint8_t* sample) {
    double worst = 0;
    for (int c = 0; c < 3; ++c) worst = std::max(worst, std::fabs(seen[c] - sample[c]));
    return worst;
}

}  // namespace vantorix::testing
