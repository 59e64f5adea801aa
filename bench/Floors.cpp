#include "bench/Floors.h"

#include "platform/ReplacementFile.h"

#include <fcntl.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <libdeflate.h>
#include <turbojpeg.h>
#include <zlib.h>
#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <cstring>
#include <stdexcept>
#include <string_view>

namespace vantorix::bench {

namespace {

struct Render {
    std::int32_t width = 0;
    std::int32_t height = 0;
    std::int32_t rowBytes = 0;
};

// Reads a plain 24-bit bottom-up BMP's pixel data, with one read, into the buffer.
Render ReadRender(const std::string& path, std::vector<unsigned char>& pixels) {
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) throw std::runtime_error("cannot open " + path);
    unsigned char header[54];
    if (::pread(fd, header, sizeof header, 0) != sizeof header) throw std::runtime_error("short " + path);
    Render render;
    std::uint32_t offset = 0;
    std::memcpy(&offset, header + 10, 4);
    std::memcpy(&render.width, header + 18, 4);
    std::memcpy(&render.height, header + 22, 4);
    render.rowBytes = (render.width * 3 + 3) & ~3;
    const std::size_t size = static_cast<std::size_t>(render.rowBytes) * static_cast<std::size_t>(render.height);
    if (pixels.size() < size) pixels.resize(size);
    if (::pread(fd, pixels.data(), size, offset) != static_cast<ssize_t>(size)) throw std::runtime_error("short " + path);
    ::close(fd);
    return render;
}

void WriteReplacing(const std::string& path, std::string_view first, std::string_view second = {}) {
    ReplacementFile file(path);
    file.Write(first);
    if (!second.empty()) file.Write(second);
    file.Commit();
}

}  // namespace

void JpegFloor(const std::vector<std::string>& renders, const std::vector<std::string>& finals) {
    tjhandle encoder = tjInitCompress();
    std::vector<unsigned char> pixels;
    for (std::size_t face = 0; face < renders.size(); ++face) {
        const Render render = ReadRender(renders[face], pixels);
        unsigned char* jpeg = nullptr;
        unsigned long jpegSize = 0;
        if (tjCompress2(encoder, pixels.data(), render.width, render.rowBytes, render.height, TJPF_BGR, &jpeg, &jpegSize,
                        TJSAMP_420, 90, TJFLAG_ACCURATEDCT | TJFLAG_BOTTOMUP) != 0) {
            throw std::runtime_error(std::string("tjCompress2: ") + tjGetErrorStr2(encoder));
        }
        WriteReplacing(finals[face], {reinterpret_cast<const char*>(jpeg), jpegSize});
        tjFree(jpeg);
        std::remove(renders[face].c_str());
    }
    tjDestroy(encoder);
}

void TgaFloor(const std::vector<std::string>& renders, const std::vector<std::string>& finals) {
    std::vector<unsigned char> pixels;
    for (std::size_t face = 0; face < renders.size(); ++face) {
        const Render render = ReadRender(renders[face], pixels);
        char header[18] = {0, 0, 2};
        header[12] = static_cast<char>(render.width & 0xFF);
        header[13] = static_cast<char>(render.width >> 8);
        header[14] = static_cast<char>(render.height & 0xFF);
        header[15] = static_cast<char>(render.height >> 8);
        header[16] = 24;
        // TGA rows carry no padding: close the gaps in place when there are any.
        const std::size_t tgaRow = static_cast<std::size_t>(render.width) * 3;
        if (tgaRow != static_cast<std::size_t>(render.rowBytes)) {
            for (std::int32_t y = 1; y < render.height; ++y) {
                std::memmove(pixels.data() + y * tgaRow, pixels.data() + static_cast<std::size_t>(y) * render.rowBytes, tgaRow);
            }
        }
        WriteReplacing(finals[face], {header, sizeof header},
                       {reinterpret_cast<const char*>(pixels.data()), tgaRow * static_cast<std::size_t>(render.height)});
        std::remove(renders[face].c_str());
    }
}

