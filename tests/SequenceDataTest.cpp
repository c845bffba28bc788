// The instance's font record through its life: setup, save, flatten, reopen
// and setdown, driven as the host drives them, and each command without
// data. The host's failures are swept call by call in FaultSweepTest.
#include <string>
#include <tuple>

#include "ArrayHeap.h"
#include "EffectFixture.h"
#include "SequenceRecord.h"

namespace {

namespace heap = standin::array_heap;

class SequenceDataTest : public EffectTest {
protected:
    Bytes Saved()
    {
        Bytes block;
        EXPECT_EQ(host.save(block), PF_Err_NONE);
        return block;
    }

    void ExpectRecord(const std::string& name, uint8_t use_default, std::size_t buffer_size)
    {
        const SeqData& seq = Record(host);
        EXPECT_EQ(std::tuple(int(seq.flat), std::string(seq.font_name), int(seq.use_default), heap::size_of(seq.font_name)),
                  std::tuple(0, name, int(use_default), buffer_size));
    }
};

// Names keep at most 255 bytes; byte 257 comes back whatever its value.
TEST_F(SequenceDataTest, SaveAndReopen)
{
    const std::string a255(255, 'a');
    const std::tuple<std::string, std::string, uint8_t> names[] = {
        {a255, a255, 0},
        {a255 + "b", a255, 1},
        {a255 + std::string(45, 'c'), a255, 7},
        {std::string(254, 'd') + "\xC3\xA9", std::string(254, 'd') + "\xC3", 255}, // cut inside "é"
        {"", "", 1},
    };
    for (const auto& [name, kept, use_default] : names) {
        SCOPED_TRACE("a name of " + std::to_string(name.size()) + " bytes");
        ASSERT_EQ(host.create_instance(), PF_Err_NONE);
        SetName(host, name, use_default);
        const Bytes block = Saved();
        EXPECT_EQ(block, Block(kept, use_default));
        ASSERT_EQ(host.reopen(block), PF_Err_NONE);
        ExpectRecord(kept, use_default, kept.size() + 1);
        EXPECT_EQ(Saved(), block);
    }
    ExpectBalanced();
}

TEST_F(SequenceDataTest, ReopenReadsOnlyTheStoredBlock)
{
    // Blocks cut short at every length give the default record.
    const Bytes whole = Block("Helvetica", 0);
    for (std::size_t n = 0; n < whole.size(); ++n) {
        SCOPED_TRACE("a block of " + std::to_string(n) + " bytes");
        ASSERT_EQ(host.reopen(Bytes(whole.begin(), whole.begin() + n)), PF_Err_NONE);
        ExpectRecord("Arial", 1, 319);
    }
    // The first byte is not looked at; a longer block is read to 258 bytes.
    for (const uint8_t first : {0, 1, 7}) {
        Bytes block = whole;
        block[0] = first;
        block.resize(300, 'x');
        ASSERT_EQ(host.reopen(block), PF_Err_NONE);
        ExpectRecord("Helvetica", 0, 10);
    }
    // A name field without a terminator gives its first 255 bytes.
    ASSERT_EQ(host.reopen(Bytes(258, 'x')), PF_Err_NONE);
    ExpectRecord(std::string(255, 'x'), 'x', 256);
    ExpectBalanced();
}

// Data of the host's that is no record (flattened already, a record's size
// without its first byte 0, or a stored block damaged so that its first byte
// is 0) is handed back byte for byte, and its bytes are never taken for a
// name pointer.
TEST_F(SequenceDataTest, DataThatIsNoRecordIsCopiedNotRead)
{
    const auto damaged = [](std::size_t size) {
        Bytes bytes(size, 0x41);
        bytes[0] = 0;
        return bytes;
    };
    for (const Bytes& bytes : {Bytes{7, 'o', 'd', 'd'}, Block("Arial", 1), Bytes(sizeof(SeqData), 0x41), damaged(1),
                               damaged(sizeof(SeqData) - 1), damaged(258)}) {
        SCOPED_TRACE("a block of " + std::to_string(bytes.size()) + " bytes");
        const PF_Handle data = Stored(host, bytes);
        for (PF_Cmd cmd : {PF_Cmd_GET_FLATTENED_SEQUENCE_DATA, PF_Cmd_SEQUENCE_FLATTEN}) {
            const Handed copy = SendSequence(host, cmd, data);
            ASSERT_EQ(copy.err, PF_Err_NONE);
            EXPECT_EQ(BytesOf(host, copy.handle), bytes);
            EXPECT_EQ(host.handles().live(data), cmd == PF_Cmd_GET_FLATTENED_SEQUENCE_DATA);
            host.handles().destroy(copy.handle);
        }
        const PF_Handle again = Stored(host, bytes);
        ASSERT_EQ(SendSequence(host, PF_Cmd_SEQUENCE_SETDOWN, again).err, PF_Err_NONE);
        EXPECT_FALSE(host.handles().live(again));
        host.in_data().sequence_data = nullptr;
    }
    EXPECT_EQ(host.handles().live_count(), 0);
    ExpectBalanced();
}

// Without sequence data, and with a handle whose block the host purged: the
// result, nothing handed over, and the handle left to the host (setdown
// disposes of it).
TEST_F(SequenceDataTest, CommandsWithoutDataOrWithoutABlock)
{
    const std::pair<PF_Cmd, PF_Err> without_data[] = {
        {PF_Cmd_SEQUENCE_RESETUP, 0}, {PF_Cmd_SEQUENCE_FLATTEN, 512}, {PF_Cmd_GET_FLATTENED_SEQUENCE_DATA, 512},
        {PF_Cmd_SEQUENCE_SETDOWN, 0}};
    for (bool purged : {false, true}) {
        for (const auto& [cmd, result] : without_data) {
            SCOPED_TRACE(std::string(purged ? "no block" : "no data") + ", command " + std::to_string(cmd));
            const PF_Handle incoming = purged ? host.handles().create(258) : nullptr;
            if (purged)
                host.handles().purge(incoming);
            const Handed handed = SendSequence(host, cmd, incoming);
            host.in_data().sequence_data = nullptr;
            EXPECT_EQ(handed.err, purged ? PF_Err_NONE : result);
            EXPECT_FALSE(handed.written);
            EXPECT_EQ(host.handles().live(incoming), purged && cmd != PF_Cmd_SEQUENCE_SETDOWN);
            if (host.handles().live(incoming))
                host.handles().destroy(incoming);
            EXPECT_EQ(host.held(), "");
        }
    }
    ExpectBalanced();
}

} // namespace
