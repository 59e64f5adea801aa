#include "imaging/mPictureLoader.h"

#include <gtest/gtest.h>

#include <fstream>
#include <regex>

#include "tests/imaging/ImagingTestSupport.h"

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
        const std::regex pixelLine(R"(^(\d+),(\d+): .*#([0-9A-F]{2})([0-9A-F]{2})([0-9A-F]{2}))");
        int pixels = 0;
        for (std::string line; std::getline(report, line);) {
            std::smatch match;
            if (!std::regex_search(line, match, pixelLine)) continue;
            const std::string blueGreenRed = match[5].str() + match[4].str() + match[3].str();
            std::string expected;
            for (char c : blueGreenRed) expected += static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
            const int x = std::stoi(match[1]), y = std::stoi(match[2]);
            EXPECT_EQ(testing::PixelAt(LoadedPicture(), x, y), expected) << x << "," << y;
            ++pixels;
        }
        EXPECT_EQ(pixels, LoadedPicture().Width() * LoadedPicture().Height());
    }
}

}  // namespace
}  // namespace vantorix
