// Every command of an instance's life under every fault its host can cause.
// Each command runs once undisturbed to record its host calls; then once more
// for every recorded call failing, in both ways a host fails (an error code,
// and success with a null result), and once more for every allocation of the
// effect's own failing. After each run: the code the command must give back,
// nothing left with the host that the effect should have given back, no
// misuse, and an instance that setdown still releases completely.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <map>
#include <optional>
#include <string>
#include <tuple>
#include <utility>
#include <vector>

#include "ArrayHeap.h"
#include "InputPicture.h"
#include "LtcSignal.h"
#include "ParamChange.h"
#include "RenderFixture.h"
#include "SequenceRecord.h"
#include "TestHost.h"
#include "World.h"
#include "overlay/Params.h"

namespace {

namespace heap = standin::array_heap;
using standin::Host;

// The codes the host knows, as it reads them.
constexpr PF_Err kInjected = 77; // what a failing host call answers
constexpr PF_Err kOutOfMemory = 4;
constexpr PF_Err kMissingScopedSuite = 13;
constexpr PF_Err kDamaged = 512;
constexpr PF_Err kMissingSuite = 516;

constexpr const char* kLock = "PF Handle Suite v2.lock";

enum class Way { ErrorCode, NullResult, Allocation };

// One injection point: a host call of the command (its ledger name, its
// arguments in the undisturbed run, its number among the command's calls of
// that name) failing one way, or the command's nth allocation failing.
struct Point {
    Way way = Way::ErrorCode;
    std::string name, args;
    int nth = 0;

    bool error() const { return way == Way::ErrorCode; }
    bool is(std::string_view call, int n = 0) const { return name == call && (n == 0 || nth == n); }
    std::string text() const
    {
        if (way == Way::Allocation)
            return "allocation #" + std::to_string(nth) + " fails";
        return name + " (" + args + ") #" + std::to_string(nth) +
               (error() ? " fails with " + std::to_string(kInjected) : " succeeds with a null result");
    }
};

// Releases whose results no handler uses: their failure changes nothing the
// effect does, and what they failed to take back is the host's own loss.
bool IsIgnoredRelease(const std::string& name)
{
    return name == "ReleaseSuite" || name == "PF Handle Suite v2.unlock" || name == "PF Handle Suite v2.dispose" ||
           name == "PF World Suite v2.dispose_world";
}

// Calls that give back what the effect held; and what may follow a failure
// that ends a command: releases, and the message that tells the user
// (through the input record's utility callbacks).
bool IsRelease(const std::string& name)
{
    return IsIgnoredRelease(name) || name == "inter.checkin_layer_audio" || name == "AEGP Memory Suite v1.free";
}
bool MayFollowFailure(const std::string& name) { return IsRelease(name) || name.starts_with("utils.ansi."); }

// What every command answers: a scoped suite that cannot be had ends it with
// 13, a suite of its suite handler with 516, a null suite as a refused one;
// a failed release is ignored.
std::optional<PF_Err> CommonRule(const Point& p)
{
    if (p.is("AcquireSuite")) {
        const bool scoped = p.args == "\"PF PointParamSuite\" 1" || p.args == "\"PF World Suite\" 2" ||
                            p.args == "\"AEGP Utility Suite\" 7";
        return scoped ? kMissingScopedSuite : kMissingSuite;
    }
    if (IsIgnoredRelease(p.name))
        return PF_Err_NONE;
    return std::nullopt;
}

// "" when `handle` holds an in-memory record whose name is a buffer of its
// own, terminated inside it; otherwise what is wrong.
std::string RecordProblem(Host& host, PF_Handle handle)
{
    if (!handle || !host.handles().live(handle) || host.handles().size(handle) != sizeof(SeqData))
        return "no live handle of a record's size";
    const auto* seq = static_cast<const SeqData*>(host.handles().block(handle));
    const std::size_t size = heap::size_of(seq->font_name);
    if (seq->flat != 0 || size == 0 || !std::memchr(seq->font_name, 0, size))
        return "flat byte " + std::to_string(seq->flat) + ", a name buffer of " + std::to_string(size) +
               " bytes, not a terminated text of its own";
    return "";
}

// One command of the instance's life and the host state it needs.
class Command {
public:
    virtual ~Command() = default;
    // Brings a freshly loaded host to the state the command needs.
    virtual void arrange(Host& host) = 0;
    // Sends the command and does the host's part with what comes back.
    virtual PF_Err act(Host& host) = 0;
    // The code the command must give back when `p` fails; nullopt for a call
    // that the sweep has no rule for.
    virtual std::optional<PF_Err> expected(const Point& p) const = 0;
    // What the command wrote, after a run with `p` failing (null: none).
    virtual void check(Host& host, const Point* p, PF_Err err) = 0;
};

// What a run left to look at.
struct Outcome {
    PF_Err err = PF_Err_NONE;
    std::vector<standin::Call> calls;
    std::vector<std::string> names;
    std::uint64_t allocations = 0;
    std::string held, misuse, after_setdown, setdown_misuse;
    // "" when nothing is held and nothing was misused, before and after setdown.
    std::string leftovers() const { return held + misuse + after_setdown + setdown_misuse; }
};

class FaultSweep : public ::testing::Test {
protected:
    TestHost& NewHost()
    {
        TestHost& host = host_.emplace(standin::HostOptions{MARROWTICK_MODULE_PATH});
        EXPECT_EQ(host.load(), PF_Err_NONE) << "the module does not load";
        return host;
    }

