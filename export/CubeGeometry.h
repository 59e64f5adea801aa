#pragma once

#include <array>

// The cube of a skybox, once: how each of Vantorix's six faces looks at the
// world of the script (x east, y north, z up). Every panorama, layout and
// cube-map file is computed from this table and its own format's convention.
namespace vantorix::cube {

struct Vec3 {
    double X = 0, Y = 0, Z = 0;
};

inline double Dot(const Vec3& a, const Vec3& b) { return a.X * b.X + a.Y * b.Y + a.Z * b.Z; }

// A face's view: the direction its centre looks, and the directions in which
// its image's right and top edges lie. Zoom 1 sees 90 degrees across, so the
// face's image spans -1 to 1 along Right and Up at distance 1 along Forward.
struct FaceView {
    Vec3 Forward, Right, Up;
};
using FaceViews = std::array<FaceView, 6>;  // by face index: North, South, East, West, Up, Down

// The view of a camera turned to `heading` degrees (clockwise from north)
// and pitched `pitch` degrees up, as the script's CamH and CamP turn it.
// Multiples of 90 degrees give exact axis directions.
FaceView ViewOfCamera(double heading, double pitch);

// The six faces' views, worked out from the camera lines the script writes
// for each face.
const FaceViews& VantorixFaceViews();

// Where a direction meets the cube: the face whose Forward is nearest it, and
// the point on that face's image, A to the right and B up, each -1 to 1.
struct FacePoint {
    int Face = 0;
    double A = 0, B = 0;
};

// Finds faces by the direction's largest component, as cube-map hardware does.
class Projector {
public:
    explicit Projector(const FaceViews& views);
    FacePoint Project(const Vec3& direction) const;

private:
    FaceViews views_;
    std::array<int, 6> faceOfAxis_{};  // +x, -x, +y, -y, +z, -z
};

}  // namespace vantorix::cube
