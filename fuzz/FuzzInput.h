#pragma once

#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <random>
#include <stdexcept>
#include <string>

namespace vantorix::fuzz {

// The readers take file names, so each input goes through a file of its own
// name in a folder private to this process.
inline std::string WriteInputFile(const std::string& name, const std::uint8_t* data, std::size_t size) {
    static const std::string folder = [] {
        std::random_device random;
        for (int attempt = 0; attempt < 100; ++attempt) {
            const auto candidate = std::filesystem::temp_directory_path() / ("vantorix-fuzz-" + std::to_string(random()));
            std::error_code error;
            if (std::filesystem::create_directory(candidate, error)) return candidate.string();
        }
        throw std::runtime_error("cannot make a folder for the inputs");
    }();
    const std::string path = folder + "/" + name;
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(data), static_cast<std::streamsize>(size));
    if (!out.flush()) throw std::runtime_error("cannot write " + path);
    return path;
}

}  // namespace vantorix::fuzz
