// Built with fsync, fdatasync and rename wrapped (-Wl,--wrap), so that the
// order of the replacing writer's calls can be seen and a flush can be made to fail.
#include "imaging/PixelBlock.h"
#include "imaging/mSaveTGA.h"
#include "platform/FileError.h"
#include "platform/ReplacementFile.h"

#include <gtest/gtest.h>

#include <sys/stat.h>

#include <cerrno>
#include <string>
#include <vector>

#include "tests/support/TempFolder.h"
#include "tests/support/Unprivileged.h"

namespace {

std::vector<std::string> calls;
bool failFileFlush = false;
bool failEarlyFlush = false;

}  // namespace

extern "C" int __real_fsync(int fd);
extern "C" int __real_fdatasync(int fd);
extern "C" int __real_rename(const char* from, const char* to);
extern "C" int __real_ftruncate(int fd, off_t length);

extern "C" int __wrap_ftruncate(int fd, off_t length) {
    calls.push_back("cut");
    return __real_ftruncate(fd, length);
}

extern "C" int __wrap_fsync(int fd) {
    struct stat info {};
    const bool file = ::fstat(fd, &info) == 0 && S_ISREG(info.st_mode);
    calls.push_back(file ? "flush file" : "flush folder");
    if (file && failFileFlush) {
        errno = EIO;
        return -1;
    }
    return __real_fsync(fd);
}

extern "C" int __wrap_fdatasync(int fd) {
    if (failEarlyFlush) {
        errno = EIO;
        return -1;
    }
    return __real_fdatasync(fd);
}

extern "C" int __wrap_rename(const char* from, const char* to) {
    calls.push_back("rename");
    return __real_rename(from, to);
}

namespace vantorix {
namespace {

using testing::FolderListing;
using testing::ReadFileBytes;
using testing::TempFolder;
using testing::WriteFileBytes;

// Each writer that replaces a file, writing `bytes` (or a 2 x 1 TGA) over `path`.
const std::vector<std::pair<const char*, void (*)(const std::string&)>> writers = {
    {"ReplacementFile",
     [](const std::string& path) {
         ReplacementFile file(path);
         file.Write("new bytes");
         file.Commit();
     }},
    {"SaveTGA",
     [](const std::string& path) {
         PixelBlock pixels;
         pixels.Resize(6, 1);
         SaveTGA(path, pixels, 2, 1);
     }},
};

TEST(Durability, TheNewFileIsOnDiskBeforeItIsRenamedIntoPlaceAndTheFolderAfter) {
    for (const auto& [name, write] : writers) {
        TempFolder temp;
        WriteFileBytes(temp / "sky.tga", "old");
        calls.clear();
        write(temp / "sky.tga");
        EXPECT_EQ(calls, (std::vector<std::string>{"flush file", "rename", "flush folder"})) << name;
        EXPECT_NE(ReadFileBytes(temp / "sky.tga"), "old") << name;
    }
}

TEST(Durability, AFlushThatFailsFailsTheWriteAndKeepsTheOldFile) {
    for (const auto& [name, write] : writers) {
        TempFolder temp;
        WriteFileBytes(temp / "sky.tga", "old");
        calls.clear();
        failFileFlush = true;
        try {
            write(temp / "sky.tga");
            ADD_FAILURE() << name << " reported a write whose flush failed as done";
        } catch (const FileError& error) {
            EXPECT_EQ(error.ErrorNumber(), EIO) << name;
            EXPECT_EQ(error.Path(), temp / "sky.tga") << name;
        }
        failFileFlush = false;
        EXPECT_EQ(calls, std::vector<std::string>{"flush file"}) << name << ": nothing is renamed";
        EXPECT_EQ(ReadFileBytes(temp / "sky.tga"), "old") << name;
        EXPECT_EQ(FolderListing(temp.Path()), "sky.tga\n") << name << ": no temporary file is left";
    }
}

// A flush started while the file is written that fails fails the write,
// though Commit's own flush succeeds: the system reports a failed write once.
TEST(Durability, AnEarlyFlushThatFailsFailsTheWriteAndKeepsTheOldFile) {
    TempFolder temp;
    WriteFileBytes(temp / "sky.bmp", "old");
    failEarlyFlush = true;
    try {
        ReplacementFile file(temp / "sky.bmp");
        file.Write("new ");
        file.StartFlush();
        file.Write("bytes");
        file.Commit();
        ADD_FAILURE() << "a write whose early flush failed was reported as done";
    } catch (const FileError& error) {
        EXPECT_EQ(error.ErrorNumber(), EIO);
    }
    failEarlyFlush = false;
    EXPECT_EQ(ReadFileBytes(temp / "sky.bmp"), "old");
    EXPECT_EQ(FolderListing(temp.Path()), "sky.bmp\n");
}

// Written where it stands (its folder takes no new files), the old file is
// cut to the new length only once every new byte is in it, and then flushed.
TEST(Durability, AnInPlaceWriteIsCutToLengthThenFlushed) {
    TempFolder temp;
    testing::GiveToChild(temp.Path(), 0755);
    WriteFileBytes(temp / "sky.tga", "an older and longer file");
    testing::GiveToChild(temp / "sky.tga", 0644);
    testing::GiveToChild(temp.Path(), 0555);
    const std::string seen = testing::AsUnprivilegedUser([&] {
        calls.clear();
        ReplacementFile file(temp / "sky.tga", InPlaceWriting::ForAPlainFile);
        file.Write("new");
        file.Commit();
        std::string all;
        for (const std::string& call : calls) all += call + "; ";
        return all == "cut; flush file; " && file.WritesInPlace() ? std::string() : all;
    });
    EXPECT_EQ(seen, "");
    EXPECT_EQ(ReadFileBytes(temp / "sky.tga"), "new");
    testing::GiveToChild(temp.Path(), 0755);
}

}  // namespace
}  // namespace vantorix