void JpegMappedFloor(const std::vector<std::string>& renders, const std::vector<std::string>& finals) {
    tjhandle encoder = tjInitCompress();
    for (std::size_t face = 0; face < renders.size(); ++face) {
        const int fd = ::open(renders[face].c_str(), O_RDONLY | O_CLOEXEC);
        struct stat status {};
        if (fd < 0 || ::fstat(fd, &status) != 0) throw std::runtime_error("cannot open " + renders[face]);
        const auto size = static_cast<std::size_t>(status.st_size);
        void* view = ::mmap(nullptr, size, PROT_READ, MAP_PRIVATE, fd, 0);
        if (view == MAP_FAILED) throw std::runtime_error("cannot map " + renders[face]);
        const auto* bytes = static_cast<const unsigned char*>(view);
        std::uint32_t offset = 0;
        std::int32_t width = 0, height = 0;
        std::memcpy(&offset, bytes + 10, 4);
        std::memcpy(&width, bytes + 18, 4);
        std::memcpy(&height, bytes + 22, 4);
        unsigned char* jpeg = nullptr;
        unsigned long jpegSize = 0;
        if (tjCompress2(encoder, bytes + offset, width, (width * 3 + 3) & ~3, height, TJPF_BGR, &jpeg, &jpegSize,
                        TJSAMP_420, 90, TJFLAG_ACCURATEDCT | TJFLAG_BOTTOMUP) != 0) {
            throw std::runtime_error(std::string("tjCompress2: ") + tjGetErrorStr2(encoder));
        }
        WriteReplacing(finals[face], {reinterpret_cast<const char*>(jpeg), jpegSize});
        tjFree(jpeg);
        ::munmap(view, size);
        ::close(fd);
        std::remove(renders[face].c_str());
    }
    tjDestroy(encoder);
}

void TgaCopyFloor(const std::vector<std::string>& renders, const std::vector<std::string>& finals) {
    for (std::size_t face = 0; face < renders.size(); ++face) {
        const int fd = ::open(renders[face].c_str(), O_RDONLY | O_CLOEXEC);
        struct stat status {};
        if (fd < 0 || ::fstat(fd, &status) != 0) throw std::runtime_error("cannot open " + renders[face]);
        unsigned char header[54];
        if (::pread(fd, header, sizeof header, 0) != sizeof header) throw std::runtime_error("short " + renders[face]);
        std::uint32_t offset = 0;
        std::memcpy(&offset, header + 10, 4);
        // The writer's own steps: beside the final name, flushed, renamed into place.
        const std::string temporary = finals[face] + ".floor";
        const int out = ::open(temporary.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0666);
        if (out < 0 || ::write(out, header, 18) != 18) throw std::runtime_error("cannot write " + temporary);
        loff_t from = offset;
        for (std::size_t left = static_cast<std::size_t>(status.st_size) - offset; left > 0;) {
            const ssize_t copied = ::copy_file_range(fd, &from, out, nullptr, left, 0);
            if (copied <= 0) throw std::runtime_error("cannot copy " + renders[face]);
            left -= static_cast<std::size_t>(copied);
        }
        if (::fsync(out) != 0 || ::close(out) != 0 || std::rename(temporary.c_str(), finals[face].c_str()) != 0) {
            throw std::runtime_error("cannot finish " + finals[face]);
        }
        const int folder = ::open(finals[face].substr(0, finals[face].rfind('/') + 1).c_str(), O_RDONLY | O_DIRECTORY);
        if (folder >= 0) {
            ::fsync(folder);
            ::close(folder);
        }
        ::close(fd);
        std::remove(renders[face].c_str());
    }
}

void BmpFloor(const std::vector<std::string>& renders, const std::vector<std::string>& finals) {
    for (std::size_t face = 0; face < renders.size(); ++face) {
        if (std::rename(renders[face].c_str(), finals[face].c_str()) != 0) throw std::runtime_error("cannot rename");
    }
}

