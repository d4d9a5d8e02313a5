#include "animation/FrameRegistration.h"

#include <algorithm>
#include <array>
#include <atomic>
#include <cmath>
#include <complex>
#include <cstring>
#include <deque>
#include <memory>
#include <mutex>
#include <numbers>
#include <tuple>
#include <vector>

#if defined(__SSE__)
#include <xmmintrin.h>
#endif

// Coarse to fine: a search by phase correlation over a few zooms on small renderings of the
// frames, then a short least-squares refinement of shift, zoom and light on frames sampled at
// half and at full frame size. Both photos are read through gray pyramids built once.

namespace {

constexpr double kClearlyBetter = 0.03;
// The residual of gray (0 to 1) at which a pixel's weight in the refinement halves.
constexpr double kRobust = 0.05;

// Where a frame point (u, v) lies in the photo: (sx * u + tx, sy * v + ty), in photo pixels
// (edges, not centres: the frame's [0, width] covers the source rectangle's [x, x + w]).
struct Warp {
    double sx = 1, sy = 1, tx = 0, ty = 0;
};

Warp WarpOf(const FrameAlignment& a, QSize picture, QSize frame)
{
    const QRect source = AlignedSourceRect(a, picture, frame);
    return Warp{double(source.width()) / frame.width(), double(source.height()) / frame.height(),
                double(source.x()), double(source.y())};
}

// The alignment that shows the photo through `warp`: its centre and its width as frame units.
std::optional<FrameAlignment> AlignmentOf(const Warp& warp, const FrameAlignment& start, QSize picture,
                                          QSize frame)
{
    const double pw = picture.width(), ph = picture.height(), fw = frame.width(), fh = frame.height();
    const double cx = warp.sx * fw / 2 + warp.tx, cy = warp.sy * fh / 2 + warp.ty;
    const double w = warp.sx * fw * fw / pw, h = warp.sy * fh * fh / ph;
    if (!std::isfinite(cx) || !std::isfinite(cy) || !(w >= 0.5) || !(h >= 0.5) || w > 1e6 || h > 1e6)
        return std::nullopt;
    FrameAlignment a = start;
    a.x = static_cast<int>(std::lround(cx * fw / pw));
    a.y = static_cast<int>(std::lround(cy * fh / ph));
    a.w = static_cast<int>(std::lround(w));
    a.h = static_cast<int>(std::lround(h));
    // Outside the frame the photo's centre cannot be shown: that is no alignment of this photo.
    if (a.x < 0 || a.y < 0 || a.x >= frame.width() || a.y >= frame.height())
        return std::nullopt;
    return ClampAlignment(a, frame);
}

// Four values at once (plain SSE2 on x86-64): the transforms and the refinement's sums are the
// inner loops of the registration.
using Float4 = float __attribute__((vector_size(16)));

Float4 Load4(const float* at)
{
    Float4 v;
    std::memcpy(&v, at, sizeof v);
    return v;
}

Float4 Sqrt4(Float4 v)
{
#if defined(__SSE__)
    return _mm_sqrt_ps(v);
#else
    for (int l = 0; l < 4; ++l)
        v[l] = std::sqrt(v[l]);
    return v;
#endif
}

using Int4 = qint32 __attribute__((vector_size(16)));

void Store4(float* at, Float4 v)
{
    std::memcpy(at, &v, sizeof v);
}

// A gray picture, 0 to 1, row after row.
struct Plane {
    int width = 0, height = 0;
    std::unique_ptr<float[]> px;
    const float* row(int y) const { return &px[static_cast<size_t>(y) * width]; }
};

// A photo in gray, halved level after level. Gray is 11 R + 16 G + 5 B over 32, like Qt's, read
// straight from 32-bit pixels, or the photo's brightness where it comes as 8-bit gray. Each
// level is made in tiles as renderings first need them: a frame shows only part of the photo,
// and at only one or two of the levels.
class Pyramid {
public:
    // `spent`, when given, is a pyramid nobody uses any more: its memory serves again where the
    // sizes agree (a series' photos are all of one size), rather than going back to the system
    // and coming anew, page by page, for every photo.
    explicit Pyramid(const QImage& photo, Pyramid* spent = nullptr)
        : m_rgb(photo.format() == QImage::Format_RGB32 || photo.format() == QImage::Format_ARGB32
                        || photo.format() == QImage::Format_Grayscale8
                    ? photo
                    : photo.convertToFormat(QImage::Format_RGB32)),
          m_gray(m_rgb.format() == QImage::Format_Grayscale8)
    {
        int width = m_rgb.width(), height = m_rgb.height();
        for (size_t l = 0;; ++l) {
            Level& level = m_levels.emplace_back();
            if (spent && l < spent->m_levels.size() && spent->m_levels[l].plane.width == width
                && spent->m_levels[l].plane.height == height)
                level.plane = std::move(spent->m_levels[l].plane);
            else
                level.plane =
                    Plane{width, height,
                          std::make_unique_for_overwrite<float[]>(static_cast<size_t>(width) * height)};
            level.across = (width + kTileWidth - 1) / kTileWidth;
            level.made = std::make_unique<std::atomic<bool>[]>(static_cast<size_t>(level.across)
                                                               * ((height + kTileHeight - 1) / kTileHeight));
            if (width < 32 || height < 32)
                break;
            width /= 2;
            height /= 2;
        }
    }

    int levels() const { return static_cast<int>(m_levels.size()); }
    QSize size(int l) const
    {
        const Plane& p = m_levels[static_cast<size_t>(l)].plane;
        return QSize(p.width, p.height);
    }
    // Level l, with at least its pixels [x0, x1) x [y0, y1) made.
    const Plane& level(int l, int x0, int x1, int y0, int y1) const
    {
        const Level& level = m_levels[static_cast<size_t>(l)];
        x1 = std::min(x1, level.plane.width);
        y1 = std::min(y1, level.plane.height);
        for (int ty = std::max(y0, 0) / kTileHeight; ty * kTileHeight < y1; ++ty)
            for (int tx = std::max(x0, 0) / kTileWidth; tx * kTileWidth < x1; ++tx) {
                std::atomic<bool>& made = level.made[static_cast<size_t>(ty * level.across + tx)];
                if (made.load(std::memory_order_acquire))
                    continue;
                // Another thread may be making it: one maker at a time (a tile of a higher level
                // makes the tiles below it, so the same thread may come in again).
                std::lock_guard<std::recursive_mutex> lock(m_making);
                if (!made.load(std::memory_order_relaxed)) {
                    make(l, tx * kTileWidth, ty * kTileHeight);
                    made.store(true, std::memory_order_release);
                }
            }
        return level.plane;
    }

