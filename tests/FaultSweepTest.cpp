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
#include <utility>
#include <vector>

#include "ArrayHeap.h"
#include "Host.h"
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

constexpr A_long kWidth = 64, kHeight = 36;

enum class Way { ErrorCode, NullResult, Allocation };

// One injection point: a host call of the command (its ledger name, its
// arguments in the undisturbed run, its number among the command's calls of
// that name) failing one way, or the command's nth allocation failing.
struct Point {
    Way way = Way::ErrorCode;
    std::string name;
    std::string args;
    int nth = 0;

    bool error() const { return way == Way::ErrorCode; }
    bool is(std::string_view call) const { return name == call; }
    bool is(std::string_view call, int n) const { return name == call && nth == n; }
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

// Calls that give back what the effect held.
bool IsRelease(const std::string& name)
{
    return IsIgnoredRelease(name) || name == "inter.checkin_layer_audio" || name == "AEGP Memory Suite v1.free";
}

// What may follow a failure that ends a command: releases, and the message
// that tells the user (through the input record's utility callbacks).
bool MayFollowFailure(const std::string& name)
{
    return IsRelease(name) || name.starts_with("utils.ansi.");
}

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
    if (!handle || !host.handles().live(handle))
        return "no live handle";
    if (host.handles().size(handle) != sizeof(SeqData))
        return "a block of " + std::to_string(host.handles().size(handle)) + " bytes";
    const auto* seq = static_cast<const SeqData*>(host.handles().block(handle));
    if (seq->flat != 0)
        return "flat byte " + std::to_string(seq->flat);
    const std::size_t size = heap::size_of(seq->font_name);
    if (size == 0)
        return "a name that is not a buffer of its own";
    if (!std::memchr(seq->font_name, 0, size))
        return "a name not terminated inside its buffer";
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
    std::uint64_t allocations = 0;
    std::string held, misuse, after_setdown, setdown_misuse;
};

std::vector<std::string> Names(const std::vector<standin::Call>& calls)
{
    std::vector<std::string> names;
    for (const standin::Call& call : calls)
        names.push_back(call.name);
    return names;
}

class FaultSweep : public ::testing::Test {
protected:
    // A fresh host for every run, so that nothing of one run reaches the next.
    Outcome RunOnce(Command& command, const Point* p)
    {
        TestHost& host = host_.emplace(standin::HostOptions{MARROWTICK_MODULE_PATH});
        Outcome run;
        if (host.load() != PF_Err_NONE) {
            ADD_FAILURE() << "the module does not load";
            return run;
        }
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
        const auto& calls = host.ledger().calls();
        run.calls.assign(calls.begin(), calls.end());
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
        if (p && p->error() && IsIgnoredRelease(p->name)) {
            while (!host.take_misuse().empty())
                continue;
        }
        host_.reset();
        return run;
    }

    // The whole sweep of one command; returns the number of points.
    int Sweep(Command& command)
    {
        int points = 0;
        const Outcome baseline = RunOnce(command, nullptr);
        EXPECT_EQ(baseline.err, PF_Err_NONE) << "undisturbed";
        EXPECT_EQ(baseline.held, "") << "undisturbed";
        EXPECT_EQ(baseline.misuse, "") << "undisturbed";
        EXPECT_EQ(baseline.setdown_misuse, "") << "undisturbed";
        EXPECT_EQ(baseline.after_setdown, "") << "undisturbed";
        EXPECT_FALSE(baseline.calls.empty());

        std::map<std::string, int> seen;
        for (const standin::Call& call : baseline.calls) {
            const int nth = ++seen[call.name];
            for (Way way : {Way::ErrorCode, Way::NullResult}) {
                const Point p{way, call.name, call.args, nth};
                Check(command, p, baseline);
                ++points;
            }
        }
        for (int n = 1; n <= int(baseline.allocations); ++n) {
            Check(command, Point{Way::Allocation, "", "", n}, baseline);
            ++points;
        }
        return points;
    }

