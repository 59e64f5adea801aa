#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

// A JPEG encoder with the shape of a classic Windows JPEG library: one
// properties record, set up by ijlInit, filled by the caller, written by
// ijlWrite and released by ijlFree. The encoding is libjpeg-turbo's, bound
// at the first ijlInit so that the program runs without it until it is
// needed.
namespace vantorix::ijl {

// Results: 0 is success, anything else an error.
inline constexpr int IJL_OK = 0;
inline constexpr int IJL_NOT_INITIALISED = -1;     // the record was not set up by ijlInit
inline constexpr int IJL_UNSUPPORTED_MODE = -2;    // only whole-image file writes are done
inline constexpr int IJL_INVALID_PROPERTIES = -3;  // pixels, sizes, channels, colours or quality
inline constexpr int IJL_INVALID_FILENAME = -4;
inline constexpr int IJL_MEMORY_ERROR = -5;        // the encoder could not be set up
inline constexpr int IJL_ENCODER_ERROR = -6;
inline constexpr int IJL_FILE_ERROR = -7;          // the file could not be created, written or flushed

inline constexpr int IJL_JFILE_WRITEWHOLEIMAGE = 8;

enum IJL_COLOR : std::int32_t { IJL_OTHER = 0, IJL_BGR = 1, IJL_YCBCR = 2 };
enum IJL_JPGSUBSAMPLING : std::int32_t { IJL_NONE = 0, IJL_420 = 1 };

struct JPEG_CORE_PROPERTIES {
    // The bitmap: DIBHeight below 0 means the rows lie bottom-up in memory,
    // starting at DIBBytes; each row is followed by DIBPadBytes unused bytes.
    std::uint8_t* DIBBytes;
    std::int32_t DIBWidth;
    std::int32_t DIBHeight;
    std::int32_t DIBPadBytes;
    std::int32_t DIBChannels;
    IJL_COLOR DIBColor;

    // The file: its name, ended by a zero byte, and the picture's size in it.
    // The bytes go to JPGOutput, the file its caller holds open: a name can be
    // made to lead elsewhere between its creation and the write.
    const char* JPGFile;
    std::function<void(const unsigned char* bytes, std::size_t size)> JPGOutput;
    std::int32_t JPGWidth;
    std::int32_t JPGHeight;
    std::int32_t JPGChannels;
    IJL_COLOR JPGColor;
    IJL_JPGSUBSAMPLING JPGSubsampling;

    std::int32_t jquality;  // 0 to 100

    void* encoder;  // the library's own, from ijlInit to ijlFree
};

// Sets the record up for a three-channel blue-green-red bitmap and a YCbCr
// file with 4:2:0 subsampling, quality 75. Binds the library on first use:
// a library or entry point that cannot be found throws std::runtime_error.
int ijlInit(JPEG_CORE_PROPERTIES* jcprops);

// Encodes the whole bitmap and hands the complete file's bytes to JPGOutput;
// a FileError it throws fails the write as IJL_FILE_ERROR.
// The pixels are read where they lie. Quality 0 gives the encoder's lowest.
int ijlWrite(JPEG_CORE_PROPERTIES* jcprops, int iotype);

// Releases what ijlInit set up.
int ijlFree(JPEG_CORE_PROPERTIES* jcprops);

// Why the last ijlWrite of this thread failed, as a sentence fragment
// ("No space left on device"); empty after a success.
std::string ijlLastErrorText();

// A picture decoded from a JPEG file's bytes: red, green, blue bytes per
// pixel, rows from the top, no padding.
struct DecodedJpeg {
    int Width = 0;
    int Height = 0;
    std::vector<std::uint8_t> Rgb;
};

// Decodes a whole JPEG file with the same library ijlInit binds. Throws
// std::runtime_error with the library's reason when the bytes are no JPEG
// picture it can read, and when the library cannot be loaded.
DecodedJpeg DecodeJpeg(const std::vector<std::uint8_t>& file);

// Encodes rows of red, green, blue bytes from the top (4:2:0, or 4:4:4 for
// full colour; accurate DCT) into the bytes of a JPEG file; quality 1 to 100.
// Throws std::runtime_error.
std::vector<std::uint8_t> EncodeJpeg(const std::uint8_t* rgb, int width, int height, int quality,
                                     bool fullColour = false);

// Test seams: the library to bind from now on (empty: libjpeg-turbo's), and
// a function shown every record ijlWrite is given (empty: none).
void UseLibraryForTesting(const std::string& name);
void ObserveWritesForTesting(std::function<void(const JPEG_CORE_PROPERTIES&)> observer);

}  // namespace vantorix::ijl
