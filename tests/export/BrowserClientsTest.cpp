// Our skies as a web engine shows them: three.js in headless Chromium looks
// at the look-around page, the `three` preset, our KTX 2 file through its
// KTX2Loader and our DDS file through its DDSLoader, north, east, south,
// west, up and down, and must see what tgsrender sees there; ktx-parse, the
// Khronos reader, reads the KTX 2 file's header, levels and faces.
#include "export/CubeMapFaces.h"
#include "export/DdsFile.h"
#include "export/EnginePresets.h"
#include "export/Ktx2File.h"
#include "export/Panorama.h"
#include "export/PreviewPage.h"

#include <gtest/gtest.h>

#include <QProcess>

#include <cmath>
#include <map>
#include <numbers>
#include <sstream>

#include "tests/export/ExportTestSupport.h"
#include "tests/support/TempFolder.h"

namespace vantorix::cube {
namespace {

using testing::TempFolder;

constexpr int FaceSize = 64;
constexpr double Tolerance = 6;  // levels: the browser filters, and encodes sRGB anew

TEST(BrowserClients, ThreeJsShowsOurSkiesAsTheRendererSeesThemAndKtxParseReadsOurKtx2) {
    const testing::DefaultRun run = testing::RenderDefaultRun(FaceSize);
    const CubeFaces sky(run.Faces);
    const CubeMap map = MakeCubeMap(sky);
    TempFolder temp;
    WritePreviewPage(temp / "preview.html", map, "Sky");
    WritePreset(*FindPreset("three"), temp / "sky", sky, North::AsTheRunHasIt, 0);
    WriteKtx2CubeMap(temp / "sky.ktx2", map, false);
    WriteDdsCubeMap(temp / "sky.dds", map, false);
    WriteEquirectangularPanorama(sky, 2048, temp / "sky-panorama.png");  // wide enough for many deflated bands

    QProcess node;
    node.start(QStringLiteral("node"), {QStringLiteral(VANTORIX_TEST_DATA "/export/browser-views.mjs"),
                                        QString::fromStdString(temp.Path()), QStringLiteral(VANTORIX_NODE_MODULES)});
    ASSERT_TRUE(node.waitForFinished(180000)) << "node did not finish";
    const std::string said = node.readAllStandardOutput().toStdString();
    ASSERT_EQ(node.exitCode(), 0) << said << node.readAllStandardError().toStdString();

    std::map<std::string, int> compared, wrong;
    std::map<double, std::array<double, 3>> level, aimed;  // by heading
    std::istringstream lines(said);
    for (std::string line; std::getline(lines, line);) {
        std::istringstream fields(line);
        std::string source;
        fields >> source;
        if (source == "preview-level" || source == "preview-aimed") {
            double heading = 0, pitch = 0;
            std::array<double, 3> mean{};
            fields >> heading >> pitch >> mean[0] >> mean[1] >> mean[2];
            (source == "preview-level" ? level : aimed)[heading] = mean;
        } else if (source == "preview" || source == "three" || source == "ktx2" || source == "dds" || source == "panorama") {
            double heading = 0, pitch = 0;
            std::array<double, 3> mean{};
            fields >> heading >> pitch >> mean[0] >> mean[1] >> mean[2];
            const double h = heading * std::numbers::pi / 180, p = pitch * std::numbers::pi / 180;
            const Vec3 d{std::sin(h) * std::cos(p), std::cos(h) * std::cos(p), std::sin(p)};
            const testing::Seen seen = testing::RenderedColour(run.Camera, d, FaceSize);
            if (seen.spread > testing::SharpScene) continue;
            ++compared[source];
            double worst = 0;
            for (int c = 0; c < 3; ++c) worst = std::max(worst, std::fabs(seen.mean[c] - mean[c]));
            if (worst > Tolerance) {
                ++wrong[source];
                ADD_FAILURE() << line << ": tgsrender sees " << seen.mean[0] << " " << seen.mean[1] << " " << seen.mean[2];
            }
        }
    }
    for (const char* source : {"preview", "three", "ktx2", "dds", "panorama"}) EXPECT_GE(compared[source], 9) << source;
    // The page's level views every 45 degrees show what a view aimed at the same place shows.
    ASSERT_EQ(level.size(), 4u) << said;
    for (const auto& [heading, mean] : level) {
        for (int c = 0; c < 3; ++c) EXPECT_NEAR(mean[c], aimed[heading][c], 3.0) << "level view at " << heading;
    }
    EXPECT_EQ(said.find("page-errors"), std::string::npos) << said;
    EXPECT_NE(said.find("ktx2Loader colorSpace=srgb"), std::string::npos) << said;
    EXPECT_NE(said.find("ktx-parse vkFormat=43 width=64 height=64 faces=6 levels=1 supercompression=0 transfer=2 "
                        "writer=vantorix-export"),
              std::string::npos)
        << said;
    for (int face = 0; face < 6; ++face) {
        std::array<double, 3> mean{};
        for (std::size_t i = 0; i < map[face].Pixels.size(); ++i) mean[i % 3] += map[face].Pixels[i] / double(FaceSize * FaceSize);
        std::ostringstream expected;
        expected << "ktx-parse-face " << face << std::fixed;
        expected.precision(2);
        for (const double c : mean) expected << " " << c;
        EXPECT_NE(said.find(expected.str()), std::string::npos) << expected.str() << " in\n" << said;
    }
}

}  // namespace
}  // namespace vantorix::cube