    // The level whose pixels are at most `step` photo pixels apart, and as few as it allows.
    int levelFor(double step) const
    {
        int l = 0;
        while (l + 1 < levels() && step >= double(2 << l))
            ++l;
        return l;
    }

private:
    static constexpr int kTileWidth = 64, kTileHeight = 16;

    struct Level {
        Plane plane;
        int across = 0;  // tiles in a row of them
        std::unique_ptr<std::atomic<bool>[]> made;
    };

    // The tile of level l whose corner is (x0, y0).
    void make(int l, int x0, int y0) const
    {
        const Plane& p = m_levels[static_cast<size_t>(l)].plane;
        const int x1 = std::min(x0 + kTileWidth, p.width), y1 = std::min(y0 + kTileHeight, p.height);
        std::array<Int4, 2 * kTileWidth / 4> a, b;
        if (l >= 2)
            level(l - 1, 2 * x0, 2 * x1, 2 * y0, 2 * y1);
        for (int y = y0; y < y1; ++y) {
            float* out = &p.px[static_cast<size_t>(y) * p.width];
            if (l == 0) {
                grayLine(y, x0, x1, a);
                for (int x = x0; x < x1; x += 4) {
                    const Float4 v = __builtin_convertvector(a[static_cast<size_t>((x - x0) / 4)], Float4)
                                     * (1.f / (32 * 255));
                    if (x + 4 <= x1) {
                        Store4(out + x, v);
                    } else {
                        for (int k = 0; x + k < x1; ++k)
                            out[x + k] = v[k];
                    }
                }
            } else if (l == 1) {
                // Each 2 x 2 block of the photo: the two lines summed, then each pair of columns.
                grayLine(2 * y, 2 * x0, 2 * x1, a);
                grayLine(2 * y + 1, 2 * x0, 2 * x1, b);
                std::array<qint32, 2 * kTileWidth> sum;
                for (size_t k = 0; k < a.size(); ++k) {
                    const Int4 v = a[k] + b[k];
                    std::memcpy(&sum[4 * k], &v, sizeof v);
                }
                for (int x = x0; x < x1; ++x) {
                    const size_t k = static_cast<size_t>(2 * (x - x0));
                    out[x] = static_cast<float>(sum[k] + sum[k + 1]) * (1.f / (4 * 32 * 255));
                }
            } else {
                const Plane& up = m_levels[static_cast<size_t>(l - 1)].plane;
                const float* top = up.row(2 * y);
                const float* bottom = up.row(2 * y + 1);
                for (int x = x0; x < x1; ++x)
                    out[x] = 0.25f * (top[2 * x] + top[2 * x + 1] + bottom[2 * x] + bottom[2 * x + 1]);
            }
        }
    }

    // The gray of the photo's pixels [x0, x1) of line y, 32 times its value, four to a vector.
    void grayLine(int y, int x0, int x1, std::array<Int4, 2 * kTileWidth / 4>& gray) const
    {
        if (m_gray) {
            const uchar* line = m_rgb.constScanLine(y);
            int x = x0;
            for (; x + 4 <= x1; x += 4) {
                const Int4 p{line[x], line[x + 1], line[x + 2], line[x + 3]};
                gray[static_cast<size_t>((x - x0) / 4)] = p << 5;
            }
            if (x < x1) {
                Int4 p{};
                for (int k = 0; x + k < x1; ++k)
                    p[k] = line[x + k];
                gray[static_cast<size_t>((x - x0) / 4)] = p << 5;
            }
            return;
        }
        const auto* line = reinterpret_cast<const quint32*>(m_rgb.constScanLine(y));
        for (int x = x0; x < x1; x += 4) {
            Int4 p{};
            if (x + 4 <= x1)
                std::memcpy(&p, line + x, sizeof p);
            else
                for (int k = 0; x + k < x1; ++k)
                    p[k] = static_cast<qint32>(line[x + k]);
            const Int4 r = (p >> 16) & 0xFF, g = (p >> 8) & 0xFF, b = p & 0xFF;
            gray[static_cast<size_t>((x - x0) / 4)] = (r << 3) + (r << 1) + r + (g << 4) + (b << 2) + b;
        }
    }

