// --input names: a numbered sequence is parsed, never handed to printf, and
// any other name is one file, byte for byte.
#include <filesystem>

#include <gtest/gtest.h>

#include "FramePattern.h"
#include "InputPicture.h"
#include "Module.h"
#include "Png.h"
#include "TestHost.h"

namespace {

namespace fs = std::filesystem;
using standin::FramePattern;

TEST(FramePattern, NumbersTheFrameInTheOneFieldItHolds)
{
    EXPECT_EQ(FramePattern("in/%04d.png").path(7), "in/0007.png");
    EXPECT_EQ(FramePattern("in/%04d.png").path(1234567), "in/1234567.png");
    EXPECT_EQ(FramePattern("in/%d.png").path(7), "in/7.png");
    EXPECT_EQ(FramePattern("in/####.png").path(7), "in/0007.png");
    EXPECT_EQ(FramePattern("in/f#.png").path(42), "in/f42.png");
    EXPECT_EQ(FramePattern("%06d").path(0), "000000");
    // %% is a literal % beside a %-number; beside # every % is literal.
    EXPECT_EQ(FramePattern("100%%/f%03d.png").path(5), "100%/f005.png");
    EXPECT_EQ(FramePattern("%%%d%%").path(5), "%5%");
    EXPECT_EQ(FramePattern("100%/f###.png").path(5), "100%/f005.png");
    EXPECT_EQ(FramePattern("%%s-##.png").path(5), "%%s-05.png");
    EXPECT_TRUE(FramePattern("in/%04d.png").numbered());
}

TEST(FramePattern, TakesAnyOtherNameAsOneFile)
{
    for (const char* name : {"in/picture.png", "100%.png", "in/%n.png", "%s%s%s%s.png", "%p", "a%%b.png", "%",
                             "%04x.png", "%ld.png", "", "%%04d"}) {
        const FramePattern pattern(name);
        EXPECT_FALSE(pattern.numbered()) << name;
        EXPECT_EQ(pattern.path(3), name);
    }
}

TEST(FramePattern, RejectsABadPatternInOneLineThatQuotesIt)
{
    struct Case {
        const char* name;
        const char* says;
    };
    for (const Case c : {Case{"in/%04d_%04d.png", "2 frame numbers"}, Case{"%d%d%d", "3 frame numbers"},
                         Case{"##_##.png", "2 frame numbers"}, Case{"%04d/####.png", "2 frame numbers"},
                         Case{"in/%s_%04d.png", "'%s' is not a frame number"},
                         Case{"in/%04d%n.png", "'%n' is not a frame number"},
                         Case{"in/%04d%.png", "'%.p' is not a frame number"},
                         Case{"in/%4d.png", "'%4d' is not %d or %0Nd"}, Case{"in/%0d.png", "'%0d' is not %d or %0Nd"},
                         Case{"in/%019d.png", "wider than 18 digits"},
                         Case{"in/%0123456789012d.png", "wider than 18 digits"},
                         Case{"###################", "wider than 18 digits"}}) {
        try {
            FramePattern pattern(c.name);
            ADD_FAILURE() << c.name << " was taken";
        } catch (const standin::HostError& e) {
            const std::string what = e.what();
            EXPECT_NE(what.find(std::string("'") + c.name + "'"), std::string::npos) << what;
            EXPECT_NE(what.find(c.says), std::string::npos) << what;
            EXPECT_EQ(what.find('\n'), std::string::npos) << what;
        }
    }
}

class InputPictureNames : public testing::Test {
protected:

    // A picture whose first pixel's red is `red`.
    void Write(const std::string& name, unsigned char red)
    {
        standin::World world = standin::InputPicture::test_picture(8, 4, false);
        standin::pixel8(world.def(), 0, 0)->red = red;
        standin::write_png((dir / name).string(), world.def());
    }
    unsigned char FirstRed(const std::string& input, long index)
    {
        return standin::pixel8(standin::InputPicture((dir / input).string()).frame(index, 8, 4, false).def(), 0, 0)
            ->red;
    }

    ScratchDir scratch;
    const fs::path& dir = scratch.path;
};

TEST_F(InputPictureNames, ReadsFilesWhoseNamesHoldPercentSigns)
{
    Write("100%.png", 11);
    EXPECT_EQ(FirstRed("100%.png", 0), 11);
    EXPECT_EQ(FirstRed("100%.png", 9), 11);
    Write("50%_0003.png", 33);
    EXPECT_EQ(FirstRed("50%%_%04d.png", 3), 33);
    EXPECT_EQ(FirstRed("50%_####.png", 3), 33);
    Write("%n.png", 44);
    EXPECT_EQ(FirstRed("%n.png", 0), 44);
}

TEST_F(InputPictureNames, AMissingFileIsNamedAsGiven)
{
    for (const std::string name : {"%n.png", "%s%s%s.png", "%d.png"}) {
        try {
            standin::InputPicture((dir / name).string()).frame(0, 8, 4, false);
            ADD_FAILURE() << name;
        } catch (const standin::HostError& e) {
            const std::string shown = name == "%d.png" ? "0.png" : name;
            EXPECT_EQ(std::string(e.what()).rfind("cannot open picture '" + (dir / shown).string() + "'", 0), 0u)
                << e.what();
        }
    }
}

} // namespace
