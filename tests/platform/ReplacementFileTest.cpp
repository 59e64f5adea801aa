#include "platform/ReplacementFile.h"
#include "platform/FileError.h"

#include <gtest/gtest.h>

#include <sys/stat.h>
#include <filesystem>

#include "platform/FileSystem.h"
#include "tests/support/TempFolder.h"
#include "tests/support/Unprivileged.h"

namespace vantorix {
namespace {

using testing::FolderListing;
using testing::ReadFileBytes;
using testing::TempFolder;
using testing::WriteFileBytes;
using testing::AsUnprivilegedUser;
using testing::GiveToChild;

ino_t InodeOf(const std::string& path) {
    struct stat info {};
    return ::stat(path.c_str(), &info) == 0 ? info.st_ino : 0;
}

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

TEST(ReplacementFile, TheLongestNameTheFileSystemTakesCanBeReplaced) {
    TempFolder temp;
    const std::string path = temp / std::string(255, 'n');
    WriteFileBytes(path, "old");
    ReplacementFile file(path);
    const std::string temporaryName = file.WritePath().substr(temp.Path().size() + 1);
    EXPECT_EQ(file.WritePath().substr(0, temp.Path().size() + 1), temp.Path() + "/");
    EXPECT_EQ(temporaryName.front(), '.') << "hidden while it is written";
    EXPECT_LT(temporaryName.size(), 64u);
    file.Write("new");
    file.Commit();
    EXPECT_EQ(ReadFileBytes(path), "new");
    EXPECT_EQ(FolderListing(temp.Path()), std::string(255, 'n') + "\n");
}

TEST(ReplacementFile, AReadOnlyFileIsNeitherReplacedNorMovedOnto) {
    TempFolder temp;
    const std::string locked = temp / "sky.tga";
    WriteFileBytes(locked, "keep me");
    ASSERT_EQ(::chmod(locked.c_str(), 0444), 0);
    try {
        ReplacementFile file(locked);
        FAIL() << "a read-only file was opened for replacing";
    } catch (const FileError& error) {
        EXPECT_EQ(error.Path(), locked);
        EXPECT_NE(std::string(error.what()).find("read-only"), std::string::npos) << error.what();
    }
    WriteFileBytes(temp / "render.bmp", "the render");
    EXPECT_THROW(MoveFile(temp / "render.bmp", locked), FileError);
    EXPECT_EQ(ReadFileBytes(locked), "keep me");
    EXPECT_EQ(ReadFileBytes(temp / "render.bmp"), "the render");
    EXPECT_EQ(FolderListing(temp.Path()), "render.bmp\nsky.tga\n");
}

// A folder that refuses new files: its user's writable files are written
// where they stand, and nothing else changes; a folder that takes new files
// keeps replacing by rename, another user's file included.
TEST(ReplacementFile, AFolderThatRefusesNewFilesHasWritableFilesWrittenInPlace) {
    TempFolder temp;
    GiveToChild(temp.Path(), 0755);
    const std::string locked = temp / "locked";
    const std::string open = temp / "open";
    ASSERT_TRUE(std::filesystem::create_directory(locked));
    ASSERT_TRUE(std::filesystem::create_directory(open));
    WriteFileBytes(locked + "/mine.tga", "the old file, longer than the new one");
    WriteFileBytes(locked + "/theirs.tga", "another user's");
    WriteFileBytes(open + "/theirs.tga", "another user's");
    GiveToChild(locked + "/mine.tga", 0644);
    GiveToChild(locked, 0555);
    GiveToChild(open, 0755);
    const ino_t mine = InodeOf(locked + "/mine.tga");

    const std::string failures = AsUnprivilegedUser([&] {
        std::string seen;
        ReplacementFile inPlace(locked + "/mine.tga");
        if (!inPlace.WritesInPlace()) seen += "the locked folder's file was not written in place; ";
        inPlace.Write("new");
        inPlace.Commit();
        if (ReadFileBytes(locked + "/mine.tga") != "new") seen += "in place: wrong contents; ";
        if (InodeOf(locked + "/mine.tga") != mine) seen += "in place: not the same file; ";
        for (const char* refused : {"/theirs.tga", "/new.tga"}) {
            try {
                ReplacementFile file(locked + refused);
                seen += std::string(refused) + " was opened; ";
            } catch (const FileError& error) {
                if (error.ErrorNumber() != EACCES) seen += std::string("unexpected: ") + error.what() + "; ";
            }
        }
        ReplacementFile renamed(open + "/theirs.tga");
        if (renamed.WritesInPlace()) seen += "the open folder's file was written in place; ";
        renamed.Write("replaced");
        renamed.Commit();
        if (ReadFileBytes(open + "/theirs.tga") != "replaced") seen += "renamed: wrong contents; ";
        return seen;
    });
    EXPECT_EQ(failures, "");
    EXPECT_EQ(FolderListing(locked), "mine.tga\ntheirs.tga\n");
    EXPECT_EQ(ReadFileBytes(locked + "/theirs.tga"), "another user's");
    EXPECT_EQ(FolderListing(open), "theirs.tga\n");
}

}  // namespace
}  // namespace vantorix
