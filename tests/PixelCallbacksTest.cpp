#include <gtest/gtest.h>

#include <array>
#include <atomic>
#include <memory>
#include <thread>
#include <vector>
#include <cairo.h>

#include "overlay/PixelCallbacks.h"
#include "overlay/SurfaceGeometry.h"

namespace {

// A 3x2 surface whose pixels are given as bytes in memory order: blue, green, red, alpha.
class SurfaceOf {
public:
    explicit SurfaceOf(const std::array<std::array<unsigned char, 4>, 6>& pixels)
        : surface_(cairo_image_surface_create(CAIRO_FORMAT_ARGB32, 3, 2))
    {
        cairo_surface_flush(surface_);
        unsigned char* data = cairo_image_surface_get_data(surface_);
        const int stride = cairo_image_surface_get_stride(surface_);
        for (int i = 0; i < 6; ++i)
            for (int b = 0; b < 4; ++b)
                data[(i / 3) * stride + (i % 3) * 4 + b] = pixels[i][b];
        cairo_surface_mark_dirty(surface_);
    }
    ~SurfaceOf() { cairo_surface_destroy(surface_); }
    void* refcon() const { return surface_; }

private:
    cairo_surface_t* surface_;
};

PF_Pixel at8(const SurfaceOf& s, A_long x, A_long y, PF_Pixel in = {9, 9, 9, 9})
{
    PF_Pixel out{77, 77, 77, 77};
    EXPECT_EQ(MySimpleTextFunc8(s.refcon(), x, y, &in, &out), PF_Err_NONE);
    return out;
}

PF_Pixel16 at16(const SurfaceOf& s, A_long x, A_long y, PF_Pixel16 in = {9, 9, 9, 9})
{
    PF_Pixel16 out{7777, 7777, 7777, 7777};
    EXPECT_EQ(MySimpleTextFunc16(s.refcon(), x, y, &in, &out), PF_Err_NONE);
    return out;
}

template <typename Pixel>
::testing::AssertionResult IsArgb(const Pixel& p, int a, int r, int g, int b)
{
    if (p.alpha == a && p.red == r && p.green == g && p.blue == b)
        return ::testing::AssertionSuccess();
    return ::testing::AssertionFailure() << "got argb (" << int(p.alpha) << ", " << int(p.red)
                                         << ", " << int(p.green) << ", " << int(p.blue)
                                         << "), expected (" << a << ", " << r << ", " << g << ", "
                                         << b << ")";
}

} // namespace

TEST(PixelArithmetic, WorkedValues)
{
    // Below 255: v x 128.5 rounded half up.
    for (int v = 0; v < 255; ++v)
        ASSERT_EQ(widen8to16(A_u_char(v)), (v * 257 + 1) / 2) << "v " << v;
    EXPECT_EQ(widen8to16(255), 32768);

    const std::array<int, 3> unpremultiplied[] = {
        {0, 128, 0},     {64, 128, 128},   {128, 128, 255}, {1, 2, 128},
        {1, 3, 85},      {2, 3, 170},      {100, 200, 128}, {127, 254, 128},
        {1, 254, 1},     {200, 254, 201},  {50, 51, 250},   {1, 1, 255},
        {17, 255, 17},   {0, 0, 0},
    };
    for (auto [c, a, expected] : unpremultiplied)
        EXPECT_EQ(unpremultiply8(A_u_char(c), A_u_char(a)), expected) << c << ", " << a;
}

// Surface pixels (bytes b, g, r, a) and what the callbacks give at both depths,
// each at another place of the surface. From the sixth on every colour
// channel changes when divided back by alpha, so a channel left
// premultiplied shows.
TEST(PixelCallbacks, ConvertSurfacePixelsToStraightAlpha)
{
    const struct {
        std::array<unsigned char, 4> bgra;
        std::array<int, 4> argb8, argb16;
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
        std::array<std::array<unsigned char, 4>, 6> pixels{};
        pixels.fill({9, 9, 9, 9});
        pixels[i % 6] = rows[i].bgra;
        const SurfaceOf s(pixels);
        const auto [a8, r8, g8, b8] = rows[i].argb8;
        const auto [a16, r16, g16, b16] = rows[i].argb16;
        const A_long x = A_long(i % 3), y = A_long(i % 6 / 3);
        EXPECT_TRUE(IsArgb(at8(s, x, y), a8, r8, g8, b8)) << "row " << i;
        EXPECT_TRUE(IsArgb(at16(s, x, y), a16, r16, g16, b16)) << "row " << i;
        // The source pixel plays no part.
        EXPECT_TRUE(IsArgb(at8(s, x, y, {255, 255, 255, 255}), a8, r8, g8, b8)) << "row " << i;
        EXPECT_TRUE(IsArgb(at16(s, x, y, {32768, 0, 32768, 0}), a16, r16, g16, b16)) << "row " << i;
    }
}