    const QImage m_rgb;  // RGB32, or the brightness alone (Grayscale8)
    const bool m_gray;
    std::vector<Level> m_levels;
    mutable std::recursive_mutex m_making;
};

// The pyramids of the last photos registered: a chained alignment meets each photo twice, as the
// frame to align and then as the reference of the next one. Keyed by the image's cache key,
// which its copies share and any change of its pixels renews.
std::shared_ptr<const Pyramid> PyramidOf(const QImage& photo)
{
    static std::mutex mutex;
    static std::deque<std::pair<qint64, std::shared_ptr<Pyramid>>> recent;
    std::shared_ptr<Pyramid> oldest;
    {
        std::lock_guard<std::mutex> lock(mutex);
        for (const auto& [key, pyramid] : recent)
            if (key == photo.cacheKey())
                return pyramid;
        if (recent.size() >= 2) {
            oldest = std::move(recent.front().second);
            recent.pop_front();
        }
    }
    // Out of the list, the oldest can gain no new user: held by no one else, its memory is free.
    auto pyramid = std::make_shared<Pyramid>(photo, oldest.use_count() == 1 ? oldest.get() : nullptr);
    oldest.reset();
    std::lock_guard<std::mutex> lock(mutex);
    recent.emplace_back(photo.cacheKey(), pyramid);
    if (recent.size() > 2)
        recent.pop_front();
    return pyramid;
}

// The sampling of a frame at `scale` of its size (per axis): pixel (i, j) shows frame point
// ((i + 0.5) / scale.x, (j + 0.5) / scale.y).
struct Grid {
    int width = 0, height = 0;
    double kx = 1, ky = 1;
    Grid(QSize frame, double scaleX, double scaleY)
        : width(std::max(1, static_cast<int>(std::lround(frame.width() * scaleX)))),
          height(std::max(1, static_cast<int>(std::lround(frame.height() * scaleY)))),
          kx(double(width) / frame.width()), ky(double(height) / frame.height())
    {}
    double u(int i) const { return (i + 0.5) / kx; }
    double v(int j) const { return (j + 0.5) / ky; }
};

// A frame rendered from the pyramid through `warp`: its pixels, and the rectangle of them that
// falls on the photo (the frame shows black elsewhere). The warp only scales and shifts each
// axis, so what lies on the photo is one rectangle.
// Gray values whose vector leaves them unset when it grows: a rendering writes every one.
template <typename T>
struct Unset : std::allocator<T> {
    template <typename U>
    struct rebind {
        using other = Unset<U>;
    };
    template <typename U>
    void construct(U* at) noexcept
    {
        ::new (static_cast<void*>(at)) U;
    }
    using std::allocator<T>::allocator;
};
using Pixels = std::vector<float, Unset<float>>;

struct Rendering {
    Pixels px;
    int x0 = 0, x1 = 0, y0 = 0, y1 = 0;  // inside: [x0, x1) x [y0, y1)
};

Rendering Render(const Pyramid& pyramid, const Warp& warp, const Grid& grid)
{
    const int l = pyramid.levelFor(std::max(warp.sx / grid.kx, warp.sy / grid.ky));
    const QSize size = pyramid.size(l);
    const double f = 1.0 / double(1 << l);
    // The warp is separable: each column has its photo column and each row its photo row.
    struct Axis {
        int index = -1;  // -1: outside the photo
        float fraction = 0;
    };
    auto axis = [](double at, int size) {
        Axis a;
        if (at >= 0 && at <= size - 1) {
            a.index = std::min(static_cast<int>(at), size - 2);
            a.fraction = static_cast<float>(at - a.index);
        }
        return a;
    };
    // The axes grow with the index, so those on the photo are one run of them.
    auto run = [&](int count, auto&& at, int size, int& first, int& end) {
        first = count;
        end = count;
        for (int i = 0; i < count; ++i)
            if (axis(at(i), size).index >= 0) {
                first = std::min(first, i);
                end = i + 1;
            }
        if (first == count)
            first = end = 0;
    };
    Rendering r;
    r.px.resize(static_cast<size_t>(grid.width) * grid.height);
    auto column = [&](int i) { return (warp.sx * grid.u(i) + warp.tx) * f - 0.5; };
    auto row = [&](int j) { return (warp.sy * grid.v(j) + warp.ty) * f - 0.5; };
    run(grid.width, column, size.width(), r.x0, r.x1);
    run(grid.height, row, size.height(), r.y0, r.y1);
    if (r.x0 >= r.x1 || r.y0 >= r.y1) {
        r.x0 = r.x1 = r.y0 = r.y1 = 0;
        std::fill(r.px.begin(), r.px.end(), 0.f);
        return r;
    }
    // Black around the photo.
    const auto at = [&](int i, int j) {
        return r.px.begin() + static_cast<std::ptrdiff_t>(j) * grid.width + i;
    };
    std::fill(at(0, 0), at(0, r.y0), 0.f);
    std::fill(at(0, r.y1), r.px.end(), 0.f);
    for (int j = r.y0; j < r.y1; ++j) {
        std::fill(at(0, j), at(r.x0, j), 0.f);
        std::fill(at(r.x1, j), at(grid.width, j), 0.f);
    }
    const size_t count = static_cast<size_t>(r.x1 - r.x0);
    std::vector<int> index(count);
    std::vector<float> fraction(count);
    for (size_t k = 0; k < count; ++k) {
        const Axis c = axis(column(r.x0 + static_cast<int>(k)), size.width());
        index[k] = c.index;
        fraction[k] = c.fraction;
    }
    // Each row blends its two photo rows over the columns it reads, four at a time, then reads
    // its columns from the blend: four at a time too where they are four photo columns in a row
    // (a frame pixel a photo pixel apart, as at both sizes the refinement works at).
    const int from = index.front(), to = index.back() + 2;
    const Plane& p = pyramid.level(l, from, to, axis(row(r.y0), size.height()).index,
                                   axis(row(r.y1 - 1), size.height()).index + 2);
    std::vector<float> blend(static_cast<size_t>(to - from + 4));
    for (int j = r.y0; j < r.y1; ++j) {
        const Axis a = axis(row(j), size.height());
        const float* top = p.row(a.index) + from;
        const float* bottom = top + p.width;
        int x = 0;
        for (; x + 4 <= to - from; x += 4) {
            const Float4 t = Load4(top + x);
            Store4(&blend[static_cast<size_t>(x)], t + (Load4(bottom + x) - t) * a.fraction);
        }
        for (; x < to - from; ++x)
            blend[static_cast<size_t>(x)] = top[x] + (bottom[x] - top[x]) * a.fraction;
        const float* line = blend.data() - from;
        float* out = &r.px[static_cast<size_t>(j) * grid.width + r.x0];
        size_t k = 0;
        for (; k + 4 <= count; k += 4) {
            const int first = index[k];
            if (index[k + 3] == first + 3) {  // the columns grow evenly: +3 in three steps is +1 each
                const Float4 left = Load4(line + first), right = Load4(line + first + 1);
                Store4(out + k, left + (right - left) * Load4(&fraction[k]));
            } else {
                for (size_t m = k; m < k + 4; ++m)
                    out[m] = line[index[m]] + (line[index[m] + 1] - line[index[m]]) * fraction[m];
            }
        }
        for (; k < count; ++k)
            out[k] = line[index[k]] + (line[index[k] + 1] - line[index[k]]) * fraction[k];
    }
    return r;
}

// Sums over two pictures of one size: of a, b, a * a, b * b and a * b, four pixels at a time in
// float, each block's sums added up in double.
std::array<double, 5> Moments(const Pixels& a, const Pixels& b)
{
    constexpr size_t kBlock = 256;
    std::array<double, 5> total{};
    for (size_t from = 0; from < a.size(); from += kBlock) {
        const size_t to = std::min(a.size(), from + kBlock);
        std::array<Float4, 5> s{};
        size_t i = from;
        for (; i + 4 <= to; i += 4) {
            const Float4 x = Load4(&a[i]), y = Load4(&b[i]);
            s[0] += x;
            s[1] += y;
            s[2] += x * x;
            s[3] += y * y;
            s[4] += x * y;
        }
        for (size_t k = 0; k < 5; ++k)
            total[k] += double(s[k][0]) + s[k][1] + s[k][2] + s[k][3];
        for (; i < to; ++i) {
            total[0] += a[i];
            total[1] += b[i];
            total[2] += double(a[i]) * a[i];
            total[3] += double(b[i]) * b[i];
            total[4] += double(a[i]) * b[i];
        }
    }
    return total;
}

// How alike two frames are, whatever their brightness and contrast: the correlation of their
// deviations from their means, 1 for frames that differ only in light.
double Likeness(const Pixels& a, const Pixels& b)
{
    const double n = double(a.size());
    if (!(n > 0))
        return 0;
    const auto [sa, sb, aa, bb, ab] = Moments(a, b);
    const double va = std::max(aa - sa * sa / n, 0.0), vb = std::max(bb - sb * sb / n, 0.0);
    const double norm = std::sqrt(va * vb);
    return norm > 0 ? (ab - sa * sb / n) / norm : 0;
}

// Too little contrast to register against: a blank or nearly flat picture.
bool Featureless(const Pixels& px)
{
    const double n = double(px.size());
    const auto m = Moments(px, px);
    const double mean = m[0] / n;
    return !(n > 0) || std::sqrt(std::max(m[2] / n - mean * mean, 0.0)) < 0.02;
}

// --- The coarse search: phase correlation on small renderings whose sides are powers of two.

// A square grid of complex values, the real and the imaginary parts apart.
struct Spectrum {
    std::vector<float> re, im;
    explicit Spectrum(size_t n = 0) : re(n), im(n) {}
};

// The 2-D transform of an n x n grid (n a power of two, at least 4), with its tables made once.
// Each pass transforms every column at once, row against row, so the inner loop runs along a
// row; a transposition between the passes turns the rows into columns. The forward transform
// leaves the spectrum transposed and the inverse one takes it so: the products of spectra do
// not mind, and the inverse gives the grid back as it was.
class Fft2 {
public:
    explicit Fft2(int n)
        : m_n(n), m_reversed(static_cast<size_t>(n)), m_cos(static_cast<size_t>(n / 2)),
          m_sin(static_cast<size_t>(n / 2))
    {
        for (int i = 0, j = 0; i < n; ++i) {
            m_reversed[static_cast<size_t>(i)] = j;
            int bit = n >> 1;
            for (; bit && (j & bit); bit >>= 1)
                j ^= bit;
            j |= bit;
        }
        for (int k = 0; k < n / 2; ++k) {
            const double angle = -2 * std::numbers::pi * k / n;
            m_cos[static_cast<size_t>(k)] = static_cast<float>(std::cos(angle));
            m_sin[static_cast<size_t>(k)] = static_cast<float>(std::sin(angle));
        }
    }
    void operator()(Spectrum& s, bool inverse) const
    {
        columns(s, inverse);
        transpose(s.re);
        transpose(s.im);
        columns(s, inverse);
    }

private:
    void columns(Spectrum& s, bool inverse) const
    {
        const size_t n = static_cast<size_t>(m_n);
        for (size_t i = 0; i < n; ++i) {
            const size_t j = static_cast<size_t>(m_reversed[i]);
            if (i < j) {
                std::swap_ranges(&s.re[i * n], &s.re[i * n] + n, &s.re[j * n]);
                std::swap_ranges(&s.im[i * n], &s.im[i * n] + n, &s.im[j * n]);
            }
        }
        const float sign = inverse ? -1.f : 1.f;
        auto twiddle = [&](size_t k) { return std::pair(m_cos[k], sign * m_sin[k]); };
        // The butterfly of rows a and b, b turned by w, along four values of each row.
        auto butterfly = [](Float4& ar, Float4& ai, Float4& br, Float4& bi, std::pair<float, float> w) {
            const Float4 tr = br * w.first - bi * w.second, ti = br * w.second + bi * w.first;
            br = ar - tr;
            bi = ai - ti;
            ar = ar + tr;
            ai = ai + ti;
        };
        size_t half = 1;
        // Two stages at a time while two are left: each four rows are read and written once for
        // both, every value going through the same operations as stage by stage.
        for (; 4 * half <= n; half *= 4) {
            const size_t step = n / (2 * half), next = n / (4 * half);
            for (size_t i = 0; i < n; i += 4 * half)
                for (size_t k = 0; k < half; ++k) {
                    const auto w = twiddle(k * step), w0 = twiddle(k * next), w1 = twiddle((k + half) * next);
                    std::array<float*, 4> re, im;
                    for (size_t q = 0; q < 4; ++q) {
                        re[q] = &s.re[(i + k + q * half) * n];
                        im[q] = &s.im[(i + k + q * half) * n];
                    }
                    for (size_t x = 0; x < n; x += 4) {
                        Float4 r0 = Load4(re[0] + x), i0 = Load4(im[0] + x), r1 = Load4(re[1] + x),
                               i1 = Load4(im[1] + x), r2 = Load4(re[2] + x), i2 = Load4(im[2] + x),
                               r3 = Load4(re[3] + x), i3 = Load4(im[3] + x);
                        butterfly(r0, i0, r1, i1, w);
                        butterfly(r2, i2, r3, i3, w);
                        butterfly(r0, i0, r2, i2, w0);
                        butterfly(r1, i1, r3, i3, w1);
                        Store4(re[0] + x, r0);
                        Store4(im[0] + x, i0);
                        Store4(re[1] + x, r1);
                        Store4(im[1] + x, i1);
                        Store4(re[2] + x, r2);
                        Store4(im[2] + x, i2);
                        Store4(re[3] + x, r3);
                        Store4(im[3] + x, i3);
                    }
                }
        }
        for (; half < n; half *= 2) {
            const size_t step = n / (2 * half);
            for (size_t i = 0; i < n; i += 2 * half)
                for (size_t k = 0; k < half; ++k) {
                    const auto w = twiddle(k * step);
                    float *ar = &s.re[(i + k) * n], *ai = &s.im[(i + k) * n];
                    float *br = &s.re[(i + k + half) * n], *bi = &s.im[(i + k + half) * n];
                    for (size_t x = 0; x < n; x += 4) {
                        Float4 yr = Load4(ar + x), yi = Load4(ai + x), xr = Load4(br + x), xi = Load4(bi + x);
                        butterfly(yr, yi, xr, xi, w);
                        Store4(ar + x, yr);
                        Store4(ai + x, yi);
                        Store4(br + x, xr);
                        Store4(bi + x, xi);
                    }
                }
        }
    }
    // In blocks that stay in the cache together: a column of the whole grid does not.
    void transpose(std::vector<float>& v) const
    {
        const size_t n = static_cast<size_t>(m_n), block = std::min<size_t>(n, 16);
        for (size_t by = 0; by < n; by += block)
            for (size_t bx = by; bx < n; bx += block)
                for (size_t y = by; y < by + block; ++y)
                    for (size_t x = bx == by ? y + 1 : bx; x < bx + block; ++x)
                        std::swap(v[y * n + x], v[x * n + y]);
    }

