#include "World.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <utility>

#include <sys/mman.h>

#include "ArrayHeap.h"
#include "Module.h"
#include "PixelThreads.h"

namespace standin {

namespace {
constexpr A_long kMaxSide = 32768;
constexpr std::size_t kAlign = 64;
// Frame-sized pixels are mapped apart from the heap: made and freed every
// frame among the heap's small long-lived blocks, they would leave holes
// that no later frame fits, and memory would grow with the frames.
constexpr std::size_t kMapFrom = std::size_t(1) << 20;

void* allocate(std::size_t bytes)
{
    // A test program can make the host run out of memory here.
    if (array_heap::refuse_here && array_heap::refuse_here())
        return nullptr;
    if (bytes < kMapFrom)
        return std::aligned_alloc(kAlign, bytes);
    void* data = mmap(nullptr, bytes, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
    return data == MAP_FAILED ? nullptr : data;
}

void release(void* data, std::size_t bytes)
{
    if (!data)
        return;
    if (bytes < kMapFrom)
        std::free(data);
    else
        munmap(data, bytes);
}
} // namespace

WorldOutOfMemory::WorldOutOfMemory(A_long width, A_long height)
{
    std::snprintf(text_, sizeof text_, "out of memory for a world of %dx%d pixels", int(width), int(height));
}

World::World(A_long width, A_long height, bool deep, unsigned char fill, int threads)
{
    if (width < 1 || height < 1 || width > kMaxSide || height > kMaxSide)
        throw HostError("a world of " + std::to_string(width) + "x" + std::to_string(height) +
                        " pixels is outside 1..32768 a side");
    bytes_ = bytes_for(width, height, deep);
    const std::size_t rowbytes = bytes_ / std::size_t(height);
    void* data = allocate(bytes_);
    if (!data)
        throw WorldOutOfMemory(width, height);
    def_.world_flags = PF_WorldFlag_WRITEABLE | (deep ? PF_WorldFlag_DEEP : 0);
    def_.data = data;
    def_.rowbytes = A_long(rowbytes);
    def_.width = width;
    def_.height = height;
    def_.extent_hint = {0, 0, width, height};
    def_.pix_aspect_ratio = {1, 1};
    def_.platform_ref = this;
    fill_bytes(fill, threads);
}

std::size_t World::bytes_for(A_long width, A_long height, bool deep)
{
    const std::size_t pixel = deep ? sizeof(PF_Pixel16) : sizeof(PF_Pixel);
    // One spare cache line a row: rowbytes never equals width * pixel size.
    const std::size_t rowbytes = (std::size_t(width) * pixel / kAlign + 1) * kAlign;
    return rowbytes * std::size_t(height);
}

World::~World() { release(def_.data, bytes_); }

World::World(World&& other) noexcept : def_(other.def_), bytes_(other.bytes_)
{
    def_.platform_ref = this;
    other.def_ = {};
    other.bytes_ = 0;
}

World& World::operator=(World&& other) noexcept
{
    if (this != &other) {
        release(def_.data, bytes_);
        def_ = std::exchange(other.def_, {});
        bytes_ = std::exchange(other.bytes_, 0);
        def_.platform_ref = this;
    }
    return *this;
}

void World::fill_bytes(unsigned char value, int threads)
{
    if (!def_.data)
        return;
    // Whole rows a band: the padding goes with its row.
    for_row_bands(def_.height, threads, [&](int first, int end) { fill_rows(value, first, end); });
}

void World::fill_rows(unsigned char value, int first, int end)
{
    const std::size_t rowbytes = std::size_t(def_.rowbytes);
    std::memset(static_cast<char*>(def_.data) + first * rowbytes, value, std::size_t(end - first) * rowbytes);
}

bool is_deep(const PF_LayerDef& world) { return (world.world_flags & PF_WorldFlag_DEEP) != 0; }

World scaled(const PF_LayerDef& src, PF_RationalScale sx, PF_RationalScale sy)
{
    if (sx.num <= 0 || sx.den == 0 || sy.num <= 0 || sy.den == 0)
        throw HostError("a scale must be a positive fraction");
    const long long w = (long long)src.width * sx.num / sx.den;
    const long long h = (long long)src.height * sy.num / sy.den;
    World out(A_long(w > 0 ? w : 0), A_long(h > 0 ? h : 0), is_deep(src));
    for (A_long y = 0; y < out.height(); ++y) {
        const A_long from_y = A_long((long long)y * sy.den / sy.num);
        for (A_long x = 0; x < out.width(); ++x) {
            const A_long from_x = A_long((long long)x * sx.den / sx.num);
            if (out.deep())
                *pixel16(out.def(), x, y) = *pixel16(src, from_x, from_y);
            else
                *pixel8(out.def(), x, y) = *pixel8(src, from_x, from_y);
        }
    }
    return out;
}

} // namespace standin
