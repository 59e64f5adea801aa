#include "tools/tgsrender/SkyScene.h"
#include "tools/tgsrender/TerragenScript.h"

#include <gtest/gtest.h>

#include <cmath>
#include <string>
#include <vector>

namespace vantorix::tgs {
namespace {

struct Frame {
    std::string name;
    Camera camera;
};

std::vector<Frame> RunScript(const std::string& script) {
    std::vector<Frame> frames;
    RunTerragenScript(script, [&](const std::string& name, const Camera& camera) { frames.push_back({name, camera}); });
    return frames;
}

TEST(TerragenScript, ExecutesCommandsAsTerragenReadsThem) {
    const auto frames = RunScript(
        ";a comment line\r\n"
        "initanim \"/r/Vantorix_\", 9\r\n"
        "CAMPOS 128 128,3.333333 ; blanks and commas both separate\r\n"
        "TarPos 128, 256, 3.333333\r\n"
        "\r\n"
        "FRend\r\n"
        "CamH 270\r\nCamP -90\r\nCamB 5\r\nZoom 2\r\nfrend\r\n");
    ASSERT_EQ(frames.size(), 2u);
    EXPECT_EQ(frames[0].name, "/r/Vantorix_0009.bmp");
    EXPECT_EQ(frames[1].name, "/r/Vantorix_0010.bmp");
    const Camera& first = frames[0].camera;
    EXPECT_DOUBLE_EQ(first.X, 128);
    EXPECT_DOUBLE_EQ(first.Z, 3.333333);
    EXPECT_DOUBLE_EQ(first.Heading, 0);  // the target lies due north, level
    EXPECT_DOUBLE_EQ(first.Pitch, 0);
    EXPECT_DOUBLE_EQ(first.Zoom, 1);
    const Camera& second = frames[1].camera;
    EXPECT_DOUBLE_EQ(second.Heading, 270);
    EXPECT_DOUBLE_EQ(second.Pitch, -90);
    EXPECT_DOUBLE_EQ(second.Bank, 5);
    EXPECT_DOUBLE_EQ(second.Zoom, 2);
}

TEST(TerragenScript, TargetsTurnTheCameraClockwiseFromNorth) {
    const auto frames = RunScript("InitAnim \"f\", 1\nCamPos 0 0 0\nTarPos 10 0 10\nFRend\nTarPos -1 -1 0\nFRend\n");
    EXPECT_DOUBLE_EQ(frames[0].camera.Heading, 90);
    EXPECT_DOUBLE_EQ(frames[0].camera.Pitch, 45);
    EXPECT_DOUBLE_EQ(frames[1].camera.Heading, -135);
}

TEST(TerragenScript, RefusesWhatItCannotExecuteNamingTheLine) {
    const auto errorFor = [](const std::string& script) -> std::string {
        try {
            RunScript(script);
        } catch (const ScriptError& error) {
            return error.what();
        }
        return "no error";
    };
    EXPECT_EQ(errorFor("InitAnim \"f\", 1\n\nFly 3\n"), "line 3: unknown command \"Fly\"");
    EXPECT_EQ(errorFor("CamH\n"), "line 1: CamH takes 1 argument, not 0");
    EXPECT_EQ(errorFor("CamPos 1, 2\n"), "line 1: CamPos takes 3 arguments, not 2");
    EXPECT_EQ(errorFor("CamP 9o\n"), "line 1: CamP takes numbers, and \"9o\" is not one");
    EXPECT_EQ(errorFor("Zoom 0\n"), "line 1: Zoom must be above 0");
    EXPECT_EQ(errorFor("FRend\n"), "line 1: FRend before InitAnim: the frames have no name yet");
    EXPECT_EQ(errorFor("InitAnim f, 1\n"), "line 1: InitAnim takes the frames' base name in quotes first");
    EXPECT_EQ(errorFor("InitAnim \"f, 1\n"), "line 1: a quoted text has no closing quote");
    EXPECT_EQ(errorFor("InitAnim \"f\", 1.5\n"), "line 1: InitAnim's first frame must be a whole number from 0 to 999999");
}

// Zoom 1 spans exactly 90 degrees: a pole straight ahead at the frame's
// edge direction, 45 degrees to the side, shows in the outermost column.
TEST(SkyScene, ZoomOneSeesNinetyDegreesAcross) {
    const SkyScene scene{256};
    Camera camera;
    camera.X = 128;
    camera.Y = 128;
    camera.Z = 3;
    camera.Heading = 45;  // the corner pole at (256, 256) lies dead ahead
    const int size = 256;
    const auto centre = RenderFrame(scene, camera, size, size);
    const auto pixel = [&](const std::vector<std::uint8_t>& frame, int x, int yFromTop) {
        const std::uint8_t* p = frame.data() + (size - 1 - yFromTop) * size * 3 + 3 * x;
        return std::vector<int>{p[0], p[1], p[2]};
    };
    camera.Heading = 0;  // now it is 45 degrees to the right: half in the last column
    const auto turned = RenderFrame(scene, camera, size, size);
    const auto yellowish = [](const std::vector<int>& bgr) { return bgr[2] - bgr[0] > 60; };
    EXPECT_TRUE(yellowish(pixel(centre, size / 2, size / 2 - 1)));
    EXPECT_TRUE(yellowish(pixel(turned, size - 1, size / 2 - 1)));
    EXPECT_FALSE(yellowish(pixel(turned, size - 8, size / 2 - 1)));
}

}  // namespace
}  // namespace vantorix::tgs