    void Check(Command& command, const Point& p, const Outcome& baseline)
    {
        SCOPED_TRACE(p.text());
        const std::optional<PF_Err> expected = command.expected(p);
        const Outcome run = RunOnce(command, &p);
        if (!expected) {
            ADD_FAILURE() << "no rule for this call";
            return;
        }
        EXPECT_EQ(run.err, *expected);

        if (p.error() && IsIgnoredRelease(p.name)) {
            // The effect goes on as if it had succeeded; what the host
            // failed to take back is its own.
            EXPECT_EQ(Names(run.calls), Names(baseline.calls));
            return;
        }
        // A host that failed to free the script's result still holds it.
        const std::string left = p.error() && p.is("AEGP Memory Suite v1.free") ? "1 memory handle(s); " : "";
        EXPECT_EQ(run.held, left);
        EXPECT_EQ(run.misuse, "");
        EXPECT_EQ(run.after_setdown, left);
        EXPECT_EQ(run.setdown_misuse, "");

        // After a failure that ends the command only releases follow.
        if (run.err != PF_Err_NONE && p.way != Way::Allocation && !IsRelease(p.name)) {
            int n = 0;
            auto failed = std::find_if(run.calls.begin(), run.calls.end(),
                                       [&](const standin::Call& call) { return call.name == p.name && ++n == p.nth; });
            ASSERT_NE(failed, run.calls.end());
            for (auto it = failed + 1; it != run.calls.end(); ++it)
                EXPECT_TRUE(MayFollowFailure(it->name)) << it->name << " called after the failure";
        }
    }

    std::optional<TestHost> host_;
};

// Global setup and parameter setup as the host sends them before an instance.
void SetUpParameters(Host& host)
{
    ASSERT_EQ(host.global_setup(), PF_Err_NONE);
    host.params().resize(1);
    ASSERT_EQ(host.command(PF_Cmd_PARAMS_SETUP), PF_Err_NONE);
    host.in_data().num_params = A_long(host.params().size());
}

// A live instance whose record names a listed family that the user chose.
void CreateInstanceWithChosenFamily(Host& host)
{
    ASSERT_EQ(host.create_instance(), PF_Err_NONE);
    SetName(host, "DejaVu Serif", 0);
}

// ---- Host binding and parameters -----------------------------------------

class GlobalSetupCommand : public Command {
public:
    void arrange(Host&) override {}
    PF_Err act(Host& host) override
    {
        std::strcpy(host.out_data().return_msg, "untouched");
        host.out_data().out_flags = host.out_data().out_flags2 = ~0; // assigned, not added to
        return host.global_setup();
    }
    std::optional<PF_Err> expected(const Point& p) const override
    {
        if (auto common = CommonRule(p))
            return common;
        if (p.is("AEGP Utility Suite v7.RegisterWithAEGP"))
            return p.error() ? kInjected : PF_Err_NONE;
        return std::nullopt;
    }
    void check(Host& host, const Point*, PF_Err) override
    {
        // Written before anything can fail; a missing suite shows no message.
        EXPECT_EQ(host.out_data().my_version, 0x80600u);
        EXPECT_EQ(host.out_data().out_flags, 0x2100014);
        EXPECT_EQ(host.out_data().out_flags2, 0x800000);
        EXPECT_STREQ(host.out_data().return_msg, "untouched");
    }
};

class AboutCommand : public Command {
public:
    void arrange(Host&) override {}
    PF_Err act(Host& host) override
    {
        std::strcpy(host.out_data().return_msg, "untouched");
        return host.about();
    }
    std::optional<PF_Err> expected(const Point& p) const override
    {
        if (auto common = CommonRule(p))
            return common;
        if (p.is("PF ANSI Suite v1.sprintf")) // its result is not used
            return PF_Err_NONE;
        return std::nullopt;
    }
    void check(Host& host, const Point* p, PF_Err err) override
    {
        if (err) {
            EXPECT_STREQ(host.out_data().return_msg, "untouched");
        } else if (!p || !p->error()) {
            EXPECT_TRUE(std::string(host.out_data().return_msg).starts_with("Marrowtick v1.0.0\r"));
        }
    }
};

