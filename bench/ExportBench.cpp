// The equirectangular panorama of six faces, through vantorix-export and
// through FFmpeg's v360 filter, on the same faces in the same run, both from
// files on disk to a BMP file on disk. Then the export's own table: the
// panorama into BMP, PNG and JPEG and the cross into PNG, each against a
// floor measured in the same run on the panorama's own rows: writing the
// BMP file's bytes from memory, zlib and libdeflate deflating the rows as
// PNG would, libjpeg-turbo encoding them.
//
//   vantorix_export_bench EXPORT [--sizes 1024,2048] [--runs 3] [--folder DIR]
//
// Each run is a process of its own, timed from start to exit, with its peak
// resident memory; the figures are medians with min and max.
#include "bench/BenchFaces.h"
#include "bench/Floors.h"

#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <sstream>
#include <stdexcept>
#include <string>
#include <thread>
#include <vector>

namespace fs = std::filesystem;

namespace {

struct Measure {
    double seconds;
    double peakMegabytes;
};

// Runs a program to its end; throws when it fails.
Measure Time(const std::vector<std::string>& command) {
    std::fflush(stdout);  // or the child would write what is buffered again
    const auto start = std::chrono::steady_clock::now();
    const pid_t child = ::fork();
    if (child == 0) {
        std::vector<char*> argv;
        for (const std::string& part : command) argv.push_back(const_cast<char*>(part.c_str()));
        argv.push_back(nullptr);
        std::freopen("/dev/null", "w", stdout);
        ::execvp(argv[0], argv.data());
        ::_exit(127);
    }
    int status = 0;
    rusage usage{};
    ::wait4(child, &status, 0, &usage);
    const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    if (!WIFEXITED(status) || WEXITSTATUS(status) != 0) throw std::runtime_error(command[0] + " failed");
    return {seconds, usage.ru_maxrss / 1024.0};
}

struct Summary {
    double median, least, most, peak;
};

Summary Summarise(std::vector<Measure> measured) {
    std::sort(measured.begin(), measured.end(), [](const Measure& a, const Measure& b) { return a.seconds < b.seconds; });
    double peak = 0;
    for (const Measure& m : measured) peak = std::max(peak, m.peakMegabytes);
    return {measured[measured.size() / 2].seconds, measured.front().seconds, measured.back().seconds, peak};
}

// A floor's median time over `runs` calls.
template <typename Floor>
double FloorSeconds(int runs, Floor floor) {
    std::vector<double> seconds;
    for (int run = 0; run < runs; ++run) {
        const auto start = std::chrono::steady_clock::now();
        floor();
        seconds.push_back(std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count());
    }
    std::sort(seconds.begin(), seconds.end());
    return seconds[seconds.size() / 2];
}

std::vector<int> Numbers(const std::string& text) {
    std::vector<int> numbers;
    std::stringstream in(text);
    for (std::string part; std::getline(in, part, ',');) numbers.push_back(std::stoi(part));
    return numbers;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc < 2) {
        std::fprintf(stderr, "usage: vantorix_export_bench EXPORT [--sizes 1024,4096] [--runs 3] [--folder DIR]\n");
        return 2;
    }
    const std::string exporter = fs::absolute(argv[1]);
    std::vector<int> sizes{1024, 2048};
    int runs = 3;
    fs::path folder = fs::temp_directory_path() / "vantorix-export-bench";
    for (int i = 2; i + 1 < argc; i += 2) {
        const std::string option = argv[i];
        if (option == "--sizes") sizes = Numbers(argv[i + 1]);
        else if (option == "--runs") runs = std::stoi(argv[i + 1]);
        else if (option == "--folder") folder = argv[i + 1];
    }
    try {
        std::printf("panorama: vantorix-export with %u threads; FFmpeg v360=input=c6x1:output=e:interp=linear\n",
                    std::max(1u, std::thread::hardware_concurrency()));
        std::printf("%6s  %-14s %9s %9s %9s  %7s  %8s  %10s\n", "face", "who", "median s", "min s", "max s", "ratio",
                    "peak MB", "peak/data");
        double worstRatio = 1e9, worstMemory = 0, pngOverBmp = 0, panoramaOverWriteFloor = 0;
        for (const int size : sizes) {
            fs::remove_all(folder);
            fs::create_directories(folder);
            const char* names[] = {"North", "South", "East", "West", "Up", "Down"};
            for (int face = 0; face < 6; ++face) {
                vantorix::bench::WriteSkyFace(folder / ("NewSky_" + std::string(names[face]) + ".bmp"), size, size,
                                              static_cast<std::uint32_t>(face));
            }
            const std::string prefix = folder / "NewSky", strip = folder / "strip.bmp";
            Time({exporter, prefix, "--strip", strip});
            const std::string width = std::to_string(4 * size), height = std::to_string(2 * size);
            const std::vector<std::vector<std::string>> commands = {
                {exporter, prefix, "--equirect", folder / "ours.bmp"},
                {"ffmpeg", "-v", "error", "-y", "-i", strip, "-vf",
                 "v360=input=c6x1:output=e:interp=linear:w=" + width + ":h=" + height, folder / "ffmpeg.bmp"},
            };
            // Six faces and the panorama, three bytes a pixel.
            const double dataMegabytes = (6.0 * size * size + 8.0 * size * size) * 3 / (1024 * 1024);
            std::vector<std::vector<Measure>> measured(2);
            for (int run = 0; run < runs; ++run) {
                for (int who = 0; who < 2; ++who) measured[(who + run) % 2].push_back(Time(commands[(who + run) % 2]));
            }
            double medians[2] = {};
            for (int who = 0; who < 2; ++who) {
                std::vector<double> seconds;
                double peak = 0;
                for (const Measure& m : measured[who]) {
                    seconds.push_back(m.seconds);
                    peak = std::max(peak, m.peakMegabytes);
                }
                std::sort(seconds.begin(), seconds.end());
                medians[who] = seconds[seconds.size() / 2];
                const double ratio = who == 0 ? 1.0 : medians[1] / medians[0];
                std::printf("%6d  %-14s %9.3f %9.3f %9.3f  %6.1fx  %8.1f  %10.2f\n", size,
                            who == 0 ? "vantorix-export" : "ffmpeg", medians[who], seconds.front(), seconds.back(),
                            ratio, peak, peak / dataMegabytes);
                if (who == 0) worstMemory = std::max(worstMemory, peak / dataMegabytes);
            }
            worstRatio = std::min(worstRatio, medians[1] / medians[0]);

            // The export's own table, at this size.
            const vantorix::bench::Rows rows = vantorix::bench::ReadBmpRows(folder / "ours.bmp");
            const double writeFloor = FloorSeconds(runs, [&] { vantorix::bench::BmpWriteFloor(rows, folder / "floor.bmp"); });
            const double zlibFloor = FloorSeconds(runs, [&] { vantorix::bench::ZlibFloor(rows, folder / "floor.zlib"); });
            const double deflateFloor =
                FloorSeconds(runs, [&] { vantorix::bench::LibdeflateFloor(rows, folder / "floor.deflate"); });
            const double jpegFloor = FloorSeconds(runs, [&] { vantorix::bench::JpegRowsFloor(rows, folder / "floor.jpg"); });
            const struct {
                const char* what;
                std::vector<std::string> command;
                double floor;
                const char* floorName;
            } outputs[] = {
                {"panorama .bmp", commands[0], writeFloor, "write"},
                {"panorama .png", {exporter, prefix, "--equirect", folder / "ours.png"}, zlibFloor, "zlib"},
                {"panorama .jpg", {exporter, prefix, "--equirect", folder / "ours.jpg"}, jpegFloor, "jpeg"},
                {"cross .png", {exporter, prefix, "--cross", folder / "cross.png"}, 0, ""},
            };
            std::printf("%6s  %-14s %9s %9s %9s  %-9s %7s  %8s\n", "face", "export", "median s", "min s", "max s",
                        "floor", "ratio", "peak MB");
            double bmpSeconds = 0, pngSeconds = 0;
            for (const auto& output : outputs) {
                std::vector<Measure> measures;
                for (int run = 0; run < runs; ++run) measures.push_back(Time(output.command));
                const Summary s = Summarise(measures);
                if (output.command == commands[0]) bmpSeconds = s.median;
                if (std::string(output.what) == "panorama .png") pngSeconds = s.median;
                char ratio[16] = "      -";
                if (output.floor > 0) std::snprintf(ratio, sizeof ratio, "%6.2fx", s.median / output.floor);
                std::printf("%6d  %-14s %9.3f %9.3f %9.3f  %-9s %7s  %8.1f\n", size, output.what, s.median, s.least,
                            s.most, output.floorName, ratio, s.peak);
            }
            std::printf("%6d  floors: write %.3f s, zlib %.3f s, libdeflate %.3f s, jpeg %.3f s\n", size, writeFloor,
                        zlibFloor, deflateFloor, jpegFloor);
            pngOverBmp = pngSeconds / bmpSeconds;
            panoramaOverWriteFloor = bmpSeconds / writeFloor;
        }
        fs::remove_all(folder);
        // The last size's figures: the largest measured.
        std::printf("bench: export_speedup_over_ffmpeg=%.1f peak_rss_over_data=%.2f png_over_bmp=%.2f "
                    "panorama_over_write_floor=%.2f\n",
                    worstRatio, worstMemory, pngOverBmp, panoramaOverWriteFloor);
    } catch (const std::exception& error) {
        std::fprintf(stderr, "vantorix_export_bench: %s\n", error.what());
        return 1;
    }
    return 0;
}
