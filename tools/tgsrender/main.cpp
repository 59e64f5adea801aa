// tgsrender: stands in for Terragen where it is not installed. It executes
// a script's camera and frame commands and renders a simple scene.
#include "tools/tgsrender/FrameFile.h"
#include "tools/tgsrender/SkyScene.h"
#include "tools/tgsrender/TerragenScript.h"
#ifdef _WIN32
#include "platform/win32/Windows.h"
#else
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

#ifdef _WIN32
// Names come from the script and the command line in the ANSI code page,
// and a console shows another (the OEM one): a line for a console goes to it
// as UTF-16, a line for a file or a pipe as it is.
void Say(std::ostream& stream, const std::string& line) {
    const HANDLE console = ::GetStdHandle(&stream == &std::cout ? STD_OUTPUT_HANDLE : STD_ERROR_HANDLE);
    DWORD mode = 0;
    if (!::GetConsoleMode(console, &mode)) {
        stream << line << std::flush;
        return;
    }
    stream.flush();
    const int length = ::MultiByteToWideChar(CP_ACP, 0, line.data(), static_cast<int>(line.size()), nullptr, 0);
    std::wstring wide(static_cast<std::size_t>(length), L'\0');
    ::MultiByteToWideChar(CP_ACP, 0, line.data(), static_cast<int>(line.size()), wide.data(), length);
    DWORD written = 0;
    ::WriteConsoleW(console, wide.data(), static_cast<DWORD>(wide.size()), &written, nullptr);
}
#else
void Say(std::ostream& stream, const std::string& line) {
    stream << line << std::flush;
}
#endif

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
            Say(std::cerr, "tgsrender: unknown option " + option + "\n" + Usage);
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
        Say(std::cerr, "tgsrender: cannot read \"" + std::string(scriptPath) + "\": " + std::strerror(errno) + "\n");
        return 1;
    }
    std::string script = text.str();
#ifndef _WIN32
    // Terragen reads the script in the Windows code page of the user's
    // language, and Wine hands the names in it to Linux as UTF-8.
    try {
        script = vantorix::ansi::FromCodePage(script, vantorix::ansi::SystemCodePage());
    } catch (const std::invalid_argument& error) {
        Say(std::cerr, "tgsrender: " + std::string(scriptPath) + ": " + error.what() + "\n");
        return 1;
    }
#endif
    const SkyScene scene{static_cast<double>(terrain)};
    const FrameWriting writing{pieces, std::chrono::milliseconds(piecePause)};
    try {
        RunTerragenScript(script, [&](const std::string& frameName, const Camera& camera) {
            WriteFrameFile(frameName, size, size, RenderFrame(scene, camera, size, size), writing);
            Say(std::cout, "Rendered " + frameName + "\n");
            std::this_thread::sleep_for(std::chrono::milliseconds(framePause));
        });
    } catch (const ScriptError& error) {
        Say(std::cerr, "tgsrender: " + std::string(scriptPath) + ", " + error.what() + "\n");
        return 1;
    } catch (const std::exception& error) {
        Say(std::cerr, "tgsrender: " + std::string(error.what()) + "\n");
        return 1;
    }
    return 0;
}
