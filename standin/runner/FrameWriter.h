// Writes rendered frames as FOLDER/NNNNNN.png, encoding on worker threads
// while the next frame renders. Each file is written under a temporary name
// of its own and renamed in frame order, so the frames with names are whole
// and, after any stop, the first ones of the run. At most `workers` frames
// are in flight, and the copies held (in flight and kept for reuse) take
// no more than the budget or kFewFrames frames, whichever is larger: memory
// stays flat however long the run, and bounded however large the frame.
#pragma once

#include <deque>
#include <future>
#include <string>
#include <vector>

#include "PendingFile.h"
#include "World.h"

namespace runner {

class FrameWriter {
public:
    // Writes into `folder`, which must exist; workers >= 1.
    FrameWriter(std::string folder, unsigned workers, std::size_t budget = kBudget);
    static constexpr std::size_t kBudget = std::size_t(512) << 20;
    static constexpr std::size_t kFewFrames = 2;
    // Waits for the frames in flight and removes their temporaries: a run
    // that stops early leaves only whole frames.
    ~FrameWriter();
    FrameWriter(const FrameWriter&) = delete;
    FrameWriter& operator=(const FrameWriter&) = delete;

    // Copies the world and encodes it on a worker; the caller may reuse the
    // world at once. Waits while `workers` frames are in flight. Throws the
    // first error of an earlier frame (HostError naming its file).
    void write(long index, const PF_LayerDef& world);
    // Waits for every frame and throws the first error.
    void finish();
    // For a run that stops early, by a signal or an error: waits for the
    // frames in flight and commits, in frame order, the whole ones before
    // the first that failed. Returns written().
    long stop() noexcept;
    // Frames whose file has its name.
    long written() const { return written_; }
    // Frames whose copies the writer holds: in flight and kept for reuse.
    std::size_t held() const { return in_flight_.size() + spare_.size(); }

    // "NNNNNN.png": the index in at least six digits.
    static std::string frame_name(long index);

private:
    // A frame that a worker encoded; the pixels come back for reuse.
    struct Encoded {
        standin::PendingFile file;
        standin::World pixels;
    };
    void commit_oldest();

    std::string folder_;
    unsigned workers_;
    std::size_t budget_;
    std::deque<std::future<Encoded>> in_flight_;
    std::vector<standin::World> spare_;
    long written_ = 0;
    bool broken_ = false; // a frame failed: none after it may have its name
};

} // namespace runner
