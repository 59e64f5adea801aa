#include "export/CubeMapFaces.h"

#include <cstring>

namespace vantorix::cube {

namespace {

// Copies a face into a picture at cell (column, row), turned half a turn if asked.
void Place(RgbImage& picture, const RgbImage& face, int column, int row, bool halfTurn = false) {
    const int n = face.Width;
    for (int y = 0; y < n; ++y) {
        std::uint8_t* out = picture.At(column * n, row * n + y);
        if (!halfTurn) {
            std::memcpy(out, face.At(0, y), static_cast<std::size_t>(n) * 3);
            continue;
        }
        for (int x = 0; x < n; ++x) std::memcpy(out + 3 * x, face.At(n - 1 - x, n - 1 - y), 3);
    }
}

enum : int { PX, NX, PY, NY, PZ, NZ };

}  // namespace

Vec3 CubeMapTexelDirection(int face, int i, int j, int n) {
    const double sc = 2.0 * (i + 0.5) / n - 1.0, tc = 2.0 * (j + 0.5) / n - 1.0;
    // The selection table solved for r, with |ma| = 1.
    double rx = 0, ry = 0, rz = 0;
    switch (face) {
        case PX: rx = 1, ry = -tc, rz = -sc; break;
        case NX: rx = -1, ry = -tc, rz = sc; break;
        case PY: rx = sc, ry = 1, rz = tc; break;
        case NY: rx = sc, ry = -1, rz = -tc; break;
        case PZ: rx = sc, ry = -tc, rz = 1; break;
        default: rx = -sc, ry = -tc, rz = -1; break;
    }
    return {rx, rz, ry};  // the cube map's y is up, its z north
}

CubeMap MakeCubeMap(const CubeFaces& faces) {
    const int n = faces.Size();
    CubeMap map;
    for (int face = 0; face < 6; ++face) {
        map[face] = RgbImage(n, n);
        for (int j = 0; j < n; ++j) {
            for (int i = 0; i < n; ++i) faces.SampleNearest(CubeMapTexelDirection(face, i, j, n), map[face].At(i, j));
        }
    }
    return map;
}

RgbImage HorizontalCross(const CubeMap& map) {
    const int n = map[0].Width;
    RgbImage cross(4 * n, 3 * n);
    Place(cross, map[PY], 1, 0);
    Place(cross, map[NX], 0, 1);
    Place(cross, map[PZ], 1, 1);
    Place(cross, map[PX], 2, 1);
    Place(cross, map[NZ], 3, 1);
    Place(cross, map[NY], 1, 2);
    return cross;
}

RgbImage VerticalCross(const CubeMap& map) {
    const int n = map[0].Width;
    RgbImage cross(3 * n, 4 * n);
    Place(cross, map[PY], 1, 0);
    Place(cross, map[NX], 0, 1);
    Place(cross, map[PZ], 1, 1);
    Place(cross, map[PX], 2, 1);
    Place(cross, map[NY], 1, 2);
    Place(cross, map[NZ], 1, 3, true);
    return cross;
}

RgbImage Strip(const CubeMap& map) {
    const int n = map[0].Width;
    RgbImage strip(6 * n, n);
    for (int face = 0; face < 6; ++face) Place(strip, map[face], face, 0);
    return strip;
}

}  // namespace vantorix::cube
