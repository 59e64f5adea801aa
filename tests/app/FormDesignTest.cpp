// The forms' one description, against the designed positions, captions,
// tab indexes and fonts; the windows of every system are checked against it.
#include "app/Forms.h"
#include "collect/WaitingForm.h"
#include "job/mMain.h"

#include <gtest/gtest.h>


namespace vantorix {
namespace {

struct Expected {
    const char* name;
    const char* frame;    // "": the form itself
    const char* caption;  // nullptr: none to check
    int left, top, width, height;
    int tabIndex;
};

void ExpectDesign(const design::Form& form, const std::vector<Expected>& expected) {
    ASSERT_EQ(form.Controls.size(), expected.size());
    for (std::size_t i = 0; i < expected.size(); ++i) {
        const Expected& e = expected[i];
        const design::Control& c = form.Controls[i];
        SCOPED_TRACE(e.name);
        EXPECT_EQ(c.Name, e.name);
        EXPECT_EQ(c.Frame, e.frame);
        if (e.caption != nullptr) {
            EXPECT_EQ(c.Caption, e.caption);
        }
        EXPECT_EQ((std::array{c.Left, c.Top, c.Width, c.Height}), (std::array{e.left, e.top, e.width, e.height}));
        EXPECT_EQ(c.TabIndex, e.tabIndex);
    }
}

TEST(FormDesign, TheSettingsWindowIsAsDesigned) {
    const design::Form form = MainFormDesign(DefaultSkyboxJob("/p"));
    EXPECT_EQ(form.Caption, "Vantorix");
    EXPECT_EQ(form.Width, 8295);
    EXPECT_EQ(form.Height, 5295);
    EXPECT_FALSE(form.ToolWindow);
    ExpectDesign(form, {
        {"Frame2", "", "Output", 60, 120, 8175, 735, 11},
        {"txtOutput", "Frame2", nullptr, 180, 300, 6915, 285, 12},
        {"btnBrowse", "Frame2", "Browse", 7140, 300, 855, 285, 13},
        {"Frame1", "", "Skybox Settings", 60, 960, 2655, 1875, 0},
        {"Label1", "Frame1", "Camera Height:", 180, 360, 1155, 195, 1},
        {"txtHeight", "Frame1", "100", 1320, 300, 555, 285, 2},
        {"Label2", "Frame1", "meters", 1920, 360, 495, 195, 3},
        {"Label3", "Frame1", "Images to Render:", 180, 780, 1335, 195, 4},
        {"chkRender(0)", "Frame1", "North", 180, 1080, 735, 195, 5},
        {"chkRender(1)", "Frame1", "South", 180, 1380, 735, 195, 6},
        {"chkRender(2)", "Frame1", "East", 1020, 1080, 735, 195, 7},
        {"chkRender(3)", "Frame1", "West", 1020, 1380, 735, 195, 8},
        {"chkRender(4)", "Frame1", "Up", 1800, 1080, 735, 195, 9},
        {"chkRender(5)", "Frame1", "Down", 1800, 1380, 735, 195, 10},
        {"Frame5", "", "Terragen Landscape", 2820, 960, 5415, 1875, 28},
        {"Label4", "Frame5", "Terrain Grid Points:", 180, 300, 1395, 195, 35},
        {"optTGSize(0)", "Frame5", "129", 420, 540, 675, 315, 29},
        {"optTGSize(1)", "Frame5", "257", 1140, 540, 675, 315, 30},
        {"optTGSize(2)", "Frame5", "513", 1860, 540, 675, 315, 31},
        {"optTGSize(3)", "Frame5", "1025", 2580, 540, 675, 315, 32},
        {"optTGSize(4)", "Frame5", "2049", 3300, 540, 675, 315, 33},
        {"optTGSize(5)", "Frame5", "4097", 4020, 540, 675, 315, 34},
        {"Label5", "Frame5", "Landscape Area:", 180, 1140, 1875, 195, 36},
        {"txtTGArea", "Frame5", "7680", 360, 1380, 1035, 285, 37},
        {"Label6", "Frame5", "meters", 1440, 1440, 1035, 195, 38},
        {"Frame4", "", "Name Scheme", 60, 2940, 2655, 1875, 21},
        {"optNameScheme(0)", "Frame4", "As-Is - Numerical", 180, 300, 1755, 195, 22},
        {"optNameScheme(1)", "Frame4", "Compass", 180, 600, 1755, 195, 23},
        {"optNameScheme(2)", "Frame4", "Direction", 180, 900, 1755, 195, 24},
        {"chkNameAbreviate", "Frame4", "Abreviate Names", 180, 1380, 1815, 195, 25},
        {"Frame3", "", "Convert Images", 2820, 2940, 5415, 1875, 14},
        {"optConvert(0)", "Frame3", "None - Keep BMP Format", 180, 300, 2415, 195, 15},
        {"optConvert(1)", "Frame3", "TGA Format", 180, 600, 2415, 195, 16},
        {"optConvert(2)", "Frame3", "JPG Format", 180, 900, 2415, 195, 17},
        {"hsJPGQuality", "Frame3", nullptr, 540, 1200, 3855, 255, 18},
        {"lblJpegCompression", "Frame3", "90", 4440, 1200, 495, 255, 40},
        {"lblJPGQuality(0)", "Frame3", "^ Compression", 780, 1500, 1035, 195, 19},
        {"lblJPGQuality(1)", "Frame3", "Quality ^", 2340, 1500, 1815, 195, 20},
        {"btnAbout", "", "About", 60, 4920, 1035, 315, 39},
        {"btnStart", "", "Start", 5880, 4920, 1035, 315, 26},
        {"btnExit", "", "Exit", 7020, 4920, 1035, 315, 27},
    });
    // Where the windows put a framed control: its frame's place plus its own, each along its own axis.
    EXPECT_EQ(form.AbsoluteLeft(form["txtHeight"]), 60 + 1320);
    EXPECT_EQ(form.AbsoluteTop(form["txtHeight"]), 960 + 300);
    EXPECT_EQ(form.AbsoluteTop(form["btnStart"]), 4920);
    EXPECT_EQ(form["txtOutput"].Caption, DefaultSkyboxJob("/p").Output);
    EXPECT_EQ(form["lblJPGQuality(1)"].Alignment, design::Align::Right);
    EXPECT_EQ(form["lblJpegCompression"].Alignment, design::Align::Centre);
    EXPECT_TRUE(form["lblJpegCompression"].Border);
    EXPECT_EQ(form["hsJPGQuality"].Position, 90);
    EXPECT_EQ(form["hsJPGQuality"].Maximum, 100);
    EXPECT_TRUE(form["optTGSize(1)"].Value && form["optNameScheme(1)"].Value && form["optConvert(2)"].Value);
    EXPECT_FALSE(form["chkNameAbreviate"].Value);
    // Tab: the camera height first; labels and frames take no focus.
    const std::vector<const design::Control*> order = design::TabOrder(form);
    EXPECT_EQ(order.front()->Name, "txtHeight");
    EXPECT_EQ(order.size(), 27u);
}

TEST(FormDesign, TheAboutBoxAndTheWaitingWindowAreAsDesigned) {
    const design::Form about = AboutFormDesign();
    EXPECT_EQ(about.Caption, "About Vantorix...");
    EXPECT_EQ((std::array{about.Width, about.Height, about.ToolWindow ? 1 : 0}), (std::array{4035, 3195, 1}));
    ExpectDesign(about, {
        {"Picture1", "", "", 60, 60, 3915, 1035, -1},
        {"Label3", "", "Vantorix", 60, 1140, 3915, 375, -1},
        {"Label4", "", "v1.0.0", 2700, 1140, 1275, 195, -1},
        {"Label7", "",
         "  Script generator for Terragen to create SkyBox images to use with most popular 3D application that "
         "support skyboxes.",
         60, 2040, 3975, 675, -1},
        {"btnOkay", "", "OK", 2880, 2820, 1035, 315, 0},
    });
    EXPECT_EQ(about["Label3"].FontPixels, 19) << "14.25 points";
    EXPECT_EQ(about["Label4"].FontPixels, 11) << "8.25 points";
    EXPECT_TRUE(about["Label4"].Bold);
    EXPECT_EQ(about["Label7"].FontPixels, 11);

    const design::Form waiting = WaitingFormDesign();
    EXPECT_EQ(waiting.Caption, "Waiting...");
    EXPECT_EQ((std::array{waiting.Width, waiting.Height, waiting.ToolWindow ? 1 : 0}), (std::array{5310, 1995, 1}));
    ExpectDesign(waiting, {
        {"lblInfo", "", "Waiting for Images to be Rendered in Terragen.", 120, 120, 3435, 195, -1},
        {"lblMoreInfo", "",
         "In Terragen, select from the menu \"Terragen\" then \"Execute Script...\"  Select the \"Vantorix.tgs\" "
         "file to start the rendering.",
         120, 480, 5055, 435, -1},
        {"Label1", "", "Make sure there are no images already in the \"Vantorix\" sub-folder of Terragen.", 120, 1020,
         5055, 435, -1},
        {"btnCancel", "", "Cancel", 4140, 1620, 1035, 315, 0},
    });
    EXPECT_TRUE(waiting["lblMoreInfo"].Wraps && waiting["Label1"].Wraps);
}

}  // namespace
}  // namespace vantorix