class ParamsSetupCommand : public Command {
public:
    void arrange(Host& host) override { ASSERT_EQ(host.global_setup(), PF_Err_NONE); }
    PF_Err act(Host& host) override
    {
        host.params().resize(1);
        host.out_data().num_params = -1;
        return host.command(PF_Cmd_PARAMS_SETUP);
    }
    std::optional<PF_Err> expected(const Point& p) const override
    {
        if (p.is("inter.add_param"))
            return p.error() ? kInjected : PF_Err_NONE;
        if (p.is("utils.ansi.strcpy")) // a name copied or not: nothing to report
            return PF_Err_NONE;
        return std::nullopt;
    }
    void check(Host& host, const Point* p, PF_Err err) override
    {
        if (err) {
            // The adds before the failed one stay; nothing is counted.
            EXPECT_EQ(host.out_data().num_params, -1);
            EXPECT_EQ(host.params().size(), std::size_t(p->nth));
            EXPECT_EQ(host.ledger().count("inter.add_param"), std::size_t(p->nth));
        } else {
            EXPECT_EQ(host.out_data().num_params, PARAM_NUM_PARAMS);
            EXPECT_EQ(host.params().size(), std::size_t(PARAM_NUM_PARAMS));
        }
    }
};

// ---- Sequence data ---------------------------------------------------------

class SequenceCommand : public Command {
protected:
    // Sends `cmd` with `incoming`; returns what the effect handed back
    // (null when nothing) and notes whether it wrote out_data at all.
    PF_Handle Send(Host& host, PF_Cmd cmd, PF_Handle incoming, PF_Err& err)
    {
        const Handed handed = SendSequence(host, cmd, incoming);
        err = handed.err;
        written_ = handed.written;
        locked_ = handed.handle && host.handles().live(handed.handle) && host.handles().locks(handed.handle) > 0;
        return handed.handle;
    }
    // A failed command writes nothing; a handed handle is unlocked (unless
    // the host failed to unlock it).
    void CheckHandOver(const Point* p, PF_Err err, bool hands_something)
    {
        if (err) {
            EXPECT_FALSE(written_) << "out_data.sequence_data written by a failed command";
        } else {
            EXPECT_EQ(written_, hands_something);
        }
        if (!(p && p->error() && p->is("PF Handle Suite v2.unlock"))) {
            EXPECT_FALSE(locked_) << "a handle handed over locked";
        }
    }
    // A size query that answers 0 (it has no error code) is asked again;
    // allocations and handles that cannot be had fail with `no_memory`.
    static std::optional<PF_Err> SequenceRule(const Point& p, PF_Err no_memory)
    {
        if (auto common = CommonRule(p))
            return common;
        if (p.way == Way::Allocation || p.is("PF Handle Suite v2.new") || p.is("PF Handle Suite v2.lock"))
            return no_memory;
        if (p.is("PF Handle Suite v2.size") || p.is("PF ANSI Suite v1.strcpy"))
            return PF_Err_NONE;
        return std::nullopt;
    }

    bool written_ = false, locked_ = false;
};

class SetupCommand : public SequenceCommand {
public:
    void arrange(Host& host) override { SetUpParameters(host); }
    PF_Err act(Host& host) override
    {
        PF_Err err = PF_Err_NONE;
        const PF_Handle handed = Send(host, PF_Cmd_SEQUENCE_SETUP, nullptr, err);
        host.in_data().sequence_data = err ? nullptr : handed;
        return err;
    }
    std::optional<PF_Err> expected(const Point& p) const override { return SequenceRule(p, kOutOfMemory); }
    void check(Host& host, const Point* p, PF_Err err) override
    {
        CheckHandOver(p, err, true);
        if (err)
            return;
        const PF_Handle record = host.in_data().sequence_data;
        ASSERT_EQ(RecordProblem(host, record), "");
        EXPECT_EQ(Record(host).use_default, 1);
        EXPECT_EQ(heap::size_of(Record(host).font_name), 319u);
        // A name that the host's strcpy did not write is empty, not garbage.
        const bool copied = !(p && p->error() && p->is("PF ANSI Suite v1.strcpy"));
        EXPECT_STREQ(Record(host).font_name, copied ? "Arial" : "");
    }
};

