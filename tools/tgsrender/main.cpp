// tgsrender: stands in for Terragen where it is not installed. It executes
// a script's camera and frame commands and renders a simple scene.
#include "tools/tgsrender/FrameFile.h"
#include "tools/tgsrender/SkyScene.h"
#include "tools/tgsrender/TerragenScript.h"
#ifndef _WIN32
#include "platform/AnsiCodePage.h"
#endif

#include <cerrno>
#include <charconv>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <iostream>
#include <sstream>
#include <string>
#include <thread>

namespace {

using namespace vantorix::tgs;

constexpr const char* Usage =
    "usage: tgsrender [options] SCRIPT.tgs\n"
    "Executes a Terragen script's InitAnim, CamPos, TarPos, Zoom, CamB, CamP, CamH\n"
    "and FRend commands, writing each frame as a 24-bit BMP.\n"
    "  --size N          frame width and height in pixels (default 256)\n"
    "  --terrain N       the landscape's side in terrain units (default 256)\n"
    "  --frame-pause MS  pause after each frame\n"
    "  --pieces N        write each frame in N parts, as a slow renderer would\n"
    "  --piece-pause MS  pause between those parts (default 250)\n";

bool ReadWhole(const char* text, int low, int high, int& value) {
    const char* end = text + std::strlen(text);
    const auto [stop, error] = std::from_chars(text, end, value);
    return error == std::errc() && stop == end && value >= low && value <= high;
}

}  // namespace

int main(int argc, char** argv) {
    int size = 256, terrain = 256, framePause = 0, pieces = 1, piecePause = 250;
    const char* scriptPath = nullptr;
    for (int i = 1; i < argc; ++i) {
        const std::string option = argv[i];
        int* target = option == "--size"          ? &size
                      : option == "--terrain"     ? &terrain
                      : option == "--frame-pause" ? &framePause
                      : option == "--pieces"      ? &pieces
                      : option == "--piece-pause" ? &piecePause
                                                  : nullptr;
        if (target != nullptr) {
            if (i + 1 == argc || !ReadWhole(argv[i + 1], target == &framePause || target == &piecePause ? 0 : 1,
                                            target == &size ? 16384 : 1000000, *target)) {
                std::cerr << "tgsrender: " << option << " needs a whole number in range\n" << Usage;
                return 2;
            }
            ++i;
        } else if (option == "--help") {
            std::cout << Usage;
            return 0;
        } else if (scriptPath == nullptr && option.rfind("--", 0) != 0) {
            scriptPath = argv[i];
        } else {
            std::cerr << "tgsrender: unknown option " << option << "\n" << Usage;
            return 2;
        }
    }
    if (scriptPath == nullptr) {
        std::cerr << Usage;
        return 2;
    }

    std::ifstream in(scriptPath, std::ios::binary);
    std::stringstream text;
    text << in.rdbuf();
    if (!in) {
        std::cerr << "tgsrender: cannot read \"" << scriptPath << "\": " << std::strerror(errno) << "\n";
        return 1;
    }
    std::string script = text.str();
#ifndef _WIN32
    // Terragen reads the script in the Windows code page of the user's
    // language, and Wine hands the names in it to Linux as UTF-8.
    try {
        script = vantorix::ansi::FromCodePage(script, vantorix::ansi::SystemCodePage());
    } catch (const std::invalid_argument& error) {
        std::cerr << "tgsrender: " << scriptPath << ": " << error.what() << "\n";
        return 1;
    }
#endif
    const SkyScene scene{static_cast<double>(terrain)};
    const FrameWriting writing{pieces, std::chrono::milliseconds(piecePause)};
    try {
        RunTerragenScript(script, [&](const std::string& frameName, const Camera& camera) {
            WriteFrameFile(frameName, size, size, RenderFrame(scene, camera, size, size), writing);
            std::cout << "Rendered " << frameName << std::endl;
            std::this_thread::sleep_for(std::chrono::milliseconds(framePause));
        });
    } catch (const ScriptError& error) {
        std::cerr << "tgsrender: " << scriptPath << ", " << error.what() << "\n";
        return 1;
    } catch (const std::exception& error) {
        std::cerr << "tgsrender: " << error.what() << "\n";
        return 1;
    }
    return 0;
}
