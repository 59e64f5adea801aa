#pragma once

#include "platform/JpegLibrary.h"

#include <cstdint>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <cstdio>
#include <stdexcept>
#include <string>
#include <vector>

namespace vantorix::testing {

// A picture as a decoder we did not write sees it: red, green, blue per
// pixel, top row first.
struct DecodedPicture {
    int width = 0;
    int height = 0;
    std::vector<std::uint8_t> rgb;
    const std::uint8_t* At(int x, int y) const { return rgb.data() + 3 * (static_cast<std::size_t>(y) * width + x); }
};

#ifdef _WIN32
// libjpeg-turbo's own decoder: on Windows the library itself, as linked in.
inline DecodedPicture DecodeWithDjpeg(const std::string& path) {
    std::ifstream in(std::filesystem::path(std::u8string(path.begin(), path.end())), std::ios::binary);
    const std::vector<std::uint8_t> bytes{std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
    const ijl::DecodedJpeg decoded = ijl::DecodeJpeg(bytes);
    return {decoded.Width, decoded.Height, decoded.Rgb};
}
#else
// Runs a command that writes one binary PPM to its standard output.
inline DecodedPicture DecodeThroughPpm(const std::string& command) {
    FILE* pipe = ::popen(command.c_str(), "r");
    if (pipe == nullptr) throw std::runtime_error("cannot run: " + command);
    std::string bytes;
    char buffer[65536];
    for (std::size_t got; (got = std::fread(buffer, 1, sizeof buffer, pipe)) > 0;) bytes.append(buffer, got);
    if (::pclose(pipe) != 0) throw std::runtime_error("failed: " + command);

    DecodedPicture picture;
    int maxValue = 0;
    int headerLength = 0;
    if (std::sscanf(bytes.c_str(), "P6 %d %d %d%n", &picture.width, &picture.height, &maxValue, &headerLength) != 3 ||
        maxValue != 255) {
        throw std::runtime_error("no 8-bit colour picture from: " + command);
    }
    picture.rgb.assign(bytes.begin() + headerLength + 1, bytes.end());
    if (picture.rgb.size() != 3u * picture.width * picture.height) throw std::runtime_error("short picture from: " + command);
    return picture;
}

// libjpeg-turbo's own decoder.
inline DecodedPicture DecodeWithDjpeg(const std::string& path) {
    return DecodeThroughPpm("djpeg -pnm '" + path + "'");
}

inline DecodedPicture DecodeWithImageMagick(const std::string& path) {
    return DecodeThroughPpm("convert '" + path + "' -auto-orient -depth 8 ppm:-");
}

// OpenImageIO's command-line tool, by way of a PPM file of its own.
inline DecodedPicture DecodeWithOpenImageIO(const std::string& path) {
    return DecodeThroughPpm("f=$(mktemp --suffix=.ppm) && oiiotool '" + path +
                            "' -ch R,G,B -d uint8 -o \"$f\" && cat \"$f\"; s=$?; rm -f \"$f\"; exit $s");
}

// Debian's Pillow, for the system's own Python.
inline DecodedPicture DecodeWithPillow(const std::string& path) {
    return DecodeThroughPpm("/usr/bin/python3 -c \"import sys; from PIL import Image; "
                            "Image.open(sys.argv[1]).convert('RGB').save(sys.stdout.buffer, 'PPM')\" '" +
                            path + "'");
}
#endif

}  // namespace vantorix::testing
