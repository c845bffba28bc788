// The stand-in host: loads the effect as the real host does and drives it
// through EffectMain with records, callbacks and suites of its own.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "Declarations.h"
#include "Faults.h"
#include "FrameRender.h"
#include "Handles.h"
#include "LayerAudio.h"
#include "Instance.h"
#include "Ledger.h"
#include "Module.h"
#include "PF_Entry.h"
#include "ScriptEngine.h"
#include "SuiteRegistry.h"
#include "Worlds.h"

namespace standin {

struct HostOptions {
    std::string plugin_path;                   // empty: beside the running program
    A_u_long appl_id = PF_ApplId_AFTER_EFFECTS; // PF_ApplId_PREMIERE for Premiere Pro
};

// Several hosts may live and work at once, as instances of the real host's
// render threads do; each is used by one thread at a time. Commands other
// than renders take turns across hosts, as on the real host's main thread.
class Host {
public:
    explicit Host(HostOptions options = {});
    ~Host();
    Host(const Host&) = delete;
    Host& operator=(const Host&) = delete;

    // The host the C callbacks reach: the one sending a command (or calling
    // the registration entry) on this thread; outside of that, the latest
    // host made on this thread that still lives. Throws HostError when none.
    static Host& current();
    // The same, or null.
    static Host* current_or_null();
    // The host whose command runs on this thread, or null.
    static Host* sending();

    // Load the module and call its registration entry. Throws HostError
    // when the module cannot be loaded; returns the entry's result.
    PF_Err load(PF_Err registration_answer = PF_Err_NONE);
    Module& module();

    // Sends one command through EffectMain with the host's records. Without
    // a params argument the effect gets the instance's parameter list.
    PF_Err command(PF_Cmd cmd, PF_ParamDef** params = nullptr, PF_LayerDef* output = nullptr,
                   void* extra = nullptr);

    // The effect instance's parameters as the host holds them: [0] is the
    // input layer, then every definition the effect added, in order.
    std::vector<PF_ParamDef>& params() { return params_; }
    // Pointers into params(), in index order, as EffectMain receives them.
    PF_ParamDef** param_list();
    PF_Err global_setup() { return command(PF_Cmd_GLOBAL_SETUP); }
    PF_Err about() { return command(PF_Cmd_ABOUT); }

    // The effect instance's life, in the real host's order (Instance.h says
    // who owns which handle). create_instance: global setup when not yet
    // done, params setup, sequence setup. save: get flattened, the block
    // copied out and its handle disposed; the instance stays live. reopen: a
    // fresh instance rebuilt from a stored block by resetup. flatten: the raw
    // flatten command; its block becomes the instance's handle.
    // destroy_instance: setdown. Each returns the effect's result.
    PF_Err create_instance();
    PF_Err save(std::vector<uint8_t>& block);
    PF_Err reopen(const std::vector<uint8_t>& block);
    PF_Err flatten();
    PF_Err destroy_instance();

    PF_InData& in_data() { return in_data_; }
    PF_OutData& out_data() { return out_data_; }
    Ledger& ledger() { return ledger_; }
    Faults& faults() { return faults_; }
    // What the effect declared at global setup, checked on every service
    // that depends on it.
    Declarations& declarations() { return declarations_; }
    SuiteRegistry& suites() { return suites_; }
    Handles& handles() { return handles_; }
    // "AEGP Memory Suite" handles: their own store, same bookkeeping.
    Handles& mem_handles() { return mem_handles_; }
    // The script engine and the simulated user who answers its dialogs.
    ScriptEngine& scripts() { return scripts_; }
    const HostOptions& options() const { return options_; }
    // The audio of the layer that the effect checks out (every layer
    // parameter names the same layer); no clip: the layer has no audio.
    LayerAudio& layer_audio() { return audio_; }
    // Worlds the effect made through "PF World Suite" 2.
    Worlds& worlds() { return worlds_; }
    // Threads of the pixel iteration and transfers: 0 every core, 1 the
    // calling thread only.
    void set_threads(int threads) { threads_ = threads < 0 ? 0 : threads; }
    int threads() const { return threads_; }

    // Renders one frame: sets the input record's time, time base,
    // downsampling, pixel aspect ratio, quality, size and extent_hint from
    // the request, params[0].u.ld to *request.input, output.extent_hint to
    // the whole output, and sends PF_Cmd_RENDER with the instance's
    // parameters. Returns the effect's result; throws HostError when the
    // input is missing or differs from the output in size or depth.
    PF_Err render_frame(const FrameRequest& request, PF_LayerDef& output);

    // Makes a suite's acquisition fail from its nth attempt on: with `code`,
    // or, when code is 0, with success and a null pointer.
    void refuse_suite(const std::string& name, int version, PF_Err code, int nth = 1);

    // The plug-in ids handed out by AEGP_RegisterWithAEGP, and the names.
    AEGP_PluginID last_plugin_id() const { return last_plugin_id_; }
    const std::string& registered_name() const { return registered_name_; }
    void note_registration(const std::string& name, AEGP_PluginID id);

    // What the effect still holds of the host (suites, locked handles, audio
    // windows not checked in, worlds not disposed of), and what it made that
    // nobody holds (handles, name buffers), as text; empty when nothing.
    std::string held() const;

private:
    void install_suites();
    class Sending;

    HostOptions options_;
    Ledger ledger_;
    Declarations declarations_{ledger_};
    Faults faults_;
    SuiteRegistry suites_;
    Handles handles_;
    LayerAudio audio_;
    Worlds worlds_;
    int threads_ = 0;
    Handles mem_handles_;
    ScriptEngine scripts_;
    std::unique_ptr<Module> module_;
    std::vector<PF_ParamDef> params_;
    std::vector<PF_ParamDef*> param_ptrs_;
    PF_InData in_data_{};
    PF_OutData out_data_{};
    PF_UtilCallbacks utils_{};
    int effect_ref_token_ = 0;
    AEGP_PluginID last_plugin_id_ = 0;
    std::string registered_name_;
    Instance instance_{*this};
};

} // namespace standin
