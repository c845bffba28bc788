// The stand-in host's worlds and pixel services: new and disposed worlds,
// copies, transfers, the threaded iteration, parameter values and PNG.
#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <cmath>
#include <cstring>
#include <filesystem>
#include <memory>
#include <mutex>
#include <random>
#include <set>
#include <thread>
#include <vector>

#include "CallGuard.h"
#include "EffectFixture.h"
#include "InputPicture.h"
#include "PF_Suites.h"
#include "PixelThreads.h"
#include "Png.h"

namespace {

using standin::World;
using standin::pixel16;
using standin::pixel8;

TEST(StandinWorlds, NewWorldsHonourTheClearFlagAndAreCounted)
{
    TestHost host;
    auto* suite = host.acquire<PF_WorldSuite2>("PF World Suite", 2);
    PF_ProgPtr ref = host.in_data().effect_ref;
    PF_EffectWorld clear{}, dirty{};
    ASSERT_EQ(suite->PF_NewWorld(ref, 33, 7, 1, PF_PixelFormat_ARGB64, &clear), 0);
    ASSERT_EQ(suite->PF_NewWorld(ref, 33, 7, 0, PF_PixelFormat_ARGB32, &dirty), 0);
    EXPECT_TRUE(clear.world_flags & PF_WorldFlag_DEEP);
    EXPECT_FALSE(dirty.world_flags & PF_WorldFlag_DEEP);
    EXPECT_GE(clear.rowbytes, 33 * 8);
    EXPECT_NE(dirty.rowbytes, 33 * 4); // rows are padded: rowbytes must be honoured
    EXPECT_EQ(clear.width, 33);
    EXPECT_EQ(clear.height, 7);
    for (A_long y = 0; y < 7; ++y)
        for (A_long x = 0; x < 33; ++x) {
            const PF_Pixel16 p = *pixel16(clear, x, y);
            ASSERT_EQ(p.alpha | p.red | p.green | p.blue, 0);
            ASSERT_EQ(pixel8(dirty, x, y)->alpha, 0xCD); // unset pixels show up
        }
    PF_PixelFormat format = 0;
    EXPECT_EQ(suite->PF_GetPixelFormat(&clear, &format), 0);
    EXPECT_EQ(format, PF_PixelFormat_ARGB64);
    EXPECT_NE(host.held().find("2 world(s) not disposed of"), std::string::npos);
    EXPECT_EQ(suite->PF_DisposeWorld(ref, &clear), 0);
    host.faults().fail("PF World Suite v2.dispose_world", 2, 5);
    EXPECT_EQ(suite->PF_DisposeWorld(ref, &dirty), 5); // reported, yet freed
    host.suites().basic_suite()->ReleaseSuite("PF World Suite", 2);
    EXPECT_EQ(host.held(), "");
    EXPECT_EQ(host.ledger().first_misuse(), "");

    suite = host.acquire<PF_WorldSuite2>("PF World Suite", 2);
    PF_EffectWorld bad{};
    EXPECT_NE(suite->PF_NewWorld(ref, 8, 8, 1, 0x12345678, &bad), 0);
    EXPECT_EQ(host.take_misuse(), "PF World Suite v2.new_world: pixel format 305419896 is not offered");
    EXPECT_NE(suite->PF_NewWorld(ref, 0, 8, 1, PF_PixelFormat_ARGB32, &bad), 0);
    EXPECT_EQ(host.take_misuse(), "PF World Suite v2.new_world: world size 0x8");
    host.faults().fail("PF World Suite v2.new_world", 5, PF_Err_OUT_OF_MEMORY);
    EXPECT_EQ(suite->PF_NewWorld(ref, 8, 8, 1, PF_PixelFormat_ARGB32, &bad), PF_Err_OUT_OF_MEMORY);
    EXPECT_EQ(host.worlds().live_count(), 0);
    dirty.data = clear.data = nullptr;
    EXPECT_NE(suite->PF_DisposeWorld(ref, &dirty), 0); // not a live world
    EXPECT_EQ(host.take_misuse(),
              "PF World Suite v2.dispose_world: dispose of a world that is not live: " + standin::hex(nullptr));
}

// A disposed world comes back for the next request of its size and depth,
// filled again as a new one is, so that reads of unset pixels still show.
TEST(StandinWorlds, DisposedWorldsAreHandedOutAgainRefilled)
{
    TestHost host;
    host.set_threads(3);
    auto* suite = host.acquire<PF_WorldSuite2>("PF World Suite", 2);
    PF_ProgPtr ref = host.in_data().effect_ref;
    auto make = [&](A_long w, A_long h, bool clear, bool deep) {
        PF_EffectWorld world{};
        EXPECT_EQ(suite->PF_NewWorld(ref, w, h, clear, deep ? PF_PixelFormat_ARGB64 : PF_PixelFormat_ARGB32, &world),
                  0);
        return world;
    };
    // Every byte of every row, padding included, is `value`.
    auto filled_with = [](const PF_EffectWorld& w, unsigned char value) {
        const auto* bytes = static_cast<const unsigned char*>(w.data);
        for (std::size_t i = 0; i < std::size_t(w.rowbytes) * std::size_t(w.height); ++i)
            if (bytes[i] != value)
                return ::testing::AssertionFailure() << "byte " << i << " is " << int(bytes[i]);
        return ::testing::AssertionSuccess();
    };

    PF_EffectWorld first = make(45, 31, false, true);
    void* const pixels = first.data;
    std::memset(first.data, 0x11, std::size_t(first.rowbytes) * 31);
    ASSERT_EQ(suite->PF_DisposeWorld(ref, &first), 0);
    EXPECT_EQ(host.worlds().spare_count(), 1);
    EXPECT_EQ(host.held(), "suite \"PF World Suite\" 2 x1; ");

    PF_EffectWorld again = make(45, 31, false, true);
    EXPECT_EQ(again.data, pixels);
    EXPECT_EQ(host.worlds().spare_count(), 0);
    EXPECT_TRUE(filled_with(again, 0xCD));
    std::memset(again.data, 0x22, std::size_t(again.rowbytes) * 31);
    ASSERT_EQ(suite->PF_DisposeWorld(ref, &again), 0);
    PF_EffectWorld cleared = make(45, 31, true, true);
    EXPECT_EQ(cleared.data, pixels);
    EXPECT_TRUE(filled_with(cleared, 0x00));
    // Another size or depth is another world; one not disposed of is held.
    PF_EffectWorld shallow = make(45, 31, false, false);
    PF_EffectWorld taller = make(45, 32, false, true);
    EXPECT_NE(shallow.data, pixels);
    EXPECT_NE(taller.data, pixels);
    EXPECT_NE(host.held().find("3 world(s) not disposed of"), std::string::npos);
    for (PF_EffectWorld* w : {&cleared, &shallow, &taller})
        ASSERT_EQ(suite->PF_DisposeWorld(ref, w), 0);
    EXPECT_EQ(host.worlds().spare_count(), standin::Worlds::kSpares); // the oldest let go
    PF_EffectWorld last = make(45, 31, false, true);
    EXPECT_EQ(host.worlds().spare_count(), standin::Worlds::kSpares); // so this one is new
    EXPECT_NE(host.held().find("1 world(s) not disposed of"), std::string::npos);
    ASSERT_EQ(suite->PF_DisposeWorld(ref, &last), 0);
    host.suites().basic_suite()->ReleaseSuite("PF World Suite", 2);
    EXPECT_EQ(host.held(), "");
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

// The refill that a disposal posts runs beside the effect's next work: hosts
// rendering on several threads at once get their world back whole 0xCD,
// and a host that goes while its refill is pending waits for it.
TEST(StandinWorlds, RefillsPostedAtDisposalAreWholeWhenTheWorldComesBack)
{
    constexpr int kHosts = 3;
    std::vector<std::thread> renderers;
    for (int h = 0; h < kHosts; ++h)
        renderers.emplace_back([h] {
            for (int round = 0; round < 3; ++round) {
                TestHost host;
                host.set_threads(h == 0 ? 0 : h + 2);
                auto* suite = host.acquire<PF_WorldSuite2>("PF World Suite", 2);
                PF_ProgPtr ref = host.in_data().effect_ref;
                void* pixels = nullptr;
                for (int frame = 0; frame < 4; ++frame) {
                    PF_EffectWorld world{};
                    ASSERT_EQ(suite->PF_NewWorld(ref, 640, 257, false, PF_PixelFormat_ARGB64, &world), 0);
                    if (frame) {
                        ASSERT_EQ(world.data, pixels);
                    }
                    pixels = world.data;
                    const auto* bytes = static_cast<const unsigned char*>(world.data);
                    const std::size_t size = std::size_t(world.rowbytes) * 257;
                    for (std::size_t i = 0; i < size; ++i)
                        ASSERT_EQ(bytes[i], 0xCD) << "byte " << i << ", host " << h << ", frame " << frame;
                    std::memset(world.data, 0x11, size);
                    ASSERT_EQ(suite->PF_DisposeWorld(ref, &world), 0);
                }
                host.suites().basic_suite()->ReleaseSuite("PF World Suite", 2);
                EXPECT_EQ(host.held(), "");
            }
        });
    for (std::thread& t : renderers)
        t.join();
}

template <typename Pixel>
void expect_transfer_matches_reference(bool deep, int threads)
{
    TestHost host;
    host.set_threads(threads);
    auto* suite = host.acquire<PF_WorldTransformSuite1>("PF World Transform Suite", 1);
    const unsigned m = deep ? 32768 : 255;
    World src(61, 17, deep), dst(61, 17, deep), before(61, 17, deep);
    std::mt19937 random(deep ? 16 : 8);
    std::uniform_int_distribution<unsigned> channel(0, m);
    auto any = [&] {
        using C = decltype(Pixel::alpha);
        // Many fully transparent and fully opaque pixels, as a text layer has.
        const unsigned pick = random() % 4;
        const C a = C(pick == 0 ? 0 : pick == 1 ? m : channel(random));
        return Pixel{a, C(channel(random)), C(channel(random)), C(channel(random))};
    };
    auto at = [](World& w, A_long x, A_long y) -> Pixel& {
        return reinterpret_cast<Pixel*>(static_cast<char*>(w.def().data) + y * w.def().rowbytes)[x];
    };
    for (A_long y = 0; y < 17; ++y)
        for (A_long x = 0; x < 61; ++x) {
            at(src, x, y) = any();
            at(dst, x, y) = at(before, x, y) = any();
        }
    for (unsigned opacity : {m, m / 2, 0u}) {
        const PF_CompositeMode mode{PF_Xfer_IN_FRONT, 0, A_u_char(deep ? 255 : opacity), 0,
                                    A_u_short(deep ? opacity : 32768)};
        const PF_Rect rect{0, 0, 61, 17};
        ASSERT_EQ(suite->transfer_rect(host.in_data().effect_ref, PF_Quality_HI, PF_MF_Alpha_STRAIGHT, PF_Field_FRAME,
                                       &rect, &src.def(), &mode, nullptr, 0, 0, &dst.def()),
                  0);
        for (A_long y = 0; y < 17; ++y)
            for (A_long x = 0; x < 61; ++x) {
                const Pixel want = reference_over(at(src, x, y), at(before, x, y), opacity, m);
                const Pixel got = at(dst, x, y);
                ASSERT_TRUE(got.alpha == want.alpha && got.red == want.red && got.green == want.green &&
                            got.blue == want.blue)
                    << "opacity " << opacity << " at " << x << "," << y << ": got " << got.alpha << " "
                    << got.red << " " << got.green << " " << got.blue << ", want " << want.alpha << " "
                    << want.red << " " << want.green << " " << want.blue;
                at(dst, x, y) = at(before, x, y);
            }
    }
    EXPECT_EQ(host.ledger().first_misuse(), "");
}

TEST(StandinTransfer, InFrontOverStraightAlphaAtBothDepths)
{
    expect_transfer_matches_reference<PF_Pixel>(false, 1);
    expect_transfer_matches_reference<PF_Pixel>(false, 4);
    expect_transfer_matches_reference<PF_Pixel16>(true, 1);
    expect_transfer_matches_reference<PF_Pixel16>(true, 0);

    // Worked values: half-covered red over opaque blue, 8 and 16 bits.
    TestHost host;
    auto* suite = host.acquire<PF_WorldTransformSuite1>("PF World Transform Suite", 1);
    World s8(1, 1, false), d8(1, 1, false), s16(1, 1, true), d16(1, 1, true);
    *pixel8(s8.def(), 0, 0) = {128, 255, 0, 0};
    *pixel8(d8.def(), 0, 0) = {255, 0, 0, 255};
    *pixel16(s16.def(), 0, 0) = {16384, 32768, 0, 0};
    *pixel16(d16.def(), 0, 0) = {32768, 0, 0, 32768};
    const PF_CompositeMode full{PF_Xfer_IN_FRONT, 0, 255, 0, 32768};
    PF_ProgPtr ref = host.in_data().effect_ref;
    EXPECT_EQ(suite->transfer_rect(ref, 0, PF_MF_Alpha_STRAIGHT, 0, nullptr, &s8.def(), &full, nullptr, 0, 0, &d8.def()), 0);
    EXPECT_EQ(suite->transfer_rect(ref, 0, PF_MF_Alpha_STRAIGHT, 0, nullptr, &s16.def(), &full, nullptr, 0, 0, &d16.def()), 0);
    const PF_Pixel p8 = *pixel8(d8.def(), 0, 0);
    const PF_Pixel16 p16 = *pixel16(d16.def(), 0, 0);
    EXPECT_EQ((std::vector<int>{p8.alpha, p8.red, p8.green, p8.blue}), (std::vector<int>{255, 128, 0, 127}));
    EXPECT_EQ((std::vector<int>{p16.alpha, p16.red, p16.green, p16.blue}), (std::vector<int>{32768, 16384, 0, 16384}));

    // An offset places the source; what falls outside is clipped.
    World big(4, 3, false);
    EXPECT_EQ(suite->transfer_rect(ref, 0, PF_MF_Alpha_STRAIGHT, 0, nullptr, &s8.def(), &full, nullptr, 3, 2, &big.def()), 0);
    EXPECT_EQ(pixel8(big.def(), 3, 2)->red, 255);
    EXPECT_EQ(pixel8(big.def(), 2, 2)->alpha, 0);
    EXPECT_EQ(suite->transfer_rect(ref, 0, PF_MF_Alpha_STRAIGHT, 0, nullptr, &s8.def(), &full, nullptr, 9, 9, &big.def()), 0);
    EXPECT_EQ(host.ledger().first_misuse(), "");
    // Modes the host does not offer, and mixed depths, are misuse.
    EXPECT_NE(suite->transfer_rect(ref, 0, PF_MF_Alpha_PREMUL, 0, nullptr, &s8.def(), &full, nullptr, 0, 0, &d8.def()), 0);
    EXPECT_EQ(host.take_misuse(), "PF World Transform Suite v1.transfer_rect: only in-front transfers of straight "
                                  "alpha over whole frames, without a mask, are offered");
    EXPECT_NE(suite->transfer_rect(ref, 0, PF_MF_Alpha_STRAIGHT, 0, nullptr, &s8.def(), &full, nullptr, 0, 0, &d16.def()), 0);
    EXPECT_EQ(host.take_misuse(),
              "PF World Transform Suite v1.transfer_rect: transfer between worlds of different depths");
}

TEST(StandinTransfer, CopiesWholeWorldsAndRectangles)
{
    TestHost host;
    auto* suite = host.acquire<PF_WorldTransformSuite1>("PF World Transform Suite", 1);
    World src = standin::InputPicture::test_picture(40, 30, true);
    World dst(40, 30, true);
    PF_ProgPtr ref = host.in_data().effect_ref;
    ASSERT_EQ(suite->copy_hq(ref, &src.def(), &dst.def(), nullptr, nullptr), 0);
    for (A_long y = 0; y < 30; ++y)
        ASSERT_EQ(std::memcmp(pixel16(src.def(), 0, y), pixel16(dst.def(), 0, y), 40 * 8), 0) << y;
    PF_Rect from{0, 0, 5, 5}, to{35, 25, 40, 30};
    World blank(40, 30, true);
    ASSERT_EQ(suite->copy(ref, &src.def(), &blank.def(), &from, &to), 0);
    EXPECT_EQ(pixel16(blank.def(), 35, 25)->red, pixel16(src.def(), 0, 0)->red);
    EXPECT_EQ(pixel16(blank.def(), 34, 25)->alpha, 0);
    EXPECT_EQ(host.ledger().names(), (std::vector<std::string>{"AcquireSuite", "PF World Transform Suite v1.copy_hq",
                                                               "PF World Transform Suite v1.copy"}));
    host.faults().fail("PF World Transform Suite v1.copy", 2, 21);
    EXPECT_EQ(suite->copy(ref, &src.def(), &dst.def(), nullptr, nullptr), 21);
    World small(8, 8, true);
    EXPECT_NE(suite->copy(ref, &src.def(), &small.def(), nullptr, nullptr), 0);
    EXPECT_EQ(host.take_misuse(),
              "PF World Transform Suite v1.copy: copy between rectangles of different sizes is not offered");
}

// Counts each visit of each pixel; checks the pixel handed is the one at (x, y).
struct Visits {
    const PF_LayerDef* dst;
    const PF_LayerDef* src;
    std::unique_ptr<std::atomic<int>[]> count;
    std::atomic<int> wrong{0};
    A_long width;
    std::mutex mutex;
    std::set<std::thread::id> threads; // that ran the callback
};

PF_Err count_visit(void* refcon, A_long x, A_long y, PF_Pixel* in, PF_Pixel* out)
{
    auto* v = static_cast<Visits*>(refcon);
    v->count[std::size_t(y) * v->width + x]++;
    if (out != pixel8(*v->dst, x, y) || in != pixel8(*v->src, x, y))
        v->wrong++;
    if (x == 0) {
        // Slow rows, so that every thread that may join has time to.
        std::this_thread::sleep_for(std::chrono::microseconds(200));
        std::lock_guard lock(v->mutex);
        v->threads.insert(std::this_thread::get_id());
    }
    return PF_Err_NONE;
}

PF_Err fail_at_two_places(void*, A_long x, A_long y, PF_Pixel16*, PF_Pixel16*)
{
    if (x == 5 && y == 700)
        return 77;
    if (x == 3 && y == 40)
        return 42; // first in raster order
    return PF_Err_NONE;
}

TEST(StandinIterate, EveryPixelExactlyOnceOnAnyNumberOfThreads)
{
    for (int threads : {1, 2, 3, 8, 0}) {
        TestHost host;
        host.set_threads(threads);
        auto* suite = host.acquire<PF_Iterate8Suite1>("PF Iterate8 Suite", 1);
        World src(131, 77, false), dst(131, 77, false);
        Visits v{&dst.def(), &src.def(), std::make_unique<std::atomic<int>[]>(131 * 77), {}, 131, {}, {}};
        ASSERT_EQ(suite->iterate(&host.in_data(), 0, 77, &src.def(), nullptr, &v, count_visit, &dst.def()), 0);
        for (int i = 0; i < 131 * 77; ++i)
            ASSERT_EQ(v.count[i].load(), 1) << "pixel " << i % 131 << "," << i / 131 << " threads " << threads;
        EXPECT_EQ(v.wrong.load(), 0);
        if (threads) {
            EXPECT_LE(v.threads.size(), std::size_t(threads)); // never more threads than asked for
        }

        // An area: only its pixels.
        Visits part{&dst.def(), &src.def(), std::make_unique<std::atomic<int>[]>(131 * 77), {}, 131, {}, {}};
        const PF_Rect area{10, 20, 30, 25};
        ASSERT_EQ(suite->iterate(&host.in_data(), 0, 5, &src.def(), &area, &part, count_visit, &dst.def()), 0);
        int visited = 0;
        for (int i = 0; i < 131 * 77; ++i)
            visited += part.count[i].load();
        EXPECT_EQ(visited, 20 * 5);
        EXPECT_EQ(part.count[22 * 131 + 10].load(), 1);
        EXPECT_EQ(host.ledger().first_misuse(), "");
    }
}

TEST(StandinIterate, FirstErrorInRasterOrderAndInjectedFaults)
{
    for (int threads : {1, 8}) {
        TestHost host;
        host.set_threads(threads);
        auto* suite = host.acquire<PF_iterate16Suite1>("PF iterate16 Suite", 1);
        World dst(16, 1000, true);
        EXPECT_EQ(suite->iterate(&host.in_data(), 0, 1000, nullptr, nullptr, nullptr, fail_at_two_places, &dst.def()), 42);
        host.faults().fail("PF iterate16 Suite v1.iterate", 2, PF_Err_OUT_OF_MEMORY);
        EXPECT_EQ(suite->iterate(&host.in_data(), 0, 1000, nullptr, nullptr, nullptr, fail_at_two_places, &dst.def()),
                  PF_Err_OUT_OF_MEMORY);
        EXPECT_EQ(host.ledger().first_misuse(), "");
        // An 8-bit destination for the 16-bit iterator, backwards progress.
        World shallow(4, 4, false);
        EXPECT_NE(suite->iterate(&host.in_data(), 0, 4, nullptr, nullptr, nullptr, fail_at_two_places, &shallow.def()), 0);
        EXPECT_EQ(host.take_misuse(), "PF iterate16 Suite v1.iterate: a world of the other depth");
        EXPECT_NE(suite->iterate(&host.in_data(), 5, 4, nullptr, nullptr, nullptr, fail_at_two_places, &dst.def()), 0);
        EXPECT_EQ(host.take_misuse(), "PF iterate16 Suite v1.iterate: progress runs backwards");
    }
}

// A pixel callback that calls the host: not run, on whichever thread, and
// reported as the iteration's misuse.
PF_Err copy_a_name(void* refcon, A_long, A_long, PF_Pixel*, PF_Pixel*)
{
    char name[8];
    static_cast<const PF_ANSICallbacks*>(refcon)->strcpy(name, "abc");
    return PF_Err_NONE;
}

PF_Err acquire_a_suite(void* refcon, A_long, A_long, PF_Pixel*, PF_Pixel*)
{
    const void* table = nullptr;
    static_cast<SPBasicSuite*>(refcon)->AcquireSuite("PF ANSI Suite", 1, &table);
    return PF_Err_NONE;
}

// A disposal refused there leaves the world as it was: the host's
// "a failed disposal still frees" does not run on such a thread either.
struct DisposeFromCallback {
    const PF_WorldSuite2* worlds;
    PF_EffectWorld* world;
};

PF_Err dispose_a_world(void* refcon, A_long, A_long, PF_Pixel*, PF_Pixel*)
{
    auto* call = static_cast<DisposeFromCallback*>(refcon);
    PF_EffectWorld copy = *call->world;
    call->worlds->PF_DisposeWorld(nullptr, &copy);
    return PF_Err_NONE;
}

TEST(StandinIterate, HostCallsFromPixelCallbacksAreRefused)
{
    for (int threads : {1, 4}) {
        TestHost host;
        host.set_threads(threads);
        auto* suite = host.acquire<PF_Iterate8Suite1>("PF Iterate8 Suite", 1);
        auto* ansi = host.acquire<PF_ANSICallbacksSuite1>("PF ANSI Suite", 1);
        World dst(9, 40, false);
        EXPECT_EQ(suite->iterate(&host.in_data(), 0, 40, nullptr, nullptr, const_cast<PF_ANSICallbacksSuite1*>(ansi),
                                 copy_a_name, &dst.def()),
                  PF_Err_INTERNAL_STRUCT_DAMAGED);
        EXPECT_EQ(host.ledger().count("PF ANSI Suite v1.strcpy"), 0u);
        EXPECT_EQ(host.take_misuse(),
                  "PF Iterate8 Suite v1.iterate: the pixel callback called the host: PF ANSI Suite v1.strcpy");
        EXPECT_EQ(suite->iterate(&host.in_data(), 0, 40, nullptr, nullptr, host.suites().basic_suite(),
                                 acquire_a_suite, &dst.def()),
                  PF_Err_INTERNAL_STRUCT_DAMAGED);
        EXPECT_EQ(host.take_misuse(), "PF Iterate8 Suite v1.iterate: the pixel callback called the host: AcquireSuite");
        EXPECT_EQ(host.ledger().count("AcquireSuite"), 2u); // the test's own two

        auto* world_suite = host.acquire<PF_WorldSuite2>("PF World Suite", 2);
        PF_EffectWorld made{};
        ASSERT_EQ(world_suite->PF_NewWorld(nullptr, 9, 40, 1, PF_PixelFormat_ARGB32, &made), PF_Err_NONE);
        DisposeFromCallback call{world_suite, &made};
        EXPECT_EQ(suite->iterate(&host.in_data(), 0, 40, nullptr, nullptr, &call, dispose_a_world, &dst.def()),
                  PF_Err_INTERNAL_STRUCT_DAMAGED);
        EXPECT_EQ(host.take_misuse(),
                  "PF Iterate8 Suite v1.iterate: the pixel callback called the host: PF World Suite v2.dispose_world");
        EXPECT_TRUE(host.worlds().live(made));
        EXPECT_EQ(world_suite->PF_DisposeWorld(nullptr, &made), PF_Err_NONE);
        host.suites().basic_suite()->ReleaseSuite("PF World Suite", 2);
        host.suites().basic_suite()->ReleaseSuite("PF Iterate8 Suite", 1);
        host.suites().basic_suite()->ReleaseSuite("PF ANSI Suite", 1);
    }
}

// Runs from several threads at once (hosts rendering side by side) share the
// workers: every row of every run exactly once.
TEST(StandinIterate, RunsFromSeveralThreadsAtOnceEachCoverTheirRows)
{
    constexpr int kRuns = 6, kRows = 997;
    std::vector<std::unique_ptr<std::atomic<int>[]>> rows;
    for (int r = 0; r < kRuns; ++r)
        rows.push_back(std::make_unique<std::atomic<int>[]>(kRows));
    std::vector<std::thread> callers;
    for (int r = 0; r < kRuns; ++r)
        callers.emplace_back([&, r] {
            for (int repeat = 0; repeat < 50; ++repeat)
                standin::for_row_bands(kRows, r % 3 == 0 ? 0 : r + 1, [&](int first, int end) {
                    for (int y = first; y < end; ++y)
                        ++rows[std::size_t(r)][y];
                });
        });
    for (std::thread& t : callers)
        t.join();
    for (int r = 0; r < kRuns; ++r)
        for (int y = 0; y < kRows; ++y)
            ASSERT_EQ(rows[std::size_t(r)][y].load(), 50) << "run " << r << ", row " << y;
}

// Bands posted to the workers run while the poster goes on; wait(), or the
// end of the posting, leaves every row done exactly once; cancel() at most.
TEST(StandinIterate, PostedBandsCoverTheirRowsOnceByWaitOrByTheirEnd)
{
    constexpr int kRows = 997;
    for (int threads : {1, 3, 0}) {
        std::vector<std::atomic<int>> rows(kRows);
        auto count = [&](int first, int end) {
            for (int y = first; y < end; ++y)
                ++rows[std::size_t(y)];
        };
        {
            standin::PostedBands posted(kRows, threads, count);
            standin::for_row_bands(kRows, threads, count); // the poster's next run
            posted.wait();
            posted.wait();
        }
        {
            const standin::PostedBands dropped(kRows, threads, count);
        }
        for (int y = 0; y < kRows; ++y)
            ASSERT_EQ(rows[std::size_t(y)].load(), 3) << "row " << y << ", threads " << threads;

        // Cancelled: the bands under way finish, no row runs twice.
        std::vector<std::atomic<int>> cancelled_rows(kRows);
        standin::PostedBands cancelled(kRows, threads, [&](int first, int end) {
            for (int y = first; y < end; ++y)
                ++cancelled_rows[std::size_t(y)];
        });
        cancelled.cancel();
        cancelled.wait();
        for (int y = 0; y < kRows; ++y)
            ASSERT_LE(cancelled_rows[std::size_t(y)].load(), 1) << "row " << y << ", threads " << threads;
    }
}

TEST(StandinParamValues, PointsInRenderedPixelsAndColoursAsFloats)
{
    TestHost host;
    auto* points = host.acquire<PF_PointParamSuite1>("PF PointParamSuite", 1);
    auto* colours = host.acquire<PF_ColorParamSuite1>("PF ColorParamSuite", 1);
    PF_ParamDef point{};
    point.param_type = PF_Param_POINT;
    point.u.td.x_value = 961 << 15; // 480.5
    point.u.td.y_value = 270 << 16;
    A_FloatPoint value{};
    ASSERT_EQ(points->PF_GetFloatingPointValueFromPointDef(host.in_data().effect_ref, &point, &value), 0);
    EXPECT_EQ(value.x, 480.5);
    EXPECT_EQ(value.y, 270.0);
    host.in_data().downsample_x = {1, 2};
    host.in_data().downsample_y = {1, 3};
    ASSERT_EQ(points->PF_GetFloatingPointValueFromPointDef(host.in_data().effect_ref, &point, &value), 0);
    EXPECT_EQ(value.x, 240.25);
    EXPECT_EQ(value.y, 90.0);

    PF_ParamDef colour{};
    colour.param_type = PF_Param_COLOR;
    colour.u.cd.value = {255, 255, 0, 51};
    PF_PixelFloat c{};
    ASSERT_EQ(colours->PF_GetFloatingPointColorFromColorDef(host.in_data().effect_ref, &colour, &c), 0);
    EXPECT_EQ(c.red, 1.0f);
    EXPECT_EQ(c.green, 0.0f);
    EXPECT_FLOAT_EQ(c.blue, 0.2f);
    EXPECT_EQ(host.ledger().first_misuse(), "");
    host.faults().fail("PF ColorParamSuite v1.GetFloatingPointColorFromColorDef", 2, 3);
    EXPECT_EQ(colours->PF_GetFloatingPointColorFromColorDef(host.in_data().effect_ref, &colour, &c), 3);
    EXPECT_NE(points->PF_GetFloatingPointValueFromPointDef(host.in_data().effect_ref, &colour, &value), 0);
    EXPECT_EQ(host.take_misuse(),
              "PF PointParamSuite v1.GetFloatingPointValueFromPointDef: not a point parameter (type 5)");
}

TEST(StandinPng, RoundTripsEveryValueAtBothDepths)
{
    const auto dir = std::filesystem::path(testing::TempDir()) / "standin-png";
    std::filesystem::create_directories(dir);
    World deep(32769 / 128 + 1, 128, true);
    for (A_long i = 0; i < deep.width() * 128; ++i) {
        const A_u_short v = A_u_short(std::min<A_long>(i, 32768));
        *pixel16(deep.def(), i % deep.width(), i / deep.width()) = {A_u_short(32768 - v), v, A_u_short(v / 2), 1};
    }
    const std::string path16 = (dir / "deep.png").string();
    standin::write_png(path16, deep.def());
    for (const auto& entry : std::filesystem::directory_iterator(dir))
        EXPECT_EQ(entry.path().extension(), ".png") << "a temporary is left: " << entry.path();
    World back = standin::read_png(path16, true);
    ASSERT_EQ(back.width(), deep.width());
    for (A_long y = 0; y < 128; ++y)
        ASSERT_EQ(std::memcmp(pixel16(back.def(), 0, y), pixel16(deep.def(), 0, y), std::size_t(deep.width()) * 8), 0)
            << "row " << y;

    World shallow = standin::InputPicture::test_picture(64, 48, false);
    pixel8(shallow.def(), 1, 1)->alpha = 7;
    const std::string path8 = (dir / "shallow.png").string();
    standin::write_png(path8, shallow.def());
    World back8 = standin::read_png(path8, false);
    for (A_long y = 0; y < 48; ++y)
        ASSERT_EQ(std::memcmp(pixel8(back8.def(), 0, y), pixel8(shallow.def(), 0, y), 64 * 4), 0) << "row " << y;
    // An 8-bit file read into a 16-bit world: 255 is 32768.
    EXPECT_EQ(standin::read_png(path8, true).def().data != nullptr, true);
    EXPECT_EQ(pixel16(standin::read_png(path8, true).def(), 0, 0)->alpha, 32768);
    EXPECT_THROW(standin::read_png((dir / "none.png").string(), false), standin::HostError);
    EXPECT_THROW(standin::InputPicture(path8).frame(0, 65, 48, false), standin::HostError);
    EXPECT_EQ(standin::InputPicture((dir / "f%03d.png").string()).path_for(7), (dir / "f007.png").string());
}

class StandinFrameRender : public EffectTest {};

TEST_F(StandinFrameRender, SetsTheRecordsAndSendsRender)
{
    ASSERT_EQ(host.create_instance(), PF_Err_NONE);
    World input = standin::InputPicture::test_picture(64, 36, false);
    World output(64, 36, false);
    standin::FrameRequest request;
    request.current_time = 7 * 1001;
    request.time_step = 1001;
    request.time_scale = 30000;
    request.downsample_x = {1, 2};
    request.pixel_aspect_ratio = {2, 1};
    request.quality = PF_Quality_LO;
    request.input = &input.def();
    EXPECT_EQ(host.render_frame(request, output.def()), 0);
    const PF_InData& in = host.in_data();
    EXPECT_EQ(in.current_time, 7007);
    EXPECT_EQ(in.time_step, 1001);
    EXPECT_EQ(in.time_scale, 30000u);
    EXPECT_EQ(in.downsample_x.den, 2u);
    EXPECT_EQ(in.pixel_aspect_ratio.num, 2);
    EXPECT_EQ(in.quality, PF_Quality_LO);
    EXPECT_EQ(output.def().extent_hint.right, 64);
    EXPECT_EQ(output.def().extent_hint.bottom, 36);
    EXPECT_EQ(host.params()[0].u.ld.data, input.def().data);
    World wrong(32, 36, false);
    EXPECT_THROW(host.render_frame(request, wrong.def()), standin::HostError);
    ExpectBalanced();
}

} // namespace
