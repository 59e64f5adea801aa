#include "app/Forms.h"

#include <vantorix/version.h>

namespace vantorix {

using design::Align;
using design::Control;
using design::Indexed;
using design::Kind;

design::Form MainFormDesign(const SkyboxJob& defaults) {
    design::Form form{"frmMain", "Vantorix", 8295, 5295, false, {}};
    auto& c = form.Controls;
    c.push_back({"Frame2", Kind::Frame, "", "Output", 60, 120, 8175, 735, 11});
    c.push_back({"txtOutput", Kind::TextBox, "Frame2", defaults.Output, 180, 300, 6915, 285, 12});
    c.push_back({"btnBrowse", Kind::Button, "Frame2", "Browse", 7140, 300, 855, 285, 13});

    c.push_back({"Frame1", Kind::Frame, "", "Skybox Settings", 60, 960, 2655, 1875, 0});
    c.push_back({"Label1", Kind::Label, "Frame1", "Camera Height:", 180, 360, 1155, 195, 1});
    c.push_back({"txtHeight", Kind::TextBox, "Frame1", defaults.CameraHeight, 1320, 300, 555, 285, 2});
    c.push_back({"Label2", Kind::Label, "Frame1", "meters", 1920, 360, 495, 195, 3});
    c.push_back({"Label3", Kind::Label, "Frame1", "Images to Render:", 180, 780, 1335, 195, 4});
    constexpr int RenderLeft[] = {180, 180, 1020, 1020, 1800, 1800}, RenderTop[] = {1080, 1380, 1080, 1380, 1080, 1380};
    for (int face = 0; face < SkyboxFaceCount; ++face) {
        Control box{Indexed("chkRender", face), Kind::CheckBox, "Frame1", std::string(SkyboxFaces[face].Caption),
                    RenderLeft[face], RenderTop[face], 735, 195, 5 + face};
        box.Value = defaults.Render[face];
        c.push_back(box);
    }

    c.push_back({"Frame5", Kind::Frame, "", "Terragen Landscape", 2820, 960, 5415, 1875, 28});
    c.push_back({"Label4", Kind::Label, "Frame5", "Terrain Grid Points:", 180, 300, 1395, 195, 35});
    constexpr const char* GridPoints[] = {"129", "257", "513", "1025", "2049", "4097"};
    for (int option = 0; option < 6; ++option) {
        Control button{Indexed("optTGSize", option), Kind::Option, "Frame5", GridPoints[option], 420 + 720 * option,
                       540, 675, 315, 29 + option};
        button.Value = option == defaults.TGSize;
        c.push_back(button);
    }
    c.push_back({"Label5", Kind::Label, "Frame5", "Landscape Area:", 180, 1140, 1875, 195, 36});
    c.push_back({"txtTGArea", Kind::TextBox, "Frame5", defaults.TGArea, 360, 1380, 1035, 285, 37});
    c.push_back({"Label6", Kind::Label, "Frame5", "meters", 1440, 1440, 1035, 195, 38});

    c.push_back({"Frame4", Kind::Frame, "", "Name Scheme", 60, 2940, 2655, 1875, 21});
    constexpr const char* Schemes[] = {"As-Is - Numerical", "Compass", "Direction"};
    for (int option = 0; option < 3; ++option) {
        Control button{Indexed("optNameScheme", option), Kind::Option, "Frame4", Schemes[option], 180,
                       300 + 300 * option, 1755, 195, 22 + option};
        button.Value = option == defaults.NameScheme;
        c.push_back(button);
    }
    Control abbreviate{"chkNameAbreviate", Kind::CheckBox, "Frame4", "Abreviate Names", 180, 1380, 1815, 195, 25};
    abbreviate.Value = defaults.NameAbreviate;
    c.push_back(abbreviate);

    c.push_back({"Frame3", Kind::Frame, "", "Convert Images", 2820, 2940, 5415, 1875, 14});
    constexpr const char* Conversions[] = {"None - Keep BMP Format", "TGA Format", "JPG Format"};
    for (int option = 0; option < 3; ++option) {
        Control button{Indexed("optConvert", option), Kind::Option, "Frame3", Conversions[option], 180,
                       300 + 300 * option, 2415, 195, 15 + option};
        button.Value = option == defaults.Convert;
        c.push_back(button);
    }
    Control quality{"hsJPGQuality", Kind::ScrollBar, "Frame3", "", 540, 1200, 3855, 255, 18};
    quality.Minimum = 0;
    quality.Maximum = 100;
    quality.Position = defaults.JPGQuality;
    c.push_back(quality);
    Control number{"lblJpegCompression", Kind::Label, "Frame3", std::to_string(defaults.JPGQuality), 4440, 1200, 495,
                   255, 40};
    number.Alignment = Align::Centre;
    number.Border = true;
    c.push_back(number);
    c.push_back({Indexed("lblJPGQuality", 0), Kind::Label, "Frame3", "^ Compression", 780, 1500, 1035, 195, 19});
    Control qualityEnd{Indexed("lblJPGQuality", 1), Kind::Label, "Frame3", "Quality ^", 2340, 1500, 1815, 195, 20};
    qualityEnd.Alignment = Align::Right;
    c.push_back(qualityEnd);

    c.push_back({"btnAbout", Kind::Button, "", "About", 60, 4920, 1035, 315, 39});
    c.push_back({"btnStart", Kind::Button, "", "Start", 5880, 4920, 1035, 315, 26});
    c.push_back({"btnExit", Kind::Button, "", "Exit", 7020, 4920, 1035, 315, 27});
    return form;
}

design::Form AboutFormDesign() {
    design::Form form{"frmAbout", "About Vantorix...", 4035, 3195, true, {}};
    auto& c = form.Controls;
    c.push_back({"Picture1", Kind::Picture, "", "", 60, 60, 3915, 1035});
    // 14.25 points is 19 pixels at 96 dots per inch, 8.25 points 11.
    Control name{"Label3", Kind::Label, "", "Vantorix", 60, 1140, 3915, 375};
    name.FontPixels = 19;
    c.push_back(name);
    Control version{"Label4", Kind::Label, "", std::string("v") + VersionText, 2700, 1140, 1275, 195};
    version.FontPixels = 11;
    version.Bold = true;
    c.push_back(version);
    Control about{"Label7", Kind::Label, "",
                  "  Script generator for Terragen to create SkyBox images to use with most popular 3D application "
                  "that support skyboxes.",
                  60, 2040, 3975, 675};
    about.FontPixels = 11;
    about.Wraps = true;
    c.push_back(about);
    c.push_back({"btnOkay", Kind::Button, "", "OK", 2880, 2820, 1035, 315, 0});
    return form;
}

}  // namespace vantorix
