// --input names: a numbered sequence is parsed, never handed to printf, and
// any other name is one file, byte for byte. (The runner reads such files in
// runner-files.sh.)
#include <gtest/gtest.h>

#include "FramePattern.h"
#include "Module.h"

namespace {

using standin::FramePattern;

// A numbered name gets the frame in its one field; any other name is the
// file for every frame.
TEST(FramePattern, NumbersTheFrameInTheOneFieldItHoldsOrTakesTheNameAsOneFile)
{
    struct Row {
        const char* name;
        long index;
        const char* path;
    };
    for (const Row r : {Row{"in/%04d.png", 7, "in/0007.png"}, Row{"in/%04d.png", 1234567, "in/1234567.png"},
                        Row{"in/%d.png", 7, "in/7.png"}, Row{"in/####.png", 7, "in/0007.png"},
                        Row{"in/f#.png", 42, "in/f42.png"}, Row{"%06d", 0, "000000"},
                        // %% is a literal % beside a %-number; beside # every % is literal.
                        Row{"100%%/f%03d.png", 5, "100%/f005.png"}, Row{"%%%d%%", 5, "%5%"},
                        Row{"100%/f###.png", 5, "100%/f005.png"}, Row{"%%s-##.png", 5, "%%s-05.png"}}) {
        EXPECT_EQ(FramePattern(r.name).path(r.index), r.path) << r.name;
        EXPECT_TRUE(FramePattern(r.name).numbered()) << r.name;
    }
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
    const Case cases[] = {{"in/%04d_%04d.png", "2 frame numbers"}, {"%d%d%d", "3 frame numbers"},
                          {"##_##.png", "2 frame numbers"}, {"%04d/####.png", "2 frame numbers"},
                          {"in/%s_%04d.png", "'%s' is not a frame number"}, {"in/%0d.png", "'%0d' is not %d or %0Nd"},
                          {"in/%04d%n.png", "'%n' is not a frame number"}, {"in/%019d.png", "wider than 18 digits"},
                          {"in/%04d%.png", "'%.p' is not a frame number"}, {"in/%4d.png", "'%4d' is not %d or %0Nd"},
                          {"in/%0123456789012d.png", "wider than 18 digits"},
                          {"###################", "wider than 18 digits"}};
    for (const Case& c : cases) {
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

} // namespace
