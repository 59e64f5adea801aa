// Finishing six faces, as the program does it and at each conversion's floor.
//
//   vantorix_bench [--sizes 1024,1023,2048,4096] [--runs 5] [--folder DIR]
//
// Every run is a child process of its own, so that its peak resident memory
// can be told apart; its renders are fresh copies, warm in the page cache.
#include "bench/BenchFaces.h"
#include "bench/Floors.h"
#include "collect/FinishImages.h"
#include "job/mMain.h"

#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <stdexcept>
#include <string>
#include <vector>

namespace fs = std::filesystem;
using namespace vantorix;

namespace {

constexpr int Faces = 6;
const char* const Conversions[] = {"jpeg", "tga", "bmp"};

struct Files {
    std::vector<std::string> masters, renders, finals;
};

Files FilesIn(const fs::path& folder) {
    Files files;
    for (int face = 1; face <= Faces; ++face) {
        files.masters.push_back(folder / ("face-" + std::to_string(face) + ".bmp"));
        files.renders.push_back(RenderFrameName(folder, face));
        files.finals.push_back(folder / ("out" / fs::path("NewSky_" + std::to_string(face))));
    }
    return files;
}

// The waiting window's finishing run, on a program folder whose render
// folder holds the six renders: the outputs go to out/NewSky_North.jpg and so on.
void FinishAsTheProgramDoes(const std::string& conversion, const fs::path& folder) {
    SkyboxJob job = DefaultSkyboxJob(folder);
    job.Output = folder / "out" / "NewSky";
    job.Convert = conversion == "bmp" ? 0 : conversion == "tga" ? 1 : 2;
    job.JPGQuality = 90;
    const FinishReport report = FinishImages(job, folder);
    if (!report.Unfinished.empty()) throw std::runtime_error(CompletionMessage(report));
}

// Each conversion's floors: the least work it needs, one way or another.
struct Floor {
    const char* name;
    void (*run)(const std::vector<std::string>&, const std::vector<std::string>&);
};
std::vector<Floor> FloorsOf(const std::string& conversion) {
    if (conversion == "jpeg") return {{"read", bench::JpegFloor}, {"mapped", bench::JpegMappedFloor}};
    if (conversion == "tga") return {{"rows", bench::TgaFloor}, {"copy", bench::TgaCopyFloor}};
    return {{"rename", bench::BmpFloor}};
}

void FinishAtTheFloor(const std::string& floor, const std::string& conversion, const Files& files) {
    std::vector<std::string> finals;
    const std::string extension = conversion == "jpeg" ? ".jpg" : "." + conversion;
    for (const auto& final : files.finals) finals.push_back(final + extension);
    for (const Floor& candidate : FloorsOf(conversion)) {
        if (floor == candidate.name) return candidate.run(files.renders, finals);
    }
    throw std::runtime_error("no floor " + floor + " for " + conversion);
}

void WarmUpFileMemory(const fs::path& path, std::size_t bytes) {
    const std::vector<char> block(1 << 20, 1);
    {
        std::ofstream out(path, std::ios::binary);
        for (std::size_t written = 0; written < bytes; written += block.size()) out.write(block.data(), block.size());
    }
    fs::remove(path);
}

// One timed run in this (child) process: prints its seconds.
int RunChild(const std::string& mode, const std::string& conversion, const fs::path& folder) {
    const Files files = FilesIn(folder);
    fs::remove_all(folder / "out");
    fs::create_directories(folder / "out");
    fs::create_directories(RenderFolder(folder));
    for (int face = 0; face < Faces; ++face) {
        fs::copy_file(files.masters[face], files.renders[face], fs::copy_options::overwrite_existing);
    }
    // Memory the system has just freed can be slow to take again on a virtual
    // machine (its host may have taken it back): writing a 48 MB file into
    // such pages took 10 times as long here, by chance of what ran before.
    // So every run starts by writing and freeing as much as it will write.
    WarmUpFileMemory(folder / "warm-up", static_cast<std::size_t>(fs::file_size(files.masters[0])) * Faces);
    ::sync();  // nothing of the set-up is still being written while the clock runs
    const auto start = std::chrono::steady_clock::now();
    if (mode == "program") {
        FinishAsTheProgramDoes(conversion, folder);
    } else {
        FinishAtTheFloor(mode, conversion, files);
    }
    const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    std::printf("%.9f\n", seconds);
    return 0;
}

struct Sample {
    double seconds;
    long peakKiB;
};

Sample RunInChild(const std::string& self, const std::string& mode, const std::string& conversion,
                  const fs::path& folder) {
    int output[2];
    if (::pipe(output) != 0) throw std::runtime_error("pipe");
    const pid_t child = ::fork();
    if (child == 0) {
        ::dup2(output[1], STDOUT_FILENO);
        ::close(output[0]);
        ::execl(self.c_str(), self.c_str(), "--child", mode.c_str(), conversion.c_str(), folder.c_str(), nullptr);
        std::_Exit(127);
    }
    ::close(output[1]);
    char text[64] = {};
    const ssize_t got = ::read(output[0], text, sizeof text - 1);
    ::close(output[0]);
    int status = 0;
    rusage usage{};
    ::wait4(child, &status, 0, &usage);
    if (got <= 0 || !WIFEXITED(status) || WEXITSTATUS(status) != 0) {
        throw std::runtime_error("the " + mode + " " + conversion + " run failed in " + folder.string());
    }
    return {std::strtod(text, nullptr), usage.ru_maxrss};
}

struct Figures {
    double median, min, max;
    long peakKiB;
};

Figures Summarise(std::vector<Sample> samples) {
    std::sort(samples.begin(), samples.end(), [](const Sample& a, const Sample& b) { return a.seconds < b.seconds; });
    long peak = 0;
    for (const Sample& s : samples) peak = std::max(peak, s.peakKiB);
    const std::size_t n = samples.size();
    const double median = n % 2 ? samples[n / 2].seconds : (samples[n / 2 - 1].seconds + samples[n / 2].seconds) / 2;
    return {median, samples.front().seconds, samples.back().seconds, peak};
}

std::vector<int> ParseSizes(const std::string& text) {
    std::vector<int> sizes;
    std::stringstream list(text);
    for (std::string item; std::getline(list, item, ',');) sizes.push_back(std::stoi(item));
    return sizes;
}

}  // namespace

