// The runner's frame files: written on worker threads, renamed whole in frame
// order, and no temporaries left by a run that fails or stops early; and the
// signals that stop a run.
#include <csignal>
#include <cstring>
#include <filesystem>
#include <set>

#include <gtest/gtest.h>

#include "FrameWriter.h"
#include "InputPicture.h"
#include "Module.h"
#include "Png.h"
#include "StopSignal.h"
#include "TestHost.h"

namespace {

namespace fs = std::filesystem;
using runner::FrameWriter;
using standin::World;

class FrameWriterTest : public testing::Test {
protected:

    std::set<std::string> Names() const
    {
        std::set<std::string> names;
        for (const auto& entry : fs::directory_iterator(dir))
            names.insert(entry.path().filename().string());
        return names;
    }

    // A frame that tells its index: the first pixel's red and green. Its
    // height changes with the index, as a writer's frames may.
    static World Frame(long index, bool deep)
    {
        World world = standin::InputPicture::test_picture(40, A_long(24 + index % 2), deep);
        if (deep)
            *standin::pixel16(world.def(), 0, 0) = {32768, A_u_short(index), A_u_short(index * 2), 0};
        else
            *standin::pixel8(world.def(), 0, 0) = {255, A_u_char(index), A_u_char(index * 2), 0};
        return world;
    }

    ScratchDir scratch;
    const fs::path& dir = scratch.path;
};

TEST_F(FrameWriterTest, WritesEachFrameAsItWasWhenHandedOver)
{
    for (const bool deep : {false, true}) {
        fs::remove_all(dir);
        fs::create_directory(dir);
        {
            FrameWriter writer(dir.string(), 3);
            for (long i = 0; i < 10; ++i) {
                // Changed after the hand-over, as the runner reuses its output.
                World world = Frame(i + 5, deep);
                writer.write(i + 5, world.def());
                std::memset(world.def().data, 0x5A, std::size_t(world.def().rowbytes) * world.height());
                EXPECT_LE(writer.written(), i + 1);
            }
            writer.finish();
            EXPECT_EQ(writer.written(), 10);
        }
        std::set<std::string> expected;
        for (long i = 5; i < 15; ++i) {
            expected.insert(FrameWriter::frame_name(i));
            const World back = standin::read_png((dir / FrameWriter::frame_name(i)).string(), deep);
            const World want = Frame(i, deep);
            ASSERT_EQ(back.height(), want.height()) << "frame " << i;
            for (A_long y = 0; y < want.height(); ++y)
                ASSERT_EQ(std::memcmp(static_cast<char*>(back.def().data) + y * back.def().rowbytes,
                                      static_cast<char*>(want.def().data) + y * want.def().rowbytes,
                                      std::size_t(40) * (deep ? 8 : 4)),
                          0)
                    << "frame " << i << " row " << y << (deep ? " (16-bit)" : " (8-bit)");
        }
        EXPECT_EQ(Names(), expected);
    }
}

TEST_F(FrameWriterTest, NamesFramesInSixDigitsAtLeast)
{
    EXPECT_EQ(FrameWriter::frame_name(0), "000000.png");
    EXPECT_EQ(FrameWriter::frame_name(42), "000042.png");
    EXPECT_EQ(FrameWriter::frame_name(12345678), "12345678.png");
}

TEST_F(FrameWriterTest, AFrameThatCannotBeRenamedFailsTheRunAndLeavesNoTemporary)
{
    // A folder holds the name of frame 2.
    fs::create_directory(dir / FrameWriter::frame_name(2));
    {
        FrameWriter writer(dir.string(), 2);
        const World world = Frame(1, false);
        try {
            for (long i = 0; i < 6; ++i)
                writer.write(i, world.def());
            writer.finish();
            ADD_FAILURE() << "the writer did not fail";
        } catch (const standin::HostError& e) {
            EXPECT_NE(std::string(e.what()).find(FrameWriter::frame_name(2) + "'"), std::string::npos) << e.what();
        }
        EXPECT_EQ(writer.written(), 2);
        // Nothing after the failed frame gets its name.
        EXPECT_EQ(writer.stop(), 2);
    }
    // Frames 0 and 1, the folder; what was in flight is gone.
    EXPECT_EQ(Names(), (std::set<std::string>{"000000.png", "000001.png", "000002.png"}));
}

TEST_F(FrameWriterTest, AnEncoderThatCannotWriteFailsTheRunWithItsMessage)
{
    FrameWriter writer((dir / "gone").string(), 2);
    const World world = Frame(1, false);
    try {
        writer.write(0, world.def());
        writer.finish();
        ADD_FAILURE() << "the writer did not fail";
    } catch (const standin::HostError& e) {
        EXPECT_EQ(std::string(e.what()), "cannot write '" + (dir / "gone" / "000000.png").string() +
                                             "': No such file or directory");
    }
}

TEST_F(FrameWriterTest, AStoppedWriterKeepsTheFramesInFlight)
{
    FrameWriter writer(dir.string(), 4);
    const World world = Frame(1, true);
    for (long i = 0; i < 7; ++i)
        writer.write(i, world.def());
    // Seven handed over, at most four in flight: the first three are committed.
    EXPECT_EQ(writer.written(), 3);
    EXPECT_EQ(writer.stop(), 7);
    EXPECT_EQ(Names().size(), 7u);
}

// A stop signal is noted; a second one ends the process as it would without
// the handler; one ignored at start stays ignored, and so is SIGPIPE.
TEST(StopSignalDeathTest, TheSecondSignalEndsTheRun)
{
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    EXPECT_EXIT(
        {
            std::signal(SIGINT, SIG_IGN);
            runner::catch_stop_signals();
            std::raise(SIGINT);
            std::raise(SIGPIPE);
            if (runner::stop_signal() != 0)
                std::_Exit(1);
            std::raise(SIGHUP);
            if (runner::stop_signal() != SIGHUP)
                std::_Exit(2);
            std::raise(SIGTERM);
            std::_Exit(3);
        },
        testing::KilledBySignal(SIGTERM), "");
}

} // namespace
