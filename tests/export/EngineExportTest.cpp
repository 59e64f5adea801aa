// What the export writes for engines: the Quake family's and Source's faces
// read through the engines' own face table (written again here, from the
// published conventions) show what the renderer sees; the sky turns texel
// for texel by quarter turns and agrees with the renderer at any other
// angle; smaller faces and panoramas average, not alias; and our KTX 2 file
// read back by a reader written here.
#include "export/CubeMapFaces.h"
#include "export/DdsFile.h"
#include "export/EnginePresets.h"
#include "export/FaceSet.h"
#include "export/Ktx2File.h"
#include "export/Panorama.h"
#include "export/SkyViews.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <map>

#include "tests/export/ExportTestSupport.h"
#include "tests/support/TempFolder.h"

namespace vantorix::cube {
namespace {

using testing::Difference;
using testing::Directions;
using testing::ReadFileBytes;
using testing::RenderedColour;
using testing::Seen;
using testing::TempFolder;

constexpr int FaceSize = 128;
constexpr double Tolerance = 4;

// The Quake family's faces: suffix, the engine axis each looks along, and
// the engine axes its right and top edges point along (z up).
struct QuakeFace {
    const char* suffix;
    Vec3 look, right, top;
};
constexpr QuakeFace QuakeTable[] = {
    {"rt", {1, 0, 0}, {0, -1, 0}, {0, 0, 1}},  {"lf", {-1, 0, 0}, {0, 1, 0}, {0, 0, 1}},
    {"bk", {0, 1, 0}, {1, 0, 0}, {0, 0, 1}},   {"ft", {0, -1, 0}, {-1, 0, 0}, {0, 0, 1}},
    {"up", {0, 0, 1}, {0, -1, 0}, {-1, 0, 0}}, {"dn", {0, 0, -1}, {0, -1, 0}, {1, 0, 0}},
};

// The texel of a set of engine faces an engine-frame direction meets.
const std::uint8_t* QuakeLookup(const std::map<std::string, RgbImage>& faces, const Vec3& d) {
    const QuakeFace* best = &QuakeTable[0];
    for (const QuakeFace& face : QuakeTable) {
        if (Dot(d, face.look) > Dot(d, best->look)) best = &face;
    }
    const double along = Dot(d, best->look);
    const RgbImage& picture = faces.at(best->suffix);
    const int n = picture.Width;
    const auto texel = [n](double c) { return std::clamp(static_cast<int>((c + 1) / 2 * n), 0, n - 1); };
    return picture.At(texel(Dot(d, best->right) / along), texel(-Dot(d, best->top) / along));
}

TEST(EnginePresets, TheQuakeFamilyAndSourceShowWhatTheRendererSeesBothWaysNorthLies) {
    const testing::DefaultRun run = testing::RenderDefaultRun(FaceSize);
    const CubeFaces sky(run.Faces);
    const struct {
        const char* preset;
        North north;
    } cases[] = {{"quake3", North::AsTheRunHasIt}, {"quake3", North::AlongTheEngines},
                 {"halflife", North::AsTheRunHasIt}, {"source", North::AlongTheEngines}};
    for (const auto& c : cases) {
        SCOPED_TRACE(std::string(c.preset) + (c.north == North::AlongTheEngines ? ", --north engine" : ""));
        TempFolder temp;
        const Preset& preset = *FindPreset(c.preset);
        WritePreset(preset, temp / "mysky", sky, c.north, 0);
        std::map<std::string, RgbImage> faces;
        for (const QuakeFace& face : QuakeTable) {
            const std::string preset = c.preset, joint = preset == "quake3" ? "_" : "";
            const std::string folder = preset == "source" ? "materialsrc/skybox/" : "";
            faces[face.suffix] = LoadPictureAsRgb(temp / (folder + "mysky" + joint + face.suffix + ".tga"));
        }
        int compared = 0, wrong = 0;
        for (const Vec3& d : Directions()) {
            const Seen seen = RenderedColour(run.Camera, d, FaceSize);
            if (seen.spread > testing::SharpScene) continue;
            // The engine's frame: as the run has it, its +X is west and its +Y south.
            const Vec3 engine = c.north == North::AlongTheEngines ? d : Vec3{-d.X, -d.Y, d.Z};
            ++compared;
            if (Difference(seen.mean, QuakeLookup(faces, engine)) > Tolerance) ++wrong;
        }
        EXPECT_GE(compared, 50);
        EXPECT_EQ(wrong, 0);
    }
    // As the run has it, the faces are the run's own Direction-named ones.
    TempFolder temp;
    WritePreset(*FindPreset("quake2"), temp / "sky", sky, North::AsTheRunHasIt, 0);
    for (const auto& [suffix, face] : {std::pair{"ft", 0}, {"bk", 1}, {"lf", 2}, {"rt", 3}, {"up", 4}, {"dn", 5}}) {
        EXPECT_TRUE(LoadPictureAsRgb(temp / (std::string("sky") + suffix + ".tga")).Pixels == run.Faces[face].Pixels)
            << suffix;
    }
}

// The godot preset's picture cut as Godot's importer cuts a 2 x 3 Cubemap
// and looked up as its shader says (the factors read from the shader file):
// what the renderer sees, north ahead of Godot's default camera, east along +X.
TEST(EnginePresets, GodotsPictureThroughItsShaderShowsTheSkyUnmirrored) {
    const testing::DefaultRun run = testing::RenderDefaultRun(FaceSize);
    TempFolder temp;
    WritePreset(*FindPreset("godot"), temp / "sky", CubeFaces(run.Faces), North::AsTheRunHasIt, 0);
    const RgbImage picture = LoadPictureAsRgb(temp / "sky.png");
    const std::string shader = ReadFileBytes(temp / "sky.gdshader");
    const auto lookup = shader.find("EYEDIR * vec3(");
    ASSERT_NE(lookup, std::string::npos) << shader;
    double f[3] = {};
    ASSERT_EQ(std::sscanf(shader.c_str() + lookup, "EYEDIR * vec3(%lf, %lf, %lf)", &f[0], &f[1], &f[2]), 3);
    int compared = 0, wrong = 0;
    for (const Vec3& d : Directions()) {
        const Seen seen = RenderedColour(run.Camera, d, FaceSize);
        if (seen.spread > testing::SharpScene) continue;
        const Vec3 eye{d.X, d.Z, -d.Y};  // Godot's world: x right of the default camera, y up, -z ahead of it
        const testing::Lookup at = testing::CubeMapLookup(eye.X * f[0], eye.Y * f[1], eye.Z * f[2], FaceSize);
        ++compared;
        if (Difference(seen.mean, picture.At(at.face % 2 * FaceSize + at.i, at.face / 2 * FaceSize + at.j)) > Tolerance) {
            ++wrong;
        }
    }
    EXPECT_GE(compared, 50);
    EXPECT_EQ(wrong, 0);
}

// Half-Life and Quake II get 256 texels unless asked for more, and say so
// either way; Quake III's shader names the faces as its game folder reaches
// them; Source's materials and texture sources go where each tool reads.
TEST(EnginePresets, EachEngineGetsItsSizesShaderAndFoldersAndUnitySlotsHoldTheCubeMapFaces) {
    std::array<RgbImage, 6> big;
    for (RgbImage& face : big) face = RgbImage(300, 300);
    const CubeFaces sky(big);
    TempFolder temp;
    const struct {
        const char* engine;
        int asked, made;
        const char* said;
    } sizes[] = {{"halflife", 0, 256, "made 256 texels a side"}, {"quake2", 0, 256, "made 256 texels a side"},
                 {"quake2", 400, 400, "The faces are 400 texels a side: the classic engines take at most 256"}};
    for (const auto& c : sizes) {
        const std::string said = WritePreset(*FindPreset(c.engine), temp / c.engine, sky, North::AsTheRunHasIt, c.asked);
        EXPECT_EQ(LoadPictureAsRgb(temp / (std::string(c.engine) + "rt.tga")).Width, c.made) << c.engine;
        EXPECT_NE(said.find(c.said), std::string::npos) << said;
    }
    EXPECT_EQ(WritePreset(*FindPreset("quake2"), temp / "q2", sky, North::AsTheRunHasIt, 200).find("texels"),
              std::string::npos) << "nothing to say of a size the engines take";

    std::filesystem::create_directories(testing::U8(temp / "baseq3/env"));
    WritePreset(*FindPreset("quake3"), temp / "baseq3/env/mysky", sky, North::AlongTheEngines, 8);
    const std::string shader = ReadFileBytes(temp / "baseq3/scripts/mysky.shader");
    for (const char* line : {"textures/skies/mysky\n{", "\tsurfaceparm sky\n", "\tskyparms env/mysky - -\n",
                             "\tnopicmip\n", "has the yaw 90 - H", "\t// q3map_sun "}) {
        EXPECT_NE(shader.find(line), std::string::npos) << line << " in\n" << shader;
    }
    WritePreset(*FindPreset("source"), temp / "hl2/mysky", sky, North::AsTheRunHasIt, 8);
    EXPECT_EQ(testing::FolderListing(temp / "hl2/materials/skybox"),
              "myskybk.vmt\nmyskydn.vmt\nmyskyft.vmt\nmyskylf.vmt\nmyskyrt.vmt\nmyskyup.vmt\n");
    EXPECT_NE(ReadFileBytes(temp / "hl2/materials/skybox/myskyrt.vmt").find("\"skybox/myskyrt\""), std::string::npos);
    EXPECT_EQ(LoadPictureAsRgb(temp / "hl2/materialsrc/skybox/myskyrt.tga").Width, 8);

    const testing::DefaultRun run = testing::RenderDefaultRun(16);
    const CubeFaces small(run.Faces);
    WritePreset(*FindPreset("unity"), temp / "u", small, North::AsTheRunHasIt, 0);
    const CubeMap map = MakeCubeMap(small);
    for (const auto& [slot, face] : {std::pair{"Front", 4}, {"Back", 5}, {"Left", 0}, {"Right", 1}, {"Up", 2}, {"Down", 3}}) {
        EXPECT_TRUE(LoadPictureAsRgb(temp / (std::string("u_") + slot + ".png")).Pixels == map[face].Pixels) << slot;
    }
}

// A quarter turn exchanges faces and turns Up a quarter, texel for texel;
// 45 degrees agrees with the renderer turned 45 degrees.
TEST(TurnedSky, AQuarterTurnExchangesFacesAndAnyTurnAgreesWithTheRenderer) {
    const testing::DefaultRun run = testing::RenderDefaultRun(FaceSize);
    const CubeFaces sky(run.Faces);
    const CubeMap before = MakeCubeMap(sky), after = MakeCubeMap(CubeFaces(TurnedSky(sky, 90)));
    enum { PX, NX, PY, NY, PZ, NZ };
    // What lay east now lies north, south east, west south, north west.
    for (const auto& [now, was] : {std::pair{PZ, PX}, {PX, NZ}, {NZ, NX}, {NX, PZ}}) {
        EXPECT_TRUE(after[now].Pixels == before[was].Pixels) << now << " from " << was;
    }
    int turnedUp = 0, turnedDown = 0;
    for (int j = 0; j < FaceSize; ++j) {
        for (int i = 0; i < FaceSize; ++i) {
            turnedUp += std::memcmp(after[PY].At(i, j), before[PY].At(j, FaceSize - 1 - i), 3) != 0;
            turnedDown += std::memcmp(after[NY].At(i, j), before[NY].At(FaceSize - 1 - j, i), 3) != 0;
        }
    }
    EXPECT_EQ(turnedUp, 0);
    EXPECT_EQ(turnedDown, 0);

    const RgbImage panorama = EquirectangularPanorama(CubeFaces(TurnedSky(sky, 45)), 4 * FaceSize);
    int compared = 0, wrong = 0;
    for (const Vec3& d : Directions()) {
        const Seen seen = RenderedColour(run.Camera, d, FaceSize, 45);
        if (seen.spread > testing::SharpScene) continue;
        const int u = std::clamp(static_cast<int>((testing::HeadingOf(d) + 180) / 360 * panorama.Width), 0, panorama.Width - 1);
        const int v = std::clamp(static_cast<int>((90 - testing::PitchOf(d)) / 180 * panorama.Height), 0, panorama.Height - 1);
        ++compared;
        if (Difference(seen.mean, panorama.At(u, v)) > Tolerance) ++wrong;
    }
    EXPECT_GE(compared, 50);
    EXPECT_EQ(wrong, 0);
}

// Stripes one texel wide: a smaller face or panorama shows their mean, each
// texel within what one partly covered stripe can move it; one bilinear tap
// per texel would show 0 and 255 in turn.
TEST(ShrinkingTheSky, FineStripesAverageToTheirMeanWithoutAliasing) {
    RgbImage three(3, 1);
    three.At(1, 0)[0] = three.At(2, 0)[0] = 1;
    EXPECT_EQ(ShrinkByArea(three, 1, 1).At(0, 0)[0], 1) << "two thirds rounds to 1";

    std::array<RgbImage, 6> striped;
    for (RgbImage& face : striped) {
        face = RgbImage(63, 63);
        for (int y = 0; y < 63; ++y) {
            for (int x = 0; x < 63; ++x) std::memset(face.At(x, y), x % 2 ? 255 : 0, 3);
        }
    }
    const CubeFaces sky(striped);
    const auto worst = [](const RgbImage& picture) {
        double far = 0;
        for (const std::uint8_t value : picture.Pixels) far = std::max(far, std::fabs(value - 127.5));
        return far;
    };
    const CubeMap map = MakeCubeMap(sky, 9);  // 7 texels to one
    for (const RgbImage& face : map) EXPECT_LE(worst(face), 255.0 / 7 / 2 + 1);
    // A panorama pixel spans 8 texels at the horizon; nearer the poles its footprint thins to a wedge.
    const RgbImage panorama = EquirectangularPanorama(sky, 32);
    RgbImage band(32, 10);
    std::memcpy(band.Pixels.data(), panorama.At(0, 3), band.Pixels.size());  // pitch -62 to 62 degrees
    EXPECT_LE(worst(band), 255.0 / 8 / 2);
}

// Our KTX 2 file read back field by field, as the format describes it.
TEST(Ktx2File, HoldsTheCubeMapFaceByFaceAndLevelByLevel) {
    const CubeMap map = MakeCubeMap(CubeFaces(testing::RenderDefaultRun(8).Faces));
    TempFolder temp;
    WriteKtx2CubeMap(temp / "sky.ktx2", map, true);
    const std::string file = ReadFileBytes(temp / "sky.ktx2");
    const auto u32 = [&](std::size_t at) {
        std::uint32_t value = 0;
        std::memcpy(&value, file.data() + at, 4);
        return value;
    };
    const auto u64 = [&](std::size_t at) {
        std::uint64_t value = 0;
        std::memcpy(&value, file.data() + at, 8);
        return value;
    };
    ASSERT_EQ(file.substr(0, 12), std::string("\xABKTX 20\xBB\r\n\x1A\n", 12));
    EXPECT_EQ(u32(12), 43u) << "VK_FORMAT_R8G8B8A8_SRGB";
    EXPECT_EQ(u32(16), 1u);
    EXPECT_EQ(u32(20), 8u);
    EXPECT_EQ(u32(24), 8u);
    EXPECT_EQ(u32(28), 0u);
    EXPECT_EQ(u32(32), 0u);
    EXPECT_EQ(u32(36), 6u) << "faces";
    ASSERT_EQ(u32(40), 4u) << "levels 8, 4, 2, 1";
    EXPECT_EQ(u32(44), 0u) << "no supercompression";
    const std::uint32_t dfd = u32(48);
    EXPECT_EQ(dfd, 80u + 4 * 24);
    EXPECT_EQ(u32(52), 92u);
    EXPECT_EQ(static_cast<unsigned char>(file[dfd + 12]), 1) << "RGBSDA";
    EXPECT_EQ(static_cast<unsigned char>(file[dfd + 14]), 2) << "sRGB";
    for (int sample = 0; sample < 4; ++sample) {
        EXPECT_EQ(static_cast<unsigned char>(file[dfd + 28 + 16 * sample + 2]), 7) << "8 bits, stored less one";
    }
    EXPECT_NE(file.find(std::string("KTXwriter\0vantorix-export", 25)), std::string::npos);
    for (std::uint32_t level = 0, n = 8; level < 4; ++level, n /= 2) {
        const std::uint64_t offset = u64(80 + 24 * level), length = u64(88 + 24 * level);
        ASSERT_EQ(length, 6u * n * n * 4) << level;
        EXPECT_EQ(u64(96 + 24 * level), length) << "uncompressed, as stored";
        EXPECT_EQ(offset % 4, 0u);
        for (int face = 0; face < 6; ++face) {
            const RgbImage expected = level == 0 ? map[face] : MipMapChain(map[face], Light::Srgb)[level - 1];
            const char* data = file.data() + offset + static_cast<std::size_t>(face) * n * n * 4;
            for (std::uint32_t p = 0; p < n * n; ++p) {
                ASSERT_EQ(std::memcmp(data + 4 * p, expected.Pixels.data() + 3 * p, 3), 0) << level << " " << face;
                ASSERT_EQ(static_cast<unsigned char>(data[4 * p + 3]), 255);
            }
        }
    }
    EXPECT_EQ(u64(80 + 24 * 3) + u64(88 + 24 * 3), u64(80 + 24 * 2)) << "the smallest level first";
    EXPECT_EQ(u64(80) + u64(88), file.size()) << "the largest last";
}

}  // namespace
}  // namespace vantorix::cube
