#include "FrameWriter.h"

#include <cstdio>
#include <cstring>
#include <filesystem>
#include <utility>

#include "Module.h"
#include "Png.h"

namespace runner {

namespace {

bool same_layout(const standin::World& w, const PF_LayerDef& def)
{
    return w.width() == def.width && w.height() == def.height && w.deep() == standin::is_deep(def);
}

void copy_pixels(const PF_LayerDef& from, standin::World& to)
{
    const std::size_t row = std::size_t(from.width) * (standin::is_deep(from) ? sizeof(PF_Pixel16) : sizeof(PF_Pixel));
    const auto* src = static_cast<const char*>(from.data);
    auto* dst = static_cast<char*>(to.def().data);
    for (A_long y = 0; y < from.height; ++y)
        std::memcpy(dst + std::ptrdiff_t(y) * to.def().rowbytes, src + std::ptrdiff_t(y) * from.rowbytes, row);
}

} // namespace

FrameWriter::FrameWriter(std::string folder, unsigned workers, std::size_t budget)
    : folder_(std::move(folder)), workers_(workers ? workers : 1), budget_(budget)
{
}

FrameWriter::~FrameWriter()
{
    // Each future's result (its PendingFile) removes its temporary.
    while (!in_flight_.empty()) {
        try {
            in_flight_.front().get();
        } catch (...) {
        }
        in_flight_.pop_front();
    }
}

std::string FrameWriter::frame_name(long index)
{
    char name[32];
    std::snprintf(name, sizeof name, "%06ld.png", index);
    return name;
}

void FrameWriter::write(long index, const PF_LayerDef& world)
{
    const bool deep = standin::is_deep(world);
    const std::size_t frame = standin::World::bytes_for(world.width, world.height, deep);
    const std::size_t most = std::min<std::size_t>(workers_, std::max(kFewFrames, budget_ / frame));
    while (in_flight_.size() >= most)
        commit_oldest();
    standin::World pixels;
    if (!spare_.empty() && same_layout(spare_.back(), world)) {
        pixels = std::move(spare_.back());
        spare_.pop_back();
    }
    spare_.clear();
    if (pixels.empty())
        pixels = standin::World(world.width, world.height, deep);
    copy_pixels(world, pixels);
    const std::string path = (std::filesystem::path(folder_) / frame_name(index)).string();
    in_flight_.push_back(std::async(std::launch::async, [path, pixels = std::move(pixels)]() mutable {
        standin::PendingFile file(path);
        try {
            standin::write_png(file.file(), pixels.def());
        } catch (const standin::HostError& e) {
            throw standin::HostError("cannot write '" + path + "': " + e.what());
        }
        file.close();
        return Encoded{std::move(file), std::move(pixels)};
    }));
}

void FrameWriter::commit_oldest()
{
    std::future<Encoded> oldest = std::move(in_flight_.front());
    in_flight_.pop_front();
    try {
        Encoded done = oldest.get();
        done.file.commit();
        ++written_;
        spare_.push_back(std::move(done.pixels));
    } catch (...) {
        broken_ = true;
        throw;
    }
}

void FrameWriter::finish()
{
    while (!in_flight_.empty())
        commit_oldest();
}

long FrameWriter::stop() noexcept
{
    try {
        while (!broken_ && !in_flight_.empty())
            commit_oldest();
    } catch (...) {
        // The frames after it are dropped with their temporaries.
    }
    return written_;
}

} // namespace runner
