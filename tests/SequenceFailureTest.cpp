// Every sequence command without data and with a handle that has no block:
// its result, what it hands the host, and that nothing it made is left
// behind. The host's failures are swept call by call in FaultSweepTest.
#include <functional>
#include <string>

#include "ArrayHeap.h"
#include "EffectFixture.h"
#include "SequenceRecord.h"

namespace {

namespace heap = standin::array_heap;

constexpr PF_Err kOk = -1; // the command succeeds as usual

constexpr PF_Cmd kCommands[] = {PF_Cmd_SEQUENCE_SETUP, PF_Cmd_SEQUENCE_RESETUP,
                                PF_Cmd_SEQUENCE_FLATTEN, PF_Cmd_GET_FLATTENED_SEQUENCE_DATA,
                                PF_Cmd_SEQUENCE_SETDOWN};

class SequenceFailureTest : public EffectTest {
protected:
    // Sends cmd with `incoming`; returns what the effect handed back.
    PF_Handle Send(PF_Cmd cmd, PF_Handle incoming, PF_Err* result = nullptr)
    {
        const Handed handed = SendSequence(host, cmd, incoming);
        if (result)
            *result = handed.err;
        host.in_data().sequence_data = nullptr;
        return handed.handle;
    }

    // What the host hands each command: nothing, a stored block, or a record.
    PF_Handle Incoming(PF_Cmd cmd)
    {
        if (cmd != PF_Cmd_SEQUENCE_RESETUP)
            return cmd == PF_Cmd_SEQUENCE_SETUP ? nullptr : Send(PF_Cmd_SEQUENCE_SETUP, nullptr);
        return Stored(host, Block("Helvetica", 0));
    }

    // The incoming data as text, to see that a failed command left it alone.
    std::string Describe(PF_Handle handle)
    {
        if (!handle || !host.handles().live(handle) || !*handle)
            return handle ? "no block or gone" : "none";
        if (const auto* seq = static_cast<const SeqData*>(*handle); seq->flat == 0)
            return "record " + std::string(seq->font_name) + " " + std::to_string(seq->use_default);
        return std::string(static_cast<const char*>(*handle), host.handles().size(handle));
    }

    // The host's part once it is done with a handle: setdown frees all of it.
    void SetDown(PF_Handle handle)
    {
        if (handle)
            Send(PF_Cmd_SEQUENCE_SETDOWN, handle);
    }
};

TEST_F(SequenceFailureTest, EachCommandWithoutDataOrWithoutABlock)
{
    const struct {
        const char* what;
        std::function<void(PF_Handle& incoming)> arrange; // just before the command
        PF_Err results[5];                                // in the order of kCommands
    } conditions[] = {
        {"no sequence data", [this](PF_Handle& in) { SetDown(std::exchange(in, nullptr)); },
         {kOk, 0, 512, 512, 0}},
        {"a handle without a block",
         [this](PF_Handle& in) {
             if (!in)
                 return;
             SetDown(in);
             in = host.handles().create(258);
             host.handles().purge(in);
         },
         {kOk, 0, 0, 0, 0}},
    };
    for (const auto& condition : conditions) {
        for (int c = 0; c < 5; ++c) {
            const PF_Cmd cmd = kCommands[c];
            const PF_Err expected = condition.results[c];
            SCOPED_TRACE(std::string(condition.what) + ", command " + std::to_string(cmd));
            PF_Handle incoming = Incoming(cmd);
            host.faults().clear();
            condition.arrange(incoming);
            const std::string before = Describe(incoming);

            PF_Err err = 0;
            const PF_Handle handed = Send(cmd, incoming, &err);
            const bool incoming_live = incoming && host.handles().live(incoming);
            host.faults().clear();
            heap::clear_faults();
            if (expected == kOk) {
                EXPECT_EQ(err, PF_Err_NONE);
                EXPECT_EQ(handed != nullptr, cmd != PF_Cmd_SEQUENCE_SETDOWN);
            } else {
                EXPECT_EQ(err, expected);
                EXPECT_EQ(handed, nullptr);
                if (cmd == PF_Cmd_SEQUENCE_SETDOWN && err == PF_Err_NONE)
                    EXPECT_FALSE(incoming_live);
                else
                    EXPECT_EQ(Describe(incoming), before);
                // Nothing is left but the incoming data, which the host holds.
                host.in_data().sequence_data = incoming_live ? incoming : nullptr;
                EXPECT_EQ(host.held(), "");
                host.in_data().sequence_data = nullptr;
            }
            SetDown(handed);
            SetDown(incoming_live ? incoming : nullptr);
            EXPECT_EQ(host.held(), "");
        }
    }
    EXPECT_EQ(host.ledger().first_misuse(), "");
}

} // namespace