    // A fresh host for every run, so that nothing of one run reaches the next.
    Outcome RunOnce(Command& command, const Point* p)
    {
        TestHost& host = NewHost();
        Outcome run;
        command.arrange(host);
        host.clear_ledger();
        host.faults().clear();
        const std::uint64_t mark = heap::mark();
        if (p && p->way == Way::Allocation)
            heap::fail(p->nth);
        else if (p && p->error())
            host.faults().fail(p->name, p->nth, kInjected);
        else if (p)
            host.faults().give_null(p->name, p->nth);
        run.err = command.act(host);
        host.faults().clear();
        heap::clear_faults();
        run.calls = host.ledger().calls();
        run.names = host.ledger().names();
        run.allocations = heap::mark() - mark;
        command.check(host, p, run.err);
        run.held = host.held();
        run.misuse = host.take_misuse();
        // Whatever failed, the instance can still be set down completely.
        if (host.in_data().sequence_data) {
            EXPECT_EQ(host.destroy_instance(), PF_Err_NONE) << "setdown after the run";
        }
        run.after_setdown = host.held();
        run.setdown_misuse = host.take_misuse();
        // What follows a release the host failed (a handle disposed of while
        // it is still locked...) is the host's own doing.
        while (p && p->error() && IsIgnoredRelease(p->name) && !host.take_misuse().empty())
            continue;
        host_.reset();
        return run;
    }

    // The whole sweep of one command; returns the number of points.
    int Sweep(Command& command)
    {
        const Outcome baseline = RunOnce(command, nullptr);
        EXPECT_EQ(baseline.err, PF_Err_NONE) << "undisturbed";
        EXPECT_EQ(baseline.leftovers(), "") << "undisturbed";

        std::vector<Point> points;
        std::map<std::string, int> seen;
        for (const standin::Call& call : baseline.calls) {
            const int nth = ++seen[call.name];
            for (Way way : {Way::ErrorCode, Way::NullResult})
                points.push_back({way, call.name, call.args, nth});
        }
        for (int n = 1; n <= int(baseline.allocations); ++n)
            points.push_back({Way::Allocation, "", "", n});
        for (const Point& p : points)
            Check(command, p, baseline);
        return int(points.size());
    }

