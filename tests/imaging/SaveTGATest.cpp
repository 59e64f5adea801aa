#include "imaging/mPictureLoader.h"
#include "imaging/mSaveTGA.h"
#include "platform/FileError.h"

#include <gtest/gtest.h>

#include <stdexcept>

#include "tests/support/TempFolder.h"

namespace vantorix {
namespace {

using testing::FolderListing;
using testing::ReadFileBytes;
using testing::TempFolder;
using testing::WriteFileBytes;

PixelBlock Counting(int columns, int rows) {
    PixelBlock block(columns, rows);
    for (int y = 0; y < rows; ++y) {
        for (int x = 0; x < columns; ++x) block(x, y) = static_cast<std::uint8_t>(1 + x + 10 * y);
    }
    return block;
}

TEST(SaveTGA, WritesTheHeaderAndTheRowsAndNothingElse) {
    TempFolder temp;
    WriteFileBytes(temp / "sky.tga", std::string(1000, 'o'));  // an older, longer file
    SaveTGA(temp / "sky.tga", Counting(6, 2), 2, 2);
    const std::string header("\0\0\x02\0\0\0\0\0\0\0\0\0\x02\0\x02\0\x18\0", 18);
    const std::string pixels("\x01\x02\x03\x04\x05\x06\x0b\x0c\x0d\x0e\x0f\x10", 12);
    EXPECT_EQ(ReadFileBytes(temp / "sky.tga"), header + pixels);

    // A wider block gives up only the picture's columns.
    SaveTGA(temp / "narrow.tga", Counting(9, 3), 1, 2);
    EXPECT_EQ(ReadFileBytes(temp / "narrow.tga").substr(12), std::string("\x01\0\x02\0\x18\0\x01\x02\x03\x0b\x0c\x0d", 12));

    SaveTGA(temp / "none.tga", PixelBlock(), 0, 0);
    EXPECT_EQ(ReadFileBytes(temp / "none.tga"), std::string("\0\0\x02\0\0\0\0\0\0\0\0\0\0\0\0\0\x18\0", 18));

    SaveTGA("", Counting(6, 2), 2, 2);
    EXPECT_EQ(FolderListing(temp.Path()), "narrow.tga\nnone.tga\nsky.tga\n");
}

TEST(SaveTGA, SizesItCannotWriteStopItBeforeAnyFileIsTouched) {
    TempFolder temp;
    WriteFileBytes(temp / "sky.tga", "old");
    const PixelBlock small = Counting(6, 2);
    EXPECT_THROW(SaveTGA(temp / "sky.tga", small, 32768, 1), std::overflow_error);
    EXPECT_THROW(SaveTGA(temp / "sky.tga", small, 1, 32768), std::overflow_error);
    EXPECT_THROW(SaveTGA(temp / "sky.tga", small, 40000, 40000), std::overflow_error) << "3 x width x height";
    EXPECT_THROW(SaveTGA(temp / "sky.tga", small, -1, 2), std::out_of_range);
    EXPECT_THROW(SaveTGA(temp / "sky.tga", small, 3, 2), std::out_of_range) << "the block is too narrow";
    EXPECT_THROW(SaveTGA(temp / "sky.tga", small, 2, 3), std::out_of_range) << "the block is too low";
    EXPECT_EQ(ReadFileBytes(temp / "sky.tga"), "old");
    EXPECT_EQ(FolderListing(temp.Path()), "sky.tga\n");

    EXPECT_THROW(SaveTGA(temp / "missing/sky.tga", small, 2, 2), FileError);
}

TEST(SaveTGA, WhatItWritesLoadsBackPixelForPixelAtAnOddWidth) {
    TempFolder temp;
    const PixelBlock original = Counting(15, 3);
    SaveTGA(temp / "round.tga", original, 5, 3);
    ASSERT_EQ(LoadPictureFile(temp / "round.tga"), PictureStatus::Loaded);
    EXPECT_EQ(LoadedPicture().Width(), 5);
    PixelBlock loaded;
    CopyPicturePixels(loaded);
    ASSERT_EQ(loaded.Columns(), 15);
    ASSERT_EQ(loaded.Rows(), 3);
    for (int y = 0; y < 3; ++y) {
        for (int x = 0; x < 15; ++x) ASSERT_EQ(loaded(x, y), original(x, y)) << x << "," << y;
    }
}

// Sizes above 255 need the high byte of each 16-bit field.
TEST(SaveTGA, WidthsAndHeightsAbove255KeepTheirHighBytes) {
    TempFolder temp;
    const PixelBlock original = Counting(3 * 300, 260);
    SaveTGA(temp / "wide.tga", original, 300, 260);
    const std::string file = ReadFileBytes(temp / "wide.tga");
    ASSERT_EQ(file.size(), 18u + 3u * 300u * 260u);
    EXPECT_EQ(file.substr(12, 4), std::string("\x2c\x01\x04\x01", 4)) << "300 and 260, low byte first";

    ASSERT_EQ(LoadPictureFile(temp / "wide.tga"), PictureStatus::Loaded);
    EXPECT_EQ(LoadedPicture().Width(), 300);
    EXPECT_EQ(LoadedPicture().Height(), 260);
    PixelBlock loaded;
    CopyPicturePixels(loaded);
    for (int y = 0; y < 260; ++y) {
        for (int x = 0; x < 900; ++x) ASSERT_EQ(loaded(x, y), original(x, y)) << x << "," << y;
    }
}

}  // namespace
}  // namespace vantorix
