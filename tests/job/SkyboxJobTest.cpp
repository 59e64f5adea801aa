#include "job/SkyboxJob.h"
#include "job/mMain.h"

#include <gtest/gtest.h>

#include "tests/support/TempFolder.h"

namespace vantorix {
namespace {

using testing::Native;

TEST(SkyboxJob, DefaultsAreTheStoredDesign) {
    const SkyboxJob job = DefaultSkyboxJob(Native("/opt/terragen"));
    EXPECT_EQ(job.CameraHeight, "100");
    EXPECT_EQ(job.TGArea, "7680");
    EXPECT_EQ(job.TGSize, 1);
    EXPECT_EQ(GridSize(job.TGSize), 256);
    for (bool chosen : job.Render) EXPECT_TRUE(chosen);
    EXPECT_EQ(job.Output, Native("/opt/terragen/Vantorix/NewSky"));
    EXPECT_EQ(job.Convert, 2);
    EXPECT_EQ(job.JPGQuality, 90);
    EXPECT_EQ(job.NameScheme, 1);
    EXPECT_FALSE(job.NameAbreviate);
}

TEST(SkyboxJob, GridSizeIsOneLessThanTheOptionsGridPoints) {
    const double expected[] = {128, 256, 512, 1024, 2048, 4096};
    for (int option = 0; option < 6; ++option) EXPECT_EQ(GridSize(option), expected[option]) << option;
    EXPECT_THROW(GridSize(-1), std::out_of_range);
    EXPECT_THROW(GridSize(6), std::out_of_range);
}

TEST(RenderFiles, FollowTheProgramFolderWithASingleSeparator) {
    EXPECT_EQ(RenderFolder(Native("/opt/terragen")), Native("/opt/terragen/Vantorix/"));
    EXPECT_EQ(RenderFolder(Native("/opt/terragen/")), Native("/opt/terragen/Vantorix/"));
    EXPECT_EQ(RenderFolder(Native("/")), Native("/Vantorix/"));
    EXPECT_EQ(ScriptPath(Native("/opt/terragen")), Native("/opt/terragen/Vantorix/Vantorix.tgs"));
    EXPECT_EQ(RenderFrameName(Native("/opt/terragen"), 1), Native("/opt/terragen/Vantorix/Vantorix_0001.bmp"));
    EXPECT_EQ(RenderFrameName(Native("/"), 6), Native("/Vantorix/Vantorix_0006.bmp"));
}

}  // namespace
}  // namespace vantorix
