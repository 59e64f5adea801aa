#pragma once

#include "export/CubeFaces.h"
#include "export/RgbImage.h"

#include <array>

namespace vantorix::cube {

// The six faces of a cube map as OpenGL and Direct3D read them, in their
// order +X, -X, +Y, -Y, +Z, -Z, in a frame with y up: +X east, +Y up, +Z
// north. Each face is oriented by the cube-map face selection table: for a
// direction r whose largest component is ma,
//
//   face  sc   tc          s = (sc / |ma| + 1) / 2 runs along a row, left to right;
//   +X   -rz  -ry          t = (tc / |ma| + 1) / 2 runs down from the first row;
//   -X   +rz  -ry          texel (i, j) of an n x n face has its centre at
//   +Y   +rx  +rz          s = (i + 0.5) / n, t = (j + 0.5) / n.
//   -Y   +rx  -rz
//   +Z   +rx  -ry
//   -Z   -rx  -ry
using CubeMap = std::array<RgbImage, 6>;

inline constexpr const char* CubeMapFaceNames[6] = {"px", "nx", "py", "ny", "pz", "nz"};

// The direction, in the script's world (x east, y north, z up), that the
// centre of texel (i, j) of a cube-map face of size n stands for.
Vec3 CubeMapTexelDirection(int face, int i, int j, int n);

// A cube-map face as a camera's view in the script's world: where its centre
// looks, and where its right and top edges lie.
FaceView CubeMapFaceView(int face);

// The cube map of the skybox, `size` texels a side (0: the faces' own size,
// texel for texel from the faces; see ViewOfSky for other sizes).
CubeMap MakeCubeMap(const CubeFaces& faces, int size = 0);

// The cube map in one picture for Godot's importer, which cuts its layers
// +X, -X, +Y, -Y, +Z, -Z row by row from `columns` x `rows` faces (2 x 3,
// 3 x 2, 1 x 6 or 6 x 1).
RgbImage GodotLayout(const CubeMap& map, int columns, int rows);

// Layouts of the cube map in one picture, empty cells black: the horizontal
// cross (4 x 3 faces: +Y above +Z; -X, +Z, +X, -Z across; -Y below +Z), the
// vertical cross (3 x 4: the same, with -Z below -Y, turned half a turn) and
// the strip (6 x 1 in cube-map order). Each folds into the cube without a seam.
RgbImage HorizontalCross(const CubeMap& map);
RgbImage VerticalCross(const CubeMap& map);
RgbImage Strip(const CubeMap& map);

}  // namespace vantorix::cube
