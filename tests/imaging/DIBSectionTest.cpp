#include "imaging/cDIBSection.h"
#include "platform/Gdi.h"
#include "platform/MessageBox.h"

#include <gtest/gtest.h>

#ifndef _WIN32
#include <QClipboard>
#include <QGuiApplication>
#include <QImage>
#endif

#include <array>
#include <climits>
#include <cstring>
#include <stdexcept>
#include <vector>

#include "tests/imaging/ImagingTestSupport.h"

namespace vantorix {
namespace {

using testing::PixelAt;
using testing::SetPixel;

// Records message boxes instead of showing them.
struct MessageRecorder {
    MessageRecorder() {
        previous = SetMessageBoxHandler([this](const std::string& text, const std::string& caption, unsigned) {
            messages.push_back(caption + ": " + text);
            return IDOK;
        });
    }
    ~MessageRecorder() { SetMessageBoxHandler(previous); }
    std::vector<std::string> messages;
    MessageBoxHandler previous;
};

TEST(DIBSection, RowsArePaddedToFourBytesAndTheWholeImageIsContiguous) {
    cDIBSection bitmap;
    const int expected[] = {4, 8, 12, 12, 16};
    for (int width = 1; width <= 5; ++width) {
        ASSERT_TRUE(bitmap.Create(width, 3));
        EXPECT_EQ(bitmap.BytesPerScanLine(), expected[width - 1]) << width;
    }
    ASSERT_TRUE(bitmap.Create(512, 512));
    EXPECT_EQ(bitmap.BytesPerScanLine(), 1536);
    // The last byte of the top row is the last byte of the image.
    bitmap.DIBSectionBitsPtr()[512 * 1536 - 1] = 0x5A;
    gdi::BITMAP description{};
    ASSERT_EQ(gdi::GetObjectA(bitmap.hDib(), sizeof description, &description), 24);
    EXPECT_EQ(description.bmWidthBytes * description.bmHeight, 786432);
}

TEST(DIBSection, LifecycleHoldsReleasesAndKeepsTheLastSize) {
    const int before = gdi::LiveObjectCount();
    {
        cDIBSection bitmap;
        EXPECT_EQ(bitmap.Width(), 0);
        EXPECT_EQ(bitmap.hDib(), gdi::HBITMAP{});

        ASSERT_TRUE(bitmap.Create(10, 5));
        EXPECT_NE(bitmap.hDib(), gdi::HBITMAP{});
        EXPECT_NE(bitmap.hdc(), gdi::HDC{});
        EXPECT_NE(bitmap.DIBSectionBitsPtr(), nullptr);
        const int holding = gdi::LiveObjectCount();

        ASSERT_TRUE(bitmap.Create(7, 3));
        EXPECT_EQ(gdi::LiveObjectCount(), holding) << "the old section and context were released";
        EXPECT_EQ(bitmap.Width(), 7);

        bitmap.ClearUp();
        EXPECT_EQ(bitmap.hDib(), gdi::HBITMAP{});
        EXPECT_EQ(bitmap.hdc(), gdi::HDC{});
        EXPECT_EQ(bitmap.DIBSectionBitsPtr(), nullptr);
        EXPECT_EQ(bitmap.Width(), 7);
        EXPECT_EQ(bitmap.Height(), 3);
        EXPECT_EQ(gdi::LiveObjectCount(), before);

        for (const auto& [width, height] : {std::pair{0, 10}, {10, 0}, {-3, 4}}) {
            ASSERT_TRUE(bitmap.Create(4, 4));
            EXPECT_FALSE(bitmap.Create(width, height)) << width << " x " << height;
            EXPECT_EQ(bitmap.hDib(), gdi::HBITMAP{});
            EXPECT_EQ(bitmap.hdc(), gdi::HDC{});
            EXPECT_EQ(gdi::LiveObjectCount(), before);
        }
        ASSERT_TRUE(bitmap.Create(4, 4));
    }
    EXPECT_EQ(gdi::LiveObjectCount(), before) << "the end of life releases everything";
}

TEST(DIBSection, SizesBeyond32BitsFailWithAnOverflowAndLeakNothing) {
    const int before = gdi::LiveObjectCount();
    cDIBSection bitmap;
    EXPECT_THROW(bitmap.Create(INT_MAX / 3 + 1, 1), std::overflow_error) << "width x 3";
    EXPECT_THROW(bitmap.Create(INT_MAX / 3, 1), std::overflow_error) << "width x 3 + 3";
    EXPECT_THROW(bitmap.Create(1000, 1000000), std::overflow_error) << "height x row";
    EXPECT_EQ(bitmap.hDib(), gdi::HBITMAP{});
    EXPECT_EQ(gdi::LiveObjectCount(), before);
}

TEST(DIBSection, BlitsCopyTheWholeBitmapForNegativeSizesAndNothingForZero) {
    cDIBSection source, target;
    ASSERT_TRUE(source.Create(3, 2));
    for (int i = 0; i < 2 * 12; ++i) source.DIBSectionBitsPtr()[i] = static_cast<std::uint8_t>(i + 1);
    ASSERT_TRUE(target.Create(3, 2));

    target.LoadPictureBlt(source.hdc(), 0, 0, 0, -1);
    target.LoadPictureBlt(source.hdc(), 0, 0, -1, 0);
    source.PaintPicture(target.hdc(), 0, 0, 0, 0);
    for (int i = 0; i < 2 * 12; ++i) ASSERT_EQ(target.DIBSectionBitsPtr()[i], 0) << i;

    target.LoadPictureBlt(source.hdc());
    for (int x = 0; x < 3; ++x) {
        for (int y = 0; y < 2; ++y) EXPECT_EQ(PixelAt(target, x, y), PixelAt(source, x, y));
    }

    cDIBSection painted;
    ASSERT_TRUE(painted.Create(3, 2));
    source.PaintPicture(painted.hdc());
    EXPECT_EQ(std::memcmp(painted.DIBSectionBitsPtr(), target.DIBSectionBitsPtr(), 24), 0);
    EXPECT_EQ(painted.DIBSectionBitsPtr()[9], 0) << "padding is never written";
}

TEST(DIBSection, CopyToClipboardRefusesADibWithAMessageAndCopiesABitmap) {
    MessageRecorder recorder;
    cDIBSection bitmap;
    ASSERT_TRUE(bitmap.Create(2, 2));
    SetPixel(bitmap, 0, 0, 0x30, 0x20, 0x10);
    SetPixel(bitmap, 1, 1, 0x60, 0x50, 0x40);
    const int before = gdi::LiveObjectCount();

    EXPECT_FALSE(bitmap.CopyToClipboard());
    EXPECT_EQ(recorder.messages,
              std::vector<std::string>{"Vantorix: I don't know how to put a DIB on the clipboard! Copy as bitmap instead!!!"});

    ASSERT_TRUE(bitmap.CopyToClipboard(false));
#ifndef _WIN32
    const QImage copied = QGuiApplication::clipboard()->image();
    ASSERT_EQ(copied.size(), QSize(2, 2));
    EXPECT_EQ(copied.pixel(0, 0) & 0xFFFFFF, 0x102030u);
    EXPECT_EQ(copied.pixel(1, 1) & 0xFFFFFF, 0x405060u);
    EXPECT_EQ(copied.pixel(1, 0) & 0xFFFFFF, 0u);
#endif
    EXPECT_EQ(recorder.messages.size(), 1u);

    // The clipboard owns one bitmap at a time.
    ASSERT_TRUE(bitmap.CopyToClipboard(false));
    EXPECT_LE(gdi::LiveObjectCount(), before + 1);

    bitmap.ClearUp();
    EXPECT_FALSE(bitmap.CopyToClipboard(false)) << "nothing held, nothing copied";
}

TEST(DIBSection, RandomiseBitsFillsGreyOrBluelessPixelsAndLeavesPadding) {
    cDIBSection bitmap;
    ASSERT_TRUE(bitmap.Create(5, 40));  // 15 pixel bytes and 1 padding byte per row
    std::memset(bitmap.DIBSectionBitsPtr(), 0xEE, 16 * 40);

    bitmap.RandomiseBits(true);
    bool varied = false;
    for (int row = 0; row < 40; ++row) {
        const std::uint8_t* bytes = bitmap.DIBSectionBitsPtr() + row * 16;
        for (int x = 0; x < 15; x += 3) {
            EXPECT_TRUE(bytes[x] == bytes[x + 1] && bytes[x] == bytes[x + 2]) << row << "," << x;
            varied = varied || bytes[x] != bitmap.DIBSectionBitsPtr()[0];
        }
        EXPECT_EQ(bytes[15], 0xEE) << row;
    }
    EXPECT_TRUE(varied);

    bitmap.RandomiseBits();
    for (int row = 0; row < 40; ++row) {
        const std::uint8_t* bytes = bitmap.DIBSectionBitsPtr() + row * 16;
        for (int x = 0; x < 15; x += 3) EXPECT_EQ(bytes[x], 0) << row << "," << x;
        EXPECT_EQ(bytes[15], 0xEE) << row;
    }

    bitmap.ClearUp();
    bitmap.RandomiseBits();  // no pixels: nothing to write, and no crash
}

TEST(DIBSection, ResampleToTheSameSizeIsAnExactCopy) {
    cDIBSection source;
    ASSERT_TRUE(source.Create(5, 3));
    source.RandomiseBits(false);
    const auto copy = source.Resample(3, 5);
    ASSERT_NE(copy, nullptr);
    EXPECT_EQ(copy->Width(), 5);
    for (int row = 0; row < 3; ++row) {
        EXPECT_EQ(std::memcmp(copy->DIBSectionBitsPtr() + row * 16, source.DIBSectionBitsPtr() + row * 16, 15), 0);
    }
    EXPECT_EQ(source.Resample(0, 5), nullptr);
}

TEST(DIBSection, ResampleBlendsRowsFirstAndRoundsHalvesToEven) {
    cDIBSection source;
    ASSERT_TRUE(source.Create(2, 2));
    for (int y = 0; y < 2; ++y) {
        SetPixel(source, 0, y, 0, 0, 0);
        SetPixel(source, 1, y, 255, 255, 255);
    }
    const auto wide = source.Resample(2, 4);
    ASSERT_NE(wide, nullptr);
    ASSERT_EQ(wide->Width(), 4);
    ASSERT_EQ(wide->Height(), 2);
    for (int y = 0; y < 2; ++y) {
        EXPECT_EQ(PixelAt(*wide, 0, y), "000000");
        EXPECT_EQ(PixelAt(*wide, 1, y), "404040");  // 63.75
        EXPECT_EQ(PixelAt(*wide, 2, y), "808080");  // 127.5
        EXPECT_EQ(PixelAt(*wide, 3, y), "bfbfbf");  // 191.25
    }

    // Memory rows 10 | 30 and 20 | 40: halfway up and a quarter across gives
    // 0.75 x 15 + 0.25 x 35 = 20.
    std::uint8_t* bits = source.DIBSectionBitsPtr();
    const std::uint8_t rows[2][6] = {{10, 10, 10, 30, 30, 30}, {20, 20, 20, 40, 40, 40}};
    std::memcpy(bits, rows[0], 6);
    std::memcpy(bits + 8, rows[1], 6);
    const auto blended = source.Resample(2, 4);
    ASSERT_NE(blended, nullptr);
    EXPECT_EQ(blended->DIBSectionBitsPtr()[1 * 12 + 3], 20);
}

// A 2 x 2 source, memory rows {bottomLeft, bottomRight} and {topLeft, topRight}
// in every channel, resampled to width x height; the blue byte at (x, row).
std::uint8_t ResampledByte(std::array<std::uint8_t, 4> corners, int width, int height, int x, int row) {
    cDIBSection source;
    if (!source.Create(2, 2)) throw std::runtime_error("no 2 x 2 bitmap");
    for (int y = 0; y < 2; ++y) {
        std::memset(source.DIBSectionBitsPtr() + y * 8, corners[2 * y], 3);
        std::memset(source.DIBSectionBitsPtr() + y * 8 + 3, corners[2 * y + 1], 3);
    }
    const auto resampled = source.Resample(height, width);
    if (!resampled) throw std::runtime_error("no resampled bitmap");
    return resampled->DIBSectionBitsPtr()[row * resampled->BytesPerScanLine() + 3 * x];
}

TEST(DIBSection, ResampleRoundsExactHalvesToEvenAndBlendsInDoublePrecision) {
    struct Case {
        std::array<std::uint8_t, 4> corners;
        int width, height, x, row;
        int expected;
        const char* why;
    };
    const Case cases[] = {
        {{0, 1, 0, 1}, 4, 2, 2, 0, 0, "0.5 across rounds down to even"},
        {{2, 3, 2, 3}, 4, 2, 2, 0, 2, "2.5 across rounds down to even"},
        {{3, 4, 3, 4}, 4, 2, 2, 0, 4, "3.5 across rounds up to even"},
        {{0, 0, 1, 1}, 2, 4, 0, 2, 0, "0.5 up rounds down to even"},
        // The fractions are single precision (1/6 is 0.16666667): the row
        // blends are 65 and 122, and 65 + 57 x 0.16666667 is 74.50000028,
        // which single-precision blending would take for a tie and round to 74.
        {{0, 53, 97, 157}, 6, 6, 1, 4, 75, "just above a half rounds up"},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(ResampledByte(c.corners, c.width, c.height, c.x, c.row), c.expected) << c.why;
    }
}

TEST(DIBSection, ResamplingFromASinglePixelRowOrColumnIsOutOfRange) {
    for (const auto& [width, height] : {std::pair{1, 4}, {4, 1}, {1, 1}}) {
        cDIBSection source;
        ASSERT_TRUE(source.Create(width, height));
        EXPECT_THROW(source.Resample(height + 1, width + 1), std::out_of_range) << width << " x " << height;
        EXPECT_NE(source.Resample(height, width), nullptr) << "its own size is a copy";
    }
    cDIBSection empty;
    EXPECT_EQ(empty.Resample(4, 4), nullptr);
}

}  // namespace
}  // namespace vantorix
