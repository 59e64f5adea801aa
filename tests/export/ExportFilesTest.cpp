// What vantorix-export writes, read back by others: FFmpeg's own cube-to-
// panorama conversion of our strip agrees with our panorama, and
// OpenImageIO reads our DDS as a cube map; and what it writes, and refuses,
// through its command.
#include "export/CubeMapFaces.h"
#include "export/DdsFile.h"
#include "export/DeflateBlocks.h"
#include "export/ExportCommand.h"
#include "export/FaceSet.h"
#include "export/ImageFile.h"
#include "export/Ktx2File.h"
#include "export/OrderedBands.h"
#include "export/Panorama.h"
#include "export/PreviewPage.h"
#include "imaging/mPictureLoader.h"
#include "platform/FileError.h"

#include <gtest/gtest.h>
#include <libdeflate.h>
#include <zlib.h>

#ifndef _WIN32
#include <QProcess>
#include <QStandardPaths>
#include <sys/mman.h>
#include <unistd.h>
#endif

#include <sys/stat.h>

#include <atomic>
#include <bit>
#include <chrono>
#include <cmath>
#include <cstring>
#include <filesystem>
#include <numeric>
#include <optional>
#include <sstream>
#include <thread>

#include "tests/export/ExportTestSupport.h"
#include "tests/support/TempFolder.h"
#include "tests/support/ThirdPartyDecoders.h"
#ifndef _WIN32
#include "tests/support/Mirror.h"
#include "tests/support/SmallDisk.h"
#endif

