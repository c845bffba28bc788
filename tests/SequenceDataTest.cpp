// The instance's font record through its life: setup, save, flatten, reopen
// and setdown, driven as the host drives them.
#include <string>

#include "ArrayHeap.h"
#include "EffectFixture.h"
#include "SequenceRecord.h"

namespace {

namespace heap = standin::array_heap;

class SequenceDataTest : public EffectTest {
protected:
    SeqData& Record() { return ::Record(host); }

    Bytes Saved()
    {
        Bytes block;
        EXPECT_EQ(host.save(block), PF_Err_NONE);
        return block;
    }

    void ExpectRecord(const std::string& name, uint8_t use_default, std::size_t buffer_size)
    {
        EXPECT_EQ(Record().flat, 0);
        EXPECT_EQ(Record().font_name, name);
        EXPECT_EQ(Record().use_default, use_default);
        EXPECT_EQ(heap::size_of(Record().font_name), buffer_size);
    }
};

TEST_F(SequenceDataTest, SetupThenSaveAndFlattenGiveTheBlock)
{
    ASSERT_EQ(host.create_instance(), PF_Err_NONE);
    const PF_Handle record = host.in_data().sequence_data;
    EXPECT_EQ(host.handles().size(record), sizeof(SeqData));
    ExpectRecord("Arial", 1, 319);
    ExpectBalanced();

    EXPECT_EQ(Saved(), Block("Arial", 1));
    ASSERT_EQ(host.flatten(), PF_Err_NONE);
    const PF_Handle flat = host.in_data().sequence_data;
    EXPECT_FALSE(host.handles().live(record));
    EXPECT_EQ(BytesOf(host, flat), Block("Arial", 1));
    ExpectBalanced(); // the name buffer went with the record

    host.clear_ledger();
    EXPECT_EQ(host.destroy_instance(), PF_Err_NONE);
    EXPECT_FALSE(host.handles().live(flat));
    EXPECT_EQ(host.ledger().count("PF Handle Suite v2.dispose"), 1u);
    ExpectBalanced();
}

TEST_F(SequenceDataTest, NamesKeepAtMost255BytesThroughSaveAndReopen)
{
    const std::string a255(255, 'a');
    const struct {
        std::string name, kept;
    } cases[] = {
        {a255, a255},
        {a255 + "b", a255},
        {a255 + std::string(45, 'c'), a255},
        {std::string(254, 'd') + "\xC3\xA9", std::string(254, 'd') + "\xC3"}, // cut inside "é"
        {"", ""},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE("a name of " + std::to_string(c.name.size()) + " bytes");
        ASSERT_EQ(host.create_instance(), PF_Err_NONE);
        SetName(host, c.name);
        const Bytes block = Saved();
        EXPECT_EQ(block, Block(c.kept, 1));
        ASSERT_EQ(host.reopen(block), PF_Err_NONE);
        ExpectRecord(c.kept, 1, c.kept.size() + 1);
        EXPECT_EQ(Saved(), block);
    }
    ExpectBalanced();
}

TEST_F(SequenceDataTest, GetFlattenedLeavesTheRecordAsItWas)
{
    ASSERT_EQ(host.create_instance(), PF_Err_NONE);
    SetName(host, "Futura", 0);
    const PF_Handle handle = host.in_data().sequence_data;
    const SeqData before = Record();

    EXPECT_EQ(Saved(), Block("Futura", 0));
    EXPECT_EQ(host.in_data().sequence_data, handle);
    EXPECT_EQ(Record().font_name, before.font_name);
    ExpectRecord("Futura", 0, 7);
    EXPECT_EQ(Saved(), Block("Futura", 0));
    ExpectBalanced();
}

TEST_F(SequenceDataTest, ReopenReadsOnlyTheStoredBlock)
{
    // Byte 257 comes back whatever its value.
    for (const uint8_t use_default : {0, 1, 7, 255}) {
        ASSERT_EQ(host.reopen(Block("Helvetica", use_default)), PF_Err_NONE);
        ExpectRecord("Helvetica", use_default, 10);
        EXPECT_EQ(Saved()[257], use_default);
    }
    // Blocks cut short at every length give the default record.
    const Bytes whole = Block("Helvetica", 0);
    for (std::size_t n = 0; n < whole.size(); ++n) {
        SCOPED_TRACE("a block of " + std::to_string(n) + " bytes");
        ASSERT_EQ(host.reopen(Bytes(whole.begin(), whole.begin() + n)), PF_Err_NONE);
        ExpectRecord("Arial", 1, 319);
    }
    // The first byte is not looked at; a longer block is read to 258 bytes.
    for (const uint8_t first : {0, 1, 7}) {
        Bytes block = Block("Helvetica", 0);
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

TEST_F(SequenceDataTest, AlreadyFlatDataIsCopiedNotRead)
{
    ASSERT_EQ(host.create_instance(), PF_Err_NONE);
    ASSERT_EQ(host.flatten(), PF_Err_NONE);
    EXPECT_EQ(Saved(), Block("Arial", 1));

    // Data of the host's that is no record: handed back byte for byte.
    ASSERT_EQ(host.handles().live(host.in_data().sequence_data), true);
    host.handles().destroy(host.in_data().sequence_data);
    const Bytes odd = {7, 'o', 'd', 'd'};
    const PF_Handle data = Stored(host, odd);
    host.in_data().sequence_data = data;
    EXPECT_EQ(Saved(), odd);
    ASSERT_EQ(host.flatten(), PF_Err_NONE);
    EXPECT_FALSE(host.handles().live(data));
    EXPECT_EQ(Saved(), odd);
    EXPECT_EQ(host.destroy_instance(), PF_Err_NONE);
    ExpectBalanced();
}

// A stored block whose first byte is 0 (a damaged project) is not a record:
// its bytes are never taken for a name pointer.
TEST_F(SequenceDataTest, DamagedStoredBlocksAreNeverReadAsRecords)
{
    for (const std::size_t size : {std::size_t(1), sizeof(SeqData) - 1, std::size_t(258)}) {
        SCOPED_TRACE("a block of " + std::to_string(size) + " bytes");
        Bytes damaged(size, 0x41);
        damaged[0] = 0;
        PF_Handle h = Stored(host, damaged);
        Handed copy = SendSequence(host, PF_Cmd_GET_FLATTENED_SEQUENCE_DATA, h);
        ASSERT_EQ(copy.err, PF_Err_NONE);
        EXPECT_EQ(BytesOf(host, copy.handle), damaged);
        host.handles().destroy(copy.handle);
        copy = SendSequence(host, PF_Cmd_SEQUENCE_FLATTEN, h);
        ASSERT_EQ(copy.err, PF_Err_NONE);
        EXPECT_FALSE(host.handles().live(h));
        host.handles().destroy(copy.handle);

        h = Stored(host, damaged);
        ASSERT_EQ(SendSequence(host, PF_Cmd_SEQUENCE_SETDOWN, h).err, PF_Err_NONE);
        EXPECT_FALSE(host.handles().live(h));
        host.in_data().sequence_data = nullptr;
    }
    EXPECT_EQ(host.handles().live_count(), 0);
    ExpectBalanced();
}

} // namespace
