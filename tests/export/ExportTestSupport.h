#pragma once

#include "export/CubeFaces.h"
#include "export/RgbImage.h"
#include "job/mMain.h"
#include "tools/tgsrender/SkyScene.h"
#include "tools/tgsrender/TerragenScript.h"

#include <array>
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

}  // namespace vantorix::testing