    int m_n;
    std::vector<int> m_reversed;
    std::vector<float> m_cos, m_sin;
};

class PhaseCorrelation {
public:
    explicit PhaseCorrelation(QSize frame)
        : m_grid(frame, double(kSide) / frame.width(), double(kSide) / frame.height()), m_fft(tables().fft),
          m_window(tables().window)
    {}
    const Grid& grid() const { return m_grid; }

    // The windowed spectra of renderings; the photo's outside takes its mean. Two real grids
    // share one transform, one as its real part and one as its imaginary part.
    std::vector<Spectrum> spectra(const std::vector<const Rendering*>& renderings) const
    {
        std::vector<Spectrum> out;
        for (size_t first = 0; first < renderings.size(); first += 2) {
            Spectrum z(static_cast<size_t>(kSide) * kSide);
            const bool pair = first + 1 < renderings.size();
            for (size_t part = 0; part < (pair ? 2u : 1u); ++part) {
                const Rendering& r = *renderings[first + part];
                // Each row four values at a time, then the values left over.
                auto eachRow = [&](auto&& four, auto&& one) {
                    for (int j = r.y0; j < r.y1; ++j) {
                        const size_t row = static_cast<size_t>(j) * kSide;
                        int i = r.x0;
                        for (; i + 4 <= r.x1; i += 4)
                            four(row + static_cast<size_t>(i));
                        for (; i < r.x1; ++i)
                            one(row + static_cast<size_t>(i));
                    }
                };
                Float4 sum4{};
                double sum = 0;
                eachRow([&](size_t k) { sum4 += Load4(&r.px[k]); }, [&](size_t k) { sum += r.px[k]; });
                sum += double(sum4[0]) + sum4[1] + sum4[2] + sum4[3];
                const size_t count = static_cast<size_t>(r.x1 - r.x0) * (r.y1 - r.y0);
                const float mean = count ? static_cast<float>(sum / double(count)) : 0.f;
                float* out = (part ? z.im : z.re).data();
                eachRow([&](size_t k) { Store4(out + k, (Load4(&r.px[k]) - mean) * Load4(&m_window[k])); },
                        [&](size_t k) { out[k] = (r.px[k] - mean) * m_window[k]; });
            }
            m_fft(z, false);
            if (!pair) {
                out.push_back(std::move(z));
                continue;
            }
            // A = (Z[k] + conj Z[-k]) / 2, B = (Z[k] - conj Z[-k]) / 2i.
            Spectrum a(z.re.size()), b(z.re.size());
            for (int y = 0; y < kSide; ++y)
                for (int x = 0; x < kSide; ++x) {
                    const size_t k = static_cast<size_t>(y * kSide + x),
                                 m = static_cast<size_t>(((kSide - y) & (kSide - 1)) * kSide
                                                         + ((kSide - x) & (kSide - 1)));
                    a.re[k] = 0.5f * (z.re[k] + z.re[m]);
                    a.im[k] = 0.5f * (z.im[k] - z.im[m]);
                    b.re[k] = 0.5f * (z.im[k] + z.im[m]);
                    b.im[k] = -0.5f * (z.re[k] - z.re[m]);
                }
            out.push_back(std::move(a));
            out.push_back(std::move(b));
        }
        return out;
    }

