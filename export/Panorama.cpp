#include "export/Panorama.h"

#include <algorithm>
#include <atomic>
#include <cmath>
#include <numbers>
#include <stdexcept>
#include <thread>
#include <vector>

namespace vantorix::cube {

namespace {

double HeadingOf(int width, double u) { return (360.0 * (u + 0.5) / width - 180.0) * std::numbers::pi / 180.0; }
double PitchOf(int height, double v) { return (90.0 - 180.0 * (v + 0.5) / height) * std::numbers::pi / 180.0; }

}  // namespace

Vec3 PanoramaDirection(int width, double u, double v) {
    const double heading = HeadingOf(width, u), pitch = PitchOf(width / 2, v);
    return {std::sin(heading) * std::cos(pitch), std::cos(heading) * std::cos(pitch), std::sin(pitch)};
}

RgbImage EquirectangularPanorama(const CubeFaces& faces, int width, int threads, const Progress& progress) {
    if (width < 2 || width % 2 != 0 || width > 65536) {
        throw std::invalid_argument("A panorama is an even number of pixels wide, from 2 to 65536, not " +
                                    std::to_string(width) + ".");
    }
    const int height = width / 2;
    RgbImage panorama(width, height);
    // Every row shares its columns' headings, every column its row's pitch.
    std::vector<double> sinHeading(static_cast<std::size_t>(width)), cosHeading(static_cast<std::size_t>(width));
    for (int u = 0; u < width; ++u) {
        sinHeading[u] = std::sin(HeadingOf(width, u));
        cosHeading[u] = std::cos(HeadingOf(width, u));
    }
    std::atomic<int> nextRow{0}, rowsDone{0};
    const auto work = [&] {
        for (int v; (v = nextRow.fetch_add(1)) < height;) {
            const double pitch = PitchOf(height, v);
            const double sinPitch = std::sin(pitch), cosPitch = std::cos(pitch);
            std::uint8_t* out = panorama.At(0, v);
            for (int u = 0; u < width; ++u, out += 3) {
                faces.Sample({sinHeading[u] * cosPitch, cosHeading[u] * cosPitch, sinPitch}, out);
            }
            rowsDone.fetch_add(1);
        }
    };
    const int count = threads > 0 ? threads : static_cast<int>(std::max(1u, std::thread::hardware_concurrency()));
    std::vector<std::thread> helpers;
    for (int i = 1; i < count; ++i) helpers.emplace_back(work);
    if (progress) {
        // This thread reports while the helpers work, then helps with what is left.
        while (helpers.size() > 0 && rowsDone.load() < height && nextRow.load() < height) {
            progress(static_cast<double>(rowsDone.load()) / height);
            std::this_thread::sleep_for(std::chrono::milliseconds(100));
        }
    }
    work();
    for (std::thread& helper : helpers) helper.join();
    if (progress) progress(1.0);
    return panorama;
}

}  // namespace vantorix::cube
