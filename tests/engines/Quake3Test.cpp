// Quake III's engine (ioquake3, with the OpenArena data) shows the quake3
// preset as tgsrender sees the sky, both ways north lies. The preset's faces
// and its shader go into a home folder of the test's own; the shader, named
// as the sky of one of the data's maps (a space map, with sky all round a
// point off its platform), stands in for the file that defines that sky, so
// that the engine loads our shader's body. The camera is placed and turned
// by an exec'd config (setviewpos for the heading, +lookup and +lookdown held,
// fast, to the engine's limit for up and down); a second run with
// single-colour faces tells the sky's pixels from the map's. r_picmip is 0:
// the engine shrinks sky box faces by it whatever their shader says.
#include "export/CubeFaces.h"
#include "export/EnginePresets.h"
#include "export/FaceSet.h"
#include "tests/engines/EngineViews.h"
#include "tests/support/TempFolder.h"

#include <filesystem>
#include <fstream>

namespace vantorix::cube {
namespace {

using testing::View;

constexpr int FaceSize = 128, ShotWidth = 200, ShotHeight = 150;
constexpr double Field = 90;                        // cg_fov: the horizontal field
constexpr double Limit = 16000 * 360.0 / 65536;     // the pitch the engine stops at, 87.89 degrees
constexpr const char* Map = "oa_ctf4ish";
constexpr const char* MapSky = "textures/skies/earthsky01";  // defined in the data's scripts/oasky.shader
constexpr const char* Where = "0 1500 1000";                 // off the platform, sky all round
const int Yaws[] = {0, 45, 90, 135, 180, 225, 270, 315};

const char* const OpenArena = "/usr/lib/openarena";

// The engine's screenshots of the sky the home folder holds, one a view:
// the eight yaws level, then up and down at the last yaw.
std::vector<RgbImage> EngineViews(const std::string& home) {
    std::ofstream config(testing::U8(home + "/baseoa/views.cfg"));
    config << "devmap " << Map << "\nwait 200\nnoclip\n";
    for (const int yaw : Yaws) config << "setviewpos " << Where << " " << yaw << "\nwait 30\nscreenshot v" << yaw << "\n";
    config << "+lookup\nwait 100\n-lookup\nwait 5\nscreenshot up\n+lookdown\nwait 200\n-lookdown\nwait 5\nscreenshot down\nquit\n";
    config.close();
    const QStringList arguments{
        "+set", "com_basegame", "baseoa", "+set", "fs_basepath", OpenArena, "+set", "fs_homepath",
        QString::fromStdString(home), "+set", "com_legacyprotocol", "71", "+set", "com_protocol", "71", "+set",
        "r_mode", "-1", "+set", "r_customwidth", QString::number(ShotWidth), "+set", "r_customheight",
        QString::number(ShotHeight), "+set", "r_fullscreen", "0", "+set", "com_introplayed", "1", "+set", "sv_pure", "0",
        "+set", "cg_draw2D", "0", "+set", "cg_drawGun", "0", "+set", "con_notifytime", "0", "+set", "cg_fov",
        QString::number(Field), "+set", "r_picmip", "0",  // sky box faces take it whatever their shader says
        "+set", "r_overBrightBits", "0", "+set", "r_mapOverBrightBits", "0", "+set", "s_initsound", "0", "+set",
        "cl_renderer", "opengl1", "+set", "cl_pitchspeed", "2000", "+set", "in_nograb", "1", "+exec", "views.cfg"};
    bool ok = false;
    const std::string said = testing::RunEngine("/usr/lib/ioquake3/ioquake3", arguments, ok);
    std::vector<RgbImage> shots;
    for (const int yaw : Yaws) {
        const std::string shot = home + "/baseoa/screenshots/v" + std::to_string(yaw) + ".tga";
        if (!std::filesystem::exists(testing::U8(shot))) {
            ADD_FAILURE() << "the engine took no screenshot " << shot << ":\n" << said;
            return {};
        }
        shots.push_back(LoadPictureAsRgb(shot));
    }
    for (const char* name : {"up", "down"}) shots.push_back(LoadPictureAsRgb(home + "/baseoa/screenshots/" + name + ".tga"));
    return shots;
}

// Writes the preset into the home folder, its shader standing in for the map's sky.
void InstallSky(const std::string& home, const CubeFaces& sky, North north) {
    std::filesystem::remove_all(testing::U8(home + "/baseoa/screenshots"));
    WritePreset(*FindPreset("quake3"), home + "/baseoa/env/vantorix", sky, north, 0);
    std::ifstream ours(testing::U8(home + "/baseoa/scripts/vantorix.shader"));
    std::string shader{std::istreambuf_iterator<char>(ours), {}};
    const std::string name = "textures/skies/vantorix";
    ASSERT_NE(shader.find(name), std::string::npos) << shader;
    shader.replace(shader.find(name), name.size(), MapSky);
    std::ofstream(testing::U8(home + "/baseoa/scripts/oasky.shader")) << shader;
    std::filesystem::remove(testing::U8(home + "/baseoa/scripts/vantorix.shader"));
}

TEST(Quake3, ShowsTheQuake3PresetAsTheRendererSeesTheSkyBothWaysNorthLies) {
    if (const std::string why = testing::WhyNoEngine("ioquake3"); !why.empty()) GTEST_SKIP() << why;
    if (!std::filesystem::exists(std::string(OpenArena) + "/baseoa")) GTEST_SKIP() << "no OpenArena data";
    const testing::DefaultRun run = testing::RenderDefaultRun(FaceSize);
    testing::TempFolder temp;
    const std::string home = temp.Path();

    // Single-colour faces first: the pixels in that colour are the sky's.
    std::array<RgbImage, 6> magenta;
    for (RgbImage& face : magenta) {
        face = RgbImage(FaceSize, FaceSize);
        for (std::size_t i = 0; i < face.Pixels.size(); i += 3) face.Pixels[i] = face.Pixels[i + 2] = 255;
    }
    InstallSky(home, CubeFaces(magenta), North::AsTheRunHasIt);
    std::vector<std::vector<bool>> skies;
    for (const RgbImage& shot : EngineViews(home)) {
        std::vector<bool> sky(shot.Pixels.size() / 3);
        for (std::size_t p = 0; p < sky.size(); ++p) {
            const std::uint8_t* c = &shot.Pixels[3 * p];
            sky[p] = c[0] > 200 && c[1] < 60 && c[2] > 200;
        }
        EXPECT_GT(std::count(sky.begin(), sky.end(), true), static_cast<long>(sky.size() / 4)) << "too little sky";
        skies.push_back(std::move(sky));
    }
    ASSERT_EQ(skies.size(), 10u);

    for (const North north : {North::AsTheRunHasIt, North::AlongTheEngines}) {
        // The preset's table: north along the engine's -Y as the run has it (yaw 270), else +Y (yaw 90).
        const double northYaw = north == North::AsTheRunHasIt ? 270 : 90;
        std::vector<View> views;
        for (const int yaw : Yaws) views.push_back({northYaw - yaw, 0});
        views.push_back({northYaw - Yaws[7], Limit});
        views.push_back({northYaw - Yaws[7], -Limit});
        InstallSky(home, CubeFaces(run.Faces), north);
        testing::ExpectAgreement(north == North::AsTheRunHasIt ? "quake3" : "quake3 --north engine", EngineViews(home),
                                 skies, run.Camera, views, Field);
    }
}

}  // namespace
}  // namespace vantorix::cube
