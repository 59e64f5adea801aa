#include "platform/Gdi.h"

#include <gtest/gtest.h>

#include <QImage>

#include <cstring>

namespace vantorix::gdi {
namespace {

BITMAPINFO SectionInfo(int width, int height, int bitCount = 24) {
    BITMAPINFO info{};
    info.bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
    info.bmiHeader.biWidth = width;
    info.bmiHeader.biHeight = height;
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = static_cast<std::uint16_t>(bitCount);
    return info;
}

// A memory context holding a new section of the size; releases both.
struct SectionInContext {
    SectionInContext(int width, int height) {
        const BITMAPINFO info = SectionInfo(width, height);
        dc = CreateCompatibleDC(0);
        bitmap = CreateDIBSection(dc, &info, DIB_RGB_COLORS, &bits, 0, 0);
        kept = SelectObject(dc, bitmap);
    }
    ~SectionInContext() {
        SelectObject(dc, kept);
        DeleteObject(bitmap);
        DeleteDC(dc);
    }
    std::uint8_t* Pixel(int x, int memoryRow, int stride) { return static_cast<std::uint8_t*>(bits) + memoryRow * stride + 3 * x; }

    HDC dc = 0;
    HBITMAP bitmap = 0;
    HGDIOBJ kept = 0;
    void* bits = nullptr;
};

TEST(Gdi, SectionsHaveZeroedPaddedBottomUpRowsAndRefuseWhatTheyCannotHold) {
    const int before = LiveObjectCount();
    {
        SectionInContext section(5, 3);
        ASSERT_NE(section.bitmap, 0u);
        ASSERT_NE(section.bits, nullptr);
        const auto* bytes = static_cast<const std::uint8_t*>(section.bits);
        for (int i = 0; i < 16 * 3; ++i) ASSERT_EQ(bytes[i], 0) << i;

        BITMAP description{};
        EXPECT_EQ(GetObjectA(section.bitmap, sizeof description, &description), 24);
        EXPECT_EQ(description.bmWidth, 5);
        EXPECT_EQ(description.bmHeight, 3);
        EXPECT_EQ(description.bmWidthBytes, 16);
        EXPECT_EQ(description.bmBitsPixel, 24);
        std::memset(section.bits, 0xAB, 16 * 3);
    }
    EXPECT_EQ(LiveObjectCount(), before);
    {
        SectionInContext again(5, 3);  // may reuse the memory just freed: still zeroed
        const auto* bytes = static_cast<const std::uint8_t*>(again.bits);
        for (int i = 0; i < 16 * 3; ++i) ASSERT_EQ(bytes[i], 0) << i;
    }

    const struct {
        BITMAPINFO info;
        const char* why;
    } refused[] = {
        {SectionInfo(0, 4), "zero width"},     {SectionInfo(4, 0), "zero height"},
        {SectionInfo(-4, 4), "negative width"}, {SectionInfo(4, 4, 32), "32 bits"},
        {SectionInfo(40000, 40000), "over 2 GiB"},
    };
    for (const auto& [info, why] : refused) {
        void* bits = &bits;
        EXPECT_EQ(CreateDIBSection(0, &info, DIB_RGB_COLORS, &bits, 0, 0), 0u) << why;
        EXPECT_EQ(bits, nullptr) << why;
    }
    EXPECT_EQ(LiveObjectCount(), before);
}

TEST(Gdi, HandlesThatAreNotLiveObjectsOfTheRightKindMakeCallsFail) {
    const int before = LiveObjectCount();
    const HDC dc = CreateCompatibleDC(0);
    const HBITMAP bitmap = CreateCompatibleBitmap(dc, 2, 2);
    ASSERT_NE(bitmap, 0u);
    BITMAP description{};

    EXPECT_EQ(CreateCompatibleDC(0x7777), 0u);
    EXPECT_EQ(SelectObject(dc, dc), 0u) << "a context is no bitmap";
    EXPECT_EQ(SelectObject(bitmap, bitmap), 0u) << "a bitmap is no context";
    EXPECT_EQ(GetObjectA(dc, sizeof description, &description), 0);
    EXPECT_EQ(DeleteDC(bitmap), FALSE);
    EXPECT_EQ(DeleteObject(dc), FALSE);
    EXPECT_EQ(BitBlt(0x7777, 0, 0, 1, 1, dc, 0, 0, SRCCOPY), FALSE);
    EXPECT_EQ(GetDC(0x7777), 0u);

    const HGDIOBJ kept = SelectObject(dc, bitmap);
    ASSERT_NE(kept, 0u);
    EXPECT_EQ(DeleteObject(bitmap), FALSE) << "still selected";
    const HDC other = CreateCompatibleDC(dc);
    EXPECT_EQ(SelectObject(other, bitmap), 0u) << "already selected elsewhere";
    EXPECT_EQ(SelectObject(dc, kept), bitmap);
    EXPECT_EQ(DeleteObject(bitmap), TRUE);
    EXPECT_EQ(DeleteObject(bitmap), FALSE) << "already deleted";

    const HDC screen = GetDC(GetDesktopWindow());
    ASSERT_NE(screen, 0u);
    EXPECT_EQ(DeleteDC(screen), FALSE) << "a borrowed context is given back, not deleted";
    EXPECT_EQ(ReleaseDC(GetDesktopWindow(), dc), 0);
    EXPECT_EQ(BitBlt(dc, 0, 0, 1, 1, screen, 0, 0, SRCCOPY), FALSE) << "the screen has no pixels here";
    EXPECT_EQ(ReleaseDC(GetDesktopWindow(), screen), 1);
    EXPECT_EQ(DeleteDC(other), TRUE);
    EXPECT_EQ(DeleteDC(dc), TRUE);
    EXPECT_EQ(DeleteDC(dc), FALSE);
    EXPECT_EQ(LiveObjectCount(), before);
}

TEST(Gdi, BitBltConvertsBetweenFormatsAndClipsToBothBitmaps) {
    QImage image(3, 2, QImage::Format_RGB32);
    image.setPixel(0, 0, 0x102030);
    image.setPixel(1, 0, 0x405060);
    image.setPixel(2, 0, 0x708090);
    image.setPixel(0, 1, 0xA0B0C0);
    image.setPixel(1, 1, 0xD0E0F0);
    image.setPixel(2, 1, 0x010203);
    const HBITMAP picture = CreateBitmapFromImage(image);
    const HDC pictureDC = CreateCompatibleDC(0);
    const HGDIOBJ kept = SelectObject(pictureDC, picture);

    {
        SectionInContext section(3, 2);
        ASSERT_EQ(BitBlt(section.dc, 0, 0, 3, 2, pictureDC, 0, 0, SRCCOPY), TRUE);
        // Memory row 0 is the bottom row; bytes blue, green, red.
        const std::uint8_t expected[2][9] = {{0xC0, 0xB0, 0xA0, 0xF0, 0xE0, 0xD0, 0x03, 0x02, 0x01},
                                             {0x30, 0x20, 0x10, 0x60, 0x50, 0x40, 0x90, 0x80, 0x70}};
        for (int row = 0; row < 2; ++row) EXPECT_EQ(std::memcmp(section.Pixel(0, row, 12), expected[row], 9), 0) << row;

        // And back again, into a fresh bitmap, shifted one pixel right and up:
        // the parts outside either bitmap are left out.
        const HBITMAP copy = CreateCompatibleBitmap(pictureDC, 3, 2);
        const HDC copyDC = CreateCompatibleDC(0);
        const HGDIOBJ copyKept = SelectObject(copyDC, copy);
        EXPECT_EQ(BitBlt(copyDC, 1, -1, 5, 5, section.dc, 0, 0, SRCCOPY), TRUE);
        SelectObject(copyDC, copyKept);
        const QImage result = BitmapImage(copy);
        EXPECT_EQ(result.pixel(0, 0) & 0xFFFFFF, 0u);
        EXPECT_EQ(result.pixel(1, 0) & 0xFFFFFF, 0xA0B0C0u);
        EXPECT_EQ(result.pixel(2, 0) & 0xFFFFFF, 0xD0E0F0u);
        EXPECT_EQ(result.pixel(1, 1) & 0xFFFFFF, 0u);
        DeleteObject(copy);
        DeleteDC(copyDC);

        std::uint8_t before[24];
        std::memcpy(before, section.bits, sizeof before);
        EXPECT_EQ(BitBlt(section.dc, 0, 0, 3, 2, pictureDC, 0, 0, 0x00EE0086 /* SRCPAINT */), FALSE);
        EXPECT_EQ(BitBlt(section.dc, 0, 0, -1, 2, pictureDC, 0, 0, SRCCOPY), FALSE);
        EXPECT_EQ(BitBlt(section.dc, 0, 0, 0, 2, pictureDC, 0, 0, SRCCOPY), TRUE);
        EXPECT_EQ(BitBlt(section.dc, -1000000000, 0, 2000000000, 2, pictureDC, 2000000000, 0, SRCCOPY), TRUE);
        EXPECT_EQ(std::memcmp(before, section.bits, sizeof before), 0);
    }
    SelectObject(pictureDC, kept);
    DeleteObject(picture);
    DeleteDC(pictureDC);
}

}  // namespace
}  // namespace vantorix::gdi
