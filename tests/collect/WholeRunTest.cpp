#include "collect/FinishImages.h"
#include "collect/frmWaiting.h"
#include "imaging/mPictureLoader.h"

#include <gtest/gtest.h>

#include <QProcess>
#include <QTimer>

#include <cstdlib>
#include <filesystem>

#include "tests/collect/CollectTestSupport.h"
#include "tests/support/ThirdPartyDecoders.h"

namespace vantorix {
namespace {

using testing::FolderListing;
using testing::MessageCatcher;
using testing::ProgramFolder;

int Render(const ProgramFolder& program, int size) {
    return QProcess::execute(VANTORIX_TGSRENDER,
                             {"--size", QString::number(size), QString::fromStdString(ScriptPath(program.Path()))});
}

// Start, the renderer, then the waiting window on its own one-second timer.
TEST(WholeRun, TheDefaultSettingsEndInSixJpegFaces) {
    ProgramFolder program;
    MessageCatcher messages;
    const SkyboxJob job = DefaultSkyboxJob(program.Path());
    WriteSkyboxScript(job, program.Path());
    ASSERT_EQ(Render(program, 64), 0);

    frmWaiting window(nullptr, program.Path(), [&] { return job; });
    QTimer::singleShot(20000, &window, &QDialog::reject);  // a hung wait fails instead of blocking
    EXPECT_EQ(window.exec(), QDialog::Accepted);

    ASSERT_EQ(messages.shown.size(), 1u);
    EXPECT_EQ(messages.shown[0].text, "Skybox Images are Done!");
    EXPECT_EQ(FolderListing(RenderFolder(program.Path())),
              "NewSky_Down.jpg\nNewSky_East.jpg\nNewSky_North.jpg\nNewSky_South.jpg\nNewSky_Up.jpg\nNewSky_West.jpg\n"
              "Vantorix.tgs\n");
    const testing::DecodedPicture up = testing::DecodeWithDjpeg(program.Output("NewSky_Up.jpg"));
    EXPECT_EQ(up.width, 64);
    EXPECT_EQ(up.height, 64);
}

struct FacePixels {
    int size = 0;
    std::vector<std::uint8_t> rows;  // top row first, 3 bytes a pixel, no padding
    const std::uint8_t* At(int x, int y) const { return rows.data() + (static_cast<std::size_t>(y) * size + x) * 3; }
};

FacePixels LoadFace(const std::string& path) {
    EXPECT_EQ(LoadPictureFile(path), PictureStatus::Loaded) << path;
    PixelBlock block;
    CopyPicturePixels(block);
    FacePixels face;
    face.size = block.Rows();
    for (int row = block.Rows() - 1; row >= 0; --row) face.rows.insert(face.rows.end(), block.Row(row), block.Row(row) + block.Columns());
    return face;
}

enum Edge { Top, Bottom, Left, Right };

// The i-th pixel along an edge: rows left to right, columns top to bottom.
const std::uint8_t* AlongEdge(const FacePixels& face, Edge edge, int i) {
    const int last = face.size - 1;
    switch (edge) {
        case Top: return face.At(i, 0);
        case Bottom: return face.At(i, last);
        case Left: return face.At(0, i);
        case Right: return face.At(last, i);
    }
    return nullptr;
}

// The edges the six faces share, worked out from the camera alone: x east,
// y north, z up; heading 0 looks north and turns clockwise, and the
// picture's right hand points along heading + 90. Up (heading 270) so has
// north on its right and east at its top; Down has north on its right and
// west at its top.
TEST(WholeRun, TheSixFacesOfTheDefaultScriptJoinIntoACube) {
    ProgramFolder program;
    SkyboxJob job = DefaultSkyboxJob(program.Path());
    job.Convert = 0;
    WriteSkyboxScript(job, program.Path());
    ASSERT_EQ(Render(program, 128), 0);
    FinishImages(job, program.Path());

    std::array<FacePixels, SkyboxFaceCount> faces;
    for (int face = 0; face < SkyboxFaceCount; ++face) {
        faces[face] = LoadFace(program.Output("NewSky_" + std::string(SkyboxFaces[face].CompassName) + ".bmp"));
        ASSERT_EQ(faces[face].size, 128);
    }
    const struct {
        SkyboxFace a;
        Edge edgeA;
        SkyboxFace b;
        Edge edgeB;
        bool reversed;
    } seams[] = {
        {North, Right, East, Left, false}, {East, Right, South, Left, false},
        {South, Right, West, Left, false}, {West, Right, North, Left, false},
        {Up, Right, North, Top, true},     {Up, Top, East, Top, true},
        {Up, Left, South, Top, false},     {Up, Bottom, West, Top, false},
        {Down, Right, North, Bottom, false}, {Down, Top, West, Bottom, false},
        {Down, Left, South, Bottom, true}, {Down, Bottom, East, Bottom, true},
    };
    for (const auto& seam : seams) {
        double total = 0;
        int worst = 0;
        for (int i = 0; i < 128; ++i) {
            const std::uint8_t* a = AlongEdge(faces[seam.a], seam.edgeA, i);
            const std::uint8_t* b = AlongEdge(faces[seam.b], seam.edgeB, seam.reversed ? 127 - i : i);
            for (int c = 0; c < 3; ++c) {
                const int difference = std::abs(a[c] - b[c]);
                total += difference;
                worst = std::max(worst, difference);
            }
        }
        const double mean = total / (128 * 3);
        EXPECT_LT(mean, 3.0) << SkyboxFaces[seam.a].Caption << " against " << SkyboxFaces[seam.b].Caption;
        EXPECT_LT(worst, 48) << SkyboxFaces[seam.a].Caption << " against " << SkyboxFaces[seam.b].Caption;
    }
}

}  // namespace
}  // namespace vantorix
