#include "platform/ReplacementFile.h"
#include "platform/FileError.h"

#include <gtest/gtest.h>

#include <sys/stat.h>
#include <filesystem>

#include "tests/support/TempFolder.h"

namespace vantorix {
namespace {

using testing::FolderListing;
using testing::ReadFileBytes;
using testing::TempFolder;
using testing::WriteFileBytes;

TEST(ReplacementFile, OldFileStaysUntilCommitThenTheNewOneReplacesItWhole) {
    TempFolder temp;
    const std::string path = temp / "image.tga";
    WriteFileBytes(path, std::string(100, 'o'));
    ReplacementFile file(path);
    file.Write("new ");
    file.Write("bytes");
    EXPECT_EQ(ReadFileBytes(path), std::string(100, 'o'));
    file.Commit();
    EXPECT_EQ(ReadFileBytes(path), "new bytes");
    EXPECT_EQ(FolderListing(temp.Path()), "image.tga\n");
}

TEST(ReplacementFile, DroppedUncommittedItRemovesWhatItWrote) {
    TempFolder temp;
    const std::string path = temp / "image.tga";
    WriteFileBytes(path, "old");
    {
        ReplacementFile file(path);
        file.Write("half");
    }
    EXPECT_EQ(ReadFileBytes(path), "old");
    EXPECT_EQ(FolderListing(temp.Path()), "image.tga\n");
}

TEST(ReplacementFile, FailuresNameTheFinalPathAndLeaveNoTemporaryFile) {
    TempFolder temp;
    EXPECT_THROW(ReplacementFile(temp / "missing/image.tga"), FileError);

    std::filesystem::create_directory(temp / "folder");
    try {
        ReplacementFile file(temp / "folder");
        file.Write("bytes");
        file.Commit();
        FAIL() << "a file replaced a folder";
    } catch (const FileError& error) {
        EXPECT_EQ(error.Path(), temp / "folder");
    }
    EXPECT_EQ(FolderListing(temp.Path()), "folder\n");
}

TEST(ReplacementFile, NewFileGetsTheUsualPermissions) {
    TempFolder temp;
    const mode_t previous = ::umask(022);
    ReplacementFile file(temp / "script.tgs");
    file.Commit();
    ::umask(previous);
    struct stat info {};
    ASSERT_EQ(::stat((temp / "script.tgs").c_str(), &info), 0);
    EXPECT_EQ(info.st_mode & 0777, 0644u);
}

}  // namespace
}  // namespace vantorix
