// Blender (Cycles on the CPU) shows the panorama as the world's Environment
// Texture, with the Mapping node the README gives, as tgsrender sees the sky.
#include "export/CubeFaces.h"
#include "export/FaceSet.h"
#include "export/Panorama.h"
#include "tests/engines/EngineViews.h"
#include "tests/support/TempFolder.h"

namespace vantorix::cube {
namespace {

using testing::View;

constexpr int FaceSize = 128, Shot = 96;
constexpr double Field = 60;

TEST(Blender, ShowsThePanoramaThroughTheReadmesMappingAsTheRendererSeesTheSky) {
    if (const std::string why = testing::WhyNoEngine("blender"); !why.empty()) GTEST_SKIP() << why;
    const testing::DefaultRun run = testing::RenderDefaultRun(FaceSize);
    testing::TempFolder temp;
    WriteEquirectangularPanorama(CubeFaces(run.Faces), 4 * FaceSize, temp / "panorama.png");
    const std::vector<View> views = testing::EngineViews();
    QStringList arguments{"-b", "--factory-startup", "-P", VANTORIX_TEST_DATA "/engines/blender-views.py", "--",
                          QString::fromStdString(temp / "panorama.png"), QString::number(Field),
                          QString::fromStdString(temp.Path()), QString::number(Shot)};
    for (const View& view : views) arguments << QString("%1,%2").arg(view.heading).arg(view.pitch);
    bool ok = false;
    const std::string said = testing::RunEngine("blender", arguments, ok, 300);
    ASSERT_TRUE(ok) << said;
    std::vector<RgbImage> shots;
    for (std::size_t i = 0; i < views.size(); ++i) shots.push_back(LoadPictureAsRgb(temp / ("view-" + std::to_string(i) + ".png")));
    testing::ExpectAgreement("blender panorama", shots, {}, run.Camera, views, Field);
}

}  // namespace
}  // namespace vantorix::cube