class ResetupCommand : public SequenceCommand {
public:
    void arrange(Host& host) override
    {
        SetUpParameters(host);
        stored_ = Stored(host, Block("DejaVu Serif", 0));
    }
    PF_Err act(Host& host) override
    {
        PF_Err err = PF_Err_NONE;
        const PF_Handle handed = Send(host, PF_Cmd_SEQUENCE_RESETUP, stored_, err);
        // The stored block stays the host's, whatever resetup answered.
        stored_live_ = host.handles().live(stored_);
        stored_same_ = BytesOf(host, stored_) == Block("DejaVu Serif", 0);
        if (stored_live_)
            host.handles().destroy(stored_);
        host.in_data().sequence_data = err ? nullptr : handed;
        return err;
    }
    std::optional<PF_Err> expected(const Point& p) const override { return SequenceRule(p, kDamaged); }
    void check(Host& host, const Point* p, PF_Err err) override
    {
        CheckHandOver(p, err, true);
        EXPECT_TRUE(stored_live_) << "resetup disposed the host's block";
        EXPECT_TRUE(stored_same_) << "resetup changed the host's block";
        if (err)
            return;
        ASSERT_EQ(RecordProblem(host, host.in_data().sequence_data), "");
        EXPECT_EQ(Record(host).use_default, 0);
        const bool copied = !(p && p->error() && p->is("PF ANSI Suite v1.strcpy"));
        EXPECT_STREQ(Record(host).font_name, copied ? "DejaVu Serif" : "");
    }

private:
    PF_Handle stored_ = nullptr;
    bool stored_live_ = false, stored_same_ = false;
};

// Flatten (keep_record false) or get flattened (true) of a live record.
class FlattenCommand : public SequenceCommand {
public:
    explicit FlattenCommand(bool keep_record) : keep_record_(keep_record) {}
    void arrange(Host& host) override { CreateInstanceWithChosenFamily(host); }
    PF_Err act(Host& host) override
    {
        PF_Err err = PF_Err_NONE;
        const PF_Handle record = host.in_data().sequence_data;
        const PF_Handle handed =
            Send(host, keep_record_ ? PF_Cmd_GET_FLATTENED_SEQUENCE_DATA : PF_Cmd_SEQUENCE_FLATTEN, record, err);
        block_ = BytesOf(host, handed);
        if (keep_record_ || err) {
            // A saved copy is the host's to store; the instance keeps its record.
            if (handed && host.handles().live(handed))
                host.handles().destroy(handed);
            host.in_data().sequence_data = record;
        } else {
            host.in_data().sequence_data = handed;
        }
        return err;
    }
    std::optional<PF_Err> expected(const Point& p) const override { return SequenceRule(p, kDamaged); }
    void check(Host& host, const Point* p, PF_Err err) override
    {
        CheckHandOver(p, err, true);
        if (err || keep_record_) {
            // The record is as it was: flatten takes it apart only once its block is complete.
            ASSERT_EQ(RecordProblem(host, host.in_data().sequence_data), "");
            EXPECT_STREQ(Record(host).font_name, "DejaVu Serif");
            EXPECT_EQ(Record(host).use_default, 0);
        }
        if (!err) {
            EXPECT_EQ(block_, Block("DejaVu Serif", 0));
        }
    }

private:
    bool keep_record_;
    Bytes block_;
};

