#pragma once

#include <cstdint>
#include <string>

namespace vantorix::bench {

// Writes a 24-bit bottom-up BMP as a renderer would: a smooth sky gradient
// with a little noise, so that JPEG sizes come out as for real faces. Each
// variant gives other noise.
void WriteSkyFace(const std::string& path, std::int32_t width, std::int32_t height, std::uint32_t variant);

}  // namespace vantorix::bench
