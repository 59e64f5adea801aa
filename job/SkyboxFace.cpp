#include "job/SkyboxFace.h"

namespace vantorix {

namespace {

constexpr std::string_view NorthCamera[] = {"CamH 0"};
constexpr std::string_view SouthCamera[] = {"CamH 180"};
constexpr std::string_view EastCamera[] = {"CamH 90"};
constexpr std::string_view WestCamera[] = {"CamH 270"};
// Up and Down come after the level faces, so only they need to set the pitch.
constexpr std::string_view UpCamera[] = {"CamH 270", "CamP 90"};
constexpr std::string_view DownCamera[] = {"CamH 270", "CamP -90"};

}  // namespace

// East is "Left" and West is "Right" on purpose: finished skyboxes are named so.
const std::array<SkyboxFaceNames, SkyboxFaceCount> SkyboxFaces = {{
    {"North", ";North", NorthCamera, "North", "Front", "0001"},
    {"South", ";South", SouthCamera, "South", "Back", "0002"},
    {"East", ";East", EastCamera, "East", "Left", "0003"},
    {"West", ";West", WestCamera, "West", "Right", "0004"},
    {"Up", ";Up", UpCamera, "Up", "Up", "0005"},
    {"Down", ";Down", DownCamera, "Down", "Down", "0006"},
}};

}  // namespace vantorix