class SetdownCommand : public SequenceCommand {
public:
    void arrange(Host& host) override { CreateInstanceWithChosenFamily(host); }
    PF_Err act(Host& host) override
    {
        PF_Err err = PF_Err_NONE;
        const PF_Handle record = host.in_data().sequence_data;
        Send(host, PF_Cmd_SEQUENCE_SETDOWN, record, err);
        gone_ = !host.handles().live(record);
        // A setdown that failed leaves the instance to the host.
        host.in_data().sequence_data = err ? record : nullptr;
        return err;
    }
    std::optional<PF_Err> expected(const Point& p) const override
    {
        if (auto common = CommonRule(p))
            return common;
        if (p.is("PF Handle Suite v2.size"))
            return PF_Err_NONE;
        return std::nullopt;
    }
    void check(Host& host, const Point* p, PF_Err err) override
    {
        CheckHandOver(nullptr, err, false);
        if (err) {
            EXPECT_FALSE(gone_);
            EXPECT_EQ(RecordProblem(host, host.in_data().sequence_data), "");
        } else if (!(p && p->error() && p->is("PF Handle Suite v2.dispose"))) {
            EXPECT_TRUE(gone_);
        }
    }

private:
    bool gone_ = false;
};

// ---- Render ------------------------------------------------------------------

const standin::AudioClip& Ltc()
{
    static const standin::AudioClip clip = [] {
        standin::LtcSpec spec;
        spec.start = {1, 2, 3, 0};
        spec.frames = 30;
        return standin::generate_ltc(spec);
    }();
    return clip;
}

class RenderCommand : public Command {
public:
    RenderCommand(bool deep, bool flat, double font_size = 12)
        : deep_(deep), flat_(flat), font_size_(font_size)
    {
    }
    void arrange(Host& host) override
    {
        ASSERT_EQ(host.create_instance(), PF_Err_NONE);
        if (flat_) {
            ASSERT_EQ(host.flatten(), PF_Err_NONE);
        }
        host.layer_audio().set_clip(Ltc());
        PF_ParamDef& position = host.params()[PARAM_POSITION];
        position.u.td.x_value = 2 << 16;
        position.u.td.y_value = 24 << 16;
        host.params()[PARAM_FONT_SIZE].u.fs_d.value = font_size_;
        input_ = standin::InputPicture::test_picture(kWidth, kHeight, deep_);
        output_ = standin::World(kWidth, kHeight, deep_);
        output_.fill_bytes(0x77);
    }
    PF_Err act(Host& host) override
    {
        host.out_data().out_flags = 0;
        host.out_data().return_msg[0] = '\0';
        standin::FrameRequest request;
        request.current_time = 20;
        request.input = &input_.def();
        return host.render_frame(request, output_.def());
    }
    std::optional<PF_Err> expected(const Point& p) const override
    {
        if (auto common = CommonRule(p))
            return common;
        // No audio, or none in the window: "00:00:00:00 " is drawn.
        if (p.is("inter.checkout_layer_audio") || p.is("inter.get_audio_data"))
            return p.error() ? kInjected : PF_Err_NONE;
        // A world that came back without pixels cannot be drawn into.
        if (p.is("PF World Suite v2.new_world"))
            return p.error() ? kInjected : kOutOfMemory;
        for (const char* call : {"PF PointParamSuite v1.GetFloatingPointValueFromPointDef", "inter.checkin_layer_audio",
                                 "PF ColorParamSuite v1.GetFloatingPointColorFromColorDef",
                                 "PF World Transform Suite v1.copy_hq", "PF Iterate8 Suite v1.iterate",
                                 "PF iterate16 Suite v1.iterate", "PF World Transform Suite v1.transfer_rect"})
            if (p.is(call))
                return p.error() ? kInjected : PF_Err_NONE;
        return std::nullopt;
    }
    void check(Host& host, const Point*, PF_Err err) override
    {
        if (err == kMissingScopedSuite) {
            EXPECT_STREQ(host.out_data().return_msg, "Not able to acquire AEFX Suite.");
            EXPECT_EQ(host.out_data().out_flags, PF_OutFlag_DISPLAY_ERROR_MESSAGE);
        } else {
            EXPECT_EQ(host.out_data().out_flags, 0);
        }
        // Only the copy and the transfer write the output: untouched before
        // the copy, the copied input when a later step failed, and the text
        // over it when none did.
        bool copied = false;
        for (const standin::Call& call : host.ledger().calls())
            copied |= call.name == "PF World Transform Suite v1.copy_hq" && call.result == PF_Err_NONE;
        EXPECT_EQ(filled_with(output_, 0x77), !copied);
        if (copied) {
            EXPECT_EQ(first_difference(input_.def(), output_.def()).empty(), err != PF_Err_NONE);
        }
        if (!err) {
            EXPECT_TRUE(copied);
        }
        // Every world handed out as success is disposed of once, pixels or not.
        std::size_t made = 0;
        for (const standin::Call& call : host.ledger().named("PF World Suite v2.new_world"))
            made += call.result == PF_Err_NONE;
        EXPECT_EQ(host.ledger().count("PF World Suite v2.dispose_world"), made);
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
        if (p.way == Way::Allocation) // the chosen name's buffer
            return kOutOfMemory;
        if (p.is("PF Handle Suite v2.new") || p.is("PF Handle Suite v2.lock", 1) || p.is("PF Handle Suite v2.lock", 3))
            return kOutOfMemory;
        // A record that cannot be locked: entry 0 is preselected, or nothing is stored.
        if (p.is("PF Handle Suite v2.lock") || p.is("PF Handle Suite v2.size"))
            return PF_Err_NONE;
        // The host's strcpy reports nothing; an empty name is stored.
        if (p.is("PF ANSI Suite v1.strcpy"))
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
        if (p && p->way != Way::Allocation && p->is("PF Handle Suite v2.lock") && p->nth % 2 == 0) {
            const standin::Call lock = host.ledger().named(p->name).at(std::size_t(p->nth - 1));
            const auto& calls = host.ledger().calls();
            ASSERT_LT(lock.seq + 1, calls.size());
            const standin::Call& next = calls[lock.seq + 1];
            EXPECT_EQ(next.name + " " + next.args, "PF Handle Suite v2.unlock " + lock.args);
        }
        // Every run that reaches its clean-up asks for a new render.
        EXPECT_EQ(host.out_data().out_flags, err == kMissingSuite ? 0 : PF_OutFlag_FORCE_RERENDER);
        EXPECT_STREQ(host.out_data().return_msg, "untouched");
        ASSERT_EQ(RecordProblem(host, host.in_data().sequence_data), "");
        const std::string name = Record(host).font_name;
        const int use_default = Record(host).use_default;
        // Where the choice cannot be read or stored, the record keeps its family.
        const bool kept = err || !stored_ || (p && p->is("PF Handle Suite v2.lock", 4));
        if (kept) {
            EXPECT_EQ(name, "DejaVu Serif");
            EXPECT_EQ(use_default, 0);
        } else {
            const bool copied = !(p && p->error() && p->is("PF ANSI Suite v1.strcpy", 2));
            EXPECT_EQ(name, copied ? stored_ : "");
            EXPECT_EQ(use_default, std::string(stored_) == "Arial" ? 1 : 0);
        }
    }

private:
    standin::DialogUser user_;
    const char* stored_;
};

