#include "export/EnginePresets.h"

#include "export/CubeMapFaces.h"
#include "export/ImageFile.h"
#include "export/SkyViews.h"
#include "platform/FileSystem.h"
#include "platform/ReplacementFile.h"

#include <algorithm>
#include <array>
#include <filesystem>

namespace vantorix::cube {

const std::vector<Preset> Presets = {{"quake3", true}, {"quake2", true},  {"halflife", true}, {"source", true},
                                     {"unity", false}, {"godot", false}, {"three", false}};

namespace {

// A Quake-family face: its file suffix and its view in the engine's frame.
struct EngineFace {
    const char* Suffix;
    FaceView View;
};
const std::array<EngineFace, 6> QuakeFaces = {{
    {"rt", {{1, 0, 0}, {0, -1, 0}, {0, 0, 1}}},
    {"bk", {{0, 1, 0}, {1, 0, 0}, {0, 0, 1}}},
    {"lf", {{-1, 0, 0}, {0, 1, 0}, {0, 0, 1}}},
    {"ft", {{0, -1, 0}, {-1, 0, 0}, {0, 0, 1}}},
    {"up", {{0, 0, 1}, {0, -1, 0}, {-1, 0, 0}}},
    {"dn", {{0, 0, -1}, {0, -1, 0}, {1, 0, 0}}},
}};

// The engine's frame in the run's world (x east, y north, z up): as the run
// has it, the engine's +X is west and its +Y south; else they are one.
FaceView InTheRunsWorld(const FaceView& view, North north) {
    if (north == North::AlongTheEngines) return view;
    const auto turn = [](const Vec3& v) { return Vec3{-v.X, -v.Y, v.Z}; };
    return {turn(view.Forward), turn(view.Right), turn(view.Up)};
}

// The GL cube-map faces under Unity's 6 Sided material's slots.
struct Slot {
    const char* Name;
    int CubeMapFace;
};
constexpr std::array<Slot, 6> UnitySlots = {{{"Front", 4}, {"Back", 5}, {"Left", 0}, {"Right", 1}, {"Up", 2}, {"Down", 3}}};

std::string Quoted(const std::string& text) { return "\"" + text + "\""; }

void WriteText(const std::string& path, const std::string& text) {
    ReplacementFile file(path);
    file.Write(text);
    file.Commit();
}

// A skybox material naming its texture, as the engine's texture tool expects beside it.
std::string SourceMaterial(const std::string& texture) {
    return "\"UnlitGeneric\"\n{\n\t\"$basetexture\" \"skybox/" + texture + "\"\n\t\"$nofog\" 1\n\t\"$ignorez\" 1\n}\n";
}

// Where Source's tools and engine look: the texture tool's sources under
// materialsrc/skybox/, the engine's materials under materials/skybox/, both
// in the folder DEST names (the game's), the files named by DEST's name.
std::string SourceFile(const std::string& dest, const char* tree, const std::string& suffix) {
    const std::filesystem::path path = FsPath(dest);
    return Utf8Path(path.parent_path() / tree / "skybox" / FsPath(Utf8Path(path.filename()) + suffix));
}

// Quake III's shader for the sky: in scripts/ of the game folder, the one
// above the faces' folder (baseq3/ above baseq3/env/), naming the faces as
// the game folder reaches them.
std::string Quake3ShaderFile(const std::string& dest) {
    const std::filesystem::path faces = std::filesystem::absolute(FsPath(dest)).parent_path();
    return Utf8Path(faces.parent_path() / "scripts" / FsPath(Utf8Path(FsPath(dest).filename()) + ".shader"));
}

std::string Quake3SkyName(const std::string& dest) {
    const std::filesystem::path faces = std::filesystem::absolute(FsPath(dest)).parent_path();
    return Utf8Path(faces.filename()) + "/" + Utf8Path(FsPath(dest).filename());
}

std::string Quake3Shader(const std::string& dest, North north) {
    const std::string name = Utf8Path(FsPath(dest).filename()), sky = Quake3SkyName(dest);
    return "// The sky of " + name + ", from vantorix-export: the faces " + sky + "_rt.tga ... " + sky +
           "_dn.tga.\n"
           "textures/skies/" + name + "\n"
           "{\n"
           "\tqer_editorimage " + sky + "_ft.tga\n"
           "\tsurfaceparm noimpact\n"
           "\tsurfaceparm nolightmap\n"
           "\tsurfaceparm nomarks\n"
           "\tsurfaceparm sky\n"
           "\t// A sun at heading H (clockwise from north, as the run has it) has the yaw " +
           (north == North::AlongTheEngines ? "90 - H" : "270 - H") + ":\n"
           "\t// q3map_sun 1 1 1 100 YAW ELEVATION\n"
           // Before skyparms, which loads the faces as the keywords above it say: else the engine's
           // default picmip halves the sky.
           "\tnopicmip\n"
           "\tskyparms " + sky + " - -\n"
           "}\n";
}

std::string GodotFile(const std::string& dest) { return IsImageFileName(dest) ? dest : dest + ".png"; }

std::string GodotShaderFile(const std::string& dest) {
    return (IsImageFileName(dest) ? dest.substr(0, dest.rfind('.')) : dest) + ".gdshader";
}

// The sky shader the picture is meant for. Godot's EYEDIR is the world's
// direction (x right, y up, -z ahead of the default camera); the picture's
// Z+ layer is north, so the lookup turns z round: north lies ahead, east
// along +X, and nothing is mirrored (the plain lookup mirrors it).
std::string GodotShader(const std::string& picture) {
    const std::string name = Utf8Path(FsPath(picture).filename());
    return "// The sky of " + name + ", from vantorix-export. Import " + name +
           " as a Cubemap (2 x 3), give the Sky a\n"
           "// ShaderMaterial with this shader and the picture as sky_cube: north lies ahead of the default\n"
           "// camera (-Z), east along +X.\n"
           "shader_type sky;\n\n"
           "uniform samplerCube sky_cube : source_color, filter_linear;\n\n"
           "void sky() {\n"
           "\tCOLOR = texture(sky_cube, EYEDIR * vec3(1.0, 1.0, -1.0)).rgb;\n"
           "}\n";
}

std::string ThreeSnippet(const std::string& dest) {
    const std::string name = Utf8Path(FsPath(dest).filename());
    std::string files;
    for (const char* face : CubeMapFaceNames) files += std::string(files.empty() ? "" : ", ") + "'" + name + "_" + face + ".png'";
    return "// The sky of " + name + " as the scene's background, north ahead of the default camera.\n"
           "import * as THREE from 'three';\n\n"
           "export function loadSky(scene, folder = './') {\n"
           "  const sky = new THREE.CubeTextureLoader().setPath(folder).load([" + files + "]);\n"
           "  sky.colorSpace = THREE.SRGBColorSpace;\n"
           "  scene.background = sky;\n"
           "  scene.backgroundRotation.y = Math.PI;  // north along -Z, east along +X\n"
           "  return sky;\n"
           "}\n";
}

}  // namespace

const Preset* FindPreset(const std::string& name) {
    const auto found = std::find_if(Presets.begin(), Presets.end(), [&](const Preset& p) { return name == p.Name; });
    return found != Presets.end() ? &*found : nullptr;
}

std::vector<std::string> PresetFiles(const Preset& preset, const std::string& dest) {
    const std::string name = preset.Name;
    std::vector<std::string> files;
    if (name == "source") {
        for (const EngineFace& face : QuakeFaces) files.push_back(SourceFile(dest, "materialsrc", std::string(face.Suffix) + ".tga"));
        for (const EngineFace& face : QuakeFaces) files.push_back(SourceFile(dest, "materials", std::string(face.Suffix) + ".vmt"));
    } else if (preset.QuakeFamily) {
        const std::string joint = name == "quake3" ? "_" : "";
        for (const EngineFace& face : QuakeFaces) files.push_back(dest + joint + face.Suffix + ".tga");
        if (name == "quake3") files.push_back(Quake3ShaderFile(dest));
    } else if (name == "unity") {
        for (const Slot& slot : UnitySlots) files.push_back(dest + "_" + slot.Name + ".png");
    } else if (name == "godot") {
        files.push_back(GodotFile(dest));
        files.push_back(GodotShaderFile(dest));
    } else {
        for (const char* face : CubeMapFaceNames) files.push_back(dest + "_" + face + ".png");
        files.push_back(dest + ".js");
    }
    return files;
}

std::string WritePreset(const Preset& preset, const std::string& dest, const CubeFaces& sky, North north, int size) {
    const std::string name = preset.Name;
    const std::vector<std::string> files = PresetFiles(preset, dest);
    for (const std::string& file : files) {  // Source's two trees, Quake III's scripts/
        std::error_code ignored;  // a folder that cannot be made shows in the write's own error
        std::filesystem::create_directories(FsPath(file).parent_path(), ignored);
    }
    std::string said;
    if (name == "quake2" || name == "halflife") {
        // The classic engines take at most 256; a size asked for is honoured, for the modern ports.
        if (size <= 0 && sky.Size() > 256) {
            size = 256;
            said = "The faces were made 256 texels a side, the most the classic engines take (--size sets another: "
                   "modern ports take more).\n";
        } else if (size > 256) {
            said = "The faces are " + std::to_string(size) + " texels a side: the classic engines take at most 256 "
                   "(modern ports take more).\n";
        }
    }
    if (size <= 0) size = sky.Size();
    if (preset.QuakeFamily) {
        for (std::size_t face = 0; face < QuakeFaces.size(); ++face) {
            WriteImageFile(files[face], ViewOfSky(sky, InTheRunsWorld(QuakeFaces[face].View, north), size));
        }
        if (name == "source") {
            const std::string texture = Utf8Path(FsPath(dest).filename());
            for (std::size_t face = 0; face < QuakeFaces.size(); ++face) {
                WriteText(files[6 + face], SourceMaterial(texture + QuakeFaces[face].Suffix));
            }
            said += "The faces went to materialsrc/skybox/, where the texture tool reads them; the materials to "
                    "materials/skybox/, where the engine reads them.\n";
        }
        if (name == "quake3") {
            WriteText(files[6], Quake3Shader(dest, north));
            said += "The sky's shader is textures/skies/" + Utf8Path(FsPath(dest).filename()) + ", in " +
                    Quoted(files[6]) + ": give a map's sky brushes that shader.\n";
        }
        return said + (north == North::AlongTheEngines
                           ? "North lies along the engine's +Y, up in an editor's top view. A sun at heading H has the "
                             "light yaw 90 - H."
                           : "North lies along the engine's -Y, down in an editor's top view, as such skies have always "
                             "been made (--north engine puts it along +Y). A sun at heading H has the light yaw 270 - H.");
    }
    const CubeMap map = MakeCubeMap(sky, size);
    if (name == "unity") {
        for (std::size_t slot = 0; slot < UnitySlots.size(); ++slot) {
            WriteImageFile(files[slot], map[static_cast<std::size_t>(UnitySlots[slot].CubeMapFace)]);
        }
        return "North is the Front (+Z) face, ahead of Unity's default camera; east is the Left (+X) face, to its "
               "right.";
    }
    if (name == "godot") {
        WriteImageFile(files[0], GodotLayout(map, 2, 3));
        WriteText(files[1], GodotShader(files[0]));
        return "Import " + Quoted(files[0]) + " as a Cubemap (2 x 3) and give the Sky a ShaderMaterial with " +
               Quoted(files[1]) + " (the picture as sky_cube): north lies ahead of the default camera (-Z), east "
               "along +X. The plain cube-map lookup would show the sky mirrored.";
    }
    for (std::size_t face = 0; face < 6; ++face) WriteImageFile(files[face], map[face]);
    WriteText(files[6], ThreeSnippet(dest));
    return "North lies along +Z. " + Quoted(files[6]) +
           " loads the faces and turns the background half a turn (backgroundRotation.y = Math.PI), so that the "
           "default camera, looking along -Z, faces north.";
}

}  // namespace vantorix::cube