TEST(PixelCallbacks, NullRefconAndOutsideTheSurface)
{
    PF_Pixel in8{1, 2, 3, 4}, out8{5, 6, 7, 8};
    EXPECT_EQ(MySimpleTextFunc8(nullptr, 0, 0, &in8, &out8), PF_Err_NONE);
    EXPECT_TRUE(IsArgb(out8, 5, 6, 7, 8));
    PF_Pixel16 in16{1, 2, 3, 4}, out16{5, 6, 7, 8};
    EXPECT_EQ(MySimpleTextFunc16(nullptr, 0, 0, &in16, &out16), PF_Err_NONE);
    EXPECT_TRUE(IsArgb(out16, 5, 6, 7, 8));

    const SurfaceOf s({{{255, 255, 255, 255}, {255, 255, 255, 255}, {255, 255, 255, 255},
                        {255, 255, 255, 255}, {255, 255, 255, 255}, {255, 255, 255, 255}}});
    for (auto [x, y] : {std::pair{-1, 0}, {3, 0}, {0, -1}, {0, 2}, {-2147483647 - 1, 1}}) {
        EXPECT_TRUE(IsArgb(at8(s, x, y), 0, 0, 0, 0)) << x << "," << y;
        EXPECT_TRUE(IsArgb(at16(s, x, y), 0, 0, 0, 0)) << x << "," << y;
    }
    EXPECT_TRUE(IsArgb(at8(s, 2, 1), 255, 255, 255, 255));
}

// Each render publishes its surface's geometry for the callbacks, side by side
// with the renders of other threads; any other surface, and a published one
// once the publication is gone, is asked of cairo.
TEST(PixelCallbacks, PublishedGeometryGivesTheSamePixels)
{
    const SurfaceOf a({{{64, 0, 64, 128}, {}, {}, {}, {}, {1, 2, 3, 255}}});
    const SurfaceOf b({{{}, {}, {}, {}, {}, {9, 8, 7, 255}}});
    {
        const SurfacePublication published_a(static_cast<cairo_surface_t*>(a.refcon()));
        EXPECT_TRUE(published_a.published());
        EXPECT_TRUE(IsArgb(at8(a, 2, 1), 255, 3, 2, 1));
        EXPECT_TRUE(IsArgb(at8(b, 2, 1), 255, 7, 8, 9));
        EXPECT_TRUE(IsArgb(at8(a, 3, 1), 0, 0, 0, 0)); // still bounds-checked
        {
            const SurfacePublication published_b(static_cast<cairo_surface_t*>(b.refcon()));
            EXPECT_TRUE(published_b.published()) << "a second render at once lost the fast path";
            EXPECT_TRUE(IsArgb(at16(a, 0, 0), 16448, 16448, 0, 16448));
            EXPECT_TRUE(IsArgb(at8(b, 2, 1), 255, 7, 8, 9));
        }
        EXPECT_TRUE(IsArgb(at8(b, 2, 1), 255, 7, 8, 9));
        EXPECT_TRUE(IsArgb(at8(a, 2, 1), 255, 3, 2, 1));
    }
    EXPECT_TRUE(IsArgb(at8(a, 2, 1), 255, 3, 2, 1));

    // Readers on other threads while two writers publish and withdraw their
    // surfaces see each surface's own geometry, whole.
    std::atomic<bool> stop{false};
    std::atomic<int> wrong{0};
    std::vector<std::thread> threads;
    for (int t = 0; t < 3; ++t)
        threads.emplace_back([&] {
            while (!stop.load()) {
                PF_Pixel out{};
                MySimpleTextFunc8(a.refcon(), 2, 1, nullptr, &out);
                wrong += out.red != 3;
                MySimpleTextFunc8(b.refcon(), 2, 1, nullptr, &out);
                wrong += out.red != 7;
            }
        });
    std::atomic<int> writers{2};
    for (const SurfaceOf* s : {&a, &b})
        threads.emplace_back([&, s] {
            for (int i = 0; i < 10000; ++i) {
                const SurfacePublication p(static_cast<cairo_surface_t*>(s->refcon()));
            }
            if (--writers == 0)
                stop = true;
        });
    for (std::thread& t : threads)
        t.join();
    EXPECT_EQ(wrong.load(), 0);
}

// More renders at once than slots: the surplus is asked of cairo, with the
// same pixels, and a slot given back serves the next render.
TEST(PixelCallbacks, SurfacesBeyondTheSlotsAreAskedOfCairo)
{
    const std::size_t slots = surface_geometry_detail::kSlots;
    std::vector<std::unique_ptr<SurfaceOf>> surfaces;
    std::vector<std::unique_ptr<SurfacePublication>> publications;
    for (std::size_t i = 0; i <= slots; ++i) {
        const auto v = static_cast<unsigned char>(i + 1);
        surfaces.push_back(std::make_unique<SurfaceOf>(std::array<std::array<unsigned char, 4>, 6>{
            {{}, {}, {}, {}, {}, {v, v, v, 255}}}));
        publications.push_back(
            std::make_unique<SurfacePublication>(static_cast<cairo_surface_t*>(surfaces[i]->refcon())));
    }
    for (std::size_t i = 0; i <= slots; ++i) {
        EXPECT_EQ(publications[i]->published(), i < slots) << i;
        EXPECT_TRUE(IsArgb(at8(*surfaces[i], 2, 1), 255, int(i + 1), int(i + 1), int(i + 1))) << i;
    }
    publications[3].reset();
    publications[slots] =
        std::make_unique<SurfacePublication>(static_cast<cairo_surface_t*>(surfaces[slots]->refcon()));
    EXPECT_TRUE(publications[slots]->published());
    EXPECT_TRUE(IsArgb(at8(*surfaces[slots], 2, 1), 255, int(slots + 1), int(slots + 1), int(slots + 1)));
    EXPECT_TRUE(IsArgb(at8(*surfaces[3], 2, 1), 255, 4, 4, 4));
}
