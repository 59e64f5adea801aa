// The Windows build's whole run, seen from Linux: the renders it kept,
// finished here by the Linux build with the same settings, give the very
// bytes the Windows build wrote; and Linux's own readers read its faces.
// Run by the Windows build's tests, with VANTORIX_WINDOWS_RUN naming the
// folder the run was kept in.
#include "collect/FinishImages.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>

#include "tests/collect/CollectTestSupport.h"
#include "tests/support/ThirdPartyDecoders.h"

namespace vantorix {
namespace {

using testing::ProgramFolder;
using testing::ReadFileBytes;
namespace fs = std::filesystem;

TEST(WindowsBuild, ItsFacesAreTheLinuxBuildsBytesAndEveryReaderReadsThem) {
    const char* kept = std::getenv("VANTORIX_WINDOWS_RUN");
    if (kept == nullptr) GTEST_SKIP() << "no Windows run to compare (VANTORIX_WINDOWS_RUN)";
    const std::string windows = std::string(kept) + "/";

    ProgramFolder program;
    for (int frame = 1; frame <= SkyboxFaceCount; ++frame) {
        const std::string render = program.Render(frame);
        fs::copy_file(windows + fs::path(render).filename().string(), render);
    }
    const FinishReport report = FinishImages(DefaultSkyboxJob(program.Path()), program.Path());
    EXPECT_TRUE(report.Unfinished.empty());

    for (const char* face : {"North", "South", "East", "West", "Up", "Down"}) {
        SCOPED_TRACE(face);
        const std::string name = std::string("NewSky_") + face + ".jpg";
        const std::string made = windows + name;
        EXPECT_EQ(ReadFileBytes(made), ReadFileBytes(program.Output(name)));
        const testing::DecodedPicture ours = testing::DecodeWithDjpeg(made);
        EXPECT_EQ(std::pair(ours.width, ours.height), std::pair(48, 48));
        for (const auto& read : {testing::DecodeWithImageMagick(made), testing::DecodeWithPillow(made),
                                 testing::DecodeWithOpenImageIO(made)}) {
            ASSERT_EQ(std::pair(read.width, read.height), std::pair(48, 48));
            int differs = 0;
            for (std::size_t i = 0; i < read.rgb.size(); ++i) differs = std::max(differs, std::abs(read.rgb[i] - ours.rgb[i]));
            EXPECT_LE(differs, 1) << "the readers agree on every pixel";
        }
    }
}

}  // namespace
}  // namespace vantorix
