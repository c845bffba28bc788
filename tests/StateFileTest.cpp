// --state FILE: the block one run stores is the block the next run reopens,
// and a file that holds no block is never written over.
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

    // A run's state, from the arguments after the command's name.
    static runner::StateFile State(const fs::path& file)
    {
        std::vector<std::string> args = {"--state", file.string()};
        return runner::StateFile::take(args);
    }

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

    runner::StateFile second = State(file);
    ASSERT_EQ(second.open(host), PF_Err_NONE);
    EXPECT_STREQ(Record(host).font_name, "Futura");
    EXPECT_EQ(Record(host).use_default, 0);
    SetName(host, "Gill Sans", 0);
    ASSERT_TRUE(second.store(host));
    EXPECT_EQ(Read(file), Block("Gill Sans", 0));
    // Written through a temporary file that is gone once renamed.
    EXPECT_EQ(std::distance(fs::directory_iterator(dir), {}), 1);
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
    // A folder cannot be read; a file in a missing folder cannot be written.
    runner::StateFile folder = State(dir);
    ASSERT_EQ(folder.open(host), PF_Err_NONE);
    EXPECT_TRUE(folder.store(host));
    EXPECT_TRUE(fs::is_directory(dir));
    runner::StateFile nowhere = State(dir / "missing" / "project.state");
    ASSERT_EQ(nowhere.open(host), PF_Err_NONE);
    EXPECT_FALSE(nowhere.store(host));

    std::vector<std::string> args = {"--state"};
    EXPECT_THROW(runner::StateFile::take(args), std::runtime_error);
    ASSERT_EQ(host.destroy_instance(), PF_Err_NONE);
    ExpectBalanced();
}

} // namespace
