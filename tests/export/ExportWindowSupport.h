#pragma once

// What the tests of the export window (Qt's and Windows') share: a finished
// run beside the program, files read whole, and a commit held until the
// test has pressed Cancel.
#include "export/ImageFile.h"
#include "platform/ReplacementFile.h"
#include "tests/collect/CollectTestSupport.h"

#include <array>
#include <atomic>
#include <fstream>
#include <functional>
#include <string>
#include <thread>

namespace vantorix::testing {

// The faces of a finished run beside the program, Compass names; `sizes` a side each.
inline void WriteRun(const ProgramFolder& program, std::array<int, 6> sizes = {32, 32, 32, 32, 32, 32},
                     int missing = -1, const char* kind = ".jpg") {
    constexpr const char* Compass[] = {"North", "South", "East", "West", "Up", "Down"};
    for (int face = 0; face < 6; ++face) {
        if (face == missing) continue;
        cube::RgbImage image(sizes[face], sizes[face]);
        for (std::size_t i = 0; i < image.Pixels.size(); ++i) image.Pixels[i] = static_cast<std::uint8_t>(i * 7 + face * 40);
        cube::WriteImageFile(program.Output(std::string("NewSky_") + Compass[face] + kind), image);
    }
}

inline std::string Bytes(const std::string& path) {
    std::ifstream in(U8(path), std::ios::binary);
    return {std::istreambuf_iterator<char>(in), {}};
}

// Holds the export's first commit (its panorama written) on the export's
// thread until Release; the window's own loop runs meanwhile.
class HeldCommit {
public:
    HeldCommit() {
        stage = 0;
        ReplacementFile::ObserveCommitsForTesting([](const ReplacementFile&) {
            stage = 1;
            while (stage != 2) std::this_thread::yield();
        });
    }
    ~HeldCommit() {
        Release();
        ReplacementFile::ObserveCommitsForTesting({});
    }
    // Runs `wait` (the window's loop for a moment) until the commit is held, five seconds at most.
    bool WaitUntilHeld(const std::function<void()>& wait) {
        for (int i = 0; i < 1000 && stage != 1; ++i) wait();
        return stage == 1;
    }
    void Release() { stage = 2; }

private:
    static inline std::atomic<int> stage{0};
};

}  // namespace vantorix::testing
