#include "export/Panorama.h"

#include "export/ImageFile.h"
#include "export/OrderedBands.h"
#include "export/PngFile.h"
#include "platform/ReplacementFile.h"

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

void CheckWidth(int width) {
    if (width < 2 || width % 2 != 0 || width > 65536) {
        throw std::invalid_argument("A panorama is an even number of pixels wide, from 2 to 65536, not " +
                                    std::to_string(width) + ".");
    }
}

// Every row shares its columns' headings, every column its row's pitch.
CubeFaces::Columns PanoramaColumns(const CubeFaces& faces, int width) {
    std::vector<double> sinHeading(static_cast<std::size_t>(width)), cosHeading(static_cast<std::size_t>(width));
    for (int u = 0; u < width; ++u) {
        sinHeading[u] = std::sin(HeadingOf(width, u));
        cosHeading[u] = std::cos(HeadingOf(width, u));
    }
    return faces.PrepareColumns(sinHeading, cosHeading);
}

// The panorama's rows. Narrower than four faces (the width at which a pixel
// spans a texel), each pixel is the mean of k x k samples spread evenly over
// its footprint, k enough for a sample every half texel: a bilinear tap
// alone would skip texels and show their pattern as aliasing.
class RowSampler {
public:
    RowSampler(const CubeFaces& faces, int width)
        : faces_(faces), width_(width), height_(width / 2),
          k_(width >= 4 * faces.Size() ? 1 : (8 * faces.Size() + width - 1) / width),
          columns_(PanoramaColumns(faces, width * k_)) {}

    void Sample(int v, std::uint8_t* out, ChannelOrder order = ChannelOrder::Rgb) const {
        if (k_ == 1) return SampleAt(height_, v, out, order);
        thread_local std::vector<std::uint8_t> samples;
        thread_local std::vector<std::uint32_t> sums;
        const std::size_t rowBytes = static_cast<std::size_t>(width_) * 3;
        samples.resize(rowBytes * static_cast<std::size_t>(k_));
        sums.assign(rowBytes, 0);
        for (int s = 0; s < k_; ++s) {
            SampleAt(height_ * k_, v * k_ + s, samples.data(), order);
            const std::uint8_t* in = samples.data();
            for (std::size_t u = 0; u < rowBytes; u += 3) {
                for (int t = 0; t < k_; ++t, in += 3) {
                    sums[u] += in[0];
                    sums[u + 1] += in[1];
                    sums[u + 2] += in[2];
                }
            }
        }
        const std::uint32_t count = static_cast<std::uint32_t>(k_ * k_);
        for (std::size_t i = 0; i < rowBytes; ++i) out[i] = static_cast<std::uint8_t>((sums[i] + count / 2) / count);
    }

private:
    void SampleAt(int height, int v, std::uint8_t* out, ChannelOrder order) const {
        const double pitch = PitchOf(height, v);
        faces_.SampleRow(columns_, std::sin(pitch), std::cos(pitch), out, order);
    }

    const CubeFaces& faces_;
    int width_, height_, k_;
    CubeFaces::Columns columns_;
};

}  // namespace

RgbImage EquirectangularPanorama(const CubeFaces& faces, int width, int threads, const Progress& progress) {
    CheckWidth(width);
    const int height = width / 2;
    RgbImage panorama(width, height, RgbImage::ToBeFilled{});
    const RowSampler rows(faces, width);
    std::atomic<int> nextRow{0}, rowsDone{0};
    const auto work = [&] {
        for (int v; (v = nextRow.fetch_add(1)) < height;) {
            rows.Sample(v, panorama.At(0, v));
            rowsDone.fetch_add(1);
        }
    };
    const int count = ThreadCount(threads);
    std::vector<std::thread> helpers;
    for (int i = 1; i < count; ++i) helpers.emplace_back(work);
    if (progress) {
        // This thread reports while the helpers work, then helps with what is left.
        try {
            while (helpers.size() > 0 && rowsDone.load() < height && nextRow.load() < height) {
                progress(static_cast<double>(rowsDone.load()) / height);
                std::this_thread::sleep_for(std::chrono::milliseconds(100));
            }
        } catch (...) {  // the progress ends the work: the helpers take no more rows
            nextRow = height;
            for (std::thread& helper : helpers) helper.join();
            throw;
        }
    }
    work();
    for (std::thread& helper : helpers) helper.join();
    if (progress) progress(1.0);
    return panorama;
}

void WriteEquirectangularPanorama(const CubeFaces& faces, int width, const std::string& path, int threads,
                                  const Progress& progress) {
    CheckWidth(width);
    const int height = width / 2;
    const RowSampler rows(faces, width);
    const std::size_t rowBytes = static_cast<std::size_t>(width) * 3;
    if (IsPngFileName(path)) {
        ReplacementFile file(path);
        WritePng(
            file, width, height,
            [&](int first, int count, std::vector<std::uint8_t>& room) {
                room.resize(rowBytes * static_cast<std::size_t>(count));
                for (int i = 0; i < count; ++i) rows.Sample(first + i, room.data() + rowBytes * static_cast<std::size_t>(i));
                return room.data();
            },
            threads, progress);
        file.Commit();
        if (progress) progress(1.0);
        return;
    }
    if (!IsBottomUpImageFileName(path)) {
        WriteImageFile(path, EquirectangularPanorama(faces, width, threads, progress));
        return;
    }

    // Blocks of rows made from the bottom up, as the file holds them, on
    // every core, and written in order while the next are made.
    BottomUpImageFile file(path, width, height);
    constexpr int RowsPerBlock = 16;
    const int blocks = (height + RowsPerBlock - 1) / RowsPerBlock, workers = ThreadCount(threads), slots = workers + 2;
    std::vector<std::uint8_t> ring(rowBytes * RowsPerBlock * static_cast<std::size_t>(slots));
    const auto slot = [&](int index) { return ring.data() + rowBytes * RowsPerBlock * static_cast<std::size_t>(index); };
    const auto rowsOf = [&](int block) { return std::min(RowsPerBlock, height - block * RowsPerBlock); };
    MakeAndUseInOrder(
        blocks, workers, slots,
        [&](int block, int index) {
            for (int i = 0; i < rowsOf(block); ++i) {
                rows.Sample(height - 1 - (block * RowsPerBlock + i), slot(index) + rowBytes * static_cast<std::size_t>(i),
                            ChannelOrder::Bgr);
            }
        },
        [&](int block, int index) {
            file.WriteRows(slot(index), rowsOf(block), ChannelOrder::Bgr);
            if (progress && block % 16 == 0) progress(static_cast<double>(block) / blocks);
        });
    file.Commit();
    if (progress) progress(1.0);
}

}  // namespace vantorix::cube
