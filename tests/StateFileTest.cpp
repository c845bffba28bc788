// --state FILE: the block one run stores is the block the next run reopens,
// and a file that holds no block is never written over.
#include <sys/stat.h>

#include <filesystem>
#include <fstream>
#include <stdexcept>

#include "EffectFixture.h"
#include "SequenceRecord.h"
#include "StateFile.h"

namespace {

namespace fs = std::filesystem;

class StateFileTest : public EffectTest {
protected:

    static runner::StateFile State(const fs::path& file) { return runner::StateFile(file.string()); }

    static Bytes Read(const fs::path& file)
    {
        std::ifstream in(file, std::ios::binary);
        return Bytes(std::istreambuf_iterator<char>(in), {});
    }

    ScratchDir scratch;
    const fs::path& dir = scratch.path;
};

TEST_F(StateFileTest, CarriesTheFontFromOneRunToTheNext)
{
    const fs::path file = dir / "project.state";
    runner::StateFile first = State(file);
    ASSERT_EQ(first.open(host), PF_Err_NONE); // no file yet: a fresh instance
    EXPECT_STREQ(Record(host).font_name, "Arial");
    SetName(host, "Futura", 0);
    ASSERT_TRUE(first.store(host));
    EXPECT_EQ(Read(file), Block("Futura", 0));
    ASSERT_EQ(host.destroy_instance(), PF_Err_NONE);

    // Through a link: the link's target is read and written.
    fs::create_symlink(file.filename(), dir / "link.state");
    runner::StateFile second = State(dir / "link.state");
    ASSERT_EQ(second.open(host), PF_Err_NONE);
    EXPECT_STREQ(Record(host).font_name, "Futura");
    EXPECT_EQ(Record(host).use_default, 0);
    const std::string longest(255, 'G'); // the block's whole name field
    SetName(host, longest, 0);
    ASSERT_TRUE(second.store(host));
    EXPECT_EQ(Read(file), Block(longest, 0));
    EXPECT_TRUE(fs::is_symlink(dir / "link.state"));
    // Written through a temporary file that is gone once renamed.
    EXPECT_EQ(std::distance(fs::directory_iterator(dir), {}), 2);
    // A file without write permission is refused, and kept.
    fs::permissions(file, fs::perms::owner_read);
    EXPECT_NE(second.unwritable_reason(), "");
    EXPECT_FALSE(second.store(host));
    EXPECT_EQ(Read(file), Block(longest, 0));
    ASSERT_EQ(host.destroy_instance(), PF_Err_NONE);
    ExpectBalanced();
}

TEST_F(StateFileTest, UnusableFilesGiveAFreshInstanceAndStayAsTheyWere)
{
    Bytes first_byte_0 = Block("Futura", 0), unterminated = Block(std::string(255, 'x'), 0),
          too_long = Block("Futura", 0);
    first_byte_0[0] = 0;
    unterminated[256] = 'x';
    too_long.push_back(0);
    for (const Bytes& bytes : {Bytes{'h', 'i'}, Bytes{}, first_byte_0, unterminated, too_long}) {
        const fs::path file = dir / "bad.state";
        std::ofstream(file, std::ios::binary).write(reinterpret_cast<const char*>(bytes.data()),
                                                    std::streamsize(bytes.size()));
        runner::StateFile state = State(file);
        ASSERT_EQ(state.open(host), PF_Err_NONE);
        EXPECT_STREQ(Record(host).font_name, "Arial");
        EXPECT_TRUE(state.store(host));
        EXPECT_EQ(Read(file), bytes);
    }
    // A file in a missing folder cannot be written; what is no regular file
    // (a FIFO would block the read) is refused before it is opened.
    runner::StateFile nowhere = State(dir / "missing" / "project.state");
    ASSERT_EQ(nowhere.open(host), PF_Err_NONE);
    EXPECT_FALSE(nowhere.store(host));
    ASSERT_EQ(mkfifo((dir / "fifo").c_str(), 0600), 0);
    EXPECT_THROW(State(dir / "fifo"), std::runtime_error);
    EXPECT_THROW(State(dir), std::runtime_error);
    ASSERT_EQ(host.destroy_instance(), PF_Err_NONE);
    ExpectBalanced();
}

} // namespace