    struct Shift {
        QPointF frame;        // where the reference's content lies in the other rendering, frame pixels
        double response = 0;  // how sharp the peak is (0 to 1)
    };
    // The shift of each rendering against the reference. The correlation surfaces are real, so
    // two share one inverse transform too.
    std::vector<Shift> shifts(const Spectrum& reference, const std::vector<Spectrum>& others) const
    {
        std::vector<Shift> out;
        for (size_t first = 0; first < others.size(); first += 2) {
            const bool pair = first + 1 < others.size();
            Spectrum z(reference.re.size());
            for (size_t part = 0; part < (pair ? 2u : 1u); ++part) {
                const Spectrum& other = others[first + part];
                for (size_t k = 0; k < z.re.size(); k += 4) {
                    // The cross-power spectrum, normalised: only the phase tells the shift.
                    const Float4 ar = Load4(&reference.re[k]), ai = Load4(&reference.im[k]),
                                 br = Load4(&other.re[k]), bi = Load4(&other.im[k]);
                    Float4 cr = ar * br + ai * bi, ci = ai * br - ar * bi;
                    const Float4 magnitude = Sqrt4(cr * cr + ci * ci);
                    const Float4 scale = magnitude > 1e-20f ? 1 / magnitude : Float4{};
                    cr *= scale;
                    ci *= scale;
                    if (part) {
                        Store4(&z.re[k], Load4(&z.re[k]) - ci);
                        Store4(&z.im[k], Load4(&z.im[k]) + cr);
                    } else {
                        Store4(&z.re[k], Load4(&z.re[k]) + cr);
                        Store4(&z.im[k], Load4(&z.im[k]) + ci);
                    }
                }
            }
            m_fft(z, true);
            out.push_back(peak(z, false));
            if (pair)
                out.push_back(peak(z, true));
        }
        return out;
    }

private:
    size_t index(int x, int y) const
    {
        return static_cast<size_t>((y + kSide) % kSide) * kSide + static_cast<size_t>((x + kSide) % kSide);
    }

