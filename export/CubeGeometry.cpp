#include "export/CubeGeometry.h"

#include "job/SkyboxFace.h"

#include <charconv>
#include <cmath>
#include <numbers>
#include <stdexcept>
#include <string>

namespace vantorix::cube {

namespace {

// Sine and cosine of whole degrees; exact at multiples of 90.
double SinDegrees(double degrees) {
    const double turns = degrees / 90.0;
    if (turns == std::round(turns)) {
        constexpr double quarter[] = {0, 1, 0, -1};
        return quarter[((static_cast<long long>(turns) % 4) + 4) % 4];
    }
    return std::sin(degrees * std::numbers::pi / 180.0);
}
double CosDegrees(double degrees) { return SinDegrees(degrees + 90.0); }

Vec3 Cross(const Vec3& a, const Vec3& b) {
    return {a.Y * b.Z - a.Z * b.Y, a.Z * b.X - a.X * b.Z, a.X * b.Y - a.Y * b.X};
}

// The heading and pitch a face's camera lines leave the camera at; the
// script sets the pitch only for Up and Down, so it starts level.
FaceView ViewOfScriptLines(const SkyboxFaceNames& face) {
    double heading = 0, pitch = 0;
    for (const std::string_view line : face.CameraLines) {
        const auto blank = line.find(' ');
        const std::string_view command = line.substr(0, blank), value = line.substr(blank + 1);
        double number = 0;
        if (std::from_chars(value.data(), value.data() + value.size(), number).ec != std::errc()) {
            throw std::logic_error("a face's camera line has no number: " + std::string(line));
        }
        if (command == "CamH") heading = number;
        else if (command == "CamP") pitch = number;
        else throw std::logic_error("a face's camera line is not CamH or CamP: " + std::string(line));
    }
    return ViewOfCamera(heading, pitch);
}

}  // namespace

FaceView ViewOfCamera(double heading, double pitch) {
    FaceView view;
    view.Forward = {SinDegrees(heading) * CosDegrees(pitch), CosDegrees(heading) * CosDegrees(pitch),
                    SinDegrees(pitch)};
    view.Right = {CosDegrees(heading), -SinDegrees(heading), 0};  // pitch turns about this axis
    view.Up = Cross(view.Right, view.Forward);
    return view;
}

const FaceViews& VantorixFaceViews() {
    static const FaceViews views = [] {
        FaceViews table;
        for (int face = 0; face < SkyboxFaceCount; ++face) table[face] = ViewOfScriptLines(SkyboxFaces[face]);
        return table;
    }();
    return views;
}

Projector::Projector(const FaceViews& views) : views_(views) {
    faceOfAxis_.fill(-1);
    for (int face = 0; face < 6; ++face) {
        const Vec3& f = views[face].Forward;
        const int axis = std::fabs(f.X) > 0.5 ? 0 : std::fabs(f.Y) > 0.5 ? 2 : 4;
        const double component = axis == 0 ? f.X : axis == 2 ? f.Y : f.Z;
        faceOfAxis_[axis + (component > 0 ? 0 : 1)] = face;
    }
    for (const int face : faceOfAxis_) {
        if (face < 0) throw std::logic_error("The face table does not look along all six axes.");
    }
}

FacePoint Projector::Project(const Vec3& d) const {
    const double x = std::fabs(d.X), y = std::fabs(d.Y), z = std::fabs(d.Z);
    const int axis = x >= y && x >= z ? (d.X >= 0 ? 0 : 1) : y >= z ? (d.Y >= 0 ? 2 : 3) : (d.Z >= 0 ? 4 : 5);
    const int face = faceOfAxis_[axis];
    const FaceView& view = views_[face];
    const double along = Dot(d, view.Forward);
    return {face, Dot(d, view.Right) / along, Dot(d, view.Up) / along};
}

}  // namespace vantorix::cube
