// Godot 3 (GLES3 on llvmpipe) shows the panorama as a PanoramaSky turned as
// the README says, and the godot preset's picture through its shader's
// lookup, as tgsrender sees the sky.
#include "export/CubeFaces.h"
#include "export/EnginePresets.h"
#include "export/FaceSet.h"
#include "export/Panorama.h"
#include "tests/engines/EngineViews.h"
#include "tests/support/TempFolder.h"

#include <fstream>

namespace vantorix::cube {
namespace {

using testing::View;

constexpr int FaceSize = 128, Shot = 96;
constexpr double Field = 60;

// Godot's screenshots of the picture, one a view.
std::vector<RgbImage> GodotViews(const std::string& folder, const char* mode, const std::string& picture,
                                 const std::string& lookup, const std::vector<View>& views) {
    std::ofstream(testing::U8(folder + "/project.godot")) << "config_version=4\n";
    QStringList arguments{"--path", QString::fromStdString(folder), "--video-driver", "GLES3", "--resolution",
                          QString("%1x%1").arg(Shot), "-s", VANTORIX_TEST_DATA "/engines/godot-views.gd", "--",
                          mode, QString::fromStdString(picture), QString::number(Field),
                          QString::fromStdString(folder), QString::fromStdString(lookup)};
    for (const View& view : views) arguments << QString("%1,%2").arg(view.heading).arg(view.pitch);
    bool ok = false;
    const std::string said = testing::RunEngine("godot3", arguments, ok);
    std::vector<RgbImage> shots;
    if (!ok) {
        ADD_FAILURE() << "godot3 failed:\n" << said;
        return shots;
    }
    for (std::size_t i = 0; i < views.size(); ++i) shots.push_back(LoadPictureAsRgb(folder + "/view-" + std::to_string(i) + ".png"));
    return shots;
}

TEST(Godot, ShowsThePanoramaAndThePresetThroughItsShaderAsTheRendererSeesTheSky) {
    if (const std::string why = testing::WhyNoEngine("godot3"); !why.empty()) GTEST_SKIP() << why;
    const testing::DefaultRun run = testing::RenderDefaultRun(FaceSize);
    const CubeFaces sky(run.Faces);
    testing::TempFolder temp;
    const std::vector<View> views = testing::EngineViews();

    WriteEquirectangularPanorama(sky, 4 * FaceSize, temp / "panorama.png");
    testing::ExpectAgreement("godot3 panorama", GodotViews(temp.Path(), "panorama", temp / "panorama.png", "", views),
                             {}, run.Camera, views, Field);

    WritePreset(*FindPreset("godot"), temp / "sky", sky, North::AsTheRunHasIt, 0);
    std::ifstream shader(testing::U8(temp / "sky.gdshader"));
    const std::string text{std::istreambuf_iterator<char>(shader), {}};
    double f[3] = {};
    const auto at = text.find("EYEDIR * vec3(");
    ASSERT_NE(at, std::string::npos) << text;
    ASSERT_EQ(std::sscanf(text.c_str() + at, "EYEDIR * vec3(%lf, %lf, %lf)", &f[0], &f[1], &f[2]), 3);
    const std::string lookup = std::to_string(f[0]) + " " + std::to_string(f[1]) + " " + std::to_string(f[2]);
    testing::ExpectAgreement("godot3 preset", GodotViews(temp.Path(), "cubemap", temp / "sky.png", lookup, views), {},
                             run.Camera, views, Field);
}

}  // namespace
}  // namespace vantorix::cube
