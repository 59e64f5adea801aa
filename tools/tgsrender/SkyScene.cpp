#include "tools/tgsrender/SkyScene.h"

#include <algorithm>
#include <array>
#include <utility>
#include <cmath>
#include <limits>
#include <numbers>

namespace vantorix::tgs {

namespace {

struct Vec {
    double x = 0, y = 0, z = 0;
};
Vec operator+(Vec a, Vec b) { return {a.x + b.x, a.y + b.y, a.z + b.z}; }
Vec operator*(double s, Vec v) { return {s * v.x, s * v.y, s * v.z}; }
double Dot(Vec a, Vec b) { return a.x * b.x + a.y * b.y + a.z * b.z; }
Vec Cross(Vec a, Vec b) { return {a.y * b.z - a.z * b.y, a.z * b.x - a.x * b.z, a.x * b.y - a.y * b.x}; }
Vec Normalised(Vec v) { return (1 / std::sqrt(Dot(v, v))) * v; }
Vec Mix(Vec a, Vec b, double t) { return (1 - t) * a + t * b; }

constexpr double Radians = std::numbers::pi / 180;
constexpr double NoHit = std::numeric_limits<double>::infinity();

const Vec Zenith{0.16, 0.33, 0.70};
const Vec Horizon{0.76, 0.85, 0.94};
const Vec SunColour{1.0, 0.96, 0.82};
const Vec Grass{0.32, 0.47, 0.21};
const Vec GridLine{0.17, 0.27, 0.11};
const Vec BareGround{0.58, 0.53, 0.43};
const Vec Fence{0.78, 0.14, 0.11};
const Vec Pole{0.95, 0.83, 0.18};

Vec Direction(double headingDegrees, double pitchDegrees) {
    const double h = headingDegrees * Radians, p = pitchDegrees * Radians;
    return {std::sin(h) * std::cos(p), std::cos(h) * std::cos(p), std::sin(p)};
}

class Scene {
public:
    Scene(const SkyScene& scene, const Camera& camera)
        : size_(scene.TerrainSize), eye_{camera.X, camera.Y, camera.Z}, sun_(Direction(160, 25)) {}

    Vec Colour(Vec ray) const {
        double distance = NoHit;
        Vec colour = Sky(ray);
        Hit(GroundDistance(ray), GroundColour(ray), distance, colour);
        for (const auto& [distanceToFence, fence] : FenceDistances(ray)) Hit(distanceToFence, fence, distance, colour);
        Hit(PoleDistance(ray), Pole, distance, colour);
        if (distance == NoHit) return colour;
        const double haze = 1 - std::exp(-distance / (1.5 * size_));
        return Mix(colour, Horizon, haze);
    }

private:
    static void Hit(double candidate, Vec candidateColour, double& distance, Vec& colour) {
        if (candidate < distance) {
            distance = candidate;
            colour = candidateColour;
        }
    }

    Vec Sky(Vec ray) const {
        // A faint warm east and cool north, so that no two directions look alike.
        const Vec tint{0.07 * ray.x, 0.0, 0.07 * ray.y};
        Vec sky = Mix(Horizon, Zenith, std::pow(std::max(ray.z, 0.0), 0.45)) + tint;
        const double towardsSun = Dot(ray, sun_);
        const double disc = std::clamp((towardsSun - std::cos(2.6 * Radians)) / 0.0004, 0.0, 1.0);
        const double glow = 0.45 * std::pow(std::max(towardsSun, 0.0), 48);
        return Mix(sky + glow * SunColour, SunColour, disc);
    }

    double GroundDistance(Vec ray) const {
        if (ray.z >= 0 || eye_.z <= 0) return NoHit;
        return -eye_.z / ray.z;
    }

    Vec GroundColour(Vec ray) const {
        const double t = GroundDistance(ray);
        if (t == NoHit) return Grass;
        const Vec at = eye_ + t * ray;
        if (at.x < 0 || at.y < 0 || at.x > size_ || at.y > size_) return BareGround;
        // A compass painted round the centre: red north-east, blue south-east,
        // yellow south-west, white north-west.
        const double east = at.x - size_ / 2, north = at.y - size_ / 2;
        if (std::hypot(east, north) < size_ / 48 && std::min(std::abs(east), std::abs(north)) > size_ / 2048) {
            if (north >= 0) return east >= 0 ? Vec{0.80, 0.22, 0.18} : Vec{0.92, 0.92, 0.90};
            return east >= 0 ? Vec{0.20, 0.34, 0.82} : Vec{0.90, 0.78, 0.20};
        }
        const double spacing = size_ / 32;
        const auto offLine = [&](double v) { return std::abs(v - spacing * std::round(v / spacing)); };
        const double line = std::min(offLine(at.x), offLine(at.y));
        const double halfWidth = size_ / 4096;
        if (line > halfWidth) return Grass;
        return Mix(Grass, GridLine, std::exp(-t / (size_ / 3)));  // far lines would only shimmer
    }

