#include <gtest/gtest.h>

#include <array>
#include <atomic>
#include <thread>
#include <vector>
#include <cairo.h>

#include "overlay/PixelCallbacks.h"
#include "overlay/SurfaceGeometry.h"

namespace {

using Bgra = std::array<unsigned char, 4>; // a surface pixel's bytes in memory order
using Argb = std::array<int, 4>;

// A 3x2 surface with the given pixels, row by row.
class SurfaceOf {
public:
    explicit SurfaceOf(const std::array<Bgra, 6>& pixels)
        : surface_(cairo_image_surface_create(CAIRO_FORMAT_ARGB32, 3, 2))
    {
        cairo_surface_flush(surface_);
        unsigned char* data = cairo_image_surface_get_data(surface_);
        const int stride = cairo_image_surface_get_stride(surface_);
        for (int i = 0; i < 6; ++i)
            std::copy(pixels[i].begin(), pixels[i].end(), data + (i / 3) * stride + (i % 3) * 4);
        cairo_surface_mark_dirty(surface_);
    }
    ~SurfaceOf() { cairo_surface_destroy(surface_); }
    cairo_surface_t* get() const { return surface_; }

private:
    cairo_surface_t* surface_;
};

// What the callbacks write for (x, y); `in` plays no part.
Argb at8(const SurfaceOf& s, A_long x, A_long y, PF_Pixel in = {9, 9, 9, 9})
{
    PF_Pixel out{77, 77, 77, 77};
    EXPECT_EQ(MySimpleTextFunc8(s.get(), x, y, &in, &out), PF_Err_NONE);
    return {out.alpha, out.red, out.green, out.blue};
}

Argb at16(const SurfaceOf& s, A_long x, A_long y, PF_Pixel16 in = {9, 9, 9, 9})
{
    PF_Pixel16 out{7777, 7777, 7777, 7777};
    EXPECT_EQ(MySimpleTextFunc16(s.get(), x, y, &in, &out), PF_Err_NONE);
    return {out.alpha, out.red, out.green, out.blue};
}

} // namespace

// The 8 to 16-bit widening at every value.
TEST(PixelArithmetic, Widening)
{
    // Below 255: v x 128.5 rounded half up.
    for (int v = 0; v < 255; ++v)
        ASSERT_EQ(widen8to16(A_u_char(v)), (v * 257 + 1) / 2) << "v " << v;
    EXPECT_EQ(widen8to16(255), 32768);
}

// Surface pixels and what the callbacks give at both depths, each at another
// place of the surface. From the sixth on every colour channel changes when
// divided back by alpha, so a channel left premultiplied shows.
TEST(PixelCallbacks, ConvertSurfacePixelsToStraightAlpha)
{
    const struct {
        Bgra bgra;
        Argb argb8, argb16;
    } rows[] = {
        {{0, 0, 0, 0}, {0, 0, 0, 0}, {0, 0, 0, 0}},
        {{128, 255, 7, 255}, {255, 7, 255, 128}, {32768, 900, 32768, 16448}},
        {{64, 0, 64, 128}, {128, 128, 0, 128}, {16448, 16448, 0, 16448}},
        {{1, 0, 1, 1}, {1, 255, 0, 255}, {129, 32768, 0, 32768}},
        {{200, 100, 50, 254}, {254, 50, 100, 201}, {32639, 6425, 12850, 25829}},
        {{30, 60, 90, 120}, {120, 191, 128, 64}, {15420, 24544, 16448, 8224}},
        {{10, 20, 40, 50}, {50, 204, 102, 51}, {6425, 26214, 13107, 6554}},
        {{1, 2, 3, 3}, {3, 255, 170, 85}, {386, 32768, 21845, 10923}},
        {{100, 150, 200, 201}, {201, 254, 190, 127}, {25829, 32639, 24415, 16320}},
        {{5, 6, 7, 8}, {8, 223, 191, 159}, {1028, 28656, 24544, 20432}},
    };
    for (std::size_t i = 0; i < std::size(rows); ++i) {
        SCOPED_TRACE(i);
        std::array<Bgra, 6> pixels;
        pixels.fill({9, 9, 9, 9});
        pixels[i % 6] = rows[i].bgra;
        const SurfaceOf s(pixels);
        const A_long x = A_long(i % 3), y = A_long(i % 6 / 3);
        EXPECT_EQ(at8(s, x, y), rows[i].argb8);
        EXPECT_EQ(at16(s, x, y), rows[i].argb16);
        EXPECT_EQ(at8(s, x, y, {255, 255, 255, 255}), rows[i].argb8);
        EXPECT_EQ(at16(s, x, y, {32768, 0, 32768, 0}), rows[i].argb16);
    }
}

