#include "imaging/mSaveTGA.h"

#include "imaging/CheckedInt.h"
#include "platform/ReplacementFile.h"

#include <array>
#include <cstring>
#include <stdexcept>
#include <string_view>
#include <vector>

namespace vantorix {

void SaveTGA(const std::string& FileName, const PixelBlock& Pixels, std::int32_t Width, std::int32_t Height) {
    if (FileName.empty()) return;

    const std::string sizeText = std::to_string(Width) + " x " + std::to_string(Height) + " pixels";
    const std::string prefix = "Cannot write \"" + FileName + "\": ";
    if (Width < 0 || Height < 0) throw std::out_of_range(prefix + sizeText + " is not a picture size.");
    const std::int32_t rowBytes = CheckedMultiply(Width, 3, "the size of \"" + FileName + "\"");
    const std::int32_t dataBytes = CheckedMultiply(rowBytes, Height, "the size of \"" + FileName + "\"");
    if (Width > 32767 || Height > 32767) {
        throw std::overflow_error(prefix + "a TGA picture is at most 32767 pixels wide and high, not " + sizeText + ".");
    }
    if (Pixels.Columns() < rowBytes || Pixels.Rows() < Height) {
        throw std::out_of_range(prefix + "the pixel block is smaller than " + sizeText + ".");
    }

    std::array<char, 18> header{};
    header[2] = 2;  // uncompressed true-colour
    header[12] = static_cast<char>(Width & 0xFF);
    header[13] = static_cast<char>(Width >> 8);
    header[14] = static_cast<char>(Height & 0xFF);
    header[15] = static_cast<char>(Height >> 8);
    header[16] = 24;

    // A block exactly as wide as the picture already lies as the file's rows.
    std::string_view data;
    std::vector<char> gathered;
    if (dataBytes == 0) {
        data = {};
    } else if (Pixels.Columns() == rowBytes) {
        data = {reinterpret_cast<const char*>(Pixels.Row(0)), static_cast<std::size_t>(dataBytes)};
    } else {
        gathered.resize(static_cast<std::size_t>(dataBytes));
        for (std::int32_t y = 0; y < Height; ++y) {
            std::memcpy(gathered.data() + static_cast<std::ptrdiff_t>(y) * rowBytes, Pixels.Row(y),
                        static_cast<std::size_t>(rowBytes));
        }
        data = {gathered.data(), gathered.size()};
    }

    ReplacementFile file(FileName, InPlaceWriting::ForAPlainFile);
    file.Write({header.data(), header.size()});
    file.Write(data);
    file.Commit();
}

}  // namespace vantorix
