// The run-length decoder on its own: two bytes of width, two of height and
// one of pixel size (3 or 4) lead the packet stream.
#include "imaging/mPictureLoader.h"

#include <cstdlib>
#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size < 5) return 0;
    const std::int32_t width = data[0] | (data[1] << 8);
    const std::int32_t height = data[2] | (data[3] << 8);
    const int bytesPerPixel = (data[4] & 1) != 0 ? 4 : 3;
    // Pictures of up to 64 Ki pixels reach every branch; larger ones only slow the search.
    if (static_cast<std::int64_t>(width) * height > (1 << 16)) return 0;

    std::vector<std::uint8_t> stream(data + 5, data + size);
    vantorix::DecodeTGARLE(stream, width, height, bytesPerPixel);
    if (stream.size() != static_cast<std::size_t>(width) * static_cast<std::size_t>(height) * 3) std::abort();
    return 0;
}
