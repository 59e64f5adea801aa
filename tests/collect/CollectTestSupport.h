#pragma once

#include "job/SkyboxJob.h"
#include "job/mMain.h"
#include "platform/MessageBox.h"
#include "tools/tgsrender/FrameFile.h"

#include <cstdint>
#include <string>
#include <vector>

#include <random>

#include "tests/support/TempFolder.h"
#ifndef _WIN32
#include "tests/support/SmallDisk.h"
#endif

namespace vantorix::testing {

// A program folder of its own, with its render folder made.
struct ProgramFolder {
    TempFolder folder;
    std::string Path() const { return folder.Path(); }
    std::string Render(int frame) const { return RenderFrameName(folder.Path(), frame); }
    std::string Output(const std::string& name) const { return RenderFolder(folder.Path()) + name; }
    ProgramFolder() { CreateFolderPath(RenderFolder(folder.Path())); }
};

// The bottom-up rows of a small picture that differs with `variant`.
inline std::vector<std::uint8_t> RenderPixels(int width, int height, int variant) {
    const std::size_t rowBytes = (static_cast<std::size_t>(width) * 3 + 3) & ~std::size_t{3};
    std::vector<std::uint8_t> pixels(rowBytes * static_cast<std::size_t>(height), 0);
    for (int y = 0; y < height; ++y) {
        for (int x = 0; x < width * 3; ++x) pixels[y * rowBytes + x] = static_cast<std::uint8_t>(variant * 40 + x * 3 + y * 7);
    }
    return pixels;
}

// Writes a render as Terragen would: a 24-bit bottom-up BMP.
inline void WriteRender(const std::string& path, int variant, int width = 7, int height = 5) {
    tgs::WriteFrameFile(path, width, height, RenderPixels(width, height, variant));
}

// A job with the given faces chosen (by index), the output prefix
// in the render folder, and the other settings as given.
inline SkyboxJob JobFor(const ProgramFolder& program, std::vector<int> faces, int convert, int scheme = 1,
                        bool abbreviate = false) {
    SkyboxJob job = DefaultSkyboxJob(program.Path());
    job.Render = {};
    for (const int face : faces) job.Render[face] = true;
    job.Convert = convert;
    job.NameScheme = scheme;
    job.NameAbreviate = abbreviate;
    return job;
}

struct Message {
    std::string text, caption;
    unsigned style;
};

// Collects the message boxes shown while it lives, answering OK.
class MessageCatcher {
public:
    MessageCatcher() {
        SetMessageBoxHandler([this](const std::string& text, const std::string& caption, unsigned style) {
            shown.push_back({text, caption, style});
            return IDOK;
        });
    }
    ~MessageCatcher() { SetMessageBoxHandler({}); }
    std::vector<Message> shown;
};

// A render of noise, which no JPEG encoder squeezes below 64 KiB.
inline void WriteNoiseRender(const std::string& path) {
    std::vector<std::uint8_t> noise(300 * 300 * 3);
    std::mt19937 random(7);
    for (auto& byte : noise) byte = static_cast<std::uint8_t>(random());
    tgs::WriteFrameFile(path, 300, 300, noise);
}

}  // namespace vantorix::testing