// ---- The sweeps ------------------------------------------------------------

TEST_F(FaultSweep, GlobalSetupAboutAndParamsSetup)
{
    GlobalSetupCommand global_setup;
    AboutCommand about;
    ParamsSetupCommand params_setup;
    EXPECT_EQ(Sweep(global_setup), 6);
    EXPECT_EQ(Sweep(about), 6);
    EXPECT_EQ(Sweep(params_setup), 2 * (11 + 10));
}

TEST_F(FaultSweep, SequenceCommands)
{
    SetupCommand setup;
    ResetupCommand resetup;
    FlattenCommand flatten(false), get_flattened(true);
    SetdownCommand setdown;
    int points = 0;
    for (Command* command : std::initializer_list<Command*>{&setup, &resetup, &flatten, &get_flattened, &setdown})
        points += Sweep(*command);
    EXPECT_GT(points, 0);
}

// The size query has no error code: a host that cannot answer says 0, as
// for an empty block. Setdown asks once more; a host that keeps answering 0
// costs the name, which is left rather than a pointer read from a block
// that cannot be measured. An empty block is never read as a record.
TEST_F(FaultSweep, SetdownWhoseSizeQueryKeepsAnsweringZero)
{
    TestHost& host = host_.emplace(standin::HostOptions{MARROWTICK_MODULE_PATH});
    ASSERT_EQ(host.load(), PF_Err_NONE);
    ASSERT_EQ(host.create_instance(), PF_Err_NONE);
    const PF_Handle record = host.in_data().sequence_data;
    char* const name = Record(host).font_name;
    host.faults().fail("PF Handle Suite v2.size", 1, kInjected, /*from_on*/ true);
    EXPECT_EQ(host.destroy_instance(), PF_Err_NONE);
    host.faults().clear();
    EXPECT_EQ(host.ledger().count("PF Handle Suite v2.size"), 2u);
    EXPECT_FALSE(host.handles().live(record));
    EXPECT_EQ(host.held(), "1 name buffer(s) that no record holds; ");
    delete[] name;
    EXPECT_EQ(host.held(), "");

    // A block of 0 bytes whose one byte in memory reads as a record's flag.
    const PF_Handle empty = host.handles().create(0);
    *static_cast<char*>(*empty) = 0;
    host.in_data().sequence_data = empty;
    EXPECT_EQ(host.command(PF_Cmd_SEQUENCE_SETDOWN), PF_Err_NONE);
    host.in_data().sequence_data = nullptr;
    EXPECT_FALSE(host.handles().live(empty));
    EXPECT_EQ(host.held(), "");
    EXPECT_EQ(host.ledger().first_misuse(), "");
}