int main(int argc, char** argv) {
    try {
        if (argc == 5 && std::string(argv[1]) == "--child") return RunChild(argv[2], argv[3], argv[4]);

        std::vector<int> sizes = {1024, 1023, 2048, 4096};
        int runs = 5;
        fs::path folder = fs::current_path() / "bench-work";
        for (int i = 1; i + 1 < argc; i += 2) {
            const std::string option = argv[i];
            if (option == "--sizes") sizes = ParseSizes(argv[i + 1]);
            else if (option == "--runs") runs = std::max(1, std::atoi(argv[i + 1]));
            else if (option == "--folder") folder = argv[i + 1];
            else throw std::runtime_error("unknown option " + option);
        }
        const std::string self = fs::canonical("/proc/self/exe");

        std::printf("%6s  %-4s  %-14s %9s %9s %9s  %-8s %7s  %9s\n", "size", "conv", "who", "median s", "min s",
                    "max s", "ratio", "peak MB", "peak/face");
        double jpegRatio = 0, jpegMappedRatio = 0, tgaRatio = 0, tgaCopyRatio = 0, bmpMsPerFace = 0, peakRatio = 0;
        const int largest = *std::max_element(sizes.begin(), sizes.end());
        for (const int size : sizes) {
            const fs::path sizeFolder = folder / std::to_string(size);
            fs::create_directories(sizeFolder);
            const Files files = FilesIn(sizeFolder);
            for (int face = 0; face < Faces; ++face) bench::WriteSkyFace(files.masters[face], size, size, face + 1);
            const double faceBytes = 3.0 * size * size;

            for (const std::string conversion : Conversions) {
                // The program and each floor take turns to go first, so that drift touches all alike.
                std::vector<std::string> modes{"program"};
                for (const Floor& floor : FloorsOf(conversion)) modes.emplace_back(floor.name);
                std::vector<std::vector<Sample>> samples(modes.size());
                for (int run = 0; run < runs; ++run) {
                    for (std::size_t turn = 0; turn < modes.size(); ++turn) {
                        const std::size_t who = (turn + static_cast<std::size_t>(run)) % modes.size();
                        samples[who].push_back(RunInChild(self, modes[who], conversion, sizeFolder));
                    }
                }
                const Figures program = Summarise(samples[0]);
                for (std::size_t who = 0; who < modes.size(); ++who) {
                    const Figures figures = Summarise(samples[who]);
                    const double ratio = program.median / figures.median;  // how many times the program takes
                    const std::string label = who == 0 ? "program" : "floor " + modes[who];
                    std::printf("%6d  %-4s  %-14s %9.4f %9.4f %9.4f  %-8s %7.1f  %9.2f\n", size, conversion.c_str(),
                                label.c_str(), figures.median, figures.min, figures.max,
                                who == 0 ? "" : (std::to_string(ratio).substr(0, 5) + "x").c_str(),
                                figures.peakKiB / 1024.0, figures.peakKiB * 1024.0 / faceBytes);
                    if (modes[who] == "read") jpegRatio = std::max(jpegRatio, ratio);
                    if (modes[who] == "mapped") jpegMappedRatio = std::max(jpegMappedRatio, ratio);
                    if (modes[who] == "rows") tgaRatio = std::max(tgaRatio, ratio);
                    if (modes[who] == "copy") tgaCopyRatio = std::max(tgaCopyRatio, ratio);
                }
                if (conversion == "bmp") bmpMsPerFace = std::max(bmpMsPerFace, program.median * 1000 / Faces);
                if (size == largest) peakRatio = std::max(peakRatio, program.peakKiB * 1024.0 / faceBytes);
                std::fflush(stdout);
            }
            fs::remove_all(sizeFolder);
        }
        std::printf("bench: jpeg_ratio=%.3f tga_ratio=%.3f bmp_ms_per_face=%.3f peak_rss_ratio=%.2f "
                    "jpeg_mapped_ratio=%.3f tga_copy_ratio=%.3f\n",
                    jpegRatio, tgaRatio, bmpMsPerFace, peakRatio, jpegMappedRatio, tgaCopyRatio);
        return 0;
    } catch (const std::exception& error) {
        std::fprintf(stderr, "vantorix_bench: %s\n", error.what());
        return 1;
    }
}
