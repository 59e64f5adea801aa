#include "export/CubeMapFaces.h"

#include "export/SkyViews.h"

#include <cstring>
#include <initializer_list>
#include <stdexcept>

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

namespace {

// The selection table solved for r, with |ma| = 1, in the script's world.
Vec3 CubeMapDirection(int face, double sc, double tc) {
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

}  // namespace

Vec3 CubeMapTexelDirection(int face, int i, int j, int n) {
    return CubeMapDirection(face, 2.0 * (i + 0.5) / n - 1.0, 2.0 * (j + 0.5) / n - 1.0);
}

FaceView CubeMapFaceView(int face) {
    const Vec3 centre = CubeMapDirection(face, 0, 0), right = CubeMapDirection(face, 1, 0);
    const Vec3 up = CubeMapDirection(face, 0, -1);  // t runs down the face
    return {centre, {right.X - centre.X, right.Y - centre.Y, right.Z - centre.Z},
            {up.X - centre.X, up.Y - centre.Y, up.Z - centre.Z}};
}

CubeMap MakeCubeMap(const CubeFaces& faces, int size) {
    CubeMap map;
    for (int face = 0; face < 6; ++face) map[face] = ViewOfSky(faces, CubeMapFaceView(face), size > 0 ? size : faces.Size());
    return map;
}

namespace {

// A face's place in a layout, in face-sized cells.
struct Cell {
    int face, column, row;
    bool halfTurn = false;
};

RgbImage Layout(const CubeMap& map, int columns, int rows, std::initializer_list<Cell> cells) {
    const int n = map[0].Width;
    RgbImage picture(columns * n, rows * n);
    for (const Cell& cell : cells) Place(picture, map[cell.face], cell.column, cell.row, cell.halfTurn);
    return picture;
}

}  // namespace

RgbImage HorizontalCross(const CubeMap& map) {
    return Layout(map, 4, 3, {{PY, 1, 0}, {NX, 0, 1}, {PZ, 1, 1}, {PX, 2, 1}, {NZ, 3, 1}, {NY, 1, 2}});
}

RgbImage VerticalCross(const CubeMap& map) {
    return Layout(map, 3, 4, {{PY, 1, 0}, {NX, 0, 1}, {PZ, 1, 1}, {PX, 2, 1}, {NY, 1, 2}, {NZ, 1, 3, true}});
}

RgbImage Strip(const CubeMap& map) {
    return Layout(map, 6, 1, {{PX, 0, 0}, {NX, 1, 0}, {PY, 2, 0}, {NY, 3, 0}, {PZ, 4, 0}, {NZ, 5, 0}});
}

RgbImage GodotLayout(const CubeMap& map, int columns, int rows) {
    if (columns * rows != 6 || (columns != 1 && columns != 2 && columns != 3 && columns != 6)) {
        throw std::invalid_argument("Godot cuts a cube map from 2 x 3, 3 x 2, 1 x 6 or 6 x 1 faces.");
    }
    const int n = map[0].Width;
    RgbImage picture(columns * n, rows * n);
    for (int face = 0; face < 6; ++face) Place(picture, map[face], face % columns, face / columns);
    return picture;
}

}  // namespace vantorix::cube
