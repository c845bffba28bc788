// The stand-in host's worlds and pixel services: new and disposed worlds,
// copies, transfers, the threaded iteration, parameter values, PNG files
// and the frames the runner writes.
#include <gtest/gtest.h>
#include <png.h>

#include <atomic>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <random>
#include <thread>
#include <tuple>
#include <utility>
#include <vector>

#include "CallGuard.h"
#include "FrameWriter.h"
#include "InputPicture.h"
#include "PF_Suites.h"
#include "PixelThreads.h"
#include "Png.h"
#include "RenderFixture.h"

namespace {

using standin::World;
using standin::pixel16;
using standin::pixel8;

// Every byte of every row, padding included, is `value`.
testing::AssertionResult FilledWith(const PF_EffectWorld& w, unsigned char value)
{
    const auto* bytes = static_cast<const unsigned char*>(w.data);
    for (std::size_t i = 0; i < std::size_t(w.rowbytes) * std::size_t(w.height); ++i)
        if (bytes[i] != value)
            return testing::AssertionFailure() << "byte " << i << " is " << int(bytes[i]);
    return testing::AssertionSuccess();
}

class StandinWorlds : public testing::Test {
protected:
    void TearDown() override
    {
        host.suites().basic_suite()->ReleaseSuite("PF World Suite", 2);
        EXPECT_EQ(host.held(), "");
    }
    PF_EffectWorld Make(A_long w, A_long h, bool clear, bool deep)
    {
        PF_EffectWorld world{};
        EXPECT_EQ(suite->PF_NewWorld(ref, w, h, clear, deep ? PF_PixelFormat_ARGB64 : PF_PixelFormat_ARGB32, &world),
                  0);
        return world;
    }