// Flatten and get flattened cannot copy a block they cannot measure: they
// fail and leave it to the host as it was, and a later save still has it.
TEST_F(FaultSweep, FlattenWhoseSizeQueryKeepsAnsweringZero)
{
    TestHost& host = host_.emplace(standin::HostOptions{MARROWTICK_MODULE_PATH});
    ASSERT_EQ(host.load(), PF_Err_NONE);
    for (PF_Cmd cmd : {PF_Cmd_SEQUENCE_FLATTEN, PF_Cmd_GET_FLATTENED_SEQUENCE_DATA}) {
        SCOPED_TRACE("command " + std::to_string(cmd));
        CreateInstanceWithChosenFamily(host);
        const PF_Handle record = host.in_data().sequence_data;
        const Bytes before = BytesOf(host, record);
        host.faults().fail("PF Handle Suite v2.size", 1, kInjected, /*from_on*/ true);
        const Handed handed = SendSequence(host, cmd, record);
        host.faults().clear();
        EXPECT_EQ(handed.err, kDamaged);
        EXPECT_FALSE(handed.written);
        EXPECT_EQ(BytesOf(host, record), before);
        EXPECT_EQ(host.handles().locks(record), 0);
        EXPECT_EQ(host.held(), "");
        ASSERT_EQ(host.flatten(), PF_Err_NONE);
        EXPECT_EQ(BytesOf(host, host.in_data().sequence_data), Block("DejaVu Serif", 0));
        EXPECT_EQ(host.destroy_instance(), PF_Err_NONE);
        EXPECT_EQ(host.held(), "");
    }
}

// A font size cairo cannot draw leaves its context in error: the frame
// would lack its timecode, so the render fails with the output unwritten.
TEST_F(FaultSweep, RenderWhoseTextCairoCannotDraw)
{
    RenderCommand render(false, false, std::nan(""));
    const Outcome run = RunOnce(render, nullptr);
    EXPECT_EQ(run.err, kOutOfMemory);
    EXPECT_EQ(run.held, "");
    EXPECT_EQ(run.misuse, "");
}

TEST_F(FaultSweep, RenderAt8And16BitsAndWithFlattenedData)
{
    for (auto [deep, flat] : {std::pair{false, false}, {true, false}, {false, true}}) {
        SCOPED_TRACE(std::string(deep ? "16-bit" : "8-bit") + (flat ? ", flattened data" : ""));
        RenderCommand render(deep, flat);
        EXPECT_GT(Sweep(render), 0);
    }
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
