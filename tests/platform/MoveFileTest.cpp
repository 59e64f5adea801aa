#include "platform/FileError.h"
#include "platform/FileSystem.h"
#include "platform/ReplacementFile.h"

#include <gtest/gtest.h>

#ifndef _WIN32
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#endif

#include <filesystem>

#include "tests/support/TempFolder.h"
#ifndef _WIN32
#include "tests/support/Unprivileged.h"
#endif

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

#ifndef _WIN32
using testing::AsUnprivilegedUser;
using testing::GiveToChild;

// A folder on another file system than `temp`'s (/dev/shm is a tmpfs of its
// own on Linux machines), or why there is none.
std::string OtherFileSystemFolder(const TempFolder& temp, std::string& whyNot) {
    char pattern[] = "/dev/shm/vantorix-move-XXXXXX";
    if (::mkdtemp(pattern) == nullptr) {
        whyNot = "no /dev/shm here";
        return "";
    }
    struct stat here {}, there {};
    ::stat(temp.Path().c_str(), &here);
    ::stat(pattern, &there);
    if (here.st_dev == there.st_dev) {
        std::filesystem::remove_all(pattern);
        whyNot = "/dev/shm shares the temporary folder's file system";
        return "";
    }
    return pattern;
}

TEST(MoveFile, AcrossFileSystemsCopiesThenRemovesTheSource) {
    TempFolder temp;
    std::string whyNot;
    const std::string other = OtherFileSystemFolder(temp, whyNot);
    if (other.empty()) GTEST_SKIP() << whyNot;
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

// A second take renamed over the source while it is copied across file
// systems: the copy is the first take, and the second stays.
TEST(MoveFile, AcrossFileSystemsKeepsASourceReplacedDuringTheCopy) {
    TempFolder temp;
    std::string whyNot;
    const std::string other = OtherFileSystemFolder(temp, whyNot);
    if (other.empty()) GTEST_SKIP() << whyNot;
    WriteFileBytes(other + "/render.bmp", "the first take");
    WriteFileBytes(other + "/take2.bmp", "the second take");
    ReplacementFile::ObserveCommitsForTesting(
        [&](const ReplacementFile&) { std::filesystem::rename(other + "/take2.bmp", other + "/render.bmp"); });
    const bool sourceRemoved = MoveFile(other + "/render.bmp", temp / "sky.bmp");
    ReplacementFile::ObserveCommitsForTesting({});
    const std::string source = ReadFileBytes(other + "/render.bmp");
    std::filesystem::remove_all(other);
    EXPECT_FALSE(sourceRemoved);
    EXPECT_EQ(source, "the second take");
    EXPECT_EQ(ReadFileBytes(temp / "sky.bmp"), "the first take");
}

// A move is a rename: across file systems too, a folder that takes no new
// files is refused, and its file is not written where it stands.
TEST(MoveFile, IntoAFolderThatRefusesNewFilesIsRefusedOnAnyFileSystem) {
    TempFolder temp;
    std::string whyNot;
    const std::string other = OtherFileSystemFolder(temp, whyNot);
    if (other.empty()) GTEST_SKIP() << whyNot;
    GiveToChild(temp.Path(), 0755);
    GiveToChild(other, 0755);
    for (const std::string& folder : {temp.Path(), other}) {
        WriteFileBytes(folder + "/render.bmp", "the render");
        GiveToChild(folder + "/render.bmp", 0644);
    }
    ASSERT_TRUE(std::filesystem::create_directory(temp / "locked"));
    WriteFileBytes(temp / "locked/sky.bmp", "old");
    GiveToChild(temp / "locked/sky.bmp", 0666);
    ASSERT_EQ(::chmod((temp / "locked").c_str(), 0555), 0);  // root's
    const std::string failures = AsUnprivilegedUser([&] {
        std::string seen;
        for (const std::string& folder : {temp.Path(), other}) {
            try {
                MoveFile(folder + "/render.bmp", temp / "locked/sky.bmp");
                seen += "moved from " + folder + "; ";
            } catch (const FileError& error) {
                if (error.ErrorNumber() != EACCES) seen += std::string("unexpected: ") + error.what() + "; ";
            }
        }
        return seen;
    });
    EXPECT_EQ(failures, "");
    EXPECT_EQ(ReadFileBytes(temp / "locked/sky.bmp"), "old");
    EXPECT_EQ(ReadFileBytes(other + "/render.bmp"), "the render");
    EXPECT_EQ(ReadFileBytes(temp / "render.bmp"), "the render");
    std::filesystem::remove_all(other);
}

#endif

}  // namespace
}  // namespace vantorix