Rows ReadBmpRows(const std::string& path) {
    Rows rows;
    const Render render = ReadRender(path, rows.pixels);
    rows.width = render.width;
    rows.height = render.height;
    rows.rowBytes = render.rowBytes;
    return rows;
}

void BmpWriteFloor(const Rows& rows, const std::string& path) {
    std::string header(54, '\0');
    const std::uint32_t pixelBytes = static_cast<std::uint32_t>(rows.pixels.size()), fileBytes = 54 + pixelBytes;
    header[0] = 'B';
    header[1] = 'M';
    std::memcpy(&header[2], &fileBytes, 4);
    header[10] = 54;
    header[14] = 40;
    std::memcpy(&header[18], &rows.width, 4);
    std::memcpy(&header[22], &rows.height, 4);
    header[26] = 1;
    header[28] = 24;
    WriteReplacing(path, header, {reinterpret_cast<const char*>(rows.pixels.data()), rows.pixels.size()});
}

namespace {

// The rows as PNG's deflate takes them: a filter byte, then the row's pixels.
std::vector<unsigned char> FilteredRows(const Rows& rows) {
    const std::size_t length = static_cast<std::size_t>(rows.width) * 3;
    std::vector<unsigned char> filtered;
    filtered.reserve((length + 1) * static_cast<std::size_t>(rows.height));
    for (int y = 0; y < rows.height; ++y) {
        filtered.push_back(0);
        const unsigned char* row = rows.pixels.data() + static_cast<std::size_t>(y) * rows.rowBytes;
        filtered.insert(filtered.end(), row, row + length);
    }
    return filtered;
}

}  // namespace

void ZlibFloor(const Rows& rows, const std::string& path) {
    const std::vector<unsigned char> filtered = FilteredRows(rows);
    std::vector<unsigned char> out(::compressBound(static_cast<uLong>(filtered.size())));
    uLongf length = static_cast<uLongf>(out.size());
    if (::compress2(out.data(), &length, filtered.data(), static_cast<uLong>(filtered.size()), Z_DEFAULT_COMPRESSION) != Z_OK) {
        throw std::runtime_error("zlib failed");
    }
    WriteReplacing(path, {reinterpret_cast<const char*>(out.data()), length});
}

void LibdeflateFloor(const Rows& rows, const std::string& path) {
    const std::vector<unsigned char> filtered = FilteredRows(rows);
    libdeflate_compressor* compressor = ::libdeflate_alloc_compressor(6);
    if (compressor == nullptr) throw std::runtime_error("libdeflate failed");
    std::vector<unsigned char> out(::libdeflate_zlib_compress_bound(compressor, filtered.size()));
    const std::size_t length = ::libdeflate_zlib_compress(compressor, filtered.data(), filtered.size(), out.data(), out.size());
    ::libdeflate_free_compressor(compressor);
    if (length == 0) throw std::runtime_error("libdeflate failed");
    WriteReplacing(path, {reinterpret_cast<const char*>(out.data()), length});
}

void JpegRowsFloor(const Rows& rows, const std::string& path) {
    tjhandle encoder = tjInitCompress();
    unsigned char* jpeg = nullptr;
    unsigned long jpegSize = 0;
    // Bottom-up rows: TJFLAG_BOTTOMUP reads them as they lie.
    if (tjCompress2(encoder, rows.pixels.data(), rows.width, rows.rowBytes, rows.height, TJPF_BGR, &jpeg, &jpegSize,
                    TJSAMP_420, 95, TJFLAG_BOTTOMUP | TJFLAG_ACCURATEDCT) != 0) {
        const std::string why = tjGetErrorStr2(encoder);
        tjDestroy(encoder);
        throw std::runtime_error("tjCompress2: " + why);
    }
    WriteReplacing(path, {reinterpret_cast<const char*>(jpeg), jpegSize});
    tjFree(jpeg);
    tjDestroy(encoder);
}

}  // namespace vantorix::bench
