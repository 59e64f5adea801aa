// What the TGA and JPEG writers share: how they replace an older file.
#include "imaging/mIntelJPEGLibrary.h"
#include "imaging/mSaveTGA.h"
#include "platform/FileError.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <functional>
#include <stdexcept>

#include "tests/support/TempFolder.h"
#ifndef _WIN32
#include "tests/support/SmallDisk.h"
#include "tests/support/Unprivileged.h"
#endif

namespace vantorix {
namespace {

using testing::FolderListing;
using testing::ReadFileBytes;
using testing::TempFolder;
using testing::WriteFileBytes;

struct Writer {
    const char* name;
    std::function<void(const std::string&)> write;  // throws when the write fails
};

std::vector<Writer> Writers() {
    static cDIBSection bitmap;
    if (bitmap.hDib() == 0 && !bitmap.Create(16, 8)) throw std::runtime_error("no bitmap");
    return {
        {"TGA", [](const std::string& path) { SaveTGA(path, PixelBlock(48, 8), 16, 8); }},
        {"JPEG",
         [](const std::string& path) {
             if (!WriteJPEG(bitmap, path, 90)) throw std::runtime_error("WriteJPEG failed: " + LastJPEGWriteFailure());
         }},
    };
}

bool StartsWithTheOld(const std::string& path) { return ReadFileBytes(path).rfind("old", 0) == 0; }

TEST(ReplacingWriters, TheLongestNameTheFileSystemTakesIsWrittenAndReplaced) {
    for (const Writer& writer : Writers()) {
        TempFolder temp;
        const std::string name = std::string(251, 'n') + ".img";
        writer.write(temp / name);
        WriteFileBytes(temp / name, "old");
        writer.write(temp / name);
        EXPECT_FALSE(StartsWithTheOld(temp / name)) << writer.name;
        EXPECT_EQ(FolderListing(temp.Path()), name + "\n") << writer.name;
    }
}

TEST(ReplacingWriters, AReadOnlyFileIsRefusedAndKept) {
    for (const Writer& writer : Writers()) {
        TempFolder temp;
        const std::string locked = temp / "sky.img";
        WriteFileBytes(locked, "old");
        std::filesystem::permissions(locked, std::filesystem::perms(0444));
        try {
            writer.write(locked);
            ADD_FAILURE() << writer.name << " replaced a read-only file";
        } catch (const FileError& error) {
            EXPECT_NE(std::string(error.what()).find("read-only"), std::string::npos) << error.what();
        }
        EXPECT_EQ(std::filesystem::status(locked).permissions() & std::filesystem::perms::owner_write,
                  std::filesystem::perms::none)
            << writer.name;
        EXPECT_EQ(ReadFileBytes(locked), "old") << writer.name;
        EXPECT_EQ(FolderListing(temp.Path()), "sky.img\n") << writer.name;
    }
}

#ifndef _WIN32
using testing::AsUnprivilegedUser;
using testing::GiveToChild;

// As a user, not root: in a folder that takes no new files, the TGA writer
// writes the user's plain file where it stands, as it always has; the JPEG
// writer, whose old file would have had to be deleted first, refuses it with
// an error and leaves it as it was. A new file there is refused by both.
TEST(ReplacingWriters, AFolderThatRefusesNewFilesHasOnlyTgaFilesWrittenInPlace) {
    for (const Writer& writer : Writers()) {
        TempFolder temp;
        GiveToChild(temp.Path(), 0755);
        WriteFileBytes(temp / "sky.img", "old");
        GiveToChild(temp / "sky.img", 0644);
        GiveToChild(temp.Path(), 0555);
        const bool inPlace = std::string(writer.name) == "TGA";
        const std::string failures = AsUnprivilegedUser([&] {
            std::string seen;
            try {
                writer.write(temp / "sky.img");
                if (!inPlace) seen += "written in place; ";
            } catch (const FileError& error) {
                if (inPlace) seen += std::string("refused: ") + error.what() + "; ";
            }
            if (StartsWithTheOld(temp / "sky.img") == inPlace) seen += "the old file is not as it should be; ";
            try {
                writer.write(temp / "new.img");
                seen += "a new file was made in a folder that refuses them; ";
            } catch (const std::exception&) {
            }
            return seen;
        });
        EXPECT_EQ(failures, "") << writer.name;
        EXPECT_EQ(FolderListing(temp.Path()), "sky.img\n") << writer.name;
    }
}

// Room for an in-place write is set aside first: a disk too small refuses it
// before its first byte, and the old file is whole.
TEST(ReplacingWriters, AnInPlaceWriteTooLargeForTheDiskLeavesTheOldFileWhole) {
    TempFolder temp;
    GiveToChild(temp.Path(), 0755);
    const std::string disk = temp / "disk";
    const testing::SmallDisk small(disk);
    if (!small.WhyNot().empty()) GTEST_SKIP() << small.WhyNot();
    WriteFileBytes(disk + "/sky.tga", "old");
    GiveToChild(disk + "/sky.tga", 0644);
    ASSERT_EQ(::chmod(disk.c_str(), 0555), 0);  // root's
    const std::string failures = AsUnprivilegedUser([&] {
        try {
            SaveTGA(disk + "/sky.tga", PixelBlock(3 * 200, 200), 200, 200);  // 120 KB on a 64 KiB disk
            return std::string("a write larger than the disk succeeded");
        } catch (const FileError& error) {
            const std::string said = error.what();
            return said.find("No space left on device") != std::string::npos ? std::string() : "said: " + said;
        }
    });
    EXPECT_EQ(failures, "");
    EXPECT_EQ(ReadFileBytes(disk + "/sky.tga"), "old");
}
#endif

}  // namespace
}  // namespace vantorix
