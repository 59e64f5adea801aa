#include "imaging/mPictureLoader.h"

#include <gtest/gtest.h>


#include <optional>
#include <stdexcept>

#include "tests/imaging/ImagingTestSupport.h"
#include "tests/support/TempFolder.h"

namespace vantorix {
namespace {

using testing::ReadFileBytes;
using testing::TempFolder;
using testing::TgaFile;
using testing::WriteFileBytes;

std::string WithByte(std::string file, std::size_t offset, char value) {
    return file.replace(offset, 1, 1, value);
}

// Damaged and hostile files: each gives a status or an error that names the
// file, and none makes the loader read or write outside its buffers (the
// sanitizer build runs this table too) or allocate for a picture the file
// cannot hold.
TEST(MalformedInput, EveryFileGivesAStatusOrAClearError) {
    TempFolder temp;
    const std::string bmp = ReadFileBytes(std::string(VANTORIX_TEST_DATA) + "/imaging/fixtures/im-24.bmp");
    const std::string pixels6 = std::string(18, '\x40');
    const std::string png = ReadFileBytes(std::string(VANTORIX_TEST_DATA) + "/imaging/fixtures/im-gradient.png");
    const struct {
        const char* name;
        std::string bytes;
        std::optional<std::int16_t> status;  // nothing: an error is expected
    } cases[] = {
        {"empty.tga", "", PictureStatus::TGADepthBelow24},
        {"cut-header.tga", TgaFile(2, 3, 2, 24, 0, "").substr(0, 16), PictureStatus::TGADepthBelow24},
        {"header-only.tga", TgaFile(2, 3, 2, 24, 0, ""), std::nullopt},
        {"header-only-rle.tga", TgaFile(10, 3, 2, 24, 0, ""), std::nullopt},
        {"half-the-pixels.tga", TgaFile(2, 3, 2, 24, 0, pixels6.substr(0, 9)), std::nullopt},
        {"too-large-for-32-bits.tga", TgaFile(2, 32767, 32767, 24, 0, pixels6), std::nullopt},
        {"huge-claim.tga", TgaFile(2, 20000, 20000, 24, 0, pixels6), std::nullopt},
        {"huge-claim-rle.tga", TgaFile(10, 30000, 20000, 24, 0, "\xff\x01\x02\x03"), std::nullopt},
        {"negative-width.tga", TgaFile(2, -2, 2, 24, 0, pixels6), PictureStatus::NoBitmap},
        {"negative-height.tga", TgaFile(10, 2, -32768, 24, 0, pixels6), PictureStatus::NoBitmap},
        {"runs-past-the-end.tga", TgaFile(10, 3, 2, 24, 0, "\xff\x01\x02\x03\xff\x04\x05\x06"), PictureStatus::Loaded},
        {"raw-past-the-end.tga", TgaFile(10, 3, 2, 32, 0, "\x7f\x01\x02\x03"), PictureStatus::Loaded},
        {"id-past-the-end.tga", WithByte(TgaFile(2, 1, 1, 24, 0, "\x01\x02\x03"), 0, '\xc8'), std::nullopt},
        {"colour-map-claim.tga",
         WithByte(WithByte(WithByte(WithByte(TgaFile(2, 1, 1, 24, 0, "\x01\x02\x03"), 1, 1), 5, '\xff'), 6, '\xff'), 7, 32),
         std::nullopt},
        {"empty.bmp", "", std::nullopt},
        {"not-a-picture.bmp", "This is a text file, not a picture.", std::nullopt},
        {"cut.bmp", bmp.substr(0, bmp.size() - 5), std::nullopt},
        {"cut-header.bmp", bmp.substr(0, 30), std::nullopt},
        {"huge-claim.bmp", WithByte(WithByte(bmp, 20, '\x7f'), 24, '\x7f'), std::nullopt},
        {"header-of-an-unknown-size.bmp", WithByte(bmp, 14, '\x03'), std::nullopt},
        {"size-past-64-bits.bmp", WithByte(WithByte(WithByte(bmp, 21, '\x7f'), 25, '\x7f'), 29, '\x7f'), std::nullopt},
        {"cut.png", png.substr(0, png.size() * 2 / 3), std::nullopt},
        // After the header chunk, a text chunk that claims 800 MB.
        {"chunk-claims-800-mb.png", png.substr(0, 33) + std::string("\x30\x00\x00\x00tEXtabc", 11) + png.substr(33),
         std::nullopt},
        {"bytes-after-the-end-chunk.png", png + "anything after IEND", PictureStatus::Loaded},
        {"not-a-bmp-png-or-ppm.bmp", "#define x_width 1\n#define x_height 1\nstatic char x_bits[] = {0x00};\n", std::nullopt},
    };
    for (const auto& [name, bytes, status] : cases) {
        SCOPED_TRACE(name);
        WriteFileBytes(temp / name, bytes);
        if (status) {
            EXPECT_EQ(LoadPictureFile(temp / name), *status);
            continue;
        }
        try {
            const std::int16_t loaded = LoadPictureFile(temp / name);
            ADD_FAILURE() << "loaded with status " << loaded;
        } catch (const std::exception& error) {
            EXPECT_NE(std::string(error.what()).find(temp / name), std::string::npos) << error.what();
        }
    }
}

}  // namespace
}  // namespace vantorix