    TestHost host;
    const PF_WorldSuite2* suite = host.acquire<PF_WorldSuite2>("PF World Suite", 2);
    PF_ProgPtr ref = host.in_data().effect_ref;
};

TEST_F(StandinWorlds, NewWorldsHonourTheClearFlagAndAreCounted)
{
    PF_EffectWorld clear = Make(33, 7, true, true), dirty = Make(33, 7, false, false);
    EXPECT_TRUE(clear.world_flags & PF_WorldFlag_DEEP);
    EXPECT_FALSE(dirty.world_flags & PF_WorldFlag_DEEP);
    EXPECT_NE(dirty.rowbytes, 33 * 4); // rows are padded: rowbytes must be honoured
    EXPECT_TRUE(FilledWith(clear, 0));
    EXPECT_TRUE(FilledWith(dirty, 0xCD)); // unset pixels show up
    PF_PixelFormat format = 0;
    EXPECT_EQ(suite->PF_GetPixelFormat(&clear, &format), 0);
    EXPECT_EQ(format, PF_PixelFormat_ARGB64);
    EXPECT_NE(host.held().find("2 world(s) not disposed of"), std::string::npos);
    EXPECT_EQ(suite->PF_DisposeWorld(ref, &clear), 0);
    host.faults().fail("PF World Suite v2.dispose_world", 2, 5);
    EXPECT_EQ(suite->PF_DisposeWorld(ref, &dirty), 5); // reported, yet freed
    EXPECT_EQ(host.worlds().live_count(), 0);

    PF_EffectWorld bad{};
    EXPECT_NE(suite->PF_NewWorld(ref, 8, 8, 1, 0x12345678, &bad), 0);
    EXPECT_EQ(host.take_misuse(), "PF World Suite v2.new_world: pixel format 305419896 is not offered");
    EXPECT_NE(suite->PF_NewWorld(ref, 0, 8, 1, PF_PixelFormat_ARGB32, &bad), 0);
    EXPECT_EQ(host.take_misuse(), "PF World Suite v2.new_world: world size 0x8");
    dirty.data = nullptr;
    EXPECT_NE(suite->PF_DisposeWorld(ref, &dirty), 0); // not a live world
    EXPECT_EQ(host.take_misuse(),
              "PF World Suite v2.dispose_world: dispose of a world that is not live: " + standin::hex(nullptr));

    // A frame's input and output are of one size.
    standin::FrameRequest request;
    World input(64, 36, false), output(63, 36, false);
    request.input = &input.def();
    EXPECT_THROW(host.render_frame(request, output.def()), standin::HostError);
}

// A disposed world comes back for the next request of its size and depth,
// refilled (on the pixel threads, beside the effect's next work) as a new
// one is, so that reads of unset pixels still show. The spares stay within
// their count and their bytes.
TEST_F(StandinWorlds, DisposedWorldsAreHandedOutAgainRefilled)
{
    host.set_threads(3);
    PF_EffectWorld first = Make(45, 31, false, true);
    void* const pixels = first.data;
    std::memset(first.data, 0x11, std::size_t(first.rowbytes) * 31);
    ASSERT_EQ(suite->PF_DisposeWorld(ref, &first), 0);
    PF_EffectWorld again = Make(45, 31, false, true);
    EXPECT_EQ(again.data, pixels);
    EXPECT_TRUE(FilledWith(again, 0xCD));
    std::memset(again.data, 0x22, std::size_t(again.rowbytes) * 31);
    ASSERT_EQ(suite->PF_DisposeWorld(ref, &again), 0);
    PF_EffectWorld cleared = Make(45, 31, true, true);
    EXPECT_EQ(cleared.data, pixels);
    EXPECT_TRUE(FilledWith(cleared, 0x00));
    // Another size or depth is another world; one not disposed of is held.
    PF_EffectWorld shallow = Make(45, 31, false, false), taller = Make(45, 32, false, true);
    EXPECT_NE(shallow.data, pixels);
    EXPECT_NE(taller.data, pixels);
    EXPECT_NE(host.held().find("3 world(s) not disposed of"), std::string::npos);
    for (PF_EffectWorld* w : {&cleared, &shallow, &taller})
        ASSERT_EQ(suite->PF_DisposeWorld(ref, w), 0);
    EXPECT_EQ(host.worlds().spare_count(), standin::Worlds::kSpares); // the oldest let go
    PF_EffectWorld last = Make(45, 31, false, true);
    EXPECT_EQ(host.worlds().spare_count(), standin::Worlds::kSpares); // so this one is new
    EXPECT_NE(host.held().find("1 world(s) not disposed of"), std::string::npos);
    ASSERT_EQ(suite->PF_DisposeWorld(ref, &last), 0);

    // Over the budget, only the latest disposed of stays; on one thread the
    // refill runs when the world is asked for again.
    host.set_threads(1);
    host.worlds().set_spare_budget(World::bytes_for(45, 31, true) + 1);
    PF_EffectWorld big = Make(45, 40, false, true), small = Make(45, 31, false, false);
    ASSERT_EQ(suite->PF_DisposeWorld(ref, &small), 0);
    ASSERT_EQ(suite->PF_DisposeWorld(ref, &big), 0);
    EXPECT_EQ(host.worlds().spare_bytes(), World::bytes_for(45, 40, true));
    big = Make(45, 40, false, true);
    EXPECT_TRUE(FilledWith(big, 0xCD));
    ASSERT_EQ(suite->PF_DisposeWorld(ref, &big), 0);
}

// The exact "over" of straight-alpha pixels, rounded half up: the reference
// that the host's integer maths must match for every input.
template <typename Pixel>
Pixel reference_over(Pixel s, Pixel d, double opacity, double m)
{
    const double a = std::floor(s.alpha * opacity / m + 0.5);
    if (a == 0)
        return d;
    const double ws = a * m, wd = d.alpha * (m - a);
    auto mix = [&](double sc, double dc) { return std::floor((sc * ws + dc * wd) / (ws + wd) + 0.5); };
    using C = decltype(s.alpha);
    return {C(std::floor((ws + wd) / m + 0.5)), C(mix(s.red, d.red)), C(mix(s.green, d.green)),
            C(mix(s.blue, d.blue))};
}

// Random pixels, many fully transparent or opaque as a text layer's are,
// composited at three opacities on `threads` threads: exactly the reference.
template <typename Pixel>
void expect_transfer_matches_reference(int threads)
{
    constexpr bool deep = sizeof(Pixel) == sizeof(PF_Pixel16);
    const unsigned m = deep ? 32768 : 255;
    TestHost host;
    host.set_threads(threads);
    auto* suite = host.acquire<PF_WorldTransformSuite1>("PF World Transform Suite", 1);
    World src(61, 17, deep), dst(61, 17, deep);
    auto at = [](World& w, int i) -> Pixel& { return reinterpret_cast<Pixel*>(pixel8(w.def(), 0, i / 61))[i % 61]; };
    std::mt19937 random(m);
    auto any = [&](unsigned pick) {
        return decltype(Pixel::alpha)(pick == 0 ? 0 : pick == 1 ? m : random() % (m + 1));
    };
    for (unsigned opacity : {m, m / 2, 0u}) {
        std::vector<Pixel> before(61 * 17);
        for (int i = 0; i < 61 * 17; ++i) {
            at(src, i) = {any(random() % 4), any(2), any(2), any(2)};
            at(dst, i) = before[std::size_t(i)] = {any(random() % 4), any(2), any(2), any(2)};
        }
        const PF_CompositeMode mode{PF_Xfer_IN_FRONT, 0, A_u_char(deep ? 255 : opacity), 0,
                                    A_u_short(deep ? opacity : 32768)};
        ASSERT_EQ(suite->transfer_rect(host.in_data().effect_ref, PF_Quality_HI, PF_MF_Alpha_STRAIGHT, PF_Field_FRAME,
                                       nullptr, &src.def(), &mode, nullptr, 0, 0, &dst.def()),
                  0);
        for (int i = 0; i < 61 * 17; ++i) {
            const Pixel want = reference_over(at(src, i), before[std::size_t(i)], opacity, m);
            ASSERT_EQ(std::memcmp(&want, &at(dst, i), sizeof want), 0) << "opacity " << opacity << ", pixel " << i;
        }
    }
}

TEST(StandinTransfer, InFrontOverStraightAlphaAtBothDepthsAndCopies)
{
    expect_transfer_matches_reference<PF_Pixel>(4);
    expect_transfer_matches_reference<PF_Pixel16>(0);

    // An offset places the source; what falls outside is clipped.
    TestHost host;
    auto* suite = host.acquire<PF_WorldTransformSuite1>("PF World Transform Suite", 1);
    World s8(1, 1, false), big(4, 3, false), d16(1, 1, true);
    *pixel8(s8.def(), 0, 0) = {255, 255, 0, 0};
    const PF_CompositeMode full{PF_Xfer_IN_FRONT, 0, 255, 0, 32768};
    PF_ProgPtr ref = host.in_data().effect_ref;
    EXPECT_EQ(suite->transfer_rect(ref, 0, PF_MF_Alpha_STRAIGHT, 0, nullptr, &s8.def(), &full, nullptr, 3, 2, &big.def()), 0);
    EXPECT_EQ(pixel8(big.def(), 3, 2)->red, 255);
    EXPECT_EQ(pixel8(big.def(), 2, 2)->alpha, 0);
    EXPECT_EQ(suite->transfer_rect(ref, 0, PF_MF_Alpha_STRAIGHT, 0, nullptr, &s8.def(), &full, nullptr, 9, 9, &big.def()), 0);
    // Modes the host does not offer, and mixed depths, are misuse.
    EXPECT_NE(suite->transfer_rect(ref, 0, PF_MF_Alpha_PREMUL, 0, nullptr, &s8.def(), &full, nullptr, 0, 0, &big.def()), 0);
    EXPECT_EQ(host.take_misuse(), "PF World Transform Suite v1.transfer_rect: only in-front transfers of straight "
                                  "alpha over whole frames, without a mask, are offered");
    EXPECT_NE(suite->transfer_rect(ref, 0, PF_MF_Alpha_STRAIGHT, 0, nullptr, &s8.def(), &full, nullptr, 0, 0, &d16.def()), 0);
    EXPECT_EQ(host.take_misuse(),
              "PF World Transform Suite v1.transfer_rect: transfer between worlds of different depths");

    // Copies: whole worlds, and rectangles of one size.
    World src = standin::InputPicture::test_picture(40, 30, true);
    World dst(40, 30, true), blank(40, 30, true), small(8, 8, true);
    ASSERT_EQ(suite->copy_hq(ref, &src.def(), &dst.def(), nullptr, nullptr), 0);
    EXPECT_TRUE(SameFrame(src.def(), dst.def()));
    PF_Rect from{0, 0, 5, 5}, to{35, 25, 40, 30};
    ASSERT_EQ(suite->copy(ref, &src.def(), &blank.def(), &from, &to), 0);
    EXPECT_EQ(pixel16(blank.def(), 39, 29)->red, pixel16(src.def(), 4, 4)->red);
    EXPECT_EQ(pixel16(blank.def(), 34, 25)->alpha, 0);
    EXPECT_EQ(pixel16(blank.def(), 35, 24)->alpha, 0);
    for (PF_Rect wrong : {PF_Rect{0, 0, 8, 9}, PF_Rect{0, 0, 9, 8}}) {
        EXPECT_NE(suite->copy(ref, &src.def(), &small.def(), &wrong, nullptr), 0);
        EXPECT_EQ(host.take_misuse(),
                  "PF World Transform Suite v1.copy: copy between rectangles of different sizes is not offered");
    }
}

// Adds one to the alpha of the pixel it is handed, whose source pixel must
// be the one at (x, y), and counts the threads that ran it.
struct Visits {
    const PF_LayerDef* src;
    int run;
    std::atomic<int> wrong{0}, threads{0};
};

PF_Err count_visit(void* refcon, A_long x, A_long y, PF_Pixel* in, PF_Pixel* out)
{
    auto* v = static_cast<Visits*>(refcon);
    thread_local int last_run = 0;
    v->threads += std::exchange(last_run, v->run) != v->run;
    v->wrong += in != pixel8(*v->src, x, y);
    ++out->alpha;
    if (x == 0) // slow rows, so that every thread that may join has time to
        std::this_thread::sleep_for(std::chrono::microseconds(200));
    return PF_Err_NONE;
}

PF_Err fail_at_two_places(void*, A_long x, A_long y, PF_Pixel16*, PF_Pixel16*)
{
    if (x == 5 && y == 700)
        return 77;
    return x == 3 && y == 40 ? 42 : PF_Err_NONE; // first in raster order
}

TEST(StandinIterate, EveryPixelOnceOnAnyNumberOfThreadsAndTheFirstErrorInRasterOrder)
{
    for (int threads : {1, 2, 3, 8, 0}) {
        SCOPED_TRACE("threads " + std::to_string(threads));
        TestHost host;
        host.set_threads(threads);
        auto* suite = host.acquire<PF_Iterate8Suite1>("PF Iterate8 Suite", 1);
        World src(131, 77, false), dst(131, 77, false);
        Visits whole{&src.def(), 2 * threads + 1}, part{&src.def(), 2 * threads + 2};
        ASSERT_EQ(suite->iterate(&host.in_data(), 0, 77, &src.def(), nullptr, &whole, count_visit, &dst.def()), 0);
        EXPECT_LE(whole.threads.load(), standin::effective_threads(threads)); // never more than asked for
        // An area: only its pixels.
        const PF_Rect area{10, 20, 30, 25};
        ASSERT_EQ(suite->iterate(&host.in_data(), 0, 5, &src.def(), &area, &part, count_visit, &dst.def()), 0);
        EXPECT_EQ(whole.wrong + part.wrong, 0);
        for (A_long y = 0; y < 77; ++y)
            for (A_long x = 0; x < 131; ++x)
                ASSERT_EQ(pixel8(dst.def(), x, y)->alpha, 1 + (x >= 10 && x < 30 && y >= 20 && y < 25))
                    << x << "," << y;

        auto* deep = host.acquire<PF_iterate16Suite1>("PF iterate16 Suite", 1);
        World tall(16, 1000, true);
        EXPECT_EQ(deep->iterate(&host.in_data(), 0, 1000, nullptr, nullptr, nullptr, fail_at_two_places, &tall.def()),
                  42);
        host.faults().fail("PF iterate16 Suite v1.iterate", 2, PF_Err_OUT_OF_MEMORY);
        EXPECT_EQ(deep->iterate(&host.in_data(), 0, 1000, nullptr, nullptr, nullptr, fail_at_two_places, &tall.def()),
                  PF_Err_OUT_OF_MEMORY);
        EXPECT_NE(deep->iterate(&host.in_data(), 0, 4, nullptr, nullptr, nullptr, fail_at_two_places, &dst.def()), 0);
        EXPECT_EQ(host.take_misuse(), "PF iterate16 Suite v1.iterate: a world of the other depth");
        EXPECT_NE(deep->iterate(&host.in_data(), 5, 4, nullptr, nullptr, nullptr, fail_at_two_places, &tall.def()), 0);
        EXPECT_EQ(host.take_misuse(), "PF iterate16 Suite v1.iterate: progress runs backwards");
    }
}

// A pixel callback that calls the host: not run, on whichever thread, and
// reported as the iteration's misuse. A disposal refused there leaves the
// world as it was: the host's "a failed disposal still frees" does not run
// on such a thread either.
struct HostCall {
    TestHost* host;
    const PF_WorldSuite2* worlds;
    PF_EffectWorld* world;
    bool dispose; // else copies a name
};

PF_Err call_the_host(void* refcon, A_long, A_long, PF_Pixel*, PF_Pixel*)
{
    auto* call = static_cast<HostCall*>(refcon);
    char name[8];
    PF_EffectWorld copy = *call->world;
    if (call->dispose)
        call->worlds->PF_DisposeWorld(nullptr, &copy);
    else
        call->host->in_data().utils->ansi.strcpy(name, "abc");
    return PF_Err_NONE;
}

TEST_F(StandinWorlds, HostCallsFromPixelCallbacksAreRefused)
{
    for (int threads : {1, 4}) {
        host.set_threads(threads);
        auto* iterate = host.acquire<PF_Iterate8Suite1>("PF Iterate8 Suite", 1);
        PF_EffectWorld made = Make(9, 40, true, false);
        World dst(9, 40, false);
        for (const auto& [dispose, refused] :
             {std::pair{false, "utils.ansi.strcpy"}, {true, "PF World Suite v2.dispose_world"}}) {
            HostCall call{&host, suite, &made, dispose};
            const std::size_t calls = host.ledger().calls().size();
            EXPECT_EQ(iterate->iterate(&host.in_data(), 0, 40, nullptr, nullptr, &call, call_the_host, &dst.def()),
                      PF_Err_INTERNAL_STRUCT_DAMAGED);
            EXPECT_EQ(host.take_misuse(),
                      std::string("PF Iterate8 Suite v1.iterate: the pixel callback called the host: ") + refused);
            EXPECT_EQ(host.ledger().calls().size(), calls + 1); // the iteration's own
        }
        EXPECT_TRUE(host.worlds().live(made));
        EXPECT_EQ(suite->PF_DisposeWorld(nullptr, &made), PF_Err_NONE);
        host.suites().basic_suite()->ReleaseSuite("PF Iterate8 Suite", 1);
    }
}

TEST(StandinParamValues, PointsInRenderedPixelsAndColoursAsFloats)
{
    TestHost host;
    auto* points = host.acquire<PF_PointParamSuite1>("PF PointParamSuite", 1);
    auto* colours = host.acquire<PF_ColorParamSuite1>("PF ColorParamSuite", 1);
    PF_ParamDef point{}, colour{};
    point.param_type = PF_Param_POINT;
    point.u.td.x_value = 961 << 15; // 480.5
    point.u.td.y_value = 270 << 16;
    host.in_data().downsample_x = {1, 2};
    host.in_data().downsample_y = {1, 3};
    A_FloatPoint value{};
    ASSERT_EQ(points->PF_GetFloatingPointValueFromPointDef(host.in_data().effect_ref, &point, &value), 0);
    EXPECT_EQ(value.x, 240.25);
    EXPECT_EQ(value.y, 90.0);

    colour.param_type = PF_Param_COLOR;
    colour.u.cd.value = {255, 255, 0, 51};
    PF_PixelFloat c{};
    ASSERT_EQ(colours->PF_GetFloatingPointColorFromColorDef(host.in_data().effect_ref, &colour, &c), 0);
    EXPECT_EQ(c.red, 1.0f);
    EXPECT_EQ(c.green, 0.0f);
    EXPECT_FLOAT_EQ(c.blue, 0.2f);
    EXPECT_NE(points->PF_GetFloatingPointValueFromPointDef(host.in_data().effect_ref, &colour, &value), 0);
    EXPECT_EQ(host.take_misuse(),
              "PF PointParamSuite v1.GetFloatingPointValueFromPointDef: not a point parameter (type 5)");
}

// The 16-bit samples of a PNG file as written, read with libpng alone.
std::vector<unsigned> png_samples16(const std::string& path)
{
    std::FILE* file = std::fopen(path.c_str(), "rb");
    png_structp png = png_create_read_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
    png_infop info = png_create_info_struct(png);
    if (!file || setjmp(png_jmpbuf(png))) {
        png_destroy_read_struct(&png, &info, nullptr);
        return {};
    }
    png_init_io(png, file);
    png_read_png(png, info, PNG_TRANSFORM_IDENTITY, nullptr);
    std::vector<unsigned> out;
    for (png_uint_32 y = 0; png_get_bit_depth(png, info) == 16 && y < png_get_image_height(png, info); ++y)
        for (std::size_t i = 0; i < png_get_rowbytes(png, info); i += 2)
            out.push_back(unsigned(png_get_rows(png, info)[y][i] << 8 | png_get_rows(png, info)[y][i + 1]));
    png_destroy_read_struct(&png, &info, nullptr);
    std::fclose(file);
    return out;
}

// Every 16-bit value is written as round(v * 65535 / 32768) and read back
// exactly; 8-bit values as they are. A picture larger than 16384 a side is
// refused in one line.
TEST(StandinPng, WritesEveryValueAtBothDepthsAndReadsItBack)
{
    ScratchDir dir;
    World deep(32769 / 128 + 1, 128, true);
    std::vector<unsigned> want;
    for (A_long i = 0; i < deep.width() * 128; ++i) {
        const A_u_short v = A_u_short(std::min<A_long>(i, 32768));
        *pixel16(deep.def(), i % deep.width(), i / deep.width()) = {A_u_short(32768 - v), v, A_u_short(v / 2), 1};
        for (const unsigned channel : {unsigned(v), v / 2u, 1u, 32768u - v})
            want.push_back(unsigned(std::lround(channel * 65535.0 / 32768.0)));
    }
    const std::string path16 = (dir.path / "deep.png").string();
    standin::write_png(path16, deep.def());
    for (const auto& entry : std::filesystem::directory_iterator(dir.path))
        EXPECT_EQ(entry.path().extension(), ".png") << "a temporary is left: " << entry.path();
    EXPECT_TRUE(png_samples16(path16) == want);
    EXPECT_TRUE(SameFrame(deep.def(), standin::read_png(path16, true).def()));

    World shallow = standin::InputPicture::test_picture(64, 48, false);
    pixel8(shallow.def(), 1, 1)->alpha = 7;
    const std::string path8 = (dir.path / "shallow.png").string();
    standin::write_png(path8, shallow.def());
    EXPECT_TRUE(SameFrame(shallow.def(), standin::read_png(path8, false).def()));
    // An 8-bit file read into a 16-bit world: 255 is 32768.
    EXPECT_EQ(pixel16(standin::read_png(path8, true).def(), 0, 0)->alpha, 32768);
    EXPECT_THROW(standin::read_png((dir.path / "none.png").string(), false), standin::HostError);
    EXPECT_THROW(standin::InputPicture(path8).frame(0, 65, 48, false), standin::HostError);

    const std::string path = (dir.path / "long.png").string();
    for (const auto& [width, height] : {std::pair{16384, 1}, {1, 16384}, {16385, 1}, {1, 16385}}) {
        standin::write_png(path, World(width, height, false).def());
        try {
            EXPECT_EQ(standin::read_png(path, false).width(), width);
            EXPECT_EQ(std::max(width, height), 16384);
        } catch (const standin::HostError& e) {
            EXPECT_EQ(e.what(), "cannot read picture '" + path + "': " + std::to_string(width) + "x" +
                                    std::to_string(height) + " pixels, larger than 16384 a side");
        }
    }
}

// Frames in flight and copies kept for reuse: no more than the encoders,
// nor than the budget or two frames, whichever is larger.
TEST(StandinFrameWriter, HoldsNoMoreFramesThanItsBudgetAllows)
{
    const World frame = standin::InputPicture::test_picture(64, 8, false);
    // Encoders, the budget in frames, and the most frames held.
    for (const auto& [workers, budget, held] : {std::tuple{8u, 0u, 2u}, {8u, 5u, 5u}, {3u, 5u, 3u}}) {
        SCOPED_TRACE(std::to_string(workers) + " workers, a budget of " + std::to_string(budget));
        ScratchDir dir;
        runner::FrameWriter writer(dir.path.string(), workers, budget * frame.bytes());
        std::size_t most = 0;
        for (long i = 0; i < 9; ++i) {
            writer.write(i, frame.def());
            most = std::max(most, writer.held());
        }
        EXPECT_EQ(most, held);
    }
}

} // namespace