    Shift peak(const Spectrum& surface, bool imaginary) const
    {
        const std::vector<float>& part = imaginary ? surface.im : surface.re;
        auto at = [&](int x, int y) { return part[index(x, y)] / float(kSide * kSide); };
        // The highest value, the first of equals (the scale, a power of two, changes no order):
        // the highest four at a time, then where it first stands.
        Float4 highest = Load4(part.data());
        for (size_t k = 4; k < part.size(); k += 4) {
            const Float4 v = Load4(&part[k]);
            highest = v > highest ? v : highest;
        }
        const float best = std::max({highest[0], highest[1], highest[2], highest[3]});
        const size_t top = static_cast<size_t>(std::find(part.begin(), part.end(), best) - part.begin());
        const int px = static_cast<int>(top % kSide), py = static_cast<int>(top / kSide);
        // The centroid of the 5 x 5 around the peak; the peak lies at minus the shift.
        double sum = 0, sx = 0, sy = 0;
        for (int dy = -2; dy <= 2; ++dy)
            for (int dx = -2; dx <= 2; ++dx) {
                const float v = at(px + dx, py + dy);
                sum += v;
                sx += v * dx;
                sy += v * dy;
            }
        const double cx = px + (sum > 0 ? sx / sum : 0), cy = py + (sum > 0 ? sy / sum : 0);
        const double tx = cx >= kSide / 2.0 ? kSide - cx : -cx, ty = cy >= kSide / 2.0 ? kSide - cy : -cy;
        return Shift{QPointF(tx / m_grid.kx, ty / m_grid.ky), sum};
    }

