// marrowtick ltc: the LTC the host generates, as a WAV file, for trying a
// render with --audio as a user would with a recorder's file.
#include <sys/stat.h>

#include <sndfile.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <memory>
#include <stdexcept>
#include <vector>

#include <CLI/CLI.hpp>

#include "Commands.h"
#include "Options.h"
#include "PendingFile.h"
#include "StopSignal.h"

namespace runner {

namespace {

struct LtcOptions {
    std::string out;               // --out FILE.wav
    standin::Timecode start;       // --ltc-start, at time 0
    PF_RationalScale fps{25, 1};   // --fps
    double seconds = 10;           // --seconds
    long rate = 48000;             // --rate, samples a second
    int channels = 2;              // --channels
    int ltc_channel = 1;           // --ltc-channel, from 1
};

int write_ltc(const LtcOptions& o)
{
    if (o.ltc_channel > o.channels)
        throw std::runtime_error("--ltc-channel " + std::to_string(o.ltc_channel) + ": out of range 1 to " +
                                 std::to_string(o.channels) + " (--channels)");
    struct stat st {};
    if (stat(o.out.c_str(), &st) == 0 && !S_ISREG(st.st_mode))
        throw std::runtime_error("--out " + o.out + ": not a regular file");
    standin::LtcSpec spec;
    spec.fps_num = unsigned(o.fps.num);
    spec.fps_den = o.fps.den;
    spec.start = o.start;
    spec.sample_rate = double(o.rate);
    // Every video frame that the file's length reaches, and one more.
    spec.frames = long(std::ceil(o.seconds * o.fps.num / o.fps.den)) + 1;
    // Made as it is written, so a long file costs no more memory than a short one.
    const std::unique_ptr<standin::AudioSource> ltc = standin::ltc_source(spec);
    const long long length = std::llround(o.seconds * double(o.rate));

    standin::PendingFile file(o.out);
    SF_INFO info{};
    info.samplerate = int(o.rate);
    info.channels = o.channels;
    // RF64 only past the 4 GB that a WAV file can hold.
    const bool wide = length * o.channels * 2 > 0xFFFFFF00LL;
    info.format = (wide ? SF_FORMAT_RF64 : SF_FORMAT_WAV) | SF_FORMAT_PCM_16;
    std::unique_ptr<SNDFILE, int (*)(SNDFILE*)> wav(sf_open_fd(fileno(file.file()), SFM_WRITE, &info, SF_FALSE),
                                                    sf_close);
    if (!wav)
        throw std::runtime_error("cannot write '" + o.out + "': " + sf_strerror(nullptr));
    constexpr long long kBlock = 4096;
    std::vector<short> block;
    std::vector<float> samples(kBlock);
    // A long file takes a while: a stop leaves no part of it behind.
    catch_stop_signals();
    for (long long at = 0; at < length; at += kBlock) {
        if (const int signal = stop_signal()) {
            fail("stopped by signal " + std::to_string(signal) + "; " + o.out + " is not written");
            return 128 + signal;
        }
        const long long n = std::min(kBlock, length - at);
        block.assign(std::size_t(n * o.channels), 0);
        const long have = long(std::clamp(ltc->frames() - at, 0LL, n));
        if (have > 0)
            ltc->read(at, have, samples.data());
        // The 8-bit encoder's levels: (v - 128) / 128 of full scale.
        for (long k = 0; k < have; ++k)
            block[std::size_t(k * o.channels + o.ltc_channel - 1)] = short(std::lround(samples[std::size_t(k)] * 32768.0f));
        if (sf_writef_short(wav.get(), block.data(), n) != n)
            throw std::runtime_error("cannot write '" + o.out + "': " + sf_strerror(wav.get()));
    }
    if (sf_close(wav.release()) != 0)
        throw std::runtime_error("cannot write '" + o.out + "'");
    file.commit();
    std::printf("%s: %g s of %g fps LTC from %s on channel %d of %d, %ld Hz, 16 bits\n", o.out.c_str(), o.seconds,
                double(o.fps.num) / o.fps.den, standin::to_string(o.start).c_str(), o.ltc_channel, o.channels,
                o.rate);
    return 0;
}

} // namespace

Run ltc(CLI::App& command)
{
    command.footer("The LTC is the host's own, as render generates it: one LTC frame a video frame (above 30 fps\n"
                   "one every two), drop-frame at 29.97 and 59.94; the other channels are silent.");
    auto o = std::make_shared<LtcOptions>();
    command.add_option("--out", o->out, "the file to write; an existing file is replaced")
        ->type_name("FILE.wav")
        ->required();
    add_value(command, "--ltc-start", "HH:MM:SS:FF", "the timecode at time 0 (default 00:00:00:00)", o->start, timecode);
    add_value(command, "--fps", "RATE", "video frames a second: 23.976, 24, 25, 29.97, 30, 50, 59.94, 60\nor N/D (default 25)", o->fps,
              frame_rate);
    add_value(command, "--seconds", "S", "length in seconds, 0.001 to 86400 (default 10); past 4 GB\nthe file is RF64",
              o->seconds,
              real_in(0.001, 86400));
    add_value(command, "--rate", "HZ", "samples a second, 8000 to 192000 (default 48000)", o->rate,
              whole_in(8000, 192000));
    add_value(command, "--channels", "N", "channels, 1 to 64 (default 2)", o->channels, whole_in(1, 64));
    add_value(command, "--ltc-channel", "N", "the channel that carries the LTC, from 1 (default 1)", o->ltc_channel,
              whole_in(1, 64));
    return [o](const Invocation&) { return write_ltc(*o); };
}

} // namespace runner
