// The equirectangular panorama of six faces, through vantorix-export and
// through FFmpeg's v360 filter, on the same faces in the same run, both from
// files on disk to a BMP file on disk.
//
//   vantorix_export_bench EXPORT [--sizes 1024,4096] [--runs 3] [--folder DIR]
//
// Each run is a process of its own, timed from start to exit, with its peak
// resident memory; the figures are medians with min and max.
#include "bench/BenchFaces.h"

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
    std::vector<int> sizes{1024, 4096};
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
        double worstRatio = 1e9, worstMemory = 0;
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
        }
        fs::remove_all(folder);
        std::printf("bench: export_speedup_over_ffmpeg=%.1f peak_rss_over_data=%.2f\n", worstRatio, worstMemory);
    } catch (const std::exception& error) {
        std::fprintf(stderr, "vantorix_export_bench: %s\n", error.what());
        return 1;
    }
    return 0;
}