    // The renderings are kSide x kSide whatever the frame's proportions: the shift is measured
    // per axis, so a frame stretched to a square correlates as well.
    static constexpr int kSide = 128;
    Grid m_grid;
    // The transform's tables and the window, made once for every registration.
    struct Tables {
        Fft2 fft{kSide};
        std::vector<float> window;
        Tables() : window(static_cast<size_t>(kSide) * kSide)
        {
            // A Hann window, against the wrap-around edges of the transform.
            std::vector<float> hann(kSide);
            for (int i = 0; i < kSide; ++i)
                hann[static_cast<size_t>(i)] =
                    static_cast<float>(0.5 - 0.5 * std::cos(2 * std::numbers::pi * i / (kSide - 1)));
            for (int j = 0; j < kSide; ++j)
                for (int i = 0; i < kSide; ++i)
                    window[static_cast<size_t>(j) * kSide + i] =
                        hann[static_cast<size_t>(i)] * hann[static_cast<size_t>(j)];
        }
    };
    static const Tables& tables()
    {
        static const Tables made;
        return made;
    }
    const Fft2& m_fft;
    const std::vector<float>& m_window;
};

// --- The fine search: Gauss-Newton over the current photo's warp (a common zoom keeping the
// axes' ratio, and the shift) and the light (gain and offset), against the reference frame.

struct Fit {
    Warp warp;
    double correlation = 0;
    bool ok = false;
};

bool Solve(std::array<std::array<double, 6>, 5>& m, std::array<double, 5>& x)
{
    for (int c = 0; c < 5; ++c) {
        int pivot = c;
        for (int r = c + 1; r < 5; ++r)
            if (std::abs(m[r][c]) > std::abs(m[pivot][c]))
                pivot = r;
        if (!(std::abs(m[pivot][c]) > 1e-12))
            return false;
        std::swap(m[c], m[pivot]);
        for (int r = 0; r < 5; ++r)
            if (r != c) {
                const double f = m[r][c] / m[c][c];
                for (int k = c; k < 6; ++k)
                    m[r][k] -= f * m[c][k];
            }
    }
    for (int c = 0; c < 5; ++c)
        x[c] = m[c][5] / m[c][c];
    return true;
}

// The weighted least-squares system of one Gauss-Newton step: the unknowns are the change of
// zoom, of shift (x, y) and of light (gain, offset); m is the normal matrix, its last column the
// right-hand side.
struct Normal {
    std::array<std::array<double, 6>, 5> m{};
    size_t used = 0;  // the pixels that took part
};

// With `light` false the light stays as it is: only zoom and shift are solved for (the light's
// rows of the system say "no change"), with less than half the sums.
template <bool light>
Normal NormalEquations(const Rendering& current, const Rendering& target, const Grid& grid, const Warp& warp,
                       double ratio, double gain, double offset)
{
    const int w = grid.width, h = grid.height;
    // The pixels whose four neighbours in `current` and whose own place in `target` fall on the
    // photos, and not on the frame's border.
    const int x0 = std::max({1, current.x0 + 1, target.x0}),
              x1 = std::min({w - 1, current.x1 - 1, target.x1});
    const int y0 = std::max({1, current.y0 + 1, target.y0}),
              y1 = std::min({h - 1, current.y1 - 1, target.y1});
    Normal out;
    if (x1 - x0 < 4 || y1 <= y0)
        return out;
    out.used = static_cast<size_t>(x1 - x0) * (y1 - y0);
    // The photo's gradient from the frame's: central differences over the rendering, per photo
    // pixel, times the gain.
    const float gu = static_cast<float>(grid.kx / (2 * warp.sx) * gain),
                gv = static_cast<float>(grid.ky / (2 * warp.sy) * gain);
    const float g = static_cast<float>(gain), o = static_cast<float>(offset);
    const float robust = static_cast<float>(1 / (kRobust * kRobust));
    const Float4 lanes{0.5f, 1.5f, 2.5f, 3.5f};
    const float perColumn = static_cast<float>(1 / grid.kx);
    // Sums of w * a * b for the Jacobian's entries a, b (zoom, x, y, value, 1) and of w * a * e.
    enum { ZZ, ZX, ZY, ZV, XX, XY, XV, YY, YV, VV, Z, X, Y, V, One, ZE, XE, YE, VE, E, kSums };
    std::array<double, kSums> total{};
    for (int j = y0; j < y1; ++j) {
        const float rv = static_cast<float>(ratio * grid.v(j));
        const size_t row = static_cast<size_t>(j) * w;
        const float* c = &current.px[row];
        const float* up = c - w;
        const float* down = c + w;
        const float* t = &target.px[row];
        std::array<Float4, kSums> sum{};
        auto add = [&](int i, Float4 keep) {
            const Float4 value = Load4(c + i);
            const Float4 ix = (Load4(c + i + 1) - Load4(c + i - 1)) * gu;
            const Float4 iy = (Load4(down + i) - Load4(up + i)) * gv;
            const Float4 zoom = ix * ((float(i) + lanes) * perColumn) + iy * rv;
            const Float4 e = value * g + o - Load4(t + i);
            // What changed between the days (a plant that grew, a cloud) weighs little beside
            // what stayed: a Cauchy weight on the residual.
            const Float4 weight = keep / (1.f + e * e * robust);
            const Float4 wz = weight * zoom, wx = weight * ix, wy = weight * iy;
            sum[ZZ] += wz * zoom;
            sum[ZX] += wz * ix;
            sum[ZY] += wz * iy;
            sum[XX] += wx * ix;
            sum[XY] += wx * iy;
            sum[YY] += wy * iy;
            sum[ZE] += wz * e;
            sum[XE] += wx * e;
            sum[YE] += wy * e;
            if constexpr (light) {
                const Float4 wv = weight * value;
                sum[ZV] += wz * value;
                sum[XV] += wx * value;
                sum[YV] += wy * value;
                sum[VV] += wv * value;
                sum[Z] += wz;
                sum[X] += wx;
                sum[Y] += wy;
                sum[V] += wv;
                sum[One] += weight;
                sum[VE] += wv * e;
                sum[E] += weight * e;
            }
        };
        int i = x0;
        for (; i + 4 <= x1; i += 4)
            add(i, Float4{1, 1, 1, 1});
        // The last four end at x1 and count only the pixels the others left.
        if (i < x1) {
            Float4 keep{};
            for (int l = 0; l < 4; ++l)
                keep[l] = x1 - 4 + l >= i ? 1.f : 0.f;
            add(x1 - 4, keep);
        }
        for (int k = 0; k < kSums; ++k)
            total[static_cast<size_t>(k)] += double(sum[static_cast<size_t>(k)][0])
                                             + sum[static_cast<size_t>(k)][1] + sum[static_cast<size_t>(k)][2]
                                             + sum[static_cast<size_t>(k)][3];
    }
    const int entries[5][5] = {{ZZ, ZX, ZY, ZV, Z},
                               {ZX, XX, XY, XV, X},
                               {ZY, XY, YY, YV, Y},
                               {ZV, XV, YV, VV, V},
                               {Z, X, Y, V, One}};
    const int right[5] = {ZE, XE, YE, VE, E};
    const int solved = light ? 5 : 3;
    for (int r = 0; r < 5; ++r) {
        for (int k = 0; k < 5; ++k) {
            double& entry = out.m[static_cast<size_t>(r)][static_cast<size_t>(k)];
            if (r < solved && k < solved)
                entry = total[static_cast<size_t>(entries[r][k])];
            else
                entry = r == k ? 1 : 0;
        }
        out.m[static_cast<size_t>(r)][5] = r < solved ? -total[static_cast<size_t>(right[r])] : 0;
    }
    return out;
}

// The reference frame at the two sizes the refinement works at.
struct Reference {
    Grid half, full;
    Rendering atHalf, atFull;
};

Fit Refine(const Pyramid& photo, const Reference& reference, Warp warp, QSize frame)
{
    const double ratio = warp.sy / warp.sx;
    double gain = 1, offset = 0;
    Fit fit;
    bool lightSet = false;
    // Each size ends when the frame's far corner moves by less than `settled` photo pixels; at
    // full size, by less than a quarter of what one unit of the stored alignment moves it.
    const double unit = double(photo.size(0).width()) / frame.width();
    for (const auto& [grid, target, iterations, settled] :
         {std::tuple{&reference.half, &reference.atHalf, 8, 0.3},
          std::tuple{&reference.full, &reference.atFull, 2, 0.25 * unit}}) {
        const int w = grid->width, h = grid->height;
        for (int iteration = 0; iteration < iterations; ++iteration) {
            const Rendering current = Render(photo, warp, *grid);
            if (!lightSet) {
                // The light starts from what matches the two frames' means and contrasts.
                double n = 0, ma = 0, mb = 0, va = 0, vb = 0;
                for (int j = std::max(current.y0, target->y0); j < std::min(current.y1, target->y1); ++j)
                    for (int i = std::max(current.x0, target->x0); i < std::min(current.x1, target->x1);
                         ++i) {
                        const size_t k = static_cast<size_t>(j) * w + i;
                        n += 1;
                        ma += current.px[k];
                        mb += target->px[k];
                        va += double(current.px[k]) * current.px[k];
                        vb += double(target->px[k]) * target->px[k];
                    }
                if (n > 0) {
                    ma /= n;
                    mb /= n;
                    const double sa = std::sqrt(std::max(va / n - ma * ma, 0.0)),
                                 sb = std::sqrt(std::max(vb / n - mb * mb, 0.0));
                    gain = sa > 1e-6 ? sb / sa : 1;
                    offset = mb - gain * ma;
                }
                lightSet = true;
            }
            // At full size the light found at half size stands.
            Normal normal = grid == &reference.half
                                ? NormalEquations<true>(current, *target, *grid, warp, ratio, gain, offset)
                                : NormalEquations<false>(current, *target, *grid, warp, ratio, gain, offset);
            // Too little of the frame overlaps the photo to say anything.
            if (normal.used < static_cast<size_t>(w) * h / 4)
                return fit;
            std::array<double, 5> d{};
            if (!Solve(normal.m, d) || !std::isfinite(d[0]))
                return fit;
            warp.sx += d[0];
            warp.sy = warp.sx * ratio;
            warp.tx += d[1];
            warp.ty += d[2];
            gain += d[3];
            offset += d[4];
            if (!(warp.sx > 0) || !(gain > 0))
                return fit;
            if (std::abs(d[0]) * std::max(frame.width(), frame.height()) + std::abs(d[1]) + std::abs(d[2])
                < settled)
                break;
        }
    }
    fit.warp = warp;
    fit.correlation = Likeness(reference.atHalf.px, Render(photo, warp, reference.half).px);
    fit.ok = true;
    return fit;
}

// A proposal is kept only as far as it lines the frame up clearly better than it stands: its
// zoom only when that beats its shift alone, its shift only when that beats the frame as it
// is. A camera that did not move keeps its alignment, instead of taking up the small shifts and
// zooms that a growing plant suggests and carrying them from frame to frame.
// `asItIs`: the photo through `start` at half size.
std::optional<FrameAlignment> Better(const std::optional<FrameAlignment>& proposal,
                                     const FrameAlignment& start, const Rendering& asItIs,
                                     const Reference& reference, const Pyramid& photo, QSize picture,
                                     QSize frame)
{
    if (!proposal || *proposal == start)
        return proposal;
    auto likeness = [&](const FrameAlignment& a) {
        return Likeness(reference.atHalf.px, Render(photo, WarpOf(a, picture, frame), reference.half).px);
    };
    FrameAlignment shifted = start;
    shifted.x = proposal->x;
    shifted.y = proposal->y;
    const double asIs = Likeness(reference.atHalf.px, asItIs.px), shiftOnly = likeness(shifted);
    if ((proposal->w != start.w || proposal->h != start.h)
        && likeness(*proposal) > std::max(asIs, shiftOnly) + kClearlyBetter)
        return proposal;
    return shiftOnly > asIs + kClearlyBetter ? shifted : start;
}

}  // namespace