    void Check(Command& command, const Point& p, const Outcome& baseline)
    {
        SCOPED_TRACE(p.text());
        const std::optional<PF_Err> expected = command.expected(p);
        const Outcome run = RunOnce(command, &p);
        ASSERT_TRUE(expected) << "no rule for this call";
        EXPECT_EQ(run.err, *expected);

        if (p.error() && IsIgnoredRelease(p.name)) {
            // The effect goes on as if it had succeeded; what the host
            // failed to take back is its own.
            EXPECT_EQ(run.names, baseline.names);
            return;
        }
        // A host that failed to free the script's result still holds it.
        const std::string left = p.error() && p.is("AEGP Memory Suite v1.free") ? "1 memory handle(s); " : "";
        EXPECT_EQ(run.leftovers(), left + left);

        // After a failure that ends the command only releases follow.
        if (run.err != PF_Err_NONE && p.way != Way::Allocation && !IsRelease(p.name)) {
            int n = 0;
            auto failed = std::find_if(run.names.begin(), run.names.end(),
                                       [&](const std::string& name) { return name == p.name && ++n == p.nth; });
            ASSERT_NE(failed, run.names.end());
            for (auto it = failed + 1; it != run.names.end(); ++it)
                EXPECT_TRUE(MayFollowFailure(*it)) << *it << " called after the failure";
        }
    }

