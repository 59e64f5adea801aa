#include "imaging/mIntelJPEGLibrary.h"
#include "imaging/mPictureLoader.h"
#include "platform/FileError.h"
#include "platform/FileSystem.h"
#include "platform/JpegLibrary.h"

#include <gtest/gtest.h>

#ifndef _WIN32
#include <sys/stat.h>
#include <unistd.h>
#endif

#include <cerrno>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <vector>

#include "tests/imaging/ImagingTestSupport.h"
#ifndef _WIN32
#include "tests/support/SmallDisk.h"
#endif
#include "tests/support/TempFolder.h"
#include "tests/support/ThirdPartyDecoders.h"

namespace vantorix {
namespace {

using testing::FolderListing;
using testing::DecodedPicture;
using testing::DecodeWithDjpeg;
using testing::ReadFileBytes;
using testing::SetPixel;
using testing::TempFolder;
using testing::WriteFileBytes;

// Smooth diagonal gradients, as a sky is.
void PaintSmooth(cDIBSection& bitmap) {
    for (int y = 0; y < bitmap.Height(); ++y) {
        for (int x = 0; x < bitmap.Width(); ++x) {
            SetPixel(bitmap, x, y, static_cast<std::uint8_t>(80 + y / 2), static_cast<std::uint8_t>(40 + (x + y) / 4),
                     static_cast<std::uint8_t>(200 - x / 3));
        }
    }
}

#ifndef _WIN32
void SetTimes(const std::string& path, timespec access, timespec write) {
    const timespec times[2] = {access, write};
    ASSERT_EQ(::utimensat(AT_FDCWD, path.c_str(), times, 0), 0);
}

struct stat StatOf(const std::string& path) {
    struct stat info {};
    if (::stat(path.c_str(), &info) != 0) throw std::runtime_error("cannot stat " + path);
    return info;
}
#endif

TEST(JpegWriter, HandsTheBitmapOverWhereItLies) {
    std::vector<ijl::JPEG_CORE_PROPERTIES> seen;
    ijl::ObserveWritesForTesting([&](const ijl::JPEG_CORE_PROPERTIES& p) { seen.push_back(p); });
    TempFolder temp;
    struct Case {
        int width, height, quality, padBytes;
    };
    for (const Case c : {Case{1, 3, 0, 1}, Case{2, 3, 100, 2}, Case{4, 3, 50, 0}, Case{5, 3, 90, 1}, Case{512, 512, 75, 0}}) {
        SCOPED_TRACE(c.width);
        cDIBSection bitmap;
        ASSERT_TRUE(bitmap.Create(c.width, c.height));
        const std::string file = temp / ("w" + std::to_string(c.width) + ".jpg");
        ASSERT_TRUE(WriteJPEG(bitmap, file, c.quality));

        const ijl::JPEG_CORE_PROPERTIES& p = seen.back();
        EXPECT_EQ(p.DIBBytes, bitmap.DIBSectionBitsPtr());
        EXPECT_EQ(p.DIBWidth, c.width);
        EXPECT_EQ(p.DIBHeight, -c.height);
        EXPECT_EQ(p.DIBPadBytes, c.padBytes);
        EXPECT_EQ(p.JPGWidth, c.width);
        EXPECT_EQ(p.JPGHeight, c.height);
        EXPECT_EQ(p.jquality, c.quality);
        EXPECT_EQ(p.DIBChannels, 3);
        EXPECT_EQ(p.DIBColor, ijl::IJL_BGR);
        EXPECT_EQ(p.JPGSubsampling, ijl::IJL_420);

        const DecodedPicture decoded = DecodeWithDjpeg(file);
        EXPECT_EQ(decoded.width, c.width);
        EXPECT_EQ(decoded.height, c.height);
    }
    ijl::ObserveWritesForTesting(nullptr);
    EXPECT_EQ(seen.size(), 5u);
}

TEST(JpegWriter, DecodesRightWayUpInTheRightColours) {
    // An odd width gives padded rows; LoadedPicture is the bitmap the finisher writes.
    cDIBSection& bitmap = LoadedPicture();
    ASSERT_TRUE(bitmap.Create(63, 40));
    struct Quadrant {
        int x, y;
        std::uint8_t blue, green, red;
    };
    const Quadrant quadrants[] = {{0, 0, 0, 0, 220}, {32, 0, 0, 200, 0}, {0, 20, 210, 0, 0}, {32, 20, 240, 240, 240}};
    for (const Quadrant& q : quadrants) {
        for (int y = q.y; y < q.y + 20; ++y) {
            for (int x = q.x; x < std::min(q.x + 32, 63); ++x) SetPixel(bitmap, x, y, q.blue, q.green, q.red);
        }
    }
    TempFolder temp;
    ASSERT_TRUE(SavePictureAsJPEG(temp / "quadrants.jpg", 90));

    const DecodedPicture decoded = DecodeWithDjpeg(temp / "quadrants.jpg");
    ASSERT_EQ(decoded.width, 63);
    ASSERT_EQ(decoded.height, 40);
    for (const Quadrant& q : quadrants) {
        const std::uint8_t* centre = decoded.At(q.x + 14, q.y + 10);
        SCOPED_TRACE(::testing::Message() << "quadrant at " << q.x << "," << q.y);
        EXPECT_NEAR(centre[0], q.red, 6);
        EXPECT_NEAR(centre[1], q.green, 6);
        EXPECT_NEAR(centre[2], q.blue, 6);
    }
}

TEST(JpegWriter, KeepsASmoothPictureAtQuality90) {
    cDIBSection bitmap;
    ASSERT_TRUE(bitmap.Create(256, 256));
    PaintSmooth(bitmap);
    TempFolder temp;
    ASSERT_TRUE(WriteJPEG(bitmap, temp / "smooth.jpg", 90));

    const DecodedPicture decoded = DecodeWithDjpeg(temp / "smooth.jpg");
    ASSERT_EQ(decoded.rgb.size(), 256u * 256u * 3u);
    double squaredError = 0;
    for (int y = 0; y < 256; ++y) {
        const std::uint8_t* row = bitmap.DIBSectionBitsPtr() + (255 - y) * bitmap.BytesPerScanLine();
        for (int x = 0; x < 256; ++x) {
            for (int channel = 0; channel < 3; ++channel) {
                const double difference = decoded.At(x, y)[channel] - row[3 * x + 2 - channel];
                squaredError += difference * difference;
            }
        }
    }
    const double psnr = 10 * std::log10(255.0 * 255.0 / (squaredError / (256.0 * 256.0 * 3.0)));
    EXPECT_GE(psnr, 38.0);
}

#ifdef _WIN32
TEST(JpegWriter, NewFileGetsFreshTimesAndReplacedFileKeepsTheOldOnes) {
    cDIBSection bitmap;
    ASSERT_TRUE(bitmap.Create(16, 16));
    TempFolder temp;
    namespace fs = std::filesystem;
    const auto now = fs::file_time_type::clock::now();
    ASSERT_TRUE(WriteJPEG(bitmap, temp / "new.jpg", 75));
    EXPECT_GE(fs::last_write_time(temp / "new.jpg"), now - std::chrono::seconds(2));

    const std::string old = temp / "old.jpg";
    WriteFileBytes(old, "an older picture");
    fs::last_write_time(old, now - std::chrono::hours(24 * 365 * 20));  // twenty years ago
    const auto written = fs::last_write_time(old);  // as the file system keeps it
    ASSERT_TRUE(WriteJPEG(bitmap, old, 75));
    EXPECT_EQ(ReadFileBytes(old).substr(0, 2), "\xFF\xD8");
    EXPECT_LT(std::chrono::abs(fs::last_write_time(old) - written), std::chrono::microseconds(1));
    EXPECT_EQ(FolderListing(temp.Path()), "new.jpg\nold.jpg\n");
}

#else
TEST(JpegWriter, NewFileGetsFreshTimesAndReplacedFileKeepsTheOldOnes) {
    cDIBSection bitmap;
    ASSERT_TRUE(bitmap.Create(16, 16));
    TempFolder temp;

    const std::time_t before = std::time(nullptr);
    ASSERT_TRUE(WriteJPEG(bitmap, temp / "new.jpg", 75));
    EXPECT_GE(StatOf(temp / "new.jpg").st_mtim.tv_sec, before);

    const std::string old = temp / "old.jpg";
    WriteFileBytes(old, "an older picture");
    ASSERT_EQ(::chmod(old.c_str(), 0640), 0);
    SetTimes(old, {1000000000, 123456789}, {978307200, 987654321});
    ASSERT_TRUE(WriteJPEG(bitmap, old, 75));

    const struct stat info = StatOf(old);
    EXPECT_EQ(ReadFileBytes(old).substr(0, 2), "\xFF\xD8");
    EXPECT_EQ(info.st_mode & 07777, 0640u);
    EXPECT_EQ(info.st_atim.tv_sec, 1000000000);
    EXPECT_EQ(info.st_atim.tv_nsec, 123456789);
    EXPECT_EQ(info.st_mtim.tv_sec, 978307200);
    EXPECT_EQ(info.st_mtim.tv_nsec, 987654321);
    EXPECT_EQ(FolderListing(temp.Path()), "new.jpg\nold.jpg\n");

    // A name with wildcards is a name like any other: it matches no other file.
    ASSERT_TRUE(WriteJPEG(bitmap, temp / "ne?.jpg", 75));
    EXPECT_EQ(FolderListing(temp.Path()), "ne?.jpg\nnew.jpg\nold.jpg\n");
}
#endif

TEST(JpegWriter, FailedWritesGiveFalseAndLeaveNothing) {
    cDIBSection bitmap;
    ASSERT_TRUE(bitmap.Create(8, 8));
    TempFolder temp;
    EXPECT_FALSE(WriteJPEG(bitmap, temp / "missing/sky.jpg", 75));
    EXPECT_FALSE(WriteJPEG(bitmap, temp / "sky.jpg", 101));

    cDIBSection empty;
    EXPECT_FALSE(WriteJPEG(empty, temp / "empty.jpg", 75));
    EXPECT_EQ(FolderListing(temp.Path()), "");
}

TEST(JpegWriter, WhatMayNotBeReplacedRaisesAnErrorAndStays) {
    cDIBSection bitmap;
    ASSERT_TRUE(bitmap.Create(8, 8));
    TempFolder temp;
    const std::string locked = temp / "locked.jpg";
    WriteFileBytes(locked, "keep me");
    std::filesystem::permissions(locked, std::filesystem::perms(0444));
    try {
        WriteJPEG(bitmap, locked, 75);
        FAIL() << "a read-only file was replaced";
    } catch (const FileError& error) {
        EXPECT_EQ(error.Path(), locked);
        EXPECT_NE(std::string(error.what()).find("read-only"), std::string::npos) << error.what();
    }
    EXPECT_EQ(ReadFileBytes(locked), "keep me");

    EXPECT_EQ(FolderListing(temp.Path()), "locked.jpg\n");
}

TEST(JpegWriter, ANameThatCanHoldNoFileIsAFailedWriteWithItsReason) {
    cDIBSection bitmap;
    ASSERT_TRUE(bitmap.Create(8, 8));
    TempFolder temp;
    ASSERT_TRUE(std::filesystem::create_directory(temp / "folder.jpg"));
    int encoded = 0;
    ijl::ObserveWritesForTesting([&](const ijl::JPEG_CORE_PROPERTIES&) { ++encoded; });
    const struct {
        std::string name, reason;
    } cases[] = {
        {"", "no file name"},
        {temp / "folder.jpg", "names a folder"},
        {temp / "folder.jpg/", "names a folder"},
        {temp.Path() + TempFolder::Separator, "names a folder"},
    };
    for (const auto& [name, reason] : cases) {
        EXPECT_FALSE(WriteJPEG(bitmap, name, 75)) << name;
        EXPECT_NE(LastJPEGWriteFailure().find(reason), std::string::npos) << name << ": " << LastJPEGWriteFailure();
    }
    ijl::ObserveWritesForTesting({});
    EXPECT_EQ(encoded, 0) << "nothing is encoded for a name that can hold no file";
    EXPECT_EQ(FolderListing(temp.Path()), "folder.jpg\n");
    EXPECT_EQ(FolderListing(temp / "folder.jpg"), "");
}

TEST(JpegWriter, NamesAMissingLibrary) {
    cDIBSection bitmap;
    ASSERT_TRUE(bitmap.Create(8, 8));
    TempFolder temp;
    ijl::UseLibraryForTesting("libvantorix-missing-jpeg.so.9");
    try {
        WriteJPEG(bitmap, temp / "sky.jpg", 75);
        ADD_FAILURE() << "wrote without a library";
    } catch (const std::runtime_error& error) {
        EXPECT_NE(std::string(error.what()).find("libvantorix-missing-jpeg.so.9"), std::string::npos) << error.what();
    }
    ijl::UseLibraryForTesting("");
    EXPECT_EQ(FolderListing(temp.Path()), "");
    EXPECT_TRUE(WriteJPEG(bitmap, temp / "sky.jpg", 75));
}

#ifndef _WIN32  // Wine makes no symbolic links
// Another user renames a link over the temporary file while the face is
// encoded: the bytes still go into the file the writer made, nothing is
// renamed into place, and the file the link leads to is untouched.
TEST(JpegWriter, WritesIntoTheFileItMadeWhateverItsNameComesToLeadTo) {
    TempFolder temp;
    const std::string render = temp / "render.bmp";
    WriteFileBytes(render, "the render");
    const GuardedFiles guard({{*IdentityOf(render), "the render of the North face"}});
    cDIBSection bitmap;
    ASSERT_TRUE(bitmap.Create(64, 64));
    ijl::ObserveWritesForTesting([&](const ijl::JPEG_CORE_PROPERTIES& p) {
        std::filesystem::create_symlink(render, temp / "link");
        std::filesystem::rename(temp / "link", p.JPGFile);
    });
    EXPECT_THROW(WriteJPEG(bitmap, temp / "sky.jpg", 90), FileError);
    ijl::ObserveWritesForTesting({});
    EXPECT_EQ(ReadFileBytes(render), "the render");
    EXPECT_FALSE(std::filesystem::exists(std::filesystem::symlink_status(temp / "sky.jpg")));
}

// A disk that fills up halfway through the write.
TEST(JpegWriter, FullDiskKeepsTheOldFileWhole) {
    TempFolder temp;
    const std::string disk = temp / "disk";
    const testing::SmallDisk small(disk);
    if (!small.WhyNot().empty()) GTEST_SKIP() << small.WhyNot();
    const std::string old = disk + "/sky.jpg";
    WriteFileBytes(old, "the old picture");

    cDIBSection noise;
    ASSERT_TRUE(noise.Create(512, 512));
    noise.RandomiseBits();
    const bool written = WriteJPEG(noise, old, 100);

    EXPECT_FALSE(written);
    EXPECT_EQ(ReadFileBytes(old), "the old picture");
    EXPECT_EQ(FolderListing(disk), "sky.jpg\n");
}
#endif

}  // namespace
}  // namespace vantorix
