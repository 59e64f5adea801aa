// The export's geometry against the renderer itself: for directions all over
// the sphere, tgsrender looks that way through a narrow view, and the
// panorama, the cube map and the DDS file must show what it sees there.
#include "export/CubeMapFaces.h"
#include "export/DdsFile.h"
#include "export/Panorama.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <numbers>
#include <vector>

#include "tests/export/ExportTestSupport.h"
#include "tests/support/TempFolder.h"

namespace vantorix::cube {
namespace {

using testing::ReadFileBytes;
using testing::TempFolder;

constexpr int FaceSize = 128;
// Levels by which the export may differ from the renderer in any channel of
// any direction compared: a sound export differs by 2 at most, a turned Up
// face (the sky's least telling face) by up to 18.
constexpr double Tolerance = 4;

using testing::CubeMapLookup;
using testing::Lookup;
using testing::Difference;
using testing::Directions;
using testing::RenderedColour;
using testing::Seen;
using testing::SharpScene;

// Per direction, the worst channel difference between the renderer's view and
// the panorama, the cube map, and the cube map as the DDS file holds it.
struct Disagreement {
    std::vector<double> panorama, cubeMap, dds;
};

Disagreement Compare(const testing::DefaultRun& run, const FaceViews& views) {
    const CubeFaces faces(run.Faces, views);
    const RgbImage panorama = EquirectangularPanorama(faces, 4 * FaceSize);
    const CubeMap map = MakeCubeMap(faces);
    TempFolder temp;
    WriteDdsCubeMap(temp / "sky.dds", map, false);
    const std::string dds = ReadFileBytes(temp / "sky.dds");

    Disagreement result;
    for (const Vec3& d : Directions()) {
        const Seen view = RenderedColour(run.Camera, d, FaceSize);
        if (view.spread > SharpScene) continue;
        const auto& seen = view.mean;
        // The panorama pixel whose centre is nearest the direction.
        const double heading = testing::HeadingOf(d), pitch = testing::PitchOf(d);
        const int u = std::clamp(static_cast<int>((heading + 180) / 360 * panorama.Width), 0, panorama.Width - 1);
        const int v = std::clamp(static_cast<int>((90 - pitch) / 180 * panorama.Height), 0, panorama.Height - 1);
        result.panorama.push_back(Difference(seen, panorama.At(u, v)));

        const Lookup at = CubeMapLookup(d.X, d.Z, d.Y, FaceSize);
        result.cubeMap.push_back(Difference(seen, map[at.face].At(at.i, at.j)));
        const std::size_t offset = 128 + ((static_cast<std::size_t>(at.face) * FaceSize + at.j) * FaceSize + at.i) * 4;
        const std::uint8_t rgb[3] = {static_cast<std::uint8_t>(dds[offset + 2]),
                                     static_cast<std::uint8_t>(dds[offset + 1]), static_cast<std::uint8_t>(dds[offset])};
        result.dds.push_back(Difference(seen, rgb));
    }
    return result;
}

// How many directions disagree by more than `levels`.
int Over(const std::vector<double>& differences, double levels) {
    return static_cast<int>(std::count_if(differences.begin(), differences.end(), [&](double d) { return d > levels; }));
}

TEST(ExportGeometry, PanoramaAndCubeMapShowWhatTheRendererSeesInEveryDirection) {
    const testing::DefaultRun run = testing::RenderDefaultRun(FaceSize);
    const Disagreement found = Compare(run, VantorixFaceViews());
    ASSERT_GE(found.panorama.size(), 50u) << "too few directions where the scene is smooth enough to compare";
    for (const auto* differences : {&found.panorama, &found.cubeMap, &found.dds}) {
        std::vector<double> sorted = *differences;
        std::sort(sorted.begin(), sorted.end());
        std::string all;
        for (const double d : sorted) all += std::to_string(static_cast<int>(d)) + " ";
        EXPECT_EQ(Over(*differences, Tolerance), 0) << all;
    }
}

// The same comparison sees a face turned, mirrored or swapped in the table:
// proof that it would see such a fault in the export.
TEST(ExportGeometry, AFaceTurnedMirroredOrSwappedInTheTableIsSeen) {
    const testing::DefaultRun run = testing::RenderDefaultRun(FaceSize);
    const auto negate = [](Vec3 v) { return Vec3{-v.X, -v.Y, -v.Z}; };
    for (int face = 0; face < 6; ++face) {
        FaceViews turned = VantorixFaceViews(), mirrored = VantorixFaceViews();
        turned[face].Right = VantorixFaceViews()[face].Up;
        turned[face].Up = negate(VantorixFaceViews()[face].Right);
        mirrored[face].Right = negate(VantorixFaceViews()[face].Right);
        for (const auto& [views, what] : {std::pair{turned, "turned"}, {mirrored, "mirrored"}}) {
            const Disagreement found = Compare(run, views);
            EXPECT_GT(Over(found.panorama, Tolerance), 0) << "face " << face << " " << what;
            EXPECT_GT(Over(found.cubeMap, Tolerance), 0) << "face " << face << " " << what;
            EXPECT_GT(Over(found.dds, Tolerance), 0) << "face " << face << " " << what;
        }
    }
    FaceViews swapped = VantorixFaceViews();
    std::swap(swapped[0], swapped[1]);  // North's picture where South's belongs
    EXPECT_GT(Over(Compare(run, swapped).cubeMap, Tolerance), 0);
}

}  // namespace
}  // namespace vantorix::cube
