#include "imaging/mPictureLoader.h"
#include "platform/FileError.h"
#include "platform/FileMapping.h"

#include <gtest/gtest.h>


#include <fcntl.h>
#include <unistd.h>

#include <cstring>
#include <filesystem>

#include "tests/imaging/ImagingTestSupport.h"
#include "tests/support/TempFolder.h"
#ifdef _WIN32
#include "platform/win32/Windows.h"
#endif

namespace vantorix {
namespace {

using testing::PixelAt;
using testing::TempFolder;
using testing::TgaFile;
using testing::WriteFileBytes;

// Six pixels of a 3 x 2 picture as stored in a TGA, bottom row first.
const std::string BottomRowFirst = std::string("\x01\x02\x03\x04\x05\x06\x07\x08\x09", 9) + "\x0a\x0b\x0c\x0d\x0e\x0f\x10\x11\x12";

// A picture with one pixel of its own at every place.
void WriteBmp(const std::string& path, int width, int height) {
    WriteFileBytes(path, testing::PlainBmp(width, height, [](int x, int y, std::uint8_t* bgr) {
                       bgr[0] = static_cast<std::uint8_t>(200 - x - y);
                       bgr[1] = static_cast<std::uint8_t>(y * 50);
                       bgr[2] = static_cast<std::uint8_t>(x * 40);
                   }));
}

std::string ExpectedBmpPixel(int x, int y) {
    const std::uint8_t bgr[3] = {static_cast<std::uint8_t>(200 - x - y), static_cast<std::uint8_t>(y * 50),
                                 static_cast<std::uint8_t>(x * 40)};
    return testing::PixelText(bgr);
}

// A renderer's plain bottom-up frame is read straight into the bitmap; the
// same picture stored top-down goes through the platform loader. Both must
// give the same pixels.
TEST(LoadPictureFile, ReadsBottomUpAndTopDownBmpsAtAnOddWidthAlike) {
    TempFolder temp;
    WriteBmp(temp / "frame.bmp", 5, 3);
    std::string topDown = testing::ReadFileBytes(temp / "frame.bmp");
    ASSERT_EQ(topDown.size(), 54u + 3 * 16);
    const std::int32_t negativeHeight = -3;
    std::memcpy(topDown.data() + 22, &negativeHeight, 4);
    const std::string rows = topDown.substr(54);
    topDown.replace(54, 16, rows.substr(32, 16)).replace(86, 16, rows.substr(0, 16));
    WriteFileBytes(temp / "top-down.bmp", topDown);

    for (const char* name : {"top-down.bmp", "frame.bmp"}) {
        SCOPED_TRACE(name);
        ASSERT_EQ(LoadPictureFile(temp / name), PictureStatus::Loaded);
        const cDIBSection& picture = LoadedPicture();
        ASSERT_EQ(picture.Width(), 5);
        ASSERT_EQ(picture.Height(), 3);
        for (int y = 0; y < 3; ++y) {
            for (int x = 0; x < 5; ++x) EXPECT_EQ(PixelAt(picture, x, y), ExpectedBmpPixel(x, y)) << x << "," << y;
        }
    }

    PixelBlock block;
    CopyPicturePixels(block);
    ASSERT_EQ(block.Columns(), 15);
    ASSERT_EQ(block.Rows(), 3);
    // Block row 0 is memory row 0, the bottom of the picture.
    EXPECT_EQ(testing::PixelText(block.Row(0) + 3 * 4), ExpectedBmpPixel(4, 2));
    EXPECT_EQ(testing::PixelText(block.Row(2)), ExpectedBmpPixel(0, 0));

    LoadedPicture().ClearUp();
    EXPECT_THROW(CopyPicturePixels(block), std::logic_error) << "the recorded rows are gone with the bitmap";
}

TEST(LoadPictureFile, NamesAreLookedUpAsPatternsAndEndingsChooseTheReader) {
    TempFolder temp;
    WriteBmp(temp / "frame.bmp", 2, 2);
    WriteBmp(temp / ".hidden.bmp", 2, 2);
    WriteBmp(temp / "bmp-named.targa", 2, 2);
    const std::string shallow = TgaFile(2, 2, 2, 16, 0, std::string(8, '\0'));
    WriteFileBytes(temp / "SHOUT.TGA", shallow);
    WriteFileBytes(temp / "nodottga", shallow);
    std::filesystem::create_directories(temp / "full");
    WriteBmp(temp / "full/a.bmp", 1, 1);
    std::filesystem::create_directories(temp / "empty");

    EXPECT_EQ(LoadPictureFile(temp / "missing.bmp"), PictureStatus::NotFound);
#ifndef _WIN32
    EXPECT_EQ(LoadPictureFile(temp / ".hidden.bmp"), PictureStatus::NotFound);  // Windows hides by attribute, not name
#endif
    EXPECT_EQ(LoadPictureFile(temp / "full/"), PictureStatus::NameIsFolder);
    EXPECT_EQ(LoadPictureFile(temp / "empty/"), PictureStatus::NotFound);
    EXPECT_EQ(LoadPictureFile(temp / "full"), PictureStatus::NotFound) << "a folder is not a file";
    EXPECT_EQ(LoadPictureFile(temp / "SHOUT.TGA"), PictureStatus::TGADepthBelow24);
    EXPECT_EQ(LoadPictureFile(temp / "nodottga"), PictureStatus::TGADepthBelow24);
    EXPECT_EQ(LoadPictureFile(temp / "bmp-named.targa"), PictureStatus::Loaded);
    EXPECT_EQ(LoadPictureFile(temp / "nothing*"), PictureStatus::NotFound);
    // A pattern that finds a file still names no file to open.
    EXPECT_THROW(LoadPictureFile(temp / "fr?me.*"), FileError);
}

TEST(LoadPictureFile, RefusedTgaFilesLeaveThePreviousPictureAndNoBitmapLeavesNone) {
    TempFolder temp;
    const struct {
        std::string file;
        std::int16_t status;
    } cases[] = {
        {TgaFile(2, 2, 2, 16, 0, std::string(8, '\0')), PictureStatus::TGADepthBelow24},
        {TgaFile(10, 2, 2, 16, 0, std::string(8, '\0')), PictureStatus::TGADepthBelow24},
        {TgaFile(3, 2, 2, 8, 0, std::string(4, '\0')), PictureStatus::TGADepthBelow24},
        {TgaFile(3, 2, 2, 24, 0, std::string(12, '\0')), PictureStatus::TGANotTrueColour},
        {TgaFile(1, 2, 2, 24, 0, std::string(12, '\0')), PictureStatus::TGANotTrueColour},
        {TgaFile(2, 2, 2, 40, 0, std::string(20, '\0')), PictureStatus::TGADepthUnsupported},
        {TgaFile(10, 2, 2, 48, 0, std::string(20, '\0')), PictureStatus::TGADepthUnsupported},
    };
    WriteFileBytes(temp / "kept.tga", TgaFile(2, 3, 2, 24, 0, BottomRowFirst));
    for (const auto& [file, status] : cases) {
        ASSERT_EQ(LoadPictureFile(temp / "kept.tga"), PictureStatus::Loaded);
        WriteFileBytes(temp / "refused.tga", file);
        EXPECT_EQ(LoadPictureFile(temp / "refused.tga"), status);
        EXPECT_EQ(LoadedPicture().Width(), 3);
        EXPECT_EQ(PixelAt(LoadedPicture(), 0, 1), "010203") << "the previous picture is still loaded";
    }

    EXPECT_EQ(LoadPictureFile(temp / "missing.tga"), PictureStatus::NotFound);
    EXPECT_EQ(PixelAt(LoadedPicture(), 0, 1), "010203");

    WriteFileBytes(temp / "zero.tga", TgaFile(2, 0, 2, 24, 0, ""));
    EXPECT_EQ(LoadPictureFile(temp / "zero.tga"), PictureStatus::NoBitmap);
    EXPECT_EQ(LoadedPicture().hDib(), gdi::HBITMAP{});

    // A height that reads negative is no picture either: nothing is made of
    // it (made top-down, it would take 2 GB).
    ASSERT_EQ(LoadPictureFile(temp / "kept.tga"), PictureStatus::Loaded);
    WriteFileBytes(temp / "negative.tga", TgaFile(10, 22882, -30416, 24, 0, "\x87\x87\x62"));
    EXPECT_EQ(LoadPictureFile(temp / "negative.tga"), PictureStatus::NoBitmap);
    EXPECT_EQ(LoadedPicture().hDib(), gdi::HBITMAP{});
    PixelBlock block;
    EXPECT_THROW(CopyPicturePixels(block), std::logic_error);
}

TEST(LoadTGA, ReadsUncompressedAndRunLengthPicturesOf24And32Bits) {
    TempFolder temp;
    // Run-length packets that cross the row end: a run of 2, then a raw
    // packet of 3 that starts in row 0 and ends in row 1, then a run of 1.
    const std::string runLength24 = std::string("\x81\x01\x02\x03", 4) + "\x02\x04\x05\x06\x07\x08\x09\x0a\x0b\x0c" +
                                    std::string("\x80\x0d\x0e\x0f", 4);
    const std::string plain24 = std::string("\x01\x02\x03\x01\x02\x03\x04\x05\x06", 9) + "\x07\x08\x09\x0a\x0b\x0c\x0d\x0e\x0f";
    const std::string plain32 = std::string("\x01\x02\x03\xff\x01\x02\x03\x80\x04\x05\x06\x00", 12) +
                                "\x07\x08\x09\x11\x0a\x0b\x0c\x22\x0d\x0e\x0f\x33";
    const std::string runLength32 =
        std::string("\x81\x01\x02\x03\xff\x02\x04\x05\x06\x00", 10) + "\x07\x08\x09\x11\x0a\x0b\x0c\x22\x80\x0d\x0e\x0f\x33";
    WriteFileBytes(temp / "plain.tga", TgaFile(2, 3, 2, 24, 0, plain24));
    WriteFileBytes(temp / "rle.tga", TgaFile(10, 3, 2, 24, 0, runLength24));
    WriteFileBytes(temp / "plain32.tga", TgaFile(2, 3, 2, 32, 8, plain32));
    WriteFileBytes(temp / "rle32.tga", TgaFile(10, 3, 2, 32, 8, runLength32));

    PixelBlock expected;
    ASSERT_EQ(LoadPictureFile(temp / "plain.tga"), PictureStatus::Loaded);
    CopyPicturePixels(expected);
    EXPECT_EQ(PixelAt(LoadedPicture(), 2, 0), "0d0e0f") << "the first stored row is the bottom one";
    for (const char* name : {"rle.tga", "plain32.tga", "rle32.tga"}) {
        ASSERT_EQ(LoadPictureFile(temp / name), PictureStatus::Loaded) << name;
        PixelBlock block;
        CopyPicturePixels(block);
        ASSERT_EQ(block.Columns(), 9) << name;
        for (int row = 0; row < 2; ++row) EXPECT_EQ(std::memcmp(block.Row(row), expected.Row(row), 9), 0) << name << " row " << row;
    }
}

TEST(LoadTGA, ShortRunLengthDataLeavesTheRestBlackAndLongPacketsAreCut) {
    TempFolder temp;
    // Two pixels' worth, then the stream ends inside a raw packet.
    WriteFileBytes(temp / "short.tga", TgaFile(10, 3, 2, 24, 0, std::string("\x81\x01\x02\x03\x02\x04\x05", 7)));
    ASSERT_EQ(LoadPictureFile(temp / "short.tga"), PictureStatus::Loaded);
    EXPECT_EQ(PixelAt(LoadedPicture(), 0, 1), "010203");
    EXPECT_EQ(PixelAt(LoadedPicture(), 1, 1), "010203");
    EXPECT_EQ(PixelAt(LoadedPicture(), 2, 1), "000000");
    EXPECT_EQ(PixelAt(LoadedPicture(), 2, 0), "000000");

    // A run of 128 over a 6-pixel picture, then a raw packet of 128 with one value.
    WriteFileBytes(temp / "long.tga", TgaFile(10, 3, 2, 24, 0, std::string("\xff\x07\x08\x09\x7f\x01\x01\x01", 8)));
    ASSERT_EQ(LoadPictureFile(temp / "long.tga"), PictureStatus::Loaded);
    for (int x = 0; x < 3; ++x) EXPECT_EQ(PixelAt(LoadedPicture(), x, 0), "070809");

    std::vector<std::uint8_t> data{0x82, 1, 2, 3, 4, 5, 6, 7};  // 3 four-byte values of which the run uses one
    DecodeTGARLE(data, 2, 2, 4);
    EXPECT_EQ(data, (std::vector<std::uint8_t>{1, 2, 3, 1, 2, 3, 1, 2, 3, 0, 0, 0}));
}

TEST(LoadTGA, HonoursTheOriginBitsTheIdFieldAndAColourMap) {
    TempFolder temp;
    // Stored first to last: red, green / blue, white. Which corner each
    // lands in depends on the origin.
    const std::string stored = std::string("\x00\x00\xff\x00\xff\x00\xff\x00\x00\xff\xff\xff", 12);
    const struct {
        int descriptor;
        const char* topLeft;
        const char* topRight;
        const char* bottomLeft;
        const char* bottomRight;
    } origins[] = {
        {0x00, "ff0000", "ffffff", "0000ff", "00ff00"},  // bottom left
        {0x10, "ffffff", "ff0000", "00ff00", "0000ff"},  // bottom right
        {0x20, "0000ff", "00ff00", "ff0000", "ffffff"},  // top left
        {0x30, "00ff00", "0000ff", "ffffff", "ff0000"},  // top right
    };
    for (const auto& origin : origins) {
        WriteFileBytes(temp / "corners.tga", TgaFile(2, 2, 2, 24, origin.descriptor, stored));
        ASSERT_EQ(LoadPictureFile(temp / "corners.tga"), PictureStatus::Loaded);
        EXPECT_EQ(PixelAt(LoadedPicture(), 0, 0), origin.topLeft) << origin.descriptor;
        EXPECT_EQ(PixelAt(LoadedPicture(), 1, 0), origin.topRight) << origin.descriptor;
        EXPECT_EQ(PixelAt(LoadedPicture(), 0, 1), origin.bottomLeft) << origin.descriptor;
        EXPECT_EQ(PixelAt(LoadedPicture(), 1, 1), origin.bottomRight) << origin.descriptor;
    }

    std::string withMap = TgaFile(2, 2, 2, 24, 0, std::string(6, 'M') + stored, 5);
    withMap[1] = 1;  // a colour map of 2 entries of 24 bits
    withMap[5] = 2;
    withMap[7] = 24;
    WriteFileBytes(temp / "map.tga", withMap);
    ASSERT_EQ(LoadPictureFile(temp / "map.tga"), PictureStatus::Loaded);
    EXPECT_EQ(PixelAt(LoadedPicture(), 0, 1), "0000ff");
    EXPECT_EQ(PixelAt(LoadedPicture(), 1, 0), "ffffff");
}

TEST(LoadPictureFile, LoadsAPictureOf8192By8192) {
    TempFolder temp;
    // A 24-bit BMP whose pixels are all zero, written sparse so the test stays quick.
    const int side = 8192;
    const long long pixelBytes = 3LL * side * side;
    std::string header(54, '\0');
    const auto put32 = [&](int offset, long long value) {
        for (int i = 0; i < 4; ++i) header[static_cast<std::size_t>(offset + i)] = static_cast<char>((value >> (8 * i)) & 0xFF);
    };
    header[0] = 'B';
    header[1] = 'M';
    put32(2, 54 + pixelBytes);
    put32(10, 54);
    put32(14, 40);
    put32(18, side);
    put32(22, side);
    header[26] = 1;
    header[28] = 24;
    WriteFileBytes(temp / "big.bmp", header);
    std::filesystem::resize_file(temp / "big.bmp", static_cast<std::uintmax_t>(54 + pixelBytes));

    ASSERT_EQ(LoadPictureFile(temp / "big.bmp"), PictureStatus::Loaded);
    EXPECT_EQ(LoadedPicture().Width(), side);
    EXPECT_EQ(LoadedPicture().Height(), side);
    LoadedPicture().ClearUp();
}

#ifdef _WIN32
// A render whose rows Windows could map (at an offset that is a multiple of
// 4): made over the file, the bitmap holds it open against writers and
// deleters while it lives; read instead (as Wine's GDI does, refusing a
// section over a copy-on-write mapping), the file is not held at all.
TEST(LoadPictureFile, ARenderMappedOnWindowsIsHeldOpenWhileItsBitmapLives) {
    TempFolder temp;
    std::string bmp = testing::PlainBmp(64, 64, [](int x, int y, std::uint8_t* bgr) {
        bgr[0] = static_cast<std::uint8_t>(x);
        bgr[1] = static_cast<std::uint8_t>(y);
        bgr[2] = 7;
    });
    bmp.insert(54, 2, '\0');
    bmp[2] = static_cast<char>(bmp.size() & 0xFF);
    bmp[3] = static_cast<char>(bmp.size() >> 8 & 0xFF);
    bmp[4] = static_cast<char>(bmp.size() >> 16);
    bmp[10] = 56;
    const std::string render = temp / "render.bmp";
    WriteFileBytes(render, bmp);
    ASSERT_EQ(LoadPictureFile(render), PictureStatus::Loaded);
    const std::string pixel = PixelAt(LoadedPicture(), 5, 9);
    EXPECT_TRUE(pixel.starts_with("05") && pixel.ends_with("07")) << pixel;
    const std::wstring name = win32::Wide(render);
    if (const auto file = LoadedPicture().File()) {
        EXPECT_EQ(LoadedPicture().DIBSectionBitsPtr(), file->Data() + 56);
        EXPECT_NO_THROW(file->CheckWhole());
        const HANDLE writer = ::CreateFileW(name.c_str(), GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                                           nullptr, OPEN_EXISTING, 0, nullptr);
        EXPECT_EQ(writer, INVALID_HANDLE_VALUE);
        if (writer != INVALID_HANDLE_VALUE) ::CloseHandle(writer);
        EXPECT_FALSE(::DeleteFileW(name.c_str()));
        LoadedPicture().ClearUp();
    }
    EXPECT_TRUE(::DeleteFileW(name.c_str())) << "nothing holds the render once its bitmap is made or gone";
}
#endif

}  // namespace
}  // namespace vantorix
