#include "bench/BenchFaces.h"

#include <cstring>
#include <fstream>
#include <stdexcept>
#include <vector>

namespace vantorix::bench {

namespace {

void Put16(std::uint8_t* at, std::uint32_t value) {
    at[0] = static_cast<std::uint8_t>(value);
    at[1] = static_cast<std::uint8_t>(value >> 8);
}

void Put32(std::uint8_t* at, std::uint32_t value) {
    Put16(at, value);
    Put16(at + 2, value >> 16);
}

}  // namespace

void WriteSkyFace(const std::string& path, std::int32_t width, std::int32_t height, std::uint32_t variant) {
    const std::uint32_t rowBytes = (static_cast<std::uint32_t>(width) * 3 + 3) & ~3u;
    const std::uint32_t pixelBytes = rowBytes * static_cast<std::uint32_t>(height);
    std::uint8_t header[54] = {'B', 'M'};
    Put32(header + 2, 54 + pixelBytes);
    Put32(header + 10, 54);
    Put32(header + 14, 40);
    Put32(header + 18, static_cast<std::uint32_t>(width));
    Put32(header + 22, static_cast<std::uint32_t>(height));
    Put16(header + 26, 1);
    Put16(header + 28, 24);
    Put32(header + 34, pixelBytes);

    std::vector<std::uint8_t> row(rowBytes, 0);
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(header), sizeof header);
    std::uint32_t noise = variant * 2654435761u + 1;
    for (std::int32_t y = 0; y < height; ++y) {  // bottom row first
        const double up = static_cast<double>(y) / height;
        for (std::int32_t x = 0; x < width; ++x) {
            noise = noise * 1664525u + 1013904223u;
            const int jitter = static_cast<int>(noise >> 29) - 4;
            const double across = static_cast<double>(x) / width;
            row[3 * x] = static_cast<std::uint8_t>(180 + 70 * up + jitter);
            row[3 * x + 1] = static_cast<std::uint8_t>(150 + 60 * up - 20 * across + jitter);
            row[3 * x + 2] = static_cast<std::uint8_t>(200 - 120 * up + 30 * across + jitter);
        }
        out.write(reinterpret_cast<const char*>(row.data()), rowBytes);
    }
    if (!out.flush()) throw std::runtime_error("cannot write " + path);
}

}  // namespace vantorix::bench