    std::optional<TestHost> host_;
};

// A live instance whose record names a listed family that the user chose.
void CreateInstanceWithChosenFamily(Host& host)
{
    ASSERT_EQ(host.create_instance(), PF_Err_NONE);
    SetName(host, "DejaVu Serif", 0);
}

// ---- Host binding and parameters -----------------------------------------

// Global setup, About, and parameter setup after global setup.
class BindingCommand : public Command {
public:
    explicit BindingCommand(PF_Cmd cmd) : cmd_(cmd) {}
    void arrange(Host& host) override
    {
        if (cmd_ == PF_Cmd_PARAMS_SETUP) {
            ASSERT_EQ(host.global_setup(), PF_Err_NONE);
        }
    }
    PF_Err act(Host& host) override
    {
        std::strcpy(host.out_data().return_msg, "untouched");
        host.out_data().out_flags = host.out_data().out_flags2 = ~0; // assigned, not added to
        host.out_data().num_params = -1;
        host.params().resize(1);
        return host.command(cmd_);
    }
    std::optional<PF_Err> expected(const Point& p) const override
    {
        if (p.is("AEGP Utility Suite v7.RegisterWithAEGP") || p.is("inter.add_param"))
            return p.error() ? kInjected : PF_Err_NONE;
        // Results that are not used: About's text, a parameter's name.
        if (p.is("PF ANSI Suite v1.sprintf") || p.is("utils.ansi.strcpy"))
            return PF_Err_NONE;
        return CommonRule(p);
    }
    void check(Host& host, const Point* p, PF_Err err) override
    {
        const PF_OutData& out = host.out_data();
        if (cmd_ == PF_Cmd_GLOBAL_SETUP) {
            // Written before anything can fail; a missing suite shows no message.
            EXPECT_EQ(std::tuple(out.my_version, out.out_flags, out.out_flags2, std::string(out.return_msg)),
                      std::tuple(0x80600u, 0x2100014, 0x800000, "untouched"));
        } else if (cmd_ == PF_Cmd_ABOUT && (err || !p || !p->error())) {
            EXPECT_EQ(std::string(out.return_msg).substr(0, 18), err ? "untouched" : "Marrowtick v1.0.0\r");
        } else if (cmd_ == PF_Cmd_PARAMS_SETUP) {
            // After a failed add, those before it stay and nothing is counted.
            const std::size_t added = err ? std::size_t(p->nth) : std::size_t(PARAM_NUM_PARAMS);
            EXPECT_EQ(out.num_params, err ? -1 : PARAM_NUM_PARAMS);
            EXPECT_EQ(host.params().size(), added);
            EXPECT_EQ(host.ledger().count("inter.add_param"), err ? added : added - 1);
        }
    }

private:
    PF_Cmd cmd_;
};

// ---- Sequence data ---------------------------------------------------------

// Each sequence command as the host sends it: setup, and resetup of a stored
// block, after parameter setup; the others to a live record.
class SequenceCommand : public Command {
public:
    explicit SequenceCommand(PF_Cmd cmd) : cmd_(cmd) {}
    void arrange(Host& host) override
    {
        if (cmd_ != PF_Cmd_SEQUENCE_SETUP && cmd_ != PF_Cmd_SEQUENCE_RESETUP)
            return CreateInstanceWithChosenFamily(host);
        // Global and parameter setup done, no instance.
        ASSERT_EQ(host.create_instance(), PF_Err_NONE);
        ASSERT_EQ(host.destroy_instance(), PF_Err_NONE);
        if (cmd_ == PF_Cmd_SEQUENCE_RESETUP)
            host.in_data().sequence_data = Stored(host, Block("DejaVu Serif", 0));
    }
    PF_Err act(Host& host) override
    {
        const PF_Handle incoming = host.in_data().sequence_data;
        const Bytes before = BytesOf(host, incoming);
        handed_ = SendSequence(host, cmd_, incoming);
        const PF_Handle out = handed_.handle;
        locked_ = out && host.handles().live(out) && host.handles().locks(out) > 0;
        incoming_live_ = incoming && host.handles().live(incoming);
        incoming_same_ = incoming_live_ && BytesOf(host, incoming) == before;
        block_ = BytesOf(host, out);
        // The host's part: it keeps a stored block or a saved copy apart from
        // the instance; a failed command leaves the instance as it was.
        const PF_Handle apart = cmd_ == PF_Cmd_SEQUENCE_RESETUP ? incoming : out;
        if ((cmd_ == PF_Cmd_SEQUENCE_RESETUP || cmd_ == PF_Cmd_GET_FLATTENED_SEQUENCE_DATA) && host.handles().live(apart))
            host.handles().destroy(apart);
        if (cmd_ != PF_Cmd_GET_FLATTENED_SEQUENCE_DATA)
            host.in_data().sequence_data = handed_.err ? (cmd_ == PF_Cmd_SEQUENCE_RESETUP ? nullptr : incoming) : out;
        return handed_.err;
    }
    std::optional<PF_Err> expected(const Point& p) const override
    {
        if (auto common = CommonRule(p))
            return common;
        // A size query that answers 0 (it has no error code) is asked again.
        if (p.is("PF Handle Suite v2.size") || (cmd_ != PF_Cmd_SEQUENCE_SETDOWN && p.is("PF ANSI Suite v1.strcpy")))
            return PF_Err_NONE;
        if (cmd_ != PF_Cmd_SEQUENCE_SETDOWN &&
            (p.way == Way::Allocation || p.is("PF Handle Suite v2.new") || p.is(kLock)))
            return cmd_ == PF_Cmd_SEQUENCE_SETUP ? kOutOfMemory : kDamaged;
        return std::nullopt;
    }
    void check(Host& host, const Point* p, PF_Err err) override
    {
        const bool setup = cmd_ == PF_Cmd_SEQUENCE_SETUP, resetup = cmd_ == PF_Cmd_SEQUENCE_RESETUP;
        // A failed command writes nothing; a handed handle is unlocked
        // (unless the host failed to unlock it).
        EXPECT_EQ(handed_.written, !err && cmd_ != PF_Cmd_SEQUENCE_SETDOWN) << "out_data.sequence_data written";
        if (!(p && p->error() && p->is("PF Handle Suite v2.unlock"))) {
            EXPECT_FALSE(locked_) << "a handle handed over locked";
        }
        if (resetup || cmd_ == PF_Cmd_GET_FLATTENED_SEQUENCE_DATA) {
            EXPECT_TRUE(incoming_same_) << "the incoming block changed or disposed of";
        }
        if (cmd_ == PF_Cmd_SEQUENCE_SETDOWN) {
            // A disposal the host failed may leave the handle live.
            if (err || !(p && p->error() && p->is("PF Handle Suite v2.dispose"))) {
                EXPECT_EQ(incoming_live_, err != PF_Err_NONE);
            }
        } else if (!err && !setup && !resetup) {
            EXPECT_EQ(block_, Block("DejaVu Serif", 0));
        }
        // The record made, or the one kept: flatten takes it apart only once
        // its block is complete.
        const bool made = (setup || resetup) && !err;
        if (made || cmd_ == PF_Cmd_GET_FLATTENED_SEQUENCE_DATA || (err && !setup && !resetup)) {
            ASSERT_EQ(RecordProblem(host, host.in_data().sequence_data), "");
            // A name that the host's strcpy did not write is empty, not garbage.
            const bool copied = !(made && p && p->error() && p->is("PF ANSI Suite v1.strcpy"));
            EXPECT_STREQ(Record(host).font_name, !copied ? "" : setup ? "Arial" : "DejaVu Serif");
            EXPECT_EQ(Record(host).use_default, setup ? 1 : 0);
            EXPECT_EQ(heap::size_of(Record(host).font_name), setup ? 319u : 13u);
        }
    }

private:
    PF_Cmd cmd_;
    Handed handed_;
    bool locked_ = false, incoming_live_ = false, incoming_same_ = false;
    Bytes block_;
};

// ---- Render ------------------------------------------------------------------

const standin::AudioClip& Ltc()
{
    static const standin::AudioClip clip = standin::generate_ltc({.start = {1, 2, 3, 0}, .frames = 30});
    return clip;
}

class RenderCommand : public Command {
public:
    RenderCommand(bool deep, bool flat, double font_size = 12) : deep_(deep), flat_(flat), font_size_(font_size) {}
    void arrange(Host& host) override
    {
        // A flattened block holds name bytes where a record holds a pointer.
        CreateInstanceWithChosenFamily(host);
        if (flat_) {
            ASSERT_EQ(host.flatten(), PF_Err_NONE);
        }
        host.layer_audio().set_clip(Ltc());
        PF_ParamDef& position = host.params()[PARAM_POSITION];
        position.u.td.x_value = 2 << 16;
        position.u.td.y_value = 24 << 16;
        host.params()[PARAM_FONT_SIZE].u.fs_d.value = font_size_;
        input_ = standin::InputPicture::test_picture(64, 36, deep_);
        output_ = standin::World(64, 36, deep_);
        output_.fill_bytes(0x77);
    }
    PF_Err act(Host& host) override
    {
        host.out_data().out_flags = 0;
        host.out_data().return_msg[0] = '\0';
        return host.render_frame({.current_time = 20, .input = &input_.def()}, output_.def());
    }
    std::optional<PF_Err> expected(const Point& p) const override
    {
        if (auto common = CommonRule(p))
            return common;
        // A world that came back without pixels cannot be drawn into.
        if (p.is("PF World Suite v2.new_world"))
            return p.error() ? kInjected : kOutOfMemory;
        // No audio, or none in the window: "00:00:00:00 " is drawn.
        for (const char* call : {"inter.checkout_layer_audio", "inter.get_audio_data", "inter.checkin_layer_audio",
                                 "PF PointParamSuite v1.GetFloatingPointValueFromPointDef",
                                 "PF ColorParamSuite v1.GetFloatingPointColorFromColorDef",
                                 "PF World Transform Suite v1.copy_hq", "PF Iterate8 Suite v1.iterate",
                                 "PF iterate16 Suite v1.iterate", "PF World Transform Suite v1.transfer_rect"})
            if (p.is(call))
                return p.error() ? kInjected : PF_Err_NONE;
        return std::nullopt;
    }
    void check(Host& host, const Point*, PF_Err err) override
    {
        const bool scoped = err == kMissingScopedSuite;
        EXPECT_STREQ(host.out_data().return_msg, scoped ? "Not able to acquire AEFX Suite." : "");
        EXPECT_EQ(host.out_data().out_flags, scoped ? PF_OutFlag_DISPLAY_ERROR_MESSAGE : 0);
        // Only the copy and the transfer write the output: untouched before
        // the copy, the copied input when a later step failed, and the text
        // over it when none did. Every world handed out as success is
        // disposed of once, pixels or not.
        bool copied = false;
        std::size_t worlds = 0;
        for (const standin::Call& call : host.ledger().calls()) {
            copied |= call.name == "PF World Transform Suite v1.copy_hq" && call.result == PF_Err_NONE;
            worlds += call.name == "PF World Suite v2.new_world" && call.result == PF_Err_NONE;
        }
        EXPECT_EQ(host.ledger().count("PF World Suite v2.dispose_world"), worlds);
        EXPECT_EQ(filled_with(output_, 0x77), !copied);
        EXPECT_EQ(copied && first_difference(input_.def(), output_.def()).empty(), copied && err != PF_Err_NONE);
        EXPECT_TRUE(copied || err);
    }

private:
    bool deep_, flat_;
    double font_size_;
    standin::World input_, output_;
};

// ---- The font button -------------------------------------------------------

class FontButtonCommand : public Command {
public:
    // `stored` is the family the user's answer stores; null for Cancel.
    FontButtonCommand(standin::DialogUser user, const char* stored) : user_(std::move(user)), stored_(stored) {}
    void arrange(Host& host) override
    {
        CreateInstanceWithChosenFamily(host);
        host.scripts().set_user(user_);
    }
    PF_Err act(Host& host) override
    {
        host.out_data().out_flags = 0;
        std::strcpy(host.out_data().return_msg, "untouched");
        return standin::user_changed_param(host, PARAM_FONT_BUTTON);
    }
    // The run's handle calls, in order: new #1 the list, #2 the script; lock
    // #1 the list, #2 the input record, #3 the script, #4 the output record;
    // size #1 the input record, #2 the output record.
    std::optional<PF_Err> expected(const Point& p) const override
    {
        if (auto common = CommonRule(p))
            return common;
        // The chosen name's buffer, the list and the script.
        if (p.way == Way::Allocation || p.is("PF Handle Suite v2.new") || p.is(kLock, 1) || p.is(kLock, 3))
            return kOutOfMemory;
        // A record that cannot be locked: entry 0 is preselected, or nothing
        // is stored. The host's strcpy reports nothing: an empty name is stored.
        if (p.is(kLock) || p.is("PF Handle Suite v2.size") || p.is("PF ANSI Suite v1.strcpy"))
            return PF_Err_NONE;
        // A script left unwritten is not run: it would answer the default entry.
        if (p.is("utils.ansi.sprintf"))
            return p.error() ? kOutOfMemory : PF_Err_NONE;
        // The script's value is not optional: without it there is no choice.
        if (p.is("AEGP Utility Suite v11.ExecuteScript") || p.is("AEGP Memory Suite v1.lock"))
            return p.error() ? kInjected : kOutOfMemory;
        if (p.is("AEGP Memory Suite v1.free"))
            return p.error() ? kInjected : PF_Err_NONE;
        return std::nullopt;
    }
    void check(Host& host, const Point* p, PF_Err err) override
    {
        // A lock of the input or output record (#2, #4) that gave null is unlocked at once.
        if (p && p->way != Way::Allocation && p->is(kLock) && p->nth % 2 == 0) {
            const standin::Call lock = host.ledger().named(kLock).at(std::size_t(p->nth - 1));
            const auto& calls = host.ledger().calls();
            ASSERT_LT(lock.seq + 1, calls.size());
            const standin::Call& next = calls[lock.seq + 1];
            EXPECT_EQ(next.name + " " + next.args, "PF Handle Suite v2.unlock " + lock.args);
        }
        // Every run that reaches its clean-up asks for a new render.
        EXPECT_EQ(host.out_data().out_flags, err == kMissingSuite ? 0 : PF_OutFlag_FORCE_RERENDER);
        EXPECT_STREQ(host.out_data().return_msg, "untouched");
        ASSERT_EQ(RecordProblem(host, host.in_data().sequence_data), "");
        // Where the choice cannot be read or stored, the record keeps its family.
        const bool kept = err || !stored_ || (p && p->is(kLock, 4));
        const bool copied = !(p && p->error() && p->is("PF ANSI Suite v1.strcpy", 2));
        const std::string family = kept ? "DejaVu Serif" : copied ? stored_ : "";
        EXPECT_EQ(Record(host).font_name, family);
        EXPECT_EQ(Record(host).use_default, !kept && std::string(stored_) == "Arial" ? 1 : 0);
    }

private:
    standin::DialogUser user_;
    const char* stored_;
};

// ---- The sweeps ------------------------------------------------------------

TEST_F(FaultSweep, GlobalSetupAboutAndParamsSetup)
{
    for (auto [cmd, points] :
         {std::pair{PF_Cmd_GLOBAL_SETUP, 6}, {PF_Cmd_ABOUT, 6}, {PF_Cmd_PARAMS_SETUP, 2 * (11 + 10)}}) {
        BindingCommand command(cmd);
        EXPECT_EQ(Sweep(command), points) << "command " << cmd;
    }
}

TEST_F(FaultSweep, SequenceCommands)
{
    for (PF_Cmd cmd : {PF_Cmd_SEQUENCE_SETUP, PF_Cmd_SEQUENCE_RESETUP, PF_Cmd_SEQUENCE_FLATTEN,
                       PF_Cmd_GET_FLATTENED_SEQUENCE_DATA, PF_Cmd_SEQUENCE_SETDOWN}) {
        SCOPED_TRACE("command " + std::to_string(cmd));
        SequenceCommand command(cmd);
        EXPECT_GT(Sweep(command), 0);
    }
}

// The size query has no error code: a host that cannot answer says 0, as
// for an empty block, and is asked once more. Flatten and get flattened
// cannot copy a block they cannot measure: they fail and leave it to the
// host as it was, and a later save still has the family. Setdown disposes
// of the handle and leaves the name rather than follow a pointer read from
// a block that cannot be measured.
TEST_F(FaultSweep, SizeQueryThatKeepsAnsweringZero)
{
    TestHost& host = NewHost();
    for (PF_Cmd cmd : {PF_Cmd_SEQUENCE_FLATTEN, PF_Cmd_GET_FLATTENED_SEQUENCE_DATA, PF_Cmd_SEQUENCE_SETDOWN}) {
        SCOPED_TRACE("command " + std::to_string(cmd));
        // Setdown's name is the effect's own, so that the host counts it.
        if (cmd == PF_Cmd_SEQUENCE_SETDOWN)
            ASSERT_EQ(host.create_instance(), PF_Err_NONE);
        else
            CreateInstanceWithChosenFamily(host);
        const PF_Handle record = host.in_data().sequence_data;
        char* const name = Record(host).font_name;
        const Bytes before = BytesOf(host, record);
        host.faults().fail("PF Handle Suite v2.size", 1, kInjected, /*from_on*/ true);
        const Handed handed = SendSequence(host, cmd, record);
        host.faults().clear();
        EXPECT_FALSE(handed.written);
        EXPECT_EQ(handed.err, cmd == PF_Cmd_SEQUENCE_SETDOWN ? PF_Err_NONE : kDamaged);
        if (cmd == PF_Cmd_SEQUENCE_SETDOWN) {
            EXPECT_FALSE(host.handles().live(record));
            host.in_data().sequence_data = nullptr;
            EXPECT_EQ(host.held(), "1 name buffer(s) that no record holds; ");
            delete[] name;
        } else {
            EXPECT_EQ(BytesOf(host, record), before);
            EXPECT_EQ(host.held(), "");
            ASSERT_EQ(host.flatten(), PF_Err_NONE);
            EXPECT_EQ(BytesOf(host, host.in_data().sequence_data), Block("DejaVu Serif", 0));
            EXPECT_EQ(host.destroy_instance(), PF_Err_NONE);
        }
        EXPECT_EQ(host.held(), "");
    }
}

// A font size cairo cannot draw with leaves its context in error: the frame
// would lack its timecode, so the render fails with the output unwritten.
TEST_F(FaultSweep, RenderAt8And16BitsWithFlattenedDataAndWithTextCairoCannotDraw)
{
    for (auto [deep, flat] : {std::pair{false, false}, {true, false}, {false, true}}) {
        SCOPED_TRACE(std::string(deep ? "16-bit" : "8-bit") + (flat ? ", flattened data" : ""));
        RenderCommand render(deep, flat);
        EXPECT_GT(Sweep(render), 0);
    }
    RenderCommand nan_size(false, false, std::nan(""));
    const Outcome run = RunOnce(nan_size, nullptr);
    EXPECT_EQ(run.err, kOutOfMemory);
    EXPECT_EQ(run.leftovers(), "");
}

TEST_F(FaultSweep, FontButtonAnsweredOkCancelAndDefault)
{
    FontButtonCommand ok(standin::DialogUser::ok_with("DejaVu Sans"), "DejaVu Sans");
    FontButtonCommand cancel(standin::DialogUser::cancel(), nullptr);
    FontButtonCommand by_default(standin::DialogUser::ok_with("**Default**"), "Arial");
    for (FontButtonCommand* command : {&ok, &cancel, &by_default})
        EXPECT_GT(Sweep(*command), 0);
}

} // namespace
