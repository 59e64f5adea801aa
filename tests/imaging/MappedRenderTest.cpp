// A renderer's plain BMP is finished straight from its file: the loaded
// bitmap is a view of it. The files written from the view are the bytes a
// bitmap read into memory gives, and a render cut short while it is mapped
// fails with its name, never a bus error.
#include "imaging/mIntelJPEGLibrary.h"
#include "imaging/mPictureLoader.h"
#include "imaging/mSaveTGA.h"
#include "platform/FileError.h"
#include "platform/FileMapping.h"
#include "platform/JpegLibrary.h"

#include <gtest/gtest.h>

#include <unistd.h>

#include <csignal>
#include <cstdlib>

#include <cstring>
#include <functional>
#include <thread>

#include "tests/imaging/ImagingTestSupport.h"
#include "tests/support/TempFolder.h"
#include "tests/support/Unprivileged.h"

namespace vantorix {
namespace {

using testing::FolderListing;
using testing::ReadFileBytes;
using testing::TempFolder;
using testing::WriteFileBytes;

// A renderer's frame of a gradient.
std::string PlainBmp(int width, int height) {
    return testing::PlainBmp(width, height, [](int x, int y, std::uint8_t* bgr) {
        for (int c = 0; c < 3; ++c) bgr[c] = static_cast<std::uint8_t>((3 * x + c) * 7 + y * 13 + (3 * x + c) * y);
    });
}

TEST(MappedRender, WritesTheBytesABitmapReadIntoMemoryGives) {
    for (const auto& [width, height] : {std::pair{1, 1}, {4, 3}, {5, 2}, {8, 8}, {33, 17}, {256, 256}}) {
        SCOPED_TRACE(std::to_string(width) + " x " + std::to_string(height));
        TempFolder temp;
        const std::string bmp = PlainBmp(width, height);
        WriteFileBytes(temp / "render.bmp", bmp);
        ASSERT_EQ(LoadPictureFile(temp / "render.bmp"), PictureStatus::Loaded);
        cDIBSection& mapped = LoadedPicture();
        ASSERT_NE(mapped.File(), nullptr) << "the bitmap is a view of the render";
        mapped.RandomiseBits(true);  // never written through
        ASSERT_EQ(::unlink((temp / "render.bmp").c_str()), 0) << "and the render may go while it is mapped";

        SaveBitmapAsTGA(temp / "mapped.tga", mapped);
        ASSERT_TRUE(WriteJPEG(mapped, temp / "mapped.jpg", 90)) << LastJPEGWriteFailure();

        // As before: the rows read into a bitmap of its own, the TGA from a pixel block.
        cDIBSection memory;
        ASSERT_TRUE(memory.Create(width, height));
        std::memcpy(memory.DIBSectionBitsPtr(), bmp.data() + 54, bmp.size() - 54);
        ASSERT_TRUE(WriteJPEG(memory, temp / "memory.jpg", 90)) << LastJPEGWriteFailure();
        PixelBlock block(width * 3, height);
        for (int y = 0; y < height; ++y) {
            std::memcpy(block.Row(y), memory.DIBSectionBitsPtr() + y * memory.BytesPerScanLine(), width * 3);
        }
        SaveTGA(temp / "block.tga", block, width, height);

        EXPECT_TRUE(ReadFileBytes(temp / "mapped.tga") == ReadFileBytes(temp / "block.tga"));
        EXPECT_TRUE(ReadFileBytes(temp / "mapped.jpg") == ReadFileBytes(temp / "memory.jpg"));
    }
}

// Cut short by another program between the load and the write, or while the
// encoder reads it: the face fails naming the render, and nothing is written.
TEST(MappedRender, ARenderCutShortWhileMappedFailsWithItsName) {
    const struct {
        const char* what;
        int width;
        bool jpeg, duringTheWrite;
        long keep;  // bytes left of the render; below 0: that many fewer
    } cases[] = {{"TGA, rows copied by the kernel", 64, false, false, 100},
                 {"TGA, padded rows", 63, false, false, 100},
                 {"TGA, padded rows, cut within the last page", 63, false, false, -10},
                 {"JPEG", 64, true, false, 100},
                 {"JPEG, while it is encoded", 256, true, true, 100}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        TempFolder temp;
        const std::string render = temp / "render.bmp";
        WriteFileBytes(render, PlainBmp(c.width, c.width));
        ASSERT_EQ(LoadPictureFile(render), PictureStatus::Loaded);
        const long keep = c.keep > 0 ? c.keep : static_cast<long>(PlainBmp(c.width, c.width).size()) + c.keep;
        const auto cutShort = [&] { std::thread([&] { ASSERT_EQ(::truncate(render.c_str(), keep), 0); }).join(); };
        if (c.duringTheWrite) {
            ijl::ObserveWritesForTesting([&](const ijl::JPEG_CORE_PROPERTIES&) { cutShort(); });
        } else {
            cutShort();
        }
        try {
            if (c.jpeg) {
                WriteJPEG(LoadedPicture(), temp / "sky.jpg", 90);
            } else {
                SaveBitmapAsTGA(temp / "sky.tga", LoadedPicture());
            }
            ADD_FAILURE() << "written from a render cut short";
        } catch (const FileError& error) {
            EXPECT_EQ(error.Path(), render);
            EXPECT_NE(std::string(error.what()).find("cut short"), std::string::npos) << error.what();
        }
        ijl::ObserveWritesForTesting({});
        EXPECT_EQ(FolderListing(temp.Path()), "render.bmp\n");
    }
    // A sound render mapped where one was cut short before finishes.
    TempFolder temp;
    WriteFileBytes(temp / "render.bmp", PlainBmp(63, 63));
    ASSERT_EQ(LoadPictureFile(temp / "render.bmp"), PictureStatus::Loaded);
    EXPECT_NO_THROW(SaveBitmapAsTGA(temp / "sky.tga", LoadedPicture()));
    EXPECT_TRUE(WriteJPEG(LoadedPicture(), temp / "sky.jpg", 90));
}

// In a folder that takes no new files an old TGA is written where it
// stands, and only from a render that is whole: one cut short leaves it
// as it was.
TEST(MappedRender, ARenderCutShortNeverTouchesAnOldFileWrittenInPlace) {
    for (const int width : {64, 63}) {  // rows copied by the kernel, padded rows
        TempFolder temp;
        const std::string render = temp / "render.bmp";
        WriteFileBytes(render, PlainBmp(width, width));
        const std::string old(20000, 'o');
        WriteFileBytes(temp / "sky.tga", old);
        testing::GiveToChild(temp / "sky.tga", 0644);
        testing::GiveToChild(temp.Path(), 0555);
        ASSERT_EQ(LoadPictureFile(render), PictureStatus::Loaded);
        ASSERT_EQ(::truncate(render.c_str(), 100), 0);
        const std::string failures = testing::AsUnprivilegedUser([&] {
            try {
                SaveBitmapAsTGA(temp / "sky.tga", LoadedPicture());
                return std::string("written from a render cut short");
            } catch (const FileError& error) {
                return error.Path() == render ? std::string() : std::string(error.what());
            }
        });
        EXPECT_EQ(failures, "") << width;
        EXPECT_TRUE(ReadFileBytes(temp / "sky.tga") == old) << width;
        testing::GiveToChild(temp.Path(), 0755);
    }
}

// A bus error another program sends is no fault in a view: it goes where
// it went before (here, ignored), and the guard stays for the next render
// cut short.
TEST(MappedRenderDeathTest, ABusErrorSentFromOutsideLeavesTheGuardInPlace) {
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    EXPECT_EXIT(
        {
            ::signal(SIGBUS, SIG_IGN);
            TempFolder temp;
            const std::string render = temp / "render.bmp";
            WriteFileBytes(render, PlainBmp(256, 256));
            if (LoadPictureFile(render) != PictureStatus::Loaded) std::_Exit(2);
            ::raise(SIGBUS);
            if (::truncate(render.c_str(), 100) != 0) std::_Exit(3);
            try {
                WriteJPEG(LoadedPicture(), temp / "sky.jpg", 90);
            } catch (const FileError& error) {
                std::_Exit(error.Path() == render ? 0 : 4);
            }
            std::_Exit(5);
        },
        ::testing::ExitedWithCode(0), "");
}

}  // namespace
}  // namespace vantorix
