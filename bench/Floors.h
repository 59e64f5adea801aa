#pragma once

#include <string>
#include <vector>

namespace vantorix::bench {

// The least work each conversion needs, done on the same renders: what the
// program's own finishing is measured against. Each writes its outputs the
// way the program does (beside the final name, flushed, renamed into place)
// and removes the renders, as the program does.

// One read of each render's pixels into one buffer kept for all faces,
// handed to the encoder as it lies (BGR, bottom-up, padded rows, 4:2:0,
// accurate DCT, quality 90).
void JpegFloor(const std::vector<std::string>& renders, const std::vector<std::string>& finals);

// Each render mapped, its rows handed to the encoder where they lie (as above).
void JpegMappedFloor(const std::vector<std::string>& renders, const std::vector<std::string>& finals);

// The 18-byte TGA header and each render's pixel rows, copied as they are.
void TgaFloor(const std::vector<std::string>& renders, const std::vector<std::string>& finals);

// The 18-byte header, then the render's bytes after its header, copied file
// to file by the kernel (copy_file_range): what a TGA costs when nothing
// passes through the program's memory.
void TgaCopyFloor(const std::vector<std::string>& renders, const std::vector<std::string>& finals);

// One rename per face.
void BmpFloor(const std::vector<std::string>& renders, const std::vector<std::string>& finals);

// The export's floors, on a panorama's own rows as its BMP file holds them.
struct Rows {
    int width = 0, height = 0, rowBytes = 0;
    std::vector<unsigned char> pixels;  // bottom-up, blue, green, red, padded
};
Rows ReadBmpRows(const std::string& path);

// The BMP file's bytes from memory to a new file, through the replacing writer.
void BmpWriteFloor(const Rows& rows, const std::string& path);
// The rows, each with PNG's filter byte 0 before it, deflated as one zlib
// stream (zlib's default level, or libdeflate's default, one thread), written.
void ZlibFloor(const Rows& rows, const std::string& path);
void LibdeflateFloor(const Rows& rows, const std::string& path);
// The rows through libjpeg-turbo at the export's quality (95), written.
void JpegRowsFloor(const Rows& rows, const std::string& path);

}  // namespace vantorix::bench