    // The fence: a low wall standing on each edge of the landscape.
    std::array<std::pair<double, Vec>, 4> FenceDistances(Vec ray) const {
        const double height = size_ / 128;
        const auto wall = [&](double eyeAcross, double rayAcross, double line, double eyeAlong, double rayAlong) {
            if (rayAcross == 0) return NoHit;
            const double t = (line - eyeAcross) / rayAcross;
            const double along = eyeAlong + t * rayAlong;
            const double z = eye_.z + t * ray.z;
            return t > 0 && along >= 0 && along <= size_ && z >= 0 && z <= height ? t : NoHit;
        };
        return {{{wall(eye_.x, ray.x, 0, eye_.y, ray.y), Fence},
                 {wall(eye_.x, ray.x, size_, eye_.y, ray.y), Fence},
                 {wall(eye_.y, ray.y, 0, eye_.x, ray.x), Fence},
                 {wall(eye_.y, ray.y, size_, eye_.x, ray.x), Fence}}};
    }

    // The nearest of the four corner poles, upright cylinders.
    double PoleDistance(Vec ray) const {
        const double radius = size_ / 128, height = size_ / 8;
        double nearest = NoHit;
        const double a = ray.x * ray.x + ray.y * ray.y;
        if (a == 0) return NoHit;
        for (const double cx : {0.0, size_}) {
            for (const double cy : {0.0, size_}) {
                const double ox = eye_.x - cx, oy = eye_.y - cy;
                const double b = ox * ray.x + oy * ray.y;
                const double c = ox * ox + oy * oy - radius * radius;
                const double discriminant = b * b - a * c;
                if (discriminant < 0) continue;
                const double t = (-b - std::sqrt(discriminant)) / a;
                const double z = eye_.z + t * ray.z;
                if (t > 0 && z >= 0 && z <= height) nearest = std::min(nearest, t);
            }
        }
        return nearest;
    }

    double size_;
    Vec eye_;
    Vec sun_;
};

std::uint8_t Byte(double value) {
    return static_cast<std::uint8_t>(std::clamp(value, 0.0, 1.0) * 255 + 0.5);
}

}  // namespace

std::vector<std::uint8_t> RenderFrame(const SkyScene& sceneSettings, const Camera& camera, int width, int height) {
    const Scene scene(sceneSettings, camera);
    // The camera's axes: right and up across the picture, bank turning both about the view.
    const Vec forward = Direction(camera.Heading, camera.Pitch);
    const double h = camera.Heading * Radians, b = camera.Bank * Radians;
    const Vec level{std::cos(h), -std::sin(h), 0};
    const Vec above = Cross(level, forward);
    const Vec right = std::cos(b) * level + (-std::sin(b)) * above;
    const Vec up = std::sin(b) * level + std::cos(b) * above;
    const double halfWidth = 1 / camera.Zoom;
    const double halfHeight = halfWidth * height / width;

    constexpr int Samples = 3;  // per pixel and axis, to smooth edges
    const std::size_t rowBytes = (static_cast<std::size_t>(width) * 3 + 3) & ~std::size_t{3};
    std::vector<std::uint8_t> pixels(rowBytes * static_cast<std::size_t>(height), 0);
    for (int row = 0; row < height; ++row) {
        std::uint8_t* out = pixels.data() + static_cast<std::size_t>(height - 1 - row) * rowBytes;
        for (int column = 0; column < width; ++column) {
            Vec sum;
            for (int sy = 0; sy < Samples; ++sy) {
                for (int sx = 0; sx < Samples; ++sx) {
                    const double u = (2 * (column + (sx + 0.5) / Samples) / width - 1) * halfWidth;
                    const double v = (1 - 2 * (row + (sy + 0.5) / Samples) / height) * halfHeight;
                    sum = sum + scene.Colour(Normalised(forward + u * right + v * up));
                }
            }
            const Vec colour = (1.0 / (Samples * Samples)) * sum;
            *out++ = Byte(colour.z);
            *out++ = Byte(colour.y);
            *out++ = Byte(colour.x);
        }
    }
    return pixels;
}

}  // namespace vantorix::tgs