std::optional<FrameAlignment> ProposeFrameAlignment(const QImage& previousPhoto,
                                                    const FrameAlignment& previous,
                                                    const QImage& currentPhoto, const FrameAlignment& start,
                                                    QSize frame)
{
    if (previousPhoto.isNull() || currentPhoto.isNull() || frame.width() < 16 || frame.height() < 16)
        return std::nullopt;
    const QSize picture = currentPhoto.size();
    const std::shared_ptr<const Pyramid> beforePyramid = PyramidOf(previousPhoto),
                                         afterPyramid = PyramidOf(currentPhoto);
    const Pyramid &before = *beforePyramid, &after = *afterPyramid;
    const Warp previousWarp = WarpOf(previous, previousPhoto.size(), frame);
    const Grid half(frame, 0.5, 0.5), full(frame, 1, 1);
    const Reference reference{half, full, Render(before, previousWarp, half),
                              Render(before, previousWarp, full)};
    const Rendering asItIs = Render(after, WarpOf(start, picture, frame), half);
    if (Featureless(reference.atHalf.px) || Featureless(asItIs.px))
        return std::nullopt;

    // A coarse search first: the shift that phase correlation finds at a few zooms around the
    // start, keeping the zoom that correlates best. Hand-held series move far more between days
    // than the fine search alone can follow. The reference's spectrum serves every zoom.
    const PhaseCorrelation correlation(frame);
    const Rendering referenceRendering = Render(before, previousWarp, correlation.grid());
    std::optional<Spectrum> referenceSpectrum;
    FrameAlignment best = start;
    double bestResponse = -1, bestZoom = 0;
    auto search = [&](std::initializer_list<double> zooms) {
        std::vector<FrameAlignment> candidates;
        std::vector<Rendering> renderings;
        for (double zoom : zooms) {
            FrameAlignment candidate = start;
            candidate.w = std::max(1, static_cast<int>(std::lround(start.w * zoom)));
            candidate.h = std::max(1, static_cast<int>(std::lround(start.h * zoom)));
            candidates.push_back(candidate);
            renderings.push_back(Render(after, WarpOf(candidate, picture, frame), correlation.grid()));
        }
        std::vector<const Rendering*> all;
        if (!referenceSpectrum)
            all.push_back(&referenceRendering);
        for (const Rendering& r : renderings)
            all.push_back(&r);
        std::vector<Spectrum> spectra = correlation.spectra(all);
        if (!referenceSpectrum) {
            referenceSpectrum = std::move(spectra.front());
            spectra.erase(spectra.begin());
        }
        const auto shifts = correlation.shifts(*referenceSpectrum, spectra);
        for (size_t k = 0; k < candidates.size(); ++k) {
            FrameAlignment candidate = candidates[k];
            // The content of the reference at u lies at u + shift in this frame.
            const double ux = double(candidate.w) / frame.width(), uy = double(candidate.h) / frame.height();
            candidate.x = static_cast<int>(std::lround(candidate.x + shifts[k].frame.x() * ux));
            candidate.y = static_cast<int>(std::lround(candidate.y + shifts[k].frame.y() * uy));
            if (shifts[k].response > bestResponse && candidate.x >= 0 && candidate.y >= 0
                && candidate.x < frame.width() && candidate.y < frame.height()) {
                bestResponse = shifts[k].response;
                best = candidate;
                bestZoom = zooms.begin()[k];
            }
        }
    };
    // The zooms around the start first; one step further out only on the side that won.
    search({1.0, 0.87, 1.15});
    if (bestZoom == 0.87)
        search({0.76});
    else if (bestZoom == 1.15)
        search({1.32});

    // The fine search from the best zoom: shift, zoom and light, at half and then full size.
    const Fit fit = Refine(after, reference, WarpOf(best, picture, frame), frame);
    if (!fit.ok || !(fit.correlation > 0.5))
        return bestResponse > 0.1
                   ? Better(ClampAlignment(best, frame), start, asItIs, reference, after, picture, frame)
                   : std::nullopt;
    return Better(AlignmentOf(fit.warp, start, picture, frame), start, asItIs, reference, after, picture,
                  frame);
}
