#include "export/CubeFaces.h"

#include "platform/FileMapping.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <stdexcept>
#include <string>

#if defined(__x86_64__) || defined(__i386__)
#include <immintrin.h>
#endif

namespace vantorix::cube {

namespace {

// The axis a unit vector of the table lies along, and its sign.
void AxisOf(const Vec3& v, int& axis, double& sign) {
    const double components[3] = {v.X, v.Y, v.Z};
    for (axis = 0; axis < 3; ++axis) {
        if (std::fabs(components[axis]) == 1.0) break;
    }
    if (axis == 3) throw std::invalid_argument("A face's view must lie along the axes of the world.");
    sign = components[axis];
}

}  // namespace

CubeFaces::CubeFaces(std::array<RgbImage, 6> faces, const FaceViews& views)
    : size_(faces[0].Width), stride_(faces[0].Width * std::ptrdiff_t{3}), views_(views), projector_(views),
      faces_(std::move(faces)) {
    for (const RgbImage& face : faces_) {
        if (face.Width != size_ || face.Height != size_ || size_ < 1 ||
            face.Pixels.size() != static_cast<std::size_t>(size_) * size_ * 3) {
            throw std::invalid_argument("The six faces must be square and of one size.");
        }
    }
    for (int face = 0; face < 6; ++face) top_[face] = faces_[face].Pixels.data();
    SetUpViews();
}

CubeFaces::CubeFaces(std::array<FileFace, 6> faces, const FaceViews& views)
    : size_(faces[0].Width), stride_(-faces[0].RowBytes), order_(ChannelOrder::Bgr), views_(views), projector_(views) {
    for (int face = 0; face < 6; ++face) {
        const FileFace& file = faces[face];
        if (file.Width != size_ || file.Height != size_ || size_ < 1 || file.RowBytes != -stride_ ||
            file.RowBytes < size_ * std::ptrdiff_t{3} || file.BottomRow == nullptr) {
            throw std::invalid_argument("The six faces must be square and of one size.");
        }
        top_[face] = file.BottomRow + (size_ - 1) * file.RowBytes;
        files_[face] = std::move(faces[face].File);
    }
    SetUpViews();
}

void CubeFaces::SetUpViews() {
    for (int face = 0; face < 6; ++face) {
        AxisView& axes = axes_[face];
        AxisOf(views_[face].Forward, axes.forward, axes.forwardSign);
        AxisOf(views_[face].Right, axes.right, axes.rightSign);
        AxisOf(views_[face].Up, axes.up, axes.upSign);
        faceOfAxis_[2 * axes.forward + (axes.forwardSign > 0 ? 0 : 1)] = face;
    }
}

void CubeFaces::CheckFilesWhole() const {
    for (const auto& file : files_) {
        if (file) file->CheckWhole();
    }
}

// Past the edge, the texel the centre's direction meets on the neighbouring
// face (at a corner, whichever face the direction favours).
const std::uint8_t* CubeFaces::TexelOrNeighbour(int face, int x, int y) const {
    if (x >= 0 && x < size_ && y >= 0 && y < size_) return Texel(face, x, y);
    const double n = size_;
    const double a = 2.0 * (x + 0.5) / n - 1.0, b = 1.0 - 2.0 * (y + 0.5) / n;
    const FaceView& view = views_[face];
    const Vec3 d{view.Forward.X + a * view.Right.X + b * view.Up.X, view.Forward.Y + a * view.Right.Y + b * view.Up.Y,
                 view.Forward.Z + a * view.Right.Z + b * view.Up.Z};
    const FacePoint p = projector_.Project(d);
    const int sx = std::clamp(static_cast<int>(std::floor((p.A + 1.0) / 2.0 * n)), 0, size_ - 1);
    const int sy = std::clamp(static_cast<int>(std::floor((1.0 - p.B) / 2.0 * n)), 0, size_ - 1);
    return Texel(p.Face, sx, sy);
}

[[gnu::always_inline]] inline int CubeFaces::Locate(const Vec3& direction, double& px, double& py) const {
    const double c[3] = {direction.X, direction.Y, direction.Z};
    const double ax = std::fabs(c[0]), ay = std::fabs(c[1]), az = std::fabs(c[2]);
    const int axis = ax >= ay && ax >= az ? 0 : ay >= az ? 1 : 2;
    const int face = faceOfAxis_[2 * axis + (c[axis] < 0 ? 1 : 0)];
    const AxisView& view = axes_[face];
    // A and B (each -1 to 1) scaled to texels: px = (A + 1) size / 2 - 0.5, py = (1 - B) size / 2 - 0.5.
    const double half = 0.5 * size_;
    const double scale = half / (view.forwardSign * c[view.forward]);
    px = view.rightSign * c[view.right] * scale + (half - 0.5);
    py = -view.upSign * c[view.up] * scale + (half - 0.5);
    return face;
}

template <bool Swap>
[[gnu::always_inline]] inline void CubeFaces::BilinearAt(int face, double px, double py, std::uint8_t out[3]) const {
    // px and py lie within -0.5 and size - 0.5, give or take rounding, so the
    // four texels around them are on the face or just past its edges.
    const int x0 = std::clamp(static_cast<int>(px + 1.0) - 1, -1, size_ - 1);
    const int y0 = std::clamp(static_cast<int>(py + 1.0) - 1, -1, size_ - 1);
    const int wx = std::clamp(static_cast<int>((px - x0) * 256.0 + 0.5), 0, 256);
    const int wy = std::clamp(static_cast<int>((py - y0) * 256.0 + 0.5), 0, 256);
    const std::uint8_t *t00, *t10, *t01, *t11;
    if (x0 >= 0 && y0 >= 0 && x0 < size_ - 1 && y0 < size_ - 1) {
        t00 = Texel(face, x0, y0);
        t10 = t00 + 3;
        t01 = t00 + stride_;
        t11 = t01 + 3;
    } else {  // along an edge: some of the four lie on the faces beside it
        t00 = TexelOrNeighbour(face, x0, y0);
        t10 = TexelOrNeighbour(face, x0 + 1, y0);
        t01 = TexelOrNeighbour(face, x0, y0 + 1);
        t11 = TexelOrNeighbour(face, x0 + 1, y0 + 1);
    }
    for (int c = 0; c < 3; ++c) {
        const int top = t00[c] * (256 - wx) + t10[c] * wx;
        const int bottom = t01[c] * (256 - wx) + t11[c] * wx;
        out[Swap ? 2 - c : c] = static_cast<std::uint8_t>((top * (256 - wy) + bottom * wy + 32768) >> 16);
    }
}

[[gnu::always_inline]] inline void CubeFaces::Bilinear(const Vec3& direction, std::uint8_t rgb[3]) const {
    double px = 0, py = 0;
    const int face = Locate(direction, px, py);
    if (order_ == ChannelOrder::Rgb) {
        BilinearAt<false>(face, px, py, rgb);
    } else {
        BilinearAt<true>(face, px, py, rgb);
    }
}

void CubeFaces::Sample(const Vec3& direction, std::uint8_t rgb[3]) const {
    Bilinear(direction, rgb);
}

void CubeFaces::SampleNearest(const Vec3& direction, std::uint8_t rgb[3]) const {
    double px = 0, py = 0;
    const int face = Locate(direction, px, py);
    const int x = std::clamp(static_cast<int>(px + 1.5) - 1, 0, size_ - 1);
    const int y = std::clamp(static_cast<int>(py + 1.5) - 1, 0, size_ - 1);
    TexelRgb(face, x, y, rgb);
}

CubeFaces::Columns CubeFaces::PrepareColumns(const std::vector<double>& sinHeading,
                                             const std::vector<double>& cosHeading) const {
    Columns columns;
    columns.sinHeading = sinHeading;
    columns.cosHeading = cosHeading;
    const std::size_t count = sinHeading.size();
    for (auto* list : {&columns.level, &columns.a0, &columns.aSlope, &columns.b0, &columns.bSlope}) list->resize(count);
    columns.sideFace.resize(count);
    for (std::size_t u = 0; u < count; ++u) {
        // The level part of the direction, (sin, cos, 0), picks the side face;
        // the row's slope t adds (0, 0, t).
        const double c[3] = {sinHeading[u], cosHeading[u], 0.0};
        const int axis = std::fabs(c[0]) >= std::fabs(c[1]) ? 0 : 1;
        const int face = faceOfAxis_[2 * axis + (c[axis] < 0 ? 1 : 0)];
        const AxisView& view = axes_[face];
        const double inverse = 1.0 / (view.forwardSign * c[view.forward]);
        columns.level[u] = std::fabs(c[axis]);
        columns.sideFace[u] = face;
        columns.a0[u] = view.right == 2 ? 0.0 : view.rightSign * c[view.right] * inverse;
        columns.aSlope[u] = view.right == 2 ? view.rightSign * inverse : 0.0;
        columns.b0[u] = view.up == 2 ? 0.0 : view.upSign * c[view.up] * inverse;
        columns.bSlope[u] = view.up == 2 ? view.upSign * inverse : 0.0;
    }
    return columns;
}

void CubeFaces::SampleRow(const Columns& columns, double sinPitch, double cosPitch, std::uint8_t* out,
                          ChannelOrder order) const {
    if (order == order_) {
        SampleRowIn<false>(columns, sinPitch, cosPitch, out);
    } else {
        SampleRowIn<true>(columns, sinPitch, cosPitch, out);
    }
}

// A row's sampling, worked out once: what each column's pixel needs.
struct CubeFaces::RowPlan {
    const double *level, *a0, *aSlope, *b0, *bSlope, *capRight, *capUp;
    const int* sideFace;
    double slope, steepness, half, centre, capA, capB;
    int capFace, size, stride;  // from a row to the one below
    const std::uint8_t* base[6];  // top rows
    bool swap;  // out in the other order than the faces'
};

namespace {

// A position in texels (centres on whole numbers) in 256ths of a texel,
// from -256 up: the texel is the whole part, the weight the rest.
[[gnu::always_inline]] inline int Fixed(double p) { return static_cast<int>(p * 256.0 + 256.5) - 256; }

#if defined(__x86_64__) || defined(__i386__)
bool HasAvx2() {
    static const bool has = __builtin_cpu_supports("avx2");
    return has;
}

// Channel C of each texel and the one to its right, side by side in a
// lane's two halves, from eight bytes a pixel, two pixels to each half of
// `left` and `right`: each half gives its left's two pixels, then its right's.
template <int C>
[[gnu::target("avx2"), gnu::always_inline]] inline __m256i PairChannel(__m256i left, __m256i right) {
    const __m256i fromLeft = _mm256_setr_epi8(C, -1, C + 3, -1, C + 8, -1, C + 11, -1, -1, -1, -1, -1, -1, -1, -1, -1,
                                              C, -1, C + 3, -1, C + 8, -1, C + 11, -1, -1, -1, -1, -1, -1, -1, -1, -1);
    const __m256i fromRight = _mm256_setr_epi8(-1, -1, -1, -1, -1, -1, -1, -1, C, -1, C + 3, -1, C + 8, -1, C + 11, -1,
                                               -1, -1, -1, -1, -1, -1, -1, -1, C, -1, C + 3, -1, C + 8, -1, C + 11, -1);
    return _mm256_or_si256(_mm256_shuffle_epi8(left, fromLeft), _mm256_shuffle_epi8(right, fromRight));
}

// One channel of eight texel quads blended across, then down, exactly as
// the one-at-a-time blend does it.
template <int C>
[[gnu::target("avx2"), gnu::always_inline]] inline __m256i BlendChannel(__m256i topLeft, __m256i topRight, __m256i bottomLeft,
                                                                       __m256i bottomRight, __m256i weightX, __m256i wy) {
    const __m256i top = _mm256_madd_epi16(PairChannel<C>(topLeft, topRight), weightX);
    const __m256i bottom = _mm256_madd_epi16(PairChannel<C>(bottomLeft, bottomRight), weightX);
    const __m256i sum = _mm256_add_epi32(_mm256_slli_epi32(top, 8), _mm256_mullo_epi32(_mm256_sub_epi32(bottom, top), wy));
    return _mm256_srai_epi32(_mm256_add_epi32(sum, _mm256_set1_epi32(32768)), 16);
}

// Eight pixels at a time, each exactly as the one-at-a-time code makes it:
// the same double arithmetic (no fused multiply-add), the same integer blend.
// Stops at the first eight that come near a face's edge, where the careful
// one-at-a-time code takes over, and returns where it stopped.
[[gnu::target("avx2")]] int SampleEights(const CubeFaces::RowPlan& row, int u, int count, std::uint8_t* out) {
    const __m256d steepness = _mm256_set1_pd(row.steepness), slope = _mm256_set1_pd(row.slope);
    const __m256d half = _mm256_set1_pd(row.half), centre = _mm256_set1_pd(row.centre);
    const __m256d capA = _mm256_set1_pd(row.capA), capB = _mm256_set1_pd(row.capB);
    const __m256d scale = _mm256_set1_pd(256.0), offset = _mm256_set1_pd(256.5);
    const __m256i face256 = _mm256_set1_epi32(256), byte = _mm256_set1_epi32(255);
    // The texel quads taken here: left column up to lastX, top row from 1 to
    // lastY. Off them, the eight-byte reads of the face's first and last
    // rows would run past its pixels where they lie last in memory.
    const __m256i firstY = _mm256_set1_epi32(1);
    const __m256i lastX = _mm256_set1_epi32(row.size - 2), lastY = _mm256_set1_epi32(row.size - 3);
    const __m256i stride = _mm256_set1_epi32(row.stride), three = _mm256_set1_epi32(3);
    const __m256i capFace = _mm256_set1_epi32(row.capFace);
    const __m256i evens = _mm256_setr_epi32(0, 2, 4, 6, 0, 2, 4, 6);
    // Each pixel's three bytes, packed into twelve of each sixteen.
    const __m256i pack = _mm256_setr_epi8(0, 1, 2, 4, 5, 6, 8, 9, 10, 12, 13, 14, -1, -1, -1, -1,
                                          0, 1, 2, 4, 5, 6, 8, 9, 10, 12, 13, 14, -1, -1, -1, -1);
    for (; u + 8 <= count; u += 8, out += 24) {
        __m128i xs[2], ys[2], onSide[2];
        for (int h = 0; h < 2; ++h) {
            const int at = u + 4 * h;
            const __m256d side = _mm256_cmp_pd(_mm256_loadu_pd(row.level + at), steepness, _CMP_GE_OQ);
            const __m256d sideX = _mm256_add_pd(
                _mm256_mul_pd(_mm256_add_pd(_mm256_loadu_pd(row.a0 + at), _mm256_mul_pd(_mm256_loadu_pd(row.aSlope + at), slope)), half),
                centre);
            const __m256d capX = _mm256_add_pd(_mm256_mul_pd(_mm256_loadu_pd(row.capRight + at), capA), centre);
            const __m256d sideY = _mm256_sub_pd(
                centre,
                _mm256_mul_pd(_mm256_add_pd(_mm256_loadu_pd(row.b0 + at), _mm256_mul_pd(_mm256_loadu_pd(row.bSlope + at), slope)), half));
            const __m256d capY = _mm256_sub_pd(centre, _mm256_mul_pd(_mm256_loadu_pd(row.capUp + at), capB));
            const __m256d px = _mm256_blendv_pd(capX, sideX, side), py = _mm256_blendv_pd(capY, sideY, side);
            xs[h] = _mm256_cvttpd_epi32(_mm256_add_pd(_mm256_mul_pd(px, scale), offset));
            ys[h] = _mm256_cvttpd_epi32(_mm256_add_pd(_mm256_mul_pd(py, scale), offset));
            onSide[h] = _mm256_castsi256_si128(_mm256_permutevar8x32_epi32(_mm256_castpd_si256(side), evens));
        }
        const __m256i x = _mm256_sub_epi32(_mm256_set_m128i(xs[1], xs[0]), face256);
        const __m256i y = _mm256_sub_epi32(_mm256_set_m128i(ys[1], ys[0]), face256);
        const __m256i x0 = _mm256_srai_epi32(x, 8), y0 = _mm256_srai_epi32(y, 8);
        // Off the fast path: a texel past the edge, or a quad on the face's
        // first or last two rows.
        const __m256i outside = _mm256_or_si256(
            _mm256_or_si256(_mm256_cmpgt_epi32(_mm256_setzero_si256(), x0), _mm256_cmpgt_epi32(firstY, y0)),
            _mm256_or_si256(_mm256_cmpgt_epi32(x0, lastX), _mm256_cmpgt_epi32(y0, lastY)));
        if (!_mm256_testz_si256(outside, outside)) return u;
        const __m256i faces = _mm256_blendv_epi8(capFace, _mm256_loadu_si256(reinterpret_cast<const __m256i*>(row.sideFace + u)),
                                                 _mm256_set_m128i(onSide[1], onSide[0]));
        const __m256i wx = _mm256_and_si256(x, byte), wy = _mm256_and_si256(y, byte);
        // Each texel with the one to its right, eight bytes from the first,
        // loaded one by one: quicker than a gather on many processors.
        alignas(32) std::int32_t face[8], within[8];
        _mm256_store_si256(reinterpret_cast<__m256i*>(face), faces);
        _mm256_store_si256(reinterpret_cast<__m256i*>(within),
                           _mm256_add_epi32(_mm256_mullo_epi32(y0, stride), _mm256_mullo_epi32(x0, three)));
        const std::uint8_t* at[8];
        for (int i = 0; i < 8; ++i) at[i] = row.base[face[i]] + within[i];
        const auto load = [](const std::uint8_t* p) {
            long long bytes;
            std::memcpy(&bytes, p, 8);
            return bytes;
        };
        const std::ptrdiff_t below = row.stride;
        // Pixels 0, 1, 4, 5 in one, 2, 3, 6, 7 in the other: paired, they come out in order.
        const __m256i topLeft = _mm256_setr_epi64x(load(at[0]), load(at[1]), load(at[4]), load(at[5]));
        const __m256i topRight = _mm256_setr_epi64x(load(at[2]), load(at[3]), load(at[6]), load(at[7]));
        const __m256i bottomLeft =
            _mm256_setr_epi64x(load(at[0] + below), load(at[1] + below), load(at[4] + below), load(at[5] + below));
        const __m256i bottomRight =
            _mm256_setr_epi64x(load(at[2] + below), load(at[3] + below), load(at[6] + below), load(at[7] + below));
        const __m256i weightX = _mm256_or_si256(_mm256_sub_epi32(face256, wx), _mm256_slli_epi32(wx, 16));
        const __m256i first = BlendChannel<0>(topLeft, topRight, bottomLeft, bottomRight, weightX, wy);
        const __m256i middle = BlendChannel<1>(topLeft, topRight, bottomLeft, bottomRight, weightX, wy);
        const __m256i last = BlendChannel<2>(topLeft, topRight, bottomLeft, bottomRight, weightX, wy);
        __m256i pixels = _mm256_or_si256(_mm256_slli_epi32(middle, 8), row.swap ? _mm256_or_si256(last, _mm256_slli_epi32(first, 16))
                                                                                : _mm256_or_si256(first, _mm256_slli_epi32(last, 16)));
        pixels = _mm256_shuffle_epi8(pixels, pack);
        alignas(16) std::uint8_t high[16];
        _mm_storeu_si128(reinterpret_cast<__m128i*>(out), _mm256_castsi256_si128(pixels));
        _mm_store_si128(reinterpret_cast<__m128i*>(high), _mm256_extracti128_si256(pixels, 1));
        std::memcpy(out + 12, high, 12);
    }
    return u;
}
#else
bool HasAvx2() { return false; }
int SampleEights(const CubeFaces::RowPlan&, int u, int, std::uint8_t*) { return u; }
#endif

}  // namespace

template <bool Swap>
[[gnu::always_inline]] inline void CubeFaces::SamplePixel(const RowPlan& row, int u, std::uint8_t* out) const {
    double px, py;
    int face;
    if (row.level[u] >= row.steepness) {
        face = row.sideFace[u];
        px = (row.a0[u] + row.aSlope[u] * row.slope) * row.half + row.centre;
        py = row.centre - (row.b0[u] + row.bSlope[u] * row.slope) * row.half;
    } else {
        face = row.capFace;
        px = row.capRight[u] * row.capA + row.centre;
        py = row.centre - row.capUp[u] * row.capB;
    }
    // px and py lie within -0.5 and size - 0.5, give or take rounding.
    const int xFixed = Fixed(px), yFixed = Fixed(py);
    const int x0 = xFixed >> 8, y0 = yFixed >> 8, wx = xFixed & 255, wy = yFixed & 255;
    if (x0 < 0 || y0 < 0 || x0 >= row.size - 1 || y0 >= row.size - 1) {  // along an edge: the careful way
        BilinearAt<Swap>(face, px, py, out);
        return;
    }
    const std::uint8_t* t00 = row.base[face] + static_cast<std::ptrdiff_t>(y0) * row.stride + x0 * 3;
    const std::uint8_t* t01 = t00 + row.stride;
    const auto blend = [&](int c) {
        const int top = (t00[c] << 8) + (t00[c + 3] - t00[c]) * wx;
        const int bottom = (t01[c] << 8) + (t01[c + 3] - t01[c]) * wx;
        return static_cast<std::uint8_t>(((top << 8) + (bottom - top) * wy + 32768) >> 16);
    };
    const std::uint8_t first = blend(0), middle = blend(1), last = blend(2);
    out[0] = Swap ? last : first;
    out[1] = middle;
    out[2] = Swap ? first : last;
}

template <bool Swap>
void CubeFaces::SampleRowIn(const Columns& columns, double sinPitch, double cosPitch, std::uint8_t* out) const {
    // Every direction of the row divided by cos pitch: (sin h, cos h, t).
    RowPlan row{};
    row.slope = sinPitch / cosPitch;
    row.steepness = std::fabs(row.slope);
    // The face straight up or down, met where the slope outweighs the level parts.
    row.capFace = faceOfAxis_[4 + (row.slope < 0 ? 1 : 0)];
    const AxisView& cap = axes_[row.capFace];
    const double capInverse = 1.0 / (cap.forwardSign * row.slope);
    row.half = 0.5 * size_;
    row.centre = row.half - 0.5;
    row.capA = cap.rightSign * capInverse * row.half;
    row.capB = cap.upSign * capInverse * row.half;
    row.capRight = (cap.right == 0 ? columns.sinHeading : columns.cosHeading).data();
    row.capUp = (cap.up == 0 ? columns.sinHeading : columns.cosHeading).data();
    row.level = columns.level.data();
    row.a0 = columns.a0.data();
    row.aSlope = columns.aSlope.data();
    row.b0 = columns.b0.data();
    row.bSlope = columns.bSlope.data();
    row.sideFace = columns.sideFace.data();
    row.size = size_;
    row.stride = static_cast<int>(stride_);
    for (int face = 0; face < 6; ++face) row.base[face] = top_[face];
    row.swap = Swap;

    const int count = static_cast<int>(columns.level.size());
    const bool wide = HasAvx2();
    int u = 0;
    while (u + 8 <= count) {
        if (wide) u = SampleEights(row, u, count, out + 3 * static_cast<std::ptrdiff_t>(u));
        if (u + 8 > count) break;
        for (const int end = u + 8; u < end; ++u) SamplePixel<Swap>(row, u, out + 3 * static_cast<std::ptrdiff_t>(u));
    }
    for (; u < count; ++u) SamplePixel<Swap>(row, u, out + 3 * static_cast<std::ptrdiff_t>(u));
}

}  // namespace vantorix::cube
