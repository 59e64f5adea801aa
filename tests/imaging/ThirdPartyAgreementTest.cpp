#include "imaging/mPictureLoader.h"
#include "imaging/mSaveTGA.h"

#include <QImage>

#include <gtest/gtest.h>

#include <fstream>
#include <cstdio>

#include "tests/imaging/ImagingTestSupport.h"
#include "tests/support/TempFolder.h"
#include "tests/support/ThirdPartyDecoders.h"

namespace vantorix {
namespace {

// Files written by ImageMagick (tests/imaging/fixtures/make-fixtures), each
// beside the pixels ImageMagick itself reports for it, the right way up.
TEST(ThirdPartyFixtures, LoadToThePixelsTheirWriterReports) {
    const std::string folder = std::string(VANTORIX_TEST_DATA) + "/imaging/fixtures/";
    for (const char* name : {"im-bottom-left.tga", "im-bottom-left-rle.tga", "im-top-left.tga", "im-top-left-rle.tga",
                             "im-bottom-left-32.tga", "im-24.bmp", "im-24-v4.bmp"}) {
        SCOPED_TRACE(name);
        ASSERT_EQ(LoadPictureFile(folder + name), PictureStatus::Loaded);
        std::ifstream report(folder + name + ".txt");
        ASSERT_TRUE(report) << "no report beside the fixture";
        // Lines such as "2,1: (128,96,64)  #806040  srgb(128,96,64)".
        int pixels = 0;
        for (std::string line; std::getline(report, line);) {
            int x = 0, y = 0;
            const std::size_t hash = line.find('#');
            if (std::sscanf(line.c_str(), "%d,%d:", &x, &y) != 2 || hash == std::string::npos || line.size() < hash + 7) {
                continue;
            }
            const std::string rgb = line.substr(hash + 1, 6);
            std::string expected = rgb.substr(4, 2) + rgb.substr(2, 2) + rgb.substr(0, 2);  // blue, green, red
            for (char& c : expected) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
            EXPECT_EQ(testing::PixelAt(LoadedPicture(), x, y), expected) << x << "," << y;
            ++pixels;
        }
        EXPECT_EQ(pixels, LoadedPicture().Width() * LoadedPicture().Height());
    }
}

// A render converted the way the finisher converts it (load, copy out, write
// TGA) reads back the same, pixel for pixel, in two readers we did not write.
// An odd width gives the bitmap padded rows.
TEST(ThirdPartyReaders, ReadOurTgaPixelForPixel) {
    testing::TempFolder temp;
    QImage render(37, 23, QImage::Format_RGB888);
    for (int y = 0; y < render.height(); ++y) {
        for (int x = 0; x < render.width(); ++x) render.setPixel(x, y, qRgb(x * 7, y * 11, (x * y + 5) & 0xFF));
    }
    ASSERT_TRUE(render.save(QString::fromStdString(temp / "render.bmp"), "BMP"));
    ASSERT_EQ(LoadPictureFile(temp / "render.bmp"), PictureStatus::Loaded);
    PixelBlock pixels;
    CopyPicturePixels(pixels);
    SaveTGA(temp / "face.tga", pixels, LoadedPicture().Width(), LoadedPicture().Height());

    const std::string face = temp / "face.tga";
    for (const auto& decoded : {testing::DecodeWithImageMagick(face), testing::DecodeWithPillow(face)}) {
        ASSERT_EQ(decoded.width, 37);
        ASSERT_EQ(decoded.height, 23);
        int differing = 0;
        for (int y = 0; y < 23; ++y) {
            for (int x = 0; x < 37; ++x) {
                const QRgb expected = render.pixel(x, y);
                const std::uint8_t* got = decoded.At(x, y);
                differing += got[0] != qRed(expected) || got[1] != qGreen(expected) || got[2] != qBlue(expected);
            }
        }
        EXPECT_EQ(differing, 0);
    }
}

}  // namespace
}  // namespace vantorix