namespace vantorix::cube {
namespace {

using testing::FolderListing;
using testing::ReadFileBytes;
using testing::TempFolder;
using testing::WriteFileBytes;
namespace fs = std::filesystem;

RgbImage Load(const std::string& path) { return LoadPictureAsRgb(path); }

#ifndef _WIN32  // FFmpeg and OpenImageIO are Linux's
// Runs a third-party tool; its standard output, or why it failed.
std::string RunTool(const QString& program, const QStringList& arguments, bool& ok) {
    if (QStandardPaths::findExecutable(program).isEmpty()) {
        ok = false;
        return program.toStdString() + " is not installed (the set-up installs it)";
    }
    QProcess process;
    process.start(program, arguments);
    ok = process.waitForFinished(60000) && process.exitCode() == 0;
    return (process.readAllStandardOutput() + process.readAllStandardError()).toStdString();
}

double Psnr(const RgbImage& a, const RgbImage& b) {
    double squares = 0;
    for (std::size_t i = 0; i < a.Pixels.size(); ++i) squares += std::pow(a.Pixels[i] - b.Pixels[i], 2);
    const double mean = squares / static_cast<double>(a.Pixels.size());
    return mean == 0 ? 99 : 10 * std::log10(255.0 * 255.0 / mean);
}

TEST(ExportAgreement, FfmpegTurnsOurStripIntoOurPanorama) {
    TempFolder temp;
    const CubeFaces faces(testing::RenderDefaultRun(64).Faces);
    WriteImageFile(temp / "strip.png", Strip(MakeCubeMap(faces)));
    const RgbImage ours = EquirectangularPanorama(faces, 512);
    // Our strip is FFmpeg's default cube: right, left, up, down, front, back
    // (+X east, -X west, up, down, +Z north, -Z south), no face turned.
    bool ok = false;
    const std::string said =
        RunTool("ffmpeg", {"-v", "error", "-y", "-i", QString::fromStdString(temp / "strip.png"), "-vf",
                       "v360=input=c6x1:output=e:interp=linear:in_forder=rludfb:in_frot=000000:w=512:h=256",
                       QString::fromStdString(temp / "ffmpeg.bmp")},
            ok);
    ASSERT_TRUE(ok) << said;
    const RgbImage theirs = Load(temp / "ffmpeg.bmp");
    ASSERT_EQ(theirs.Width, 512);
    ASSERT_EQ(theirs.Height, 256);
    EXPECT_GE(Psnr(ours, theirs), 35.0);
}

TEST(ExportAgreement, OpenImageIoReadsOurDdsAsACubeMapOfSixFaces) {
    TempFolder temp;
    const CubeMap map = MakeCubeMap(CubeFaces(testing::RenderDefaultRun(48).Faces));
    WriteDdsCubeMap(temp / "sky.dds", map, true);
    bool ok = false;
    const std::string info = RunTool("oiiotool", {"--info", "-v", QString::fromStdString(temp / "sky.dds")}, ok);
    ASSERT_TRUE(ok) << info;
    for (const char* expected : {"4 channel, uint8 dds", "full/display size: 48 x 48", "tile size: 48 x 48",
                                 "textureformat: \"CubeFace Environment\"", "dds:CubeMapSides: \"+x -x +y -y +z -z\""}) {
        EXPECT_NE(info.find(expected), std::string::npos) << expected << " in\n" << info;
    }
    const std::string converted =
        RunTool("oiiotool", {QString::fromStdString(temp / "sky.dds"), "-ch", "R,G,B", "-o",
                         QString::fromStdString(temp / "first.bmp")},
            ok);
    ASSERT_TRUE(ok) << converted;
    const RgbImage first = Load(temp / "first.bmp");
    EXPECT_TRUE(first.Width == 48 && first.Pixels == map[0].Pixels) << "the first face is +X, pixel for pixel";
}

// The sRGB DDS file as Pillow reads it: its first face, pixel for pixel; the
// others where the layout puts them, in red, green, blue, alpha.
TEST(ExportAgreement, PillowReadsOurSrgbDds) {
    TempFolder temp;
    const CubeMap map = MakeCubeMap(CubeFaces(testing::RenderDefaultRun(16).Faces));
    WriteDdsCubeMap(temp / "sky.dds", map, false, true);
    const testing::DecodedPicture first = testing::DecodeWithPillow(temp / "sky.dds");
    EXPECT_TRUE(first.width == 16 && std::equal(first.rgb.begin(), first.rgb.end(), map[0].Pixels.begin(), map[0].Pixels.end()));
    const std::string bytes = ReadFileBytes(temp / "sky.dds");
    for (std::size_t face = 0; face < 6; ++face) {
        std::vector<std::uint8_t> rgb;
        for (std::size_t texel = 0; texel < 16 * 16; ++texel) {
            const std::size_t at = 148 + (face * 16 * 16 + texel) * 4;
            rgb.insert(rgb.end(), bytes.begin() + static_cast<std::ptrdiff_t>(at),
                       bytes.begin() + static_cast<std::ptrdiff_t>(at + 3));
        }
        EXPECT_TRUE(std::equal(rgb.begin(), rgb.end(), map[face].Pixels.begin(), map[face].Pixels.end())) << face;
    }
}

// Five blocks of rows, the last one short, through a ring of four; BMP rows padded.
#endif

TEST(Panorama, WrittenABlockAtATimeItIsThePanoramaMadeWholePixelForPixel) {
    TempFolder temp;
    const CubeFaces faces(testing::RenderDefaultRun(24).Faces);
    const RgbImage whole = EquirectangularPanorama(faces, 150, 2);
    for (const char* name : {"pano.bmp", "pano.tga"}) {
        WriteEquirectangularPanorama(faces, 150, temp / name, 2);
        const RgbImage written = Load(temp / name);
        EXPECT_TRUE(written.Width == 150 && written.Height == 75 && written.Pixels == whole.Pixels) << name;
    }
}

// A progress that ends the work (the export window's Cancel) stops the
// panorama's helper threads and comes out as it went in, either way a panorama is made.
TEST(Panorama, AProgressThatThrowsEndsTheWorkWithItsThreads) {
    TempFolder temp;
    std::array<RgbImage, 6> six;
    for (RgbImage& face : six) face = RgbImage(16, 16);
    const CubeFaces faces(std::move(six));
    const Progress stop = [](double) { throw ExportCancelled(); };
    EXPECT_THROW(EquirectangularPanorama(faces, 4096, 2, stop), ExportCancelled);
    for (const char* name : {"pano.bmp", "pano.png"}) {
        EXPECT_THROW(WriteEquirectangularPanorama(faces, 4096, temp / name, 2, stop), ExportCancelled) << name;
    }
    EXPECT_EQ(FolderListing(temp.Path()), "");
}

// The panorama's bytes as they have always been, whatever the processor
// does them with: many pixels at once, or one by one along a face's edges,
// wide and narrow (where each pixel averages several samples).
TEST(Panorama, EveryByteIsAsItWas) {
    const CubeFaces faces(testing::RenderDefaultRun(24).Faces);
    const std::pair<int, unsigned long> expected[] = {{96, 0x26F53C5DUL}, {250, 0x640EDFE8UL}, {64, 0x4F07B8E4UL}};
    for (const auto& [width, crc] : expected) {
        const RgbImage panorama = EquirectangularPanorama(faces, width, 2);
        EXPECT_EQ(::crc32(0, panorama.Pixels.data(), static_cast<uInt>(panorama.Pixels.size())), crc) << width;
    }
}

// Faces read where they lie in their files (rows from the bottom, padded
// at 47) make what the same faces read into pictures of their own make,
// byte for byte; a file cut short meanwhile is named, in the sky and in an
// export, which then keeps nothing.
TEST(FaceFiles, ReadWhereTheyLieTheyMakeWhatTheirPicturesMake) {
    for (const auto& [size, kind] : {std::pair{47, ".bmp"}, {64, ".bmp"}, {47, ".tga"}}) {
        TempFolder temp;
        const testing::DefaultRun run = testing::RenderDefaultRun(size);
        FaceSet set;
        std::vector<std::string> arguments{"--faces"};
        for (std::size_t face = 0; face < 6; ++face) {
            set.Files[face] = temp / ("sky" + std::to_string(face) + kind);
            WriteImageFile(set.Files[face], run.Faces[face]);
            arguments.push_back(set.Files[face]);
        }
        FaceSet mixed = set;  // the last a PNG file: all are read into pictures
        mixed.Files[5] = temp / "sky5.png";
        WriteImageFile(mixed.Files[5], run.Faces[5]);
        const CubeFaces inFiles = LoadFaces(set), inPictures(run.Faces);
        const RgbImage panorama = EquirectangularPanorama(inPictures, 200, 2);
        EXPECT_TRUE(EquirectangularPanorama(inFiles, 200, 2).Pixels == panorama.Pixels);
        EXPECT_TRUE(EquirectangularPanorama(LoadFaces(mixed), 200, 2).Pixels == panorama.Pixels);
        for (const int cubeSize : {0, 30, 80}) {  // as they are, shrunk, sampled
            const CubeMap fromFiles = MakeCubeMap(inFiles, cubeSize), fromPictures = MakeCubeMap(inPictures, cubeSize);
            for (int face = 0; face < 6; ++face) EXPECT_TRUE(fromFiles[face].Pixels == fromPictures[face].Pixels) << cubeSize;
        }
        WriteEquirectangularPanorama(inFiles, 200, temp / "files.bmp", 2);
        WriteEquirectangularPanorama(inPictures, 200, temp / "pictures.bmp", 2);
        EXPECT_TRUE(ReadFileBytes(temp / "files.bmp") == ReadFileBytes(temp / "pictures.bmp"));
#ifndef _WIN32  // where a mapped file can be cut at all
        ASSERT_EQ(::truncate(set.Files[2].c_str(), 1000), 0);
        try {
            inFiles.CheckFilesWhole();
            ADD_FAILURE() << "a face cut short passed";
        } catch (const FileError& error) {
            EXPECT_EQ(error.Path(), set.Files[2]);
        }
        WriteImageFile(set.Files[2], run.Faces[2]);
        // The export cuts a face short as it starts on the panorama.
        struct CutOnFirstWrite : std::streambuf {
            std::function<void()> cut;
            int overflow(int c) override {
                if (cut) std::exchange(cut, {})();
                return c;
            }
        } cutting;
        cutting.cut = [&] { ASSERT_EQ(::truncate(set.Files[4].c_str(), 1000), 0); };
        std::ostream progress(&cutting);
        std::ostringstream report;
        arguments.insert(arguments.end(), {"--equirect", temp / "sky.png", "--cross", temp / "cross.png"});
        EXPECT_THROW(RunExport(*ParseExportArguments(arguments), report, &progress), FileError);
        EXPECT_FALSE(fs::exists(temp / "sky.png") || fs::exists(temp / "cross.png"));
#endif
    }
}

// TGA faces stored otherwise than a bitmap holds its rows are read into
// pictures, and make the same sky; one with an ID field is read where it lies.
TEST(FaceFiles, TgaFacesStoredOtherwiseMakeTheSameSky) {
    const int size = 20;
    const testing::DefaultRun run = testing::RenderDefaultRun(size);
    const RgbImage panorama = EquirectangularPanorama(CubeFaces(run.Faces), 80, 2);
    // Our TGA's pixels (bottom row first, blue, green, red) stored another way.
    const auto retell = [](std::string tga, const std::string& how) {
        const std::string rows = tga.substr(18);
        std::string pixels;
        for (int y = 0; y < size; ++y) {
            const int from = how == "top row first" ? size - 1 - y : y;
            for (int x = 0; x < size; ++x) {
                const std::string bgr = rows.substr(static_cast<std::size_t>((from * size + (how == "right first" ? size - 1 - x : x)) * 3), 3);
                pixels += how == "32 bits" ? bgr + '\xFF' : how == "run-length" ? '\0' + bgr : bgr;
            }
        }
        std::string header = tga.substr(0, 18);
        header[16] = how == "32 bits" ? 32 : 24;
        header[17] = how == "top row first" ? 0x20 : how == "right first" ? 0x10 : 0;
        header[2] = how == "run-length" ? 10 : 2;
        if (how == "ID field") header[0] = 5, header += "sky..";
        return header + pixels;
    };
    for (const char* how : {"top row first", "right first", "32 bits", "run-length", "ID field"}) {
        TempFolder temp;
        FaceSet set;
        for (std::size_t face = 0; face < 6; ++face) {
            set.Files[face] = temp / ("sky" + std::to_string(face) + ".tga");
            WriteImageFile(set.Files[face], run.Faces[face]);
            WriteFileBytes(set.Files[face], retell(ReadFileBytes(set.Files[face]), how));
        }
        EXPECT_TRUE(EquirectangularPanorama(LoadFaces(set), 80, 2).Pixels == panorama.Pixels) << how;
    }
    // One that ends early, or has no width, is left to the picture loader, which says why.
    for (const auto& [how, why] : {std::pair{"cut", "ends before the end"}, {"no width", "has no picture"}}) {
        TempFolder temp;
        FaceSet set;
        for (std::size_t face = 0; face < 6; ++face) {
            set.Files[face] = temp / ("sky" + std::to_string(face) + ".tga");
            WriteImageFile(set.Files[face], run.Faces[face]);
        }
        std::string tga = ReadFileBytes(set.Files[3]);
        if (std::string(how) == "cut") tga.resize(tga.size() - 10);
        else tga[12] = tga[13] = 0;
        WriteFileBytes(set.Files[3], tga);
        try {
            LoadFaces(set);
            ADD_FAILURE() << how;
        } catch (const ExportError& error) {
            EXPECT_NE(std::string(error.what()).find(why), std::string::npos) << error.what();
        }
    }
}

#ifndef _WIN32
// A face read where it lies, its top row last in memory and ending where
// readable memory does: sampling reads nothing past it.
TEST(FaceFiles, NothingIsReadPastATopRowThatEndsWhereMemoryDoes) {
    const int size = 64;
    const std::size_t rowBytes = 3 * size, bytes = rowBytes * size, page = static_cast<std::size_t>(::sysconf(_SC_PAGESIZE));
    ASSERT_EQ(bytes % page, 0u);
    const testing::DefaultRun run = testing::RenderDefaultRun(size);
    std::array<FileFace, 6> faces;
    std::vector<std::uint8_t*> memory;
    for (std::size_t face = 0; face < 6; ++face) {
        void* at = ::mmap(nullptr, bytes + page, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
        ASSERT_NE(at, MAP_FAILED);
        memory.push_back(static_cast<std::uint8_t*>(at));
        ASSERT_EQ(::mprotect(memory.back() + bytes, page, PROT_NONE), 0);
        for (int y = 0; y < size; ++y) {
            for (int x = 0; x < size; ++x) {
                const std::uint8_t* rgb = run.Faces[face].At(x, size - 1 - y);
                std::uint8_t* bgr = memory.back() + y * rowBytes + 3 * x;
                bgr[0] = rgb[2], bgr[1] = rgb[1], bgr[2] = rgb[0];
            }
        }
        faces[face] = {nullptr, memory.back(), size, size, static_cast<std::ptrdiff_t>(rowBytes)};
    }
    EXPECT_TRUE(EquirectangularPanorama(CubeFaces(faces), 4 * size, 2).Pixels ==
                EquirectangularPanorama(CubeFaces(run.Faces), 4 * size, 2).Pixels);
    for (std::uint8_t* at : memory) ::munmap(at, bytes + page);
}
#endif

// Bands are used in the order they come however the workers finish them,
// never more than the slots ahead; a failure in making or using one ends
// the work and comes out of the call.
TEST(OrderedBands, UsedInOrderWithinTheSlotsAndAFailureEndsTheWork) {
    const struct {
        int band;  // that fails, or -1
        bool inMaking;
    } failures[] = {{-1, false}, {5, true}, {6, false}};
    for (const auto& failure : failures) {
        std::vector<int> used;
        std::atomic<int> usedCount{0}, made{0}, ahead{0};
        const auto run = [&] {
            MakeAndUseInOrder(
                200, 3, 4,
                [&](int band, int) {
                    for (int seen = ahead, now = band - usedCount; now > seen && !ahead.compare_exchange_weak(seen, now);) {
                    }
                    if (band % 7 == 0) std::this_thread::sleep_for(std::chrono::microseconds(200));
                    if (band == failure.band && failure.inMaking) throw std::runtime_error("made");
                    ++made;
                },
                [&](int band, int) {
                    if (band == failure.band && !failure.inMaking) throw std::runtime_error("used");
                    used.push_back(band);
                    ++usedCount;
                });
        };
        if (failure.band < 0) {
            run();
        } else {
            EXPECT_THROW(run(), std::runtime_error) << failure.band;
            EXPECT_LT(made.load(), 200) << failure.band;
        }
        std::vector<int> inOrder(used.size());
        std::iota(inOrder.begin(), inOrder.end(), 0);
        EXPECT_EQ(used, inOrder) << failure.band;
        // Using fails at its band; making, wherever the user had got to.
        const std::size_t expected = failure.band < 0 ? 200 : static_cast<std::size_t>(failure.band);
        EXPECT_TRUE(failure.inMaking ? used.size() <= expected : used.size() == expected) << failure.band;
        EXPECT_LT(ahead.load(), 4) << failure.band;
    }
}

// A picture of many bands, each deflated on its own and joined into one
// zlib stream, reads back pixel for pixel: noisy rows and smooth ones, so
// the pieces end at every bit of their last byte.
TEST(ImageFile, APngDeflatedInBandsIsOneStreamThatReadsBackExactly) {
    TempFolder temp;
    RgbImage picture(400, 2400);
    std::uint32_t noise = 1;
    for (int y = 0; y < picture.Height; ++y) {
        for (int x = 0; x < picture.Width; ++x) {
            noise = noise * 1664525u + 1013904223u;
            for (int c = 0; c < 3; ++c) {
                picture.At(x, y)[c] = static_cast<std::uint8_t>((y / 200) % 2 == 0 ? (x + y * c) / 8 : noise >> (8 + 8 * c));
            }
        }
    }
    WriteImageFile(temp / "bands.png", picture);
    EXPECT_TRUE(Load(temp / "bands.png").Pixels == picture.Pixels);
#ifndef _WIN32
    for (const testing::DecodedPicture& decoded :
         {testing::DecodeWithPillow(temp / "bands.png"), testing::DecodeWithOpenImageIO(temp / "bands.png")}) {
        EXPECT_TRUE(decoded.width == 400 && std::equal(decoded.rgb.begin(), decoded.rgb.end(), picture.Pixels.begin(),
                                                       picture.Pixels.end()));
    }
#endif
}

// Rows whose filters predict from neighbours read back exactly: a falling
// row is where PNG's Average filter rounds down, never up.
TEST(ImageFile, PngRowsReadBackExactlyWhateverFilterTheyTook) {
    TempFolder temp;
    RgbImage row(6, 1);
    const std::uint8_t values[] = {200, 100, 50, 25, 12, 6};
    for (int x = 0; x < 6; ++x) std::memset(row.At(x, 0), values[x], 3);
    WriteImageFile(temp / "row.png", row);
    EXPECT_TRUE(Load(temp / "row.png").Pixels == row.Pixels);
}

// Deflate's bits, least significant first; a Huffman code's first bit first.
struct BitWriter {
    std::vector<std::uint8_t> bytes;
    std::size_t used = 0;
    void Put(unsigned value, int count) {
        for (int i = 0; i < count; ++i, ++used) {
            if (used % 8 == 0) bytes.push_back(0);
            bytes.back() |= static_cast<std::uint8_t>(((value >> i) & 1u) << (used % 8));
        }
    }
    void Code(unsigned code, int length) {
        for (int i = length - 1; i >= 0; --i) Put(code >> i, 1);
    }
    // A final block whose literal 0 is "0" and end "1", and no distances,
    // its code lengths in the code of 1: "0", 0: "10", 18: "11".
    void TwoCodeBlock() {
        Put(1, 1), Put(2, 2), Put(0, 5), Put(0, 5), Put(14, 4);
        for (const unsigned length : {0, 0, 2, 2, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 1}) Put(length, 3);
    }
};

// Where zlib, inflating a block at a time, finds the last block.
LastBlock LastBlockByInflating(const std::vector<std::uint8_t>& stream) {
    z_stream z{};
    EXPECT_EQ(::inflateInit2(&z, -15), Z_OK);
    std::vector<std::uint8_t> out(1 << 16);
    z.next_in = const_cast<std::uint8_t*>(stream.data());
    z.avail_in = static_cast<uInt>(stream.size());
    LastBlock found;
    for (int status = Z_OK; status == Z_OK;) {
        z.next_out = out.data();
        z.avail_out = static_cast<uInt>(out.size());
        status = ::inflate(&z, Z_BLOCK);
        if ((z.data_type & 128) == 0) continue;
        const std::size_t at = (stream.size() - z.avail_in) * 8 - static_cast<std::size_t>(z.data_type & 63);
        if ((z.data_type & 64) != 0) {
            found.End = at;
            break;
        }
        found.Start = at;
    }
    ::inflateEnd(&z);
    return found;
}

// Streams of every kind of block, as libdeflate writes them at every level,
// and two of our own: the last block is where zlib finds it, walked or,
// where one block's end shows without walking, seen.
TEST(DeflateBlocks, TheLastBlockIsWhereZlibFindsIt) {
    std::uint32_t noise = 7;
    const auto random = [&] { return static_cast<std::uint8_t>((noise = noise * 1664525u + 1013904223u) >> 24); };
    std::vector<std::vector<std::uint8_t>> inputs(5);
    // Single blocks of symbols of falling likelihood: end-of-block codes of many shapes.
    for (unsigned alphabet = 2; alphabet < 50; ++alphabet) {
        std::vector<std::uint8_t>& input = inputs.emplace_back();
        // The rarest is 255, whose code is as long as the end's.
        for (unsigned i = 0; i < 300 + 50 * alphabet; ++i) {
            const unsigned falling = random() % alphabet * (random() % alphabet) / alphabet;
            input.push_back(static_cast<std::uint8_t>(257 - alphabet + falling));
        }
    }
    int seen = 0;
    inputs[1] = {'a'};
    for (int i = 0; i < 30; ++i) inputs[2].insert(inputs[2].end(), {'s', 'k', 'y', 'b', 'o', 'x', ' ', 'e', 'a', 'z'});
    for (int i = 0; i < 200000; ++i) inputs[3].push_back(random());  // stored
    // Noise and text in turn, in blocks of their own, and symbols of falling
    // likelihood, whose rarest codes are long.
    for (int i = 0; i < 600000; ++i) {
        const int kind = i / 65536 % 3;
        const std::uint8_t r = random();
        inputs[4].push_back(kind == 0   ? r
                            : kind == 1 ? inputs[2][static_cast<std::size_t>(i) % 300]
                                        : static_cast<std::uint8_t>(std::countl_zero(noise | 1u) * 7));
    }
    for (const std::vector<std::uint8_t>& input : inputs) {
        for (const int level : {0, 1, 2, 6, 12}) {
            const std::unique_ptr<libdeflate_compressor, void (*)(libdeflate_compressor*)> compressor(
                libdeflate_alloc_compressor(level), libdeflate_free_compressor);
            std::vector<std::uint8_t> stream(libdeflate_deflate_compress_bound(compressor.get(), input.size()));
            stream.resize(libdeflate_deflate_compress(compressor.get(), input.data(), input.size(), stream.data(),
                                                      stream.size()));
            const LastBlock ours = FindLastBlock(stream), zlibs = LastBlockByInflating(stream);
            EXPECT_TRUE(ours.Start == zlibs.Start && ours.End == zlibs.End)
                << input.size() << " bytes at level " << level << ": " << ours.Start << "-" << ours.End << ", zlib "
                << zlibs.Start << "-" << zlibs.End;
            if (const std::optional<LastBlock> sole = EndOfSoleBlock(stream)) {
                ++seen;
                EXPECT_TRUE(sole->Start == zlibs.Start && sole->End == zlibs.End)
                    << input.size() << " bytes at level " << level << ": seen ending at " << sole->End << ", zlib "
                    << zlibs.End;
            }
        }
    }
    EXPECT_GT(seen, 100);
    BitWriter own;
    own.TwoCodeBlock();
    own.Code(0, 1), own.Code(3, 2), own.Put(127, 7), own.Code(3, 2), own.Put(106, 7), own.Code(0, 1), own.Code(2, 2);
    for (int i = 0; i < 9; ++i) own.Code(0, 1);
    own.Code(1, 1);
    const LastBlock ours = FindLastBlock(own.bytes), zlibs = LastBlockByInflating(own.bytes);
    EXPECT_TRUE(ours.Start == 0 && ours.End == own.used && zlibs.End == own.used);

    // An end-of-block code of zeros ("0"; literals 0 and 1 "10" and "11"),
    // whose end does not show: the last set bit is a literal's.
    BitWriter zeroEnd;
    zeroEnd.Put(1, 1), zeroEnd.Put(2, 2), zeroEnd.Put(0, 5), zeroEnd.Put(0, 5), zeroEnd.Put(14, 4);
    for (const unsigned length : {0, 0, 1, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 2, 0, 2}) zeroEnd.Put(length, 3);
    // Lengths 2, 2, 254 zeros (18 twice), 1, and 1 for the one distance code.
    zeroEnd.Code(3, 2), zeroEnd.Code(3, 2);
    zeroEnd.Code(0, 1), zeroEnd.Put(127, 7), zeroEnd.Code(0, 1), zeroEnd.Put(105, 7);
    zeroEnd.Code(2, 2), zeroEnd.Code(2, 2);
    zeroEnd.Code(2, 2), zeroEnd.Code(3, 2), zeroEnd.Code(0, 1);
    EXPECT_EQ(LastBlockByInflating(zeroEnd.bytes).End, zeroEnd.used);
    EXPECT_FALSE(EndOfSoleBlock(zeroEnd.bytes));
}

// What cannot be read through to the end of its last block is refused.
TEST(DeflateBlocks, AStreamThatCannotBeReadThroughIsRefused) {
    const auto fixed = [](std::initializer_list<std::pair<unsigned, int>> codes) {
        BitWriter bits;
        bits.Put(1, 1), bits.Put(1, 2);
        for (const auto& [code, length] : codes) bits.Code(code, length);
        return bits.bytes;
    };
    const unsigned a = 0x30 + 'a', end = 0;  // fixed codes: 8 and 7 bits
    std::vector<std::uint8_t> lastByteCut = fixed({{a, 8}, {end, 7}});
    lastByteCut.pop_back();
    std::vector<std::uint8_t> byteAfter = fixed({{a, 8}, {end, 7}});
    byteAfter.push_back(0);
    BitWriter endless, tooManyLengths;
    endless.TwoCodeBlock();
    endless.Code(0, 1), endless.Code(3, 2), endless.Put(127, 7), endless.Code(3, 2), endless.Put(106, 7);
    endless.Code(0, 1), endless.Code(2, 2), endless.Code(0, 1), endless.Code(0, 1);  // literals, and no end
    tooManyLengths.TwoCodeBlock();
    tooManyLengths.Code(3, 2), tooManyLengths.Put(127, 7), tooManyLengths.Code(3, 2), tooManyLengths.Put(127, 7);
    const struct {
        std::vector<std::uint8_t> stream;
        const char* why;
    } cases[] = {
        {{0x07}, "reserved type"},
        {{0x01, 0x01, 0x00, 0x00, 0x00, 'x'}, "length is not as its check"},
        {{0x01, 0x05, 0x00, 0xFA, 0xFF, 'x', 'y'}, "ends early"},  // stored, two bytes of five
        {lastByteCut, "ends early"},
        {endless.bytes, "ends early"},
        {byteAfter, "bytes follow"},
        {fixed({{0xC6, 8}}), "symbol is not in its code"},                     // 286
        {fixed({{a, 8}, {0x01, 7}, {30, 5}}), "distance is not in its code"},  // a length, distance 30
        {tooManyLengths.bytes, "run past their count"},
    };
    for (const auto& refused : cases) {
        try {
            FindLastBlock(refused.stream);
            ADD_FAILURE() << "accepted, not refused for: " << refused.why;
        } catch (const std::runtime_error& error) {
            EXPECT_NE(std::string(error.what()).find(refused.why), std::string::npos) << error.what();
        }
    }
}

TEST(DdsFile, HeaderAndMipMapChainFollowTheClassicLayout) {
    const DdsHeader plain = CubeMapHeader(47, false), mipped = CubeMapHeader(47, true);
    EXPECT_EQ(plain.Flags, 0x100Fu);
    EXPECT_EQ(mipped.Flags, 0x2100Fu);
    EXPECT_EQ(plain.PitchOrLinearSize, 188u);
    EXPECT_EQ(mipped.MipMapCount, 6u) << "47, 23, 11, 5, 2, 1";
    EXPECT_EQ(plain.Caps, 0x1008u);
    EXPECT_EQ(mipped.Caps, 0x401008u);
    EXPECT_EQ(plain.Caps2, 0xFE00u);
    EXPECT_EQ(plain.PixelFormat.Flags, 0x41u);
    EXPECT_EQ(plain.PixelFormat.RedMask, 0x00FF0000u);

    RgbImage face(4, 4);
    for (int y = 0; y < 4; ++y) {
        for (int x = 0; x < 4; ++x) face.At(x, y)[0] = static_cast<std::uint8_t>(16 * (4 * y + x));
    }
    const std::vector<RgbImage> chain = MipMapChain(face);
    ASSERT_EQ(chain.size(), 2u);
    EXPECT_EQ(chain[0].At(0, 0)[0], (0 + 16 + 64 + 80 + 2) / 4);
    EXPECT_EQ(chain[1].At(0, 0)[0], (40 + 72 + 168 + 200 + 2) / 4);

    TempFolder temp;
    CubeMap map;
    for (RgbImage& side : map) side = face;
    WriteDdsCubeMap(temp / "sky.dds", map, true);
    const std::string bytes = ReadFileBytes(temp / "sky.dds");
    EXPECT_EQ(bytes.size(), 4u + 124u + 6u * 4u * (16u + 4u + 1u));
    EXPECT_EQ(bytes.substr(0, 4), "DDS ");
    EXPECT_EQ(bytes.substr(128, 4), std::string("\0\0\0\xff", 4)) << "blue, green, red, alpha";

    WriteDdsCubeMap(temp / "srgb.dds", map, false, true);
    const std::string srgb = ReadFileBytes(temp / "srgb.dds");
    ASSERT_EQ(srgb.size(), 4u + 124u + 20u + 6u * 16u * 4u);
    std::uint32_t dx10[5] = {};
    std::memcpy(dx10, srgb.data() + 128, sizeof dx10);
    EXPECT_EQ(dx10[0], 29u) << "DXGI_FORMAT_R8G8B8A8_UNORM_SRGB";
    EXPECT_EQ(dx10[1], 3u) << "a 2D texture";
    EXPECT_EQ(dx10[2], 4u) << "a cube";
    EXPECT_EQ(dx10[3], 1u) << "one cube in the array";
}

// Mip-maps of the sRGB files average light, as a GPU does: a black and white
// checker is 188 a level down (128 of the stored values, as the classic DDS
// keeps them).
TEST(DdsFile, MipMapsOfTheSrgbFilesAverageLight) {
    RgbImage checker(2, 2);
    std::memset(checker.At(0, 0), 255, 3);
    std::memset(checker.At(1, 1), 255, 3);
    CubeMap map;
    for (RgbImage& side : map) side = checker;
    TempFolder temp;
    WriteDdsCubeMap(temp / "plain.dds", map, true, false);
    WriteDdsCubeMap(temp / "srgb.dds", map, true, true);
    WriteKtx2CubeMap(temp / "sky.ktx2", map, true);
    const std::string ktx2 = ReadFileBytes(temp / "sky.ktx2");
    std::uint64_t smallest = 0;
    std::memcpy(&smallest, ktx2.data() + 80 + 24, 8);  // level 1's offset
    const struct {
        const char* file;
        std::size_t at;
        int expected;
    } cases[] = {{"plain.dds", 128 + 16, 128}, {"srgb.dds", 148 + 16, 188}, {"sky.ktx2", smallest, 188}};
    for (const auto& c : cases) {
        const std::string bytes = ReadFileBytes(temp / c.file);
        EXPECT_EQ(static_cast<unsigned char>(bytes.at(c.at)), c.expected) << c.file;
    }
}

// An odd size: each texel of a level averages all it covers, so the last
// column of a 5-texel face reaches the 2-texel level and the mean stays.
TEST(DdsFile, MipMapsOfAnOddFaceAverageEveryTexelTheyCover) {
    RgbImage face(5, 5);
    for (int y = 0; y < 5; ++y) face.At(4, y)[0] = 250;
    CubeMap map;
    for (RgbImage& side : map) side = face;
    TempFolder temp;
    WriteDdsCubeMap(temp / "sky.dds", map, true);
    const std::string bytes = ReadFileBytes(temp / "sky.dds");
    ASSERT_EQ(bytes.size(), 128u + 6u * 4u * (25u + 4u + 1u));
    // Texel (x, y) of level `level` of the first face, red: levels 5, 2 and 1 texels wide follow the header.
    const auto red = [&](int level, int x, int y) {
        const int widths[] = {5, 2, 1};
        std::size_t at = 128;
        for (int l = 0; l < level; ++l) at += 4u * widths[l] * widths[l];
        return static_cast<int>(static_cast<std::uint8_t>(bytes[at + 4u * (y * widths[level] + x) + 2]));
    };
    EXPECT_EQ(red(1, 0, 0), 0) << "columns 0 to 2.5";
    EXPECT_EQ(red(1, 1, 1), 100) << "columns 2.5 to 5: two fifths of 250";
    EXPECT_EQ(red(2, 0, 0), 50) << "the face's mean";
}

// Fixtures with four colours at four corners show a turn or a flip.
CubeMap CornerMarkedCubeMap(int n) {
    CubeMap map;
    for (int face = 0; face < 6; ++face) {
        map[face] = RgbImage(n, n);
        for (int y = 0; y < n; ++y) {
            for (int x = 0; x < n; ++x) {
                std::uint8_t* p = map[face].At(x, y);
                p[0] = static_cast<std::uint8_t>(40 * face);
                p[1] = static_cast<std::uint8_t>(x < n / 2 ? 0 : 200);
                p[2] = static_cast<std::uint8_t>(y < n / 2 ? 0 : 200);
            }
        }
    }
    return map;
}

TEST(CubeLayouts, EachCellHoldsItsFaceTheVerticalCrossTurningMinusZ) {
    const int n = 5;
    const CubeMap map = CornerMarkedCubeMap(n);
    const auto cellIs = [&](const RgbImage& picture, int column, int row, int face, bool halfTurn) {
        for (int y = 0; y < n; ++y) {
            for (int x = 0; x < n; ++x) {
                const std::uint8_t* want = halfTurn ? map[face].At(n - 1 - x, n - 1 - y) : map[face].At(x, y);
                if (std::memcmp(picture.At(column * n + x, row * n + y), want, 3) != 0) return false;
            }
        }
        return true;
    };
    const RgbImage cross = HorizontalCross(map), vcross = VerticalCross(map), strip = Strip(map);
    EXPECT_EQ(cross.Width, 4 * n);
    EXPECT_EQ(cross.Height, 3 * n);
    const struct {
        const RgbImage* picture;
        int column, row, face;
        bool halfTurn;
    } cells[] = {
        {&cross, 1, 0, 2, false}, {&cross, 0, 1, 1, false}, {&cross, 1, 1, 4, false}, {&cross, 2, 1, 0, false},
        {&cross, 3, 1, 5, false}, {&cross, 1, 2, 3, false}, {&vcross, 1, 0, 2, false}, {&vcross, 0, 1, 1, false},
        {&vcross, 1, 1, 4, false}, {&vcross, 2, 1, 0, false}, {&vcross, 1, 2, 3, false}, {&vcross, 1, 3, 5, true},
        {&strip, 0, 0, 0, false}, {&strip, 1, 0, 1, false}, {&strip, 2, 0, 2, false}, {&strip, 3, 0, 3, false},
        {&strip, 4, 0, 4, false}, {&strip, 5, 0, 5, false},
    };
    for (const auto& cell : cells) {
        EXPECT_TRUE(cellIs(*cell.picture, cell.column, cell.row, cell.face, cell.halfTurn))
            << cell.column << "," << cell.row << " face " << cell.face;
    }
    EXPECT_EQ(cross.At(0, 0)[0] + cross.At(0, 0)[1] + cross.At(0, 0)[2], 0) << "empty cells are black";
}

// A finished run's faces, named as the finisher names them.
void WriteFaces(const std::string& prefix, const std::vector<std::string>& names, const std::string& extension,
                int size = 8) {
    for (const std::string& name : names) {
        RgbImage face(size, size);
        WriteImageFile(prefix + "_" + name + extension, face);
    }
}

const std::vector<std::string> Compass{"North", "South", "East", "West", "Up", "Down"};

std::string ExportError(const std::vector<std::string>& arguments) {
    try {
        std::ostringstream report;
        RunExport(*ParseExportArguments(arguments), report, nullptr);
        return "";
    } catch (const std::exception& error) {
        return error.what();
    }
}

TEST(ExportCommand, FindsTheFacesUnderEverySchemeAndSaysWhichItUsed) {
    TempFolder temp;
    const struct {
        std::vector<std::string> names;
        std::string extension, description;
    } sets[] = {
        {{"0001", "0002", "0003", "0004", "0005", "0006"}, ".bmp", "As-Is numbers, .bmp"},
        {Compass, ".tga", "Compass names, .tga"},
        {{"N", "S", "E", "W", "U", "D"}, ".jpg", "Compass names, abbreviated, .jpg"},
        {{"Front", "Back", "Left", "Right", "Up", "Down"}, ".jpg", "Direction names, .jpg"},
        {{"F", "B", "L", "R", "U", "D"}, ".bmp", "Direction names, abbreviated, .bmp"},
    };
    int run = 0;
    for (const auto& set : sets) {
        const std::string prefix = temp / ("run" + std::to_string(run++) + "/Sky");
        fs::create_directories(fs::path(prefix).parent_path());
        WriteFaces(prefix, set.names, set.extension);
        const FaceSet found = FindFaceSet(prefix, "/");
        EXPECT_EQ(found.Description, set.description);
        EXPECT_EQ(found.Files[2], prefix + "_" + set.names[2] + set.extension);
        std::ostringstream report;
        RunExport(*ParseExportArguments({prefix, "--cross", temp / "cross.png"}), report, nullptr);
        EXPECT_NE(report.str().find(set.description), std::string::npos) << report.str();
    }
    // A prefix that is not absolute lies in the current folder.
    const fs::path here = fs::current_path();
    fs::current_path(temp.Path());
    const std::string relative = ExportError({"run1/Sky", "--strip", "strip.tga"});
    fs::current_path(here);
    EXPECT_EQ(relative, "");
    EXPECT_TRUE(fs::exists(temp / "strip.tga"));
}

TEST(ExportCommand, BadInputGetsOneClearErrorAndNoOutput) {
    TempFolder temp;
    const std::string sky = temp / "sky";
    const struct {
        const char* what;
        std::function<void()> make;
        std::vector<std::string> said;  // each must be in the error
    } cases[] = {
        {"no face at all", [] {}, {"No face", sky + "_North", ".bmp, .tga and .jpg"}},
        {"a face missing", [&] { WriteFaces(sky, {"North", "South", "East", "West", "Up"}, ".bmp"); },
         {"Compass names, .bmp: missing", sky + "_Down.bmp"}},
        {"two sets",
         [&] {
             WriteFaces(sky, Compass, ".bmp");
             WriteFaces(sky, Compass, ".tga");
         },
         {"More than one", "Compass names, .bmp", "Compass names, .tga", "--faces"}},
        {"not square",
         [&] {
             WriteImageFile(sky + "_Up.bmp", RgbImage(8, 6));
             fs::remove(sky + "_Down.tga");
         },
         {sky + "_Up.bmp", "8 x 6", "square"}},
        {"sizes differ", [&] { WriteImageFile(sky + "_Up.bmp", RgbImage(9, 9)); }, {sky + "_Up.bmp", "one size"}},
        {"does not load", [&] { WriteFileBytes(sky + "_Up.bmp", "not a picture"); }, {sky + "_Up.bmp", "Cannot"}},
    };
    for (const auto& c : cases) {
        c.make();
        const std::string listing = FolderListing(temp.Path());
        const std::string error = ExportError({sky, "--equirect", temp / "pano.png", "--dds", temp / "sky.dds"});
        for (const std::string& part : c.said) EXPECT_NE(error.find(part), std::string::npos) << c.what << ": " << error;
        EXPECT_EQ(FolderListing(temp.Path()), listing) << c.what << ": no output, nothing changed";
    }
    const std::string jpeg = temp / "broken/sky";
    fs::create_directories(temp / "broken");
    WriteFaces(jpeg, Compass, ".jpg");
    WriteFileBytes(jpeg + "_West.jpg", ReadFileBytes(jpeg + "_West.jpg").substr(0, 20));
    const std::string error = ExportError({jpeg, "--strip", temp / "strip.png"});
    EXPECT_NE(error.find(jpeg + "_West.jpg"), std::string::npos) << error;
    EXPECT_FALSE(fs::exists(temp / "strip.png"));

    for (const auto& arguments : std::vector<std::vector<std::string>>{
             {sky}, {sky, "--cross", "x.gif"}, {"--cross", "x.png"}, {sky, "--width", "101", "--equirect", "p.png"},
             {sky, "--faces", "a", "b", "--cross", "x.png"}, {sky, "--frobnicate"}}) {
        EXPECT_THROW(ParseExportArguments(arguments), std::invalid_argument) << arguments.back();
    }
}

TEST(ExportCommand, WritesEveryOutputAskedForBesideItsNameAndNamesTheCubeMapFaces) {
    TempFolder temp;
    WriteFaces(temp / "sky", Compass, ".bmp", 6);
    fs::create_directories(temp / "out");
    WriteFileBytes(temp / "out/pano.bmp", "an older panorama");
    std::ostringstream report;
    RunExport(*ParseExportArguments({"--faces", temp / "sky_North.bmp", temp / "sky_South.bmp", temp / "sky_East.bmp",
                                     temp / "sky_West.bmp", temp / "sky_Up.bmp", temp / "sky_Down.bmp", "--equirect",
                                     temp / "out/pano.bmp", "--width", "20", "--faces-gl", temp / "gl/cube.jpg",
                                     "--vcross", temp / "out/v.tga", "--dds", temp / "out/sky.dds", "--layout", "2x3",
                                     temp / "out/godot.png", "--preview", temp / "out/look.html"}),
              report, nullptr);
    EXPECT_EQ(FolderListing(temp / "out"), "godot.png\nlook.html\npano.bmp\nsky.dds\nv.tga\n");
    EXPECT_NE(ReadFileBytes(temp / "out/look.html").find("<title>Sky: sky_North.bmp</title>"), std::string::npos)
        << "named without the folders, which may hold the user's name";
    const RgbImage godot = Load(temp / "out/godot.png");
    EXPECT_TRUE(godot.Width == 12 && godot.Height == 18) << "2 columns, 3 rows: " << godot.Width << " x " << godot.Height;
    CubeMap map;
    for (RgbImage& side : map) side = RgbImage(2, 2);
    WritePreviewPage(temp / "page.html", map, "Sky: <b>");
    const std::string page = ReadFileBytes(temp / "page.html");
    EXPECT_NE(page.find("<title>Sky: &lt;b&gt;</title>"), std::string::npos) << "the title is text, not markup";
    EXPECT_EQ(FolderListing(temp / "gl"), "cube_nx.jpg\ncube_ny.jpg\ncube_nz.jpg\ncube_px.jpg\ncube_py.jpg\ncube_pz.jpg\n");
    const RgbImage pano = Load(temp / "out/pano.bmp");
    EXPECT_EQ(pano.Width, 20);
    EXPECT_EQ(pano.Height, 10);
    EXPECT_EQ(Load(temp / "out/v.tga").Height, 24);
    EXPECT_EQ(CubeMapFaceFiles(temp / "gl/cube")[5], temp / "gl/cube_nz.png");
}

// Faces above 1024 make a page of 1024 and the export says so; with --size
// the page has the faces asked for, and nothing is said.
TEST(ExportCommand, ThePageCapsLargeFacesAndSaysSo) {
    TempFolder temp;
    WriteFaces(temp / "sky", Compass, ".bmp", 1040);
    for (const bool sized : {false, true}) {
        std::vector<std::string> arguments{temp / "sky", "--preview", temp / "page.html"};
        if (sized) arguments.insert(arguments.end(), {"--size", "8"});
        std::ostringstream report;
        RunExport(*ParseExportArguments(arguments), report, nullptr);
        EXPECT_EQ(report.str().find("faces are 1024 texels a side, not the run's 1040") != std::string::npos, !sized)
            << report.str();
    }
}

struct CommandResult {
    int status;
    std::string output, errors;
};

CommandResult RunCommand(const std::vector<std::string>& arguments) {
    std::ostringstream output, errors;
    const int status = ExportMain(arguments, output, errors, false);
    return {status, output.str(), errors.str()};
}

TEST(ExportCommand, AWrongCommandLineGetsOneLineAndWhereHelpIs) {
    const struct {
        std::vector<std::string> arguments;
        const char* said;
    } cases[] = {
        {{"sky", "--equirect", "p.png", "--width", "512x"}, "not \"512x\""},
        {{"sky", "--dds", "out/sky.png"}, "end the name in .dds"},
        {{"sky", "--faces-gl", "out/sky.gif"}, "or give it no extension"},
        {{"sky", "--faces-gl", "out/dir/"}, "not only a folder"},
        {{"sky", "--cross", "out/a.png", "--strip", "out/./a.png"}, "--cross and --strip both write"},
        {{"sky", "--faces-gl", "out/c.png", "--cross", "out/c_px.png"}, "both write"},
        {{"sky", "--cross", "a.png", "--mipmaps"}, "it needs --dds"},
        {{"sky", "--cross", "a.png", "--width", "64"}, "it needs --equirect"},
        {{"--faces", "n", "s", "e", "w", "u", "--cross", "x.png"}, "needs six files, North, South, East, West, Up and "
                                                                   "Down; it got 5."},
        {{"--faces"}, "it got 0."},
        {{"sky", "--preset", "doom", "out/sky"}, "There is no preset \"doom\": quake3, quake2, halflife, source"},
        {{"sky", "--preset", "quake3", "out/"}, "not only a folder"},
        {{"sky", "--preset", "unity", "out/u", "--north", "engine"}, "--north is for the Quake family"},
        {{"sky", "--preset", "quake3", "q", "--north", "up"}, "--north takes \"engine\""},
        {{"sky", "--cross", "a.png", "--yaw", "east"}, "--yaw takes degrees"},
        {{"sky", "--ktx2", "sky.dds"}, "end the name in .ktx2"},
        {{"sky", "--cross", "a.png", "--dds-srgb"}, "it needs --dds"},
        {{"sky", "--layout", "4x4", "g.png"}, "--layout takes 2x3, 3x2, 1x6 or 6x1"},
        {{"sky", "--layout", "2x3", "g.gif"}, "end the name in .png"},
        {{"sky", "--cross", "a.png", "--size", "0"}, "--size takes a whole number from 1"},
        {{"sky", "--equirect", "p.png", "--size", "64"}, "--size sets the faces of the cube outputs"},
        {{"sky", "--preview", "sky.txt"}, "end the name in .html"},
        {{"sky", "--faces-gl", "a", "--preset", "three", "a"}, "both write"},
    };
    for (const auto& c : cases) {
        const CommandResult result = RunCommand(c.arguments);
        EXPECT_EQ(result.status, 2) << c.said;
        EXPECT_NE(result.errors.find(c.said), std::string::npos) << result.errors;
        EXPECT_TRUE(result.errors.ends_with("\nTry 'vantorix-export --help'.\n")) << result.errors;
        EXPECT_EQ(std::count(result.errors.begin(), result.errors.end(), '\n'), 2) << result.errors;
    }
    const CommandResult nothing = RunCommand({});
    EXPECT_EQ(nothing.status, 2);
    EXPECT_EQ(nothing.errors, ExportUsage());
}

// Every output is checked before the faces are loaded, so a call that fails
// writes nothing: no output is a face it reads, however it is spelled or
// linked, a folder, a read-only file, or in a folder that takes no new
// files. A prefix that names a face file or a folder says which sets lie there.
TEST(ExportCommand, EveryOutputIsCheckedBeforeAnyWorkAndAFailedCallWritesNothing) {
    TempFolder temp;
    WriteFaces(temp / "sky", Compass, ".bmp");
#ifdef _WIN32
    fs::create_hard_link(temp / "sky_East.bmp", temp / "link.bmp");  // Wine makes no symbolic links
#else
    fs::create_symlink(temp / "sky_East.bmp", temp / "link.bmp");
#endif
    fs::create_hard_link(temp / "sky_Up.bmp", temp / "gl_px.bmp");
    fs::create_directory(temp / "folder.dds");
    WriteFileBytes(temp / "locked.png", "old");
    fs::permissions(temp / "locked.png", fs::perms::owner_read);
    const std::string sky = temp / "sky";
    const struct {
        std::vector<std::string> arguments;
        std::string said;
    } cases[] = {
        {{sky, "--cross", sky + "_North.bmp"}, "is the North face this export reads"},
        {{sky, "--strip", temp / "./folder.dds/../sky_South.bmp"}, "is the South face"},
        {{sky, "--equirect", temp / "link.bmp"}, "is the East face"},
        {{sky, "--faces-gl", temp / "gl.bmp"}, "is the Up face"},
#ifndef _WIN32
        {{sky, "--cross", temp / "out/first.png", "--strip", "/proc/strip.png"}, "\"/proc\" takes no new files"},
#endif
        {{sky, "--dds", temp / "folder.dds"}, "is a folder"},
        {{sky, "--cross", temp / "locked.png"}, "read-only"},
        {{sky, "--equirect", temp / "first.png", "--cross", temp / "locked.png"}, "read-only"},
        {{sky, "--cross", sky + "_Down.bmp"}, "is the Down face"},
        {{sky + "_North.bmp", "--cross", temp / "x.png"}, "That is a face file; give the prefix of a set of faces "
                                                          "beside it:\n  \"" + sky + "\" (Compass names, .bmp)"},
        {{temp.Path(), "--cross", temp / "x.png"}, "That is a folder; give the prefix of a set of faces in it:\n  \"" +
                                                       sky + "\" (Compass names, .bmp)"},
    };
    const std::string listing = FolderListing(temp.Path());
    const std::string north = ReadFileBytes(sky + "_North.bmp");
    for (const auto& c : cases) {
        const CommandResult result = RunCommand(c.arguments);
        EXPECT_EQ(result.status, 1) << c.said;
        EXPECT_NE(result.errors.find(c.said), std::string::npos) << result.errors;
        EXPECT_EQ(std::count(result.errors.begin(), result.errors.end(), '\n'),
                  std::count(c.said.begin(), c.said.end(), '\n') + 1)
            << result.errors;
        EXPECT_EQ(FolderListing(temp.Path()), listing) << c.said;
    }
    EXPECT_TRUE(ReadFileBytes(sky + "_North.bmp") == north);
    EXPECT_EQ(RunCommand({sky, "--cross", temp / "out/cross.png"}).status, 0) << "and a sound call still works";
}

// Two options naming one file however it is reached (a linked folder, a
// second name), a mirror of a face's folder, and faces that are no files:
// refused before anything is written.
TEST(ExportCommand, OneFileIsRecognisedHoweverItIsReached) {
    TempFolder temp;
    WriteFaces(temp / "sky", Compass, ".bmp");
    const std::string sky = temp / "sky";
    fs::create_directory(temp / "d1");
    WriteFileBytes(temp / "d1/old.png", "old");
    fs::create_hard_link(temp / "d1/old.png", temp / "d1/second.png");
#ifndef _WIN32
    fs::create_directory_symlink(temp / "d1", temp / "d2");
    ASSERT_EQ(::mkfifo((temp / "pipe.bmp").c_str(), 0644), 0);
    const testing::Mirror mirror(temp.Path(), temp / "mirror");
#endif
    const struct {
        std::vector<std::string> arguments;
        int status;
        std::string said;
    } cases[] = {
        {{sky, "--cross", temp / "d1/old.png", "--strip", temp / "d1/second.png"}, 2, "both write"},
#ifdef _WIN32
        {{sky, "--cross", temp / "d1/New.png", "--strip", temp / "D1/nEW.png"}, 2, "both write"},  // Windows folds case
#else
        {{sky, "--cross", temp / "d1/x.png", "--strip", temp / "d2/x.png"}, 2, "both write"},
        {{"--faces", sky + "_North.bmp", sky + "_South.bmp", sky + "_East.bmp", sky + "_West.bmp", temp / "pipe.bmp",
          sky + "_Down.bmp", "--cross", temp / "x.png"},
         1, "\"" + temp / "pipe.bmp" + "\": it is a named pipe"},
#endif
    };
    const std::string listing = FolderListing(temp / "d1");
    for (const auto& c : cases) {
        const CommandResult result = RunCommand(c.arguments);
        EXPECT_EQ(result.status, c.status) << c.said;
        EXPECT_NE(result.errors.find(c.said), std::string::npos) << result.errors;
        EXPECT_EQ(FolderListing(temp / "d1"), listing) << c.said;
    }
#ifndef _WIN32
    if (mirror.WhyNot().empty()) {
        const std::string north = ReadFileBytes(sky + "_North.bmp");
        EXPECT_EQ(RunCommand({sky, "--cross", temp / "mirror/sky_North.bmp"}).status, 1);
        EXPECT_TRUE(ReadFileBytes(sky + "_North.bmp") == north);
    }
#endif
}

#ifndef _WIN32
// A disk that fills up at the second output: the first is not replaced either.
TEST(ExportCommand, ACallIsAllOrNothing) {
    TempFolder temp;
    WriteFaces(temp / "sky", Compass, ".bmp", 32);
    const std::string disk = temp / "disk";
    const testing::SmallDisk small(disk);
    if (!small.WhyNot().empty()) GTEST_SKIP() << small.WhyNot();
    WriteFileBytes(disk + "/filler", std::string(32 * 1024, 'f'));
    WriteFileBytes(disk + "/pano.bmp", "old");  // the panorama, 25 KB, fits; the cross, 37 KB more, does not
    const CommandResult result =
        RunCommand({temp / "sky", "--equirect", disk + "/pano.bmp", "--cross", disk + "/cross.bmp"});
    EXPECT_EQ(result.status, 1);
    EXPECT_EQ(result.output.find("Wrote"), std::string::npos) << result.output;
    EXPECT_EQ(ReadFileBytes(disk + "/pano.bmp"), "old");
    EXPECT_EQ(FolderListing(disk), "filler\npano.bmp\n");
}

// Run from a folder that has been removed, a relative name gets one message.
TEST(ExportCommand, ACurrentFolderThatIsGoneGetsOneMessage) {
    TempFolder temp;
    WriteFaces(temp / "sky", Compass, ".bmp");
    const fs::path here = fs::current_path();
    fs::create_directory(temp / "gone");
    fs::current_path(temp / "gone");
    fs::remove(temp / "gone");
    const CommandResult result = RunCommand({temp / "sky", "--cross", "cross.png"});
    fs::current_path(here);
    EXPECT_EQ(result.status, 1);
    EXPECT_NE(result.errors.find("current folder"), std::string::npos) << result.errors;
    EXPECT_EQ(std::count(result.errors.begin(), result.errors.end(), '\n'), 1) << result.errors;
}
#endif

}  // namespace
}  // namespace vantorix::cube
