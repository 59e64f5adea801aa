#include "platform/ReplacementFile.h"
#include "platform/FileError.h"

#include <gtest/gtest.h>

#include <sys/stat.h>
#include <filesystem>

#include "platform/FileSystem.h"
#include "tests/support/TempFolder.h"
#ifndef _WIN32
#include "tests/support/Unprivileged.h"
#else
#include "platform/win32/Windows.h"

#include <sddl.h>

#include <vector>
#endif

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

TEST(ReplacementFile, TheLongestNameTheFileSystemTakesCanBeReplaced) {
    TempFolder temp;
    const std::string path = temp / std::string(255, 'n');
    WriteFileBytes(path, "old");
    ReplacementFile file(path);
    const std::string temporaryName = file.WritePath().substr(temp.Path().size() + 1);
    EXPECT_EQ(file.WritePath().substr(0, temp.Path().size() + 1), temp.Path() + TempFolder::Separator);
    EXPECT_EQ(temporaryName.front(), '.') << "hidden while it is written";
    EXPECT_LT(temporaryName.size(), 64u);
    file.Write("new");
    file.Commit();
    EXPECT_EQ(ReadFileBytes(path), "new");
    EXPECT_EQ(FolderListing(temp.Path()), std::string(255, 'n') + "\n");
}

// Read-only is the owner's write bit: another's write bit does not count.
TEST(ReplacementFile, AReadOnlyFileIsNeitherReplacedNorMovedOnto) {
    for (const mode_t mode : {0444, 0464, 0466}) {
        TempFolder temp;
        const std::string locked = temp / "sky.tga";
        WriteFileBytes(locked, "keep me");
        std::filesystem::permissions(locked, std::filesystem::perms(mode));
        try {
            ReplacementFile file(locked);
            ADD_FAILURE() << "a read-only file was opened for replacing, mode " << std::oct << mode;
        } catch (const FileError& error) {
            EXPECT_EQ(error.Path(), locked);
            EXPECT_NE(std::string(error.what()).find("read-only"), std::string::npos) << error.what();
        }
        WriteFileBytes(temp / "render.bmp", "the render");
        EXPECT_THROW(MoveFile(temp / "render.bmp", locked), FileError) << std::oct << mode;
        EXPECT_EQ(ReadFileBytes(locked), "keep me");
        EXPECT_EQ(ReadFileBytes(temp / "render.bmp"), "the render");
        EXPECT_EQ(FolderListing(temp.Path()), "render.bmp\nsky.tga\n");
    }
}

// A guarded file (a render of the run being finished) is never replaced,
// written into or moved onto, also when a name comes to lead to it only
// while a file is being written; once the guard is gone, it may be.
TEST(GuardedFiles, NoWriterReplacesAGuardedFileWhateverNameLeadsToIt) {
    TempFolder temp;
    const std::string render = temp / "render.bmp";
    WriteFileBytes(render, "the render");
    std::filesystem::create_hard_link(render, temp / "hard.bmp");
#ifdef _WIN32
    WriteFileBytes(temp / "link.bmp", "");  // Wine makes no symbolic links: the name stands in, unguarded
    std::filesystem::remove(temp / "link.bmp");
    std::filesystem::create_hard_link(render, temp / "link.bmp");
#else
    std::filesystem::create_symlink(render, temp / "link.bmp");
#endif
    WriteFileBytes(temp / "other.bmp", "another render");
    {
        const GuardedFiles guard({{*IdentityOf(render), "the render of the Up face"}});
        for (const char* name : {"hard.bmp", "link.bmp", "render.bmp"}) {
            try {
                ReplacementFile file(temp / name);
                ADD_FAILURE() << name << " was opened for replacing";
            } catch (const FileError& error) {
                EXPECT_EQ(std::string(error.what()),
                          "Cannot replace \"" + temp / name + "\": it is the render of the Up face.");
            }
            EXPECT_THROW(MoveFile(temp / "other.bmp", temp / name), FileError) << name;
        }
        ReplacementFile late(temp / "late.bmp");
        late.Write("new");
        std::filesystem::create_hard_link(render, temp / "late.bmp");
        EXPECT_THROW(late.Commit(), FileError);
    }
    EXPECT_EQ(ReadFileBytes(render), "the render");
    EXPECT_EQ(FolderListing(temp.Path()), "hard.bmp\nlate.bmp\nlink.bmp\nother.bmp\nrender.bmp\n");
    MoveFile(temp / "other.bmp", temp / "hard.bmp");
    EXPECT_EQ(ReadFileBytes(temp / "hard.bmp"), "another render");
}

