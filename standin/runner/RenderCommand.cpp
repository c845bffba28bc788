// marrowtick render: frames of a clip through the effect, as numbered PNGs.
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <memory>
#include <stdexcept>
#include <string>
#include <thread>

#include <CLI/CLI.hpp>

#include "Commands.h"
#include "Files.h"
#include "FrameWriter.h"
#include "Host.h"
#include "InputPicture.h"
#include "Params.h"
#include "PointDefaults.h"
#include "ProgressBar.h"
#include "RenderOptions.h"
#include "FontChoice.h"
#include "StateFile.h"
#include "StopSignal.h"

namespace runner {

namespace {

constexpr A_long kDefaultWidth = 1280, kDefaultHeight = 720;

// Eight encoders keep up with the render on every core: more would only hold
// more frames (66 MB each at 3840x2160 16-bit).
constexpr unsigned kMaxEncoders = 8;

// Generated LTC runs from time 0 past the last frame's widest window.
constexpr long kLtcMarginFrames = 64;

// Calls the host remembers: the last few frames' worth, so that a long run's
// memory does not grow with its frames.
constexpr std::size_t kLedgerCalls = 256;

void set_layer_audio(standin::Host& host, const RenderOptions& o)
{
    if (!o.audio.empty()) {
        if (const std::string why = unreadable_file(o.audio); !why.empty())
            throw std::runtime_error("audio file '" + o.audio + "' " + why);
        host.layer_audio().set_file(o.audio);
        host.layer_audio().set_channel(o.channel);
        return;
    }
    standin::LtcSpec spec;
    spec.fps_num = unsigned(o.fps.num);
    spec.fps_den = o.fps.den;
    spec.start = o.ltc_start.value_or(standin::Timecode{});
    spec.sample_rate = 48000;
    spec.frames = o.start + o.frames + kLtcMarginFrames;
    host.layer_audio().set_ltc(spec);
    if (o.channel > 1)
        throw std::runtime_error("--channel " + std::to_string(o.channel) + ": the generated LTC has one channel");
}

// The user's values over the instance's parameters, as the host's controls set them.
void set_params(standin::Host& host, const RenderOptions& o, A_long width, A_long height)
{
    std::vector<PF_ParamDef>& p = host.params();
    if (p.size() != PARAM_NUM_PARAMS)
        throw std::runtime_error("the effect declared " + std::to_string(p.size()) + " parameters, not " +
                                 std::to_string(PARAM_NUM_PARAMS));
    standin::place_point_defaults(p, width, height);
    if (o.opacity)
        p[PARAM_OPACITY].u.fs_d.value = *o.opacity;
    if (o.color)
        p[PARAM_COLOR].u.cd.value = *o.color;
    if (o.font_size)
        p[PARAM_FONT_SIZE].u.fs_d.value = *o.font_size;
    if (o.weight)
        p[PARAM_FONT_WEIGHT].u.pd.value = *o.weight;
    if (o.position) {
        standin::to_fixed(o.position->x, p[PARAM_POSITION].u.td.x_value);
        standin::to_fixed(o.position->y, p[PARAM_POSITION].u.td.y_value);
    }
    if (o.sample_offset)
        p[PARAM_SAMPLE_OFFSET].u.sd.value = *o.sample_offset;
    if (o.sample_width)
        p[PARAM_SAMPLE_WIDTH].u.sd.value = *o.sample_width;
}

// Frame `index` of the input at full resolution. A picture that cannot be
// had is named with its reason; in a sequence, with the frame index too.
standin::World read_picture(const standin::InputPicture& picture, long index, A_long width, A_long height,
                            bool deep)
{
    const std::string path = picture.path_for(index);
    try {
        if (const std::string why = path.empty() ? "" : unreadable_png(path); !why.empty())
            throw std::runtime_error("picture '" + path + "' " + why);
        return picture.frame(index, width, height, deep);
    } catch (const std::exception& e) {
        if (!picture.is_sequence())
            throw;
        throw std::runtime_error("frame " + std::to_string(index) + ": " + e.what() +
                                 " (--start sets the sequence's first frame index)");
    }
}

// The folder the frames go to, made when missing: refused when it is a
// file, takes no new file, or holds the input sequence's frames.
void prepare_out(const RenderOptions& o, const standin::InputPicture& picture)
{
    namespace fs = std::filesystem;
    std::error_code err;
    if (fs::exists(o.out, err) && !fs::is_directory(o.out, err))
        throw std::runtime_error("--out " + o.out + ": it is a file, not a folder");
    if (picture.is_sequence()) {
        const fs::path in = fs::absolute(picture.path_for(o.start)).parent_path();
        if (fs::weakly_canonical(in, err) == fs::weakly_canonical(fs::absolute(o.out), err))
            throw std::runtime_error("--out " + o.out + ": it holds the input sequence, whose frames it would "
                                     "overwrite");
    }
    if (fs::create_directories(o.out, err); err)
        throw std::runtime_error("--out " + o.out + ": cannot make the folder: " + err.message());
    // The temporary that a frame would be written under.
    std::string probe = (fs::path(o.out) / ".marrowtick-XXXXXX").string();
    const int fd = mkstemp(probe.data());
    if (fd < 0)
        throw std::runtime_error("--out " + o.out + ": cannot write in the folder: " + std::strerror(errno));
    close(fd);
    unlink(probe.c_str());
}

// "; N frames written (FIRST to LAST)" for a run that stops after some frames.
std::string written_note(const RenderOptions& o, long written)
{
    if (written == 0)
        return "";
    return "; " + std::to_string(written) + (written == 1 ? " frame" : " frames") + " written (" +
           FrameWriter::frame_name(o.start) + " to " + FrameWriter::frame_name(o.start + written - 1) + ")";
}

int render_frames(standin::Host& host, const RenderOptions& o)
{
    const standin::InputPicture picture(o.input);
    // The layer's size: --size, else the first input frame's.
    A_long width = o.size.width, height = o.size.height;
    if (o.input.empty() && width == 0) {
        width = kDefaultWidth;
        height = kDefaultHeight;
    }
    // The test picture and a single file are the same for every frame.
    standin::World still = read_picture(picture, o.start, width, height, o.deep);
    width = still.width();
    height = still.height();
    if (picture.is_sequence())
        still = {};
    const PF_RationalScale ds = o.downsample;
    if ((long long)width * ds.num / ds.den < 1 || (long long)height * ds.num / ds.den < 1)
        throw std::runtime_error("--downsample leaves no pixels of a " + std::to_string(width) + "x" +
                                 std::to_string(height) + " layer");

    set_layer_audio(host, o);
    set_params(host, o, width, height);
    host.set_threads(o.threads);
    prepare_out(o, picture);

    standin::FrameRequest request;
    request.time_scale = A_u_long(o.fps.num);
    request.time_step = A_long(o.fps.den);
    request.downsample_x = request.downsample_y = ds;
    request.pixel_aspect_ratio = o.pixel_aspect;
    request.quality = PF_Quality_HI;
    const bool full_size = ds.num == A_long(ds.den);
    standin::World layer_still = still.empty() || full_size ? std::move(still) : standin::scaled(still.def(), ds, ds);

    // Encoders on as many threads as the pixel iteration, but no more than the
    // cores, nor than kMaxEncoders: each holds a frame in flight and a spare.
    const unsigned cores = std::max(1u, std::thread::hardware_concurrency());
    const unsigned encoders = std::min({o.threads > 0 ? unsigned(o.threads) : cores, cores, kMaxEncoders});
    FrameWriter writer(o.out, encoders);
    ProgressBar progress(o.frames);
    standin::World output;
    // One rule for every early end: the whole frames in flight are kept.
    try {
        for (long i = 0; i < o.frames; ++i) {
            if (const int signal = stop_signal()) {
                fail("stopped by signal " + std::to_string(signal) + " after " + std::to_string(writer.stop()) +
                     " frames");
                return 128 + signal;
            }
            const long index = o.start + i;
            standin::World layer;
            const standin::World* input = &layer_still;
            if (layer_still.empty()) {
                layer = read_picture(picture, index, width, height, o.deep);
                if (!full_size)
                    layer = standin::scaled(layer.def(), ds, ds);
                input = &layer;
            }
            // One output world for the run, cleared as a fresh one would be,
            // rather than a new world's pages every frame.
            if (output.empty())
                output = standin::World(input->width(), input->height(), o.deep);
            else
                output.fill_bytes(0);
            request.current_time = A_long(index * o.fps.den);
            request.input = &input->def();
            if (const PF_Err err = host.render_frame(request, output.def())) {
                const PF_OutData& out = host.out_data();
                const std::string message =
                    out.out_flags & PF_OutFlag_DISPLAY_ERROR_MESSAGE ? std::string(": ") + out.return_msg : "";
                return fail("frame " + std::to_string(index) + ": the render failed with error " +
                            std::to_string(err) + message + written_note(o, writer.stop()));
            }
            writer.write(index, output.def());
            progress.update(writer.written());
        }
        writer.finish();
    } catch (const std::exception& e) {
        return fail(e.what() + written_note(o, writer.stop()));
    }
    progress.update(writer.written());
    return 0;
}

int render_clip(const Invocation& inv, const RenderOptions& options)
{
    check_render_options(options);
    StateFile state(options.state);
    standin::Host host({inv.plugin_path, inv.appl_id});
    host.ledger().keep_last(kLedgerCalls);
    if (const PF_Err err = host.load())
        return fail("registration refused with error " + std::to_string(err));
    if (const PF_Err err = state.open(host))
        return fail("creating the effect instance failed with error " + std::to_string(err));
    if (options.font) {
        if (const std::string why = choose_font(host, *options.font); !why.empty()) {
            host.destroy_instance();
            return fail(why);
        }
    }
    if (const std::string why = state.unwritable_reason(); !why.empty()) {
        host.destroy_instance();
        return fail(why);
    }
    catch_stop_signals();
    int status = render_frames(host, options);
    if (status == 0 && !state.store(host))
        status = 1;
    const PF_Err gone = host.destroy_instance();
    // The first misuse usually explains what followed it, a failure included.
    if (const std::string& misuse = host.ledger().first_misuse(); !misuse.empty())
        return fail("the effect misused the host: " + misuse);
    if (status)
        return status;
    if (gone)
        return fail("sequence setdown failed with error " + std::to_string(gone));
    if (const std::string held = host.held(); !held.empty())
        return fail("the effect still holds: " + held);
    std::printf("%ld frames in %s (%s to %s)\n", options.frames, options.out.c_str(),
                FrameWriter::frame_name(options.start).c_str(),
                FrameWriter::frame_name(options.start + options.frames - 1).c_str());
    return 0;
}

} // namespace

Run render(CLI::App& command)
{
    auto options = std::make_shared<RenderOptions>();
    declare_render_options(command, *options);
    return [options](const Invocation& inv) { return render_clip(inv, *options); };
}

} // namespace runner
