#include "platform/FileError.h"
#include "platform/FileSystem.h"

#include <gtest/gtest.h>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>

#include "tests/support/TempFolder.h"

namespace vantorix {
namespace {

using testing::FolderListing;
using testing::ReadFileBytes;
using testing::TempFolder;
using testing::WriteFileBytes;

TEST(MoveFile, ReplacesAnOccupiedNameAndLeavesTheSourceGone) {
    TempFolder temp;
    WriteFileBytes(temp / "render.bmp", "the render");
    WriteFileBytes(temp / "sky.bmp", "an older sky, longer than the render");
    MoveFile(temp / "render.bmp", temp / "sky.bmp");
    EXPECT_EQ(ReadFileBytes(temp / "sky.bmp"), "the render");
    EXPECT_EQ(FolderListing(temp.Path()), "sky.bmp\n");
}

TEST(MoveFile, RefusalsNameTheFileAndKeepTheSource) {
    TempFolder temp;
    WriteFileBytes(temp / "render.bmp", "the render");
    std::filesystem::create_directory(temp / "sky.bmp");
    try {
        MoveFile(temp / "render.bmp", temp / "sky.bmp");
        FAIL() << "a folder was replaced";
    } catch (const FileError& error) {
        EXPECT_EQ(error.Path(), temp / "sky.bmp");
        EXPECT_NE(std::string(error.what()).find(temp / "render.bmp"), std::string::npos) << error.what();
    }
    EXPECT_EQ(ReadFileBytes(temp / "render.bmp"), "the render");
    EXPECT_THROW(MoveFile(temp / "missing.bmp", temp / "other.bmp"), FileError);
    EXPECT_THROW(DeleteFile(temp / "missing.bmp"), FileError);
}

// /dev/shm is a tmpfs of its own on Linux machines.
TEST(MoveFile, AcrossFileSystemsCopiesThenRemovesTheSource) {
    TempFolder temp;
    char pattern[] = "/dev/shm/vantorix-move-XXXXXX";
    if (::mkdtemp(pattern) == nullptr) GTEST_SKIP() << "no /dev/shm here";
    const std::string other = pattern;
    struct stat here {}, there {};
    ::stat(temp.Path().c_str(), &here);
    ::stat(other.c_str(), &there);
    if (here.st_dev == there.st_dev) {
        std::filesystem::remove_all(other);
        GTEST_SKIP() << "/dev/shm shares the temporary folder's file system";
    }
    std::string render(3'000'000, '\0');  // more than one copy buffer
    for (std::size_t i = 0; i < render.size(); ++i) render[i] = static_cast<char>(i * 7 + i / 4096);
    WriteFileBytes(other + "/render.bmp", render);
    WriteFileBytes(temp / "sky.bmp", "old");
    // What a rename keeps: the permission bits and both times, to the nanosecond.
    const timespec times[2] = {{978'307'200, 123'456'789}, {978'393'600, 987'654'321}};  // 2001
    ASSERT_EQ(::chmod((other + "/render.bmp").c_str(), 0640), 0);
    ASSERT_EQ(::utimensat(AT_FDCWD, (other + "/render.bmp").c_str(), times, 0), 0);

    MoveFile(other + "/render.bmp", temp / "sky.bmp");
    const bool sourceGone = !std::filesystem::exists(other + "/render.bmp");
    std::filesystem::remove_all(other);
    EXPECT_TRUE(sourceGone);
    struct stat moved {};  // before reading it gives it a new access time
    ASSERT_EQ(::stat((temp / "sky.bmp").c_str(), &moved), 0);
    EXPECT_TRUE(ReadFileBytes(temp / "sky.bmp") == render);
    EXPECT_EQ(FolderListing(temp.Path()), "sky.bmp\n");
    EXPECT_EQ(moved.st_mode & 07777, 0640u);
    EXPECT_EQ(moved.st_atim.tv_sec, times[0].tv_sec);
    EXPECT_EQ(moved.st_atim.tv_nsec, times[0].tv_nsec);
    EXPECT_EQ(moved.st_mtim.tv_sec, times[1].tv_sec);
    EXPECT_EQ(moved.st_mtim.tv_nsec, times[1].tv_nsec);
}

}  // namespace
}  // namespace vantorix