// No surface: the output stays as it was; outside the surface: transparent.
TEST(PixelCallbacks, NullRefconAndOutsideTheSurface)
{
    PF_Pixel in8{1, 2, 3, 4}, out8{5, 6, 7, 8};
    EXPECT_EQ(MySimpleTextFunc8(nullptr, 0, 0, &in8, &out8), PF_Err_NONE);
    EXPECT_EQ((Argb{out8.alpha, out8.red, out8.green, out8.blue}), (Argb{5, 6, 7, 8}));
    PF_Pixel16 in16{1, 2, 3, 4}, out16{5, 6, 7, 8};
    EXPECT_EQ(MySimpleTextFunc16(nullptr, 0, 0, &in16, &out16), PF_Err_NONE);
    EXPECT_EQ((Argb{out16.alpha, out16.red, out16.green, out16.blue}), (Argb{5, 6, 7, 8}));

    std::array<Bgra, 6> white;
    white.fill({255, 255, 255, 255});
    const SurfaceOf s(white);
    for (auto [x, y] : {std::pair{-1, 0}, {3, 0}, {0, -1}, {0, 2}, {-2147483647 - 1, 1}}) {
        EXPECT_EQ(at8(s, x, y), (Argb{0, 0, 0, 0})) << x << "," << y;
        EXPECT_EQ(at16(s, x, y), (Argb{0, 0, 0, 0})) << x << "," << y;
    }
    EXPECT_EQ(at8(s, 2, 1), (Argb{255, 255, 255, 255}));
}

// Each render publishes its surface's geometry for the callbacks, side by side
// with the renders of other threads; any other surface, and a published one
// once the publication is gone, is asked of cairo. Readers on other threads
// while two writers publish and withdraw see each surface's own geometry, whole.
TEST(PixelCallbacks, PublishedGeometryGivesTheSamePixels)
{
    const SurfaceOf a({{{64, 0, 64, 128}, {}, {}, {}, {}, {1, 2, 3, 255}}});
    const SurfaceOf b({{{}, {}, {}, {}, {}, {9, 8, 7, 255}}});
    const Argb a21{255, 3, 2, 1}, b21{255, 7, 8, 9};
    {
        const SurfacePublication published_a(a.get()), published_b(b.get());
        EXPECT_TRUE(published_a.published() && published_b.published()) << "a second render at once lost the fast path";
        EXPECT_EQ(at8(a, 2, 1), a21);
        EXPECT_EQ(at16(a, 0, 0), (Argb{16448, 16448, 0, 16448}));
        EXPECT_EQ(at8(a, 3, 1), (Argb{0, 0, 0, 0})); // still bounds-checked
        EXPECT_EQ(at8(b, 2, 1), b21);
    }
    EXPECT_EQ(at8(a, 2, 1), a21);
    EXPECT_EQ(at8(b, 2, 1), b21);
    {
        const SurfacePublication published_b(b.get());
        EXPECT_EQ(at8(a, 2, 1), a21);
        EXPECT_EQ(at8(b, 2, 1), b21);
    }

    std::atomic<bool> stop{false};
    std::atomic<int> wrong{0}, writers{2};
    std::vector<std::thread> threads;
    for (int t = 0; t < 3; ++t)
        threads.emplace_back([&] {
            while (!stop.load()) {
                PF_Pixel out{};
                MySimpleTextFunc8(a.get(), 2, 1, nullptr, &out);
                wrong += out.red != 3;
                MySimpleTextFunc8(b.get(), 2, 1, nullptr, &out);
                wrong += out.red != 7;
            }
        });
    for (const SurfaceOf* s : {&a, &b})
        threads.emplace_back([&, s] {
            for (int i = 0; i < 100000; ++i)
                const SurfacePublication p(s->get());
            if (--writers == 0)
                stop = true;
        });
    for (std::thread& t : threads)
        t.join();
    EXPECT_EQ(wrong.load(), 0);
}
