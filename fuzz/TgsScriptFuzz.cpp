// Any text as a script for the stand-in renderer: every frame it asks for is
// rendered, small, so that odd cameras reach the scene's arithmetic too.
#include "tools/tgsrender/SkyScene.h"
#include "tools/tgsrender/TerragenScript.h"

#include <cstdint>
#include <cstdlib>
#include <string_view>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using namespace vantorix::tgs;
    const std::string_view script(reinterpret_cast<const char*>(data), size);
    int frames = 0;
    try {
        RunTerragenScript(script, [&](const std::string& frameName, const Camera& camera) {
            if (frameName.size() < 8 || !frameName.ends_with(".bmp")) std::abort();
            if (++frames > 32) return;  // a bounded amount of work per input
            // 5 x 3 pixels: rows of 15 bytes padded to 16.
            if (RenderFrame(SkyScene{}, camera, 5, 3).size() != 48) std::abort();
        });
    } catch (const ScriptError&) {
    }
    return 0;
}