#ifdef _WIN32
// A replaced file keeps what Windows keeps beyond its bytes: an entry its
// owner added to its access control list.
TEST(ReplacementFile, AReplacedFileKeepsItsAccessControlList) {
    TempFolder temp;
    const std::string path = temp / "sky.tga";
    WriteFileBytes(path, "old");
    const std::wstring name = win32::Wide(path);
    const auto dacl = [&] {
        std::vector<char> descriptor(4096);
        DWORD needed = 0;
        LPWSTR sddl = nullptr;
        std::wstring text;
        if (::GetFileSecurityW(name.c_str(), DACL_SECURITY_INFORMATION, descriptor.data(),
                               static_cast<DWORD>(descriptor.size()), &needed) &&
            ::ConvertSecurityDescriptorToStringSecurityDescriptorW(descriptor.data(), SDDL_REVISION_1,
                                                                   DACL_SECURITY_INFORMATION, &sddl, nullptr)) {
            text = sddl;
            ::LocalFree(sddl);
        }
        return win32::Utf8(text);
    };
    PSECURITY_DESCRIPTOR added = nullptr;
    ASSERT_TRUE(::ConvertStringSecurityDescriptorToSecurityDescriptorW(L"D:P(A;;FA;;;WD)(A;;FR;;;BG)", SDDL_REVISION_1,
                                                                       &added, nullptr));
    const BOOL set = ::SetFileSecurityW(name.c_str(), DACL_SECURITY_INFORMATION, added);
    ::LocalFree(added);
    ASSERT_TRUE(set);
    const std::string before = dacl();
    if (before.find("(A;;FR;;;BG)") == std::string::npos) {
        GTEST_SKIP() << "this system keeps no access control list of its own for a file (Wine makes one of the "
                        "Unix permission bits): " << before;
    }

    ReplacementFile file(path);
    file.Write("new");
    file.Commit();
    EXPECT_EQ(ReadFileBytes(path), "new");
    EXPECT_EQ(dacl(), before);
}
#endif

#ifndef _WIN32
using testing::AsUnprivilegedUser;
using testing::GiveToChild;

ino_t InodeOf(const std::string& path) {
    struct stat info {};
    return ::stat(path.c_str(), &info) == 0 ? info.st_ino : 0;
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

// A folder that refuses new files: a writer that may write in place writes
// its user's plain file of one link where it stands, and nothing else: not
// through a link, not into a file another name shares, not another user's
// file, not a new file. Other writers are refused there. A folder that takes
// new files keeps replacing by rename, another user's file included.
TEST(ReplacementFile, AFolderThatRefusesNewFilesHasOnlyPlainWritableFilesWrittenInPlace) {
    TempFolder temp;
    GiveToChild(temp.Path(), 0755);
    const std::string locked = temp / "locked";
    const std::string open = temp / "open";
    ASSERT_TRUE(std::filesystem::create_directory(locked));
    ASSERT_TRUE(std::filesystem::create_directory(open));
    for (const char* name : {"/mine.tga", "/refused.tga", "/notes.txt", "/theirs.tga"}) {
        WriteFileBytes((std::string(name) == "/notes.txt" ? open : locked) + name, "the old file, longer than the new");
    }
    for (const char* mine : {"/mine.tga", "/refused.tga"}) GiveToChild(locked + mine, 0644);
    GiveToChild(open + "/notes.txt", 0644);
    WriteFileBytes(open + "/solo.txt", "the old file, longer than the new");  // a file of one link
    GiveToChild(open + "/solo.txt", 0644);
    std::filesystem::create_symlink(open + "/solo.txt", locked + "/solo.tga");
    std::filesystem::create_symlink(open + "/notes.txt", locked + "/link.tga");
    std::filesystem::create_hard_link(open + "/notes.txt", locked + "/hard.tga");
    WriteFileBytes(open + "/theirs.tga", "another user's");
    GiveToChild(locked, 0555);
    GiveToChild(open, 0755);
    const ino_t mine = InodeOf(locked + "/mine.tga");

    const std::string failures = AsUnprivilegedUser([&] {
        std::string seen;
        ReplacementFile inPlace(locked + "/mine.tga", InPlaceWriting::ForAPlainFile);
        if (!inPlace.WritesInPlace()) seen += "the locked folder's file was not written in place; ";
        inPlace.Write("new");
        inPlace.Commit();
        if (ReadFileBytes(locked + "/mine.tga") != "new") seen += "in place: wrong contents; ";
        if (InodeOf(locked + "/mine.tga") != mine) seen += "in place: not the same file; ";
        const struct {
            const char* name;
            InPlaceWriting inPlace;
        } refused[] = {{"/refused.tga", InPlaceWriting::Refused}, {"/link.tga", InPlaceWriting::ForAPlainFile},
                       {"/solo.tga", InPlaceWriting::ForAPlainFile}, {"/hard.tga", InPlaceWriting::ForAPlainFile}, {"/theirs.tga", InPlaceWriting::ForAPlainFile},
                       {"/new.tga", InPlaceWriting::ForAPlainFile}};
        for (const auto& c : refused) {
            try {
                ReplacementFile file(locked + c.name, c.inPlace);
                file.Write("new");
                file.Commit();
                seen += std::string(c.name) + " was written; ";
            } catch (const FileError& error) {
                if (error.ErrorNumber() != EACCES) seen += std::string("unexpected: ") + error.what() + "; ";
            }
        }
        ReplacementFile renamed(open + "/theirs.tga", InPlaceWriting::ForAPlainFile);
        if (renamed.WritesInPlace()) seen += "the open folder's file was written in place; ";
        renamed.Write("replaced");
        renamed.Commit();
        if (ReadFileBytes(open + "/theirs.tga") != "replaced") seen += "renamed: wrong contents; ";
        return seen;
    });
    EXPECT_EQ(failures, "");
    EXPECT_EQ(FolderListing(locked), "hard.tga\nlink.tga\nmine.tga\nrefused.tga\nsolo.tga\ntheirs.tga\n");
    for (const char* kept : {"/refused.tga", "/link.tga", "/solo.tga", "/hard.tga", "/theirs.tga"}) {
        EXPECT_EQ(ReadFileBytes(locked + kept), "the old file, longer than the new") << kept;
    }
    EXPECT_EQ(FolderListing(open), "notes.txt\nsolo.txt\ntheirs.tga\n");
}

#endif

}  // namespace
}  // namespace vantorix
