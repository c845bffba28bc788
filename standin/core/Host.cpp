#include "Host.h"

#include <algorithm>
#include <cstdio>
#include <mutex>
#include <sstream>
#include <thread>

#include "CallGuard.h"
#include "AEGP_Suites.h"
#include "MemorySuite.h"
#include "PF_Suites.h"
#include "ParamCallbacks.h"
#include "Suites.h"
#include "UtilitySuite11.h"

namespace standin {

// Stands in every entry of a suite that the stand-in host does not offer: a
// call is a misuse, recorded instead of crashing.
void unoffered_entry()
{
    if (refused_in_pixel_callback("an unoffered suite entry"))
        return;
    if (Host* host = Host::current_or_null())
        host->ledger().misuse("call of a suite entry that the stand-in host does not offer");
}

namespace {

// The host whose command runs on this thread.
thread_local Host* t_sending = nullptr;

// Every live host with the thread that made it, for callers outside a command.
struct LiveHost {
    Host* host;
    std::thread::id maker;
};
std::mutex g_live_mutex;
std::vector<LiveHost> g_live;

// Global setup, instance setup and the other commands that the real host
// sends from its main thread, one at a time whichever host sends them; the
// effect's process-wide state (its plug-in id) is written there.
std::recursive_mutex g_main_thread;

using Placeholder = void (*)();
const Placeholder kPlaceholderTable[64] = {
#define P8 unoffered_entry, unoffered_entry, unoffered_entry, unoffered_entry, \
           unoffered_entry, unoffered_entry, unoffered_entry, unoffered_entry
    P8, P8, P8, P8, P8, P8, P8, P8
#undef P8
};
} // namespace

const void* placeholder_suite_table() { return kPlaceholderTable; }

// Makes a host current on this thread while it runs effect code.
class Host::Sending {
public:
    explicit Sending(Host& host) : previous_(t_sending) { t_sending = &host; }
    ~Sending() { t_sending = previous_; }
    Sending(const Sending&) = delete;
    Sending& operator=(const Sending&) = delete;

private:
    Host* previous_;
};

std::string hex(const void* p)
{
    char buf[32];
    std::snprintf(buf, sizeof buf, "%p", p);
    return buf;
}

Host::Host(HostOptions options) : options_(std::move(options))
{
    install_suites();

    utils_.ansi = util_ansi_callbacks();
    in_data_.utils = &utils_;
    in_data_.effect_ref = reinterpret_cast<PF_ProgPtr>(&effect_ref_token_);
    in_data_.appl_id = options_.appl_id;
    in_data_.version = 13 << 16 | 15;
    in_data_.quality = PF_Quality_HI;
    in_data_.time_scale = 25;
    in_data_.time_step = 1;
    in_data_.downsample_x = in_data_.downsample_y = {1, 1};
    in_data_.pixel_aspect_ratio = {1, 1};
    in_data_.pica_basicP = suites_.basic_suite();

    // The host's own parameter 0: the layer the effect is applied to.
    PF_ParamDef input{};
    input.param_type = PF_Param_LAYER;
    params_.push_back(input);

    // Known to the callbacks only once whole: a constructor that throws
    // leaves nothing behind that Host::current() could find.
    const std::lock_guard lock(g_live_mutex);
    g_live.push_back({this, std::this_thread::get_id()});
}

Host::~Host()
{
    // Closing the project: a live instance is set down first.
    if (in_data_.sequence_data && module_) {
        try {
            destroy_instance();
        } catch (const HostError&) {
        }
    }
    module_.reset();
    const std::lock_guard lock(g_live_mutex);
    std::erase_if(g_live, [this](const LiveHost& live) { return live.host == this; });
}

Host* Host::current_or_null()
{
    if (t_sending)
        return t_sending;
    const std::lock_guard lock(g_live_mutex);
    const auto here = std::find_if(g_live.rbegin(), g_live.rend(), [](const LiveHost& live) {
        return live.maker == std::this_thread::get_id();
    });
    return here == g_live.rend() ? nullptr : here->host;
}

Host* Host::sending() { return t_sending; }

Host& Host::current()
{
    Host* host = current_or_null();
    if (!host)
        throw HostError("no stand-in host is running on this thread");
    return *host;
}

void Host::install_suites()
{
    suites_.add(kPFHandleSuite, kPFHandleSuiteVersion1, Handles::suite_table());
    suites_.add(kPFANSISuite, kPFANSISuiteVersion1, ansi_suite_table());
    suites_.add(kAEGPUtilitySuite, kAEGPUtilitySuiteVersion3, utility_suite7_table());
    suites_.add(kPFPointParamSuite, kPFPointParamSuiteVersion1, point_param_suite_table());
    suites_.add(kPFColorParamSuite, kPFColorParamSuiteVersion1, color_param_suite_table());
    suites_.add(kPFWorldSuite, kPFWorldSuiteVersion2, Worlds::suite_table());
    suites_.add(kPFWorldTransformSuite, kPFWorldTransformSuiteVersion1, world_transform_suite_table());
    suites_.add(kPFIterate8Suite, kPFIterate8SuiteVersion1, iterate8_suite_table());
    suites_.add(kPFIterate16Suite, kPFIterate16SuiteVersion1, iterate16_suite_table());
    LayerAudio::install(in_data_.inter);
    in_data_.inter.add_param = add_param;
    // Acquirable, but their operations belong to later parts of the host.
    for (auto [name, version] : {std::pair{"PF AE App Suite", 6}, {"AEGP Persistent Data Suite", 3}})
        suites_.add(name, version, placeholder_suite_table());
    suites_.add(kAEGPMemorySuite, kAEGPMemorySuiteVersion1, memory_suite_table());
    suites_.add(kAEGPUtilitySuite, kAEGPUtilitySuiteVersion5, utility_suite11_table());
}

PF_Err Host::load(PF_Err registration_answer)
{
    const std::string path = options_.plugin_path.empty() ? Module::default_path() : options_.plugin_path;
    const std::lock_guard main_thread(g_main_thread);
    const Sending sending(*this);
    module_ = std::make_unique<Module>(path, &ledger_);
    return module_->register_effect(suites_.basic_suite(), registration_answer);
}

Module& Host::module()
{
    if (!module_)
        throw HostError("the effect module is not loaded");
    return *module_;
}

PF_Err Host::command(PF_Cmd cmd, PF_ParamDef** params, PF_LayerDef* output, void* extra)
{
    PF_EffectMainFunc entry = module().effect_main();
    std::unique_lock main_thread(g_main_thread, std::defer_lock);
    if (cmd != PF_Cmd_RENDER)
        main_thread.lock();
    const Sending sending(*this);
    declarations_.before_command(cmd, output);
    const PF_Err err = entry(cmd, &in_data_, &out_data_, params ? params : param_list(), output, extra);
    declarations_.after_command(cmd, out_data_);
    return err;
}

PF_ParamDef** Host::param_list()
{
    param_ptrs_.clear();
    for (PF_ParamDef& def : params_)
        param_ptrs_.push_back(&def);
    return param_ptrs_.empty() ? nullptr : param_ptrs_.data();
}

void Host::refuse_suite(const std::string& name, int version, PF_Err code, int nth)
{
    const std::string key = SuiteRegistry::acquire_key(name, version);
    if (code == PF_Err_NONE)
        faults_.give_null(key, nth, true);
    else
        faults_.fail(key, nth, code, true);
}

void Host::note_registration(const std::string& name, AEGP_PluginID id)
{
    declarations_.registered(name);
    registered_name_ = name;
    last_plugin_id_ = id;
}

std::string Host::held() const
{
    std::ostringstream out;
    for (const auto& [key, count] : suites_.held())
        out << "suite \"" << key.first << "\" " << key.second << " x" << count << "; ";
    if (handles_.locked_count())
        out << handles_.locked_count() << " locked handle(s); ";
    if (audio_.held_count())
        out << audio_.held_count() << " audio window(s) not checked in; ";
    if (worlds_.live_count())
        out << worlds_.live_count() << " world(s) not disposed of; ";
    if (mem_handles_.live_count())
        out << mem_handles_.live_count() << " memory handle(s); ";
    out << instance_.unowned();
    return out.str();
}

} // namespace standin
