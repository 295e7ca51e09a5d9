// The warning beep on Linux.
//
//   [~] Beep   a sine of the frequency through ALSA's "default" device, opened once per tone and
//              drained; the call lasts at least the duration, sound or not, so the blink keeps
//              its rhythm on a silent machine (a null device does not pace: the rest is slept).
//   No device: silent, still the full duration; alsa-lib's own error printing is silenced.
//   Gaps: a sound server that buffers far ahead may make the tone end a little after the call.
//   Wayland/XWayland: not concerned (ALSA, or PipeWire/PulseAudio through ALSA's default).
#include "platform/linux/alsa_speaker.h"

#include <alsa/asoundlib.h>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <numbers>
#include <thread>
#include <vector>

namespace sorvane::linuxos {
namespace {

// alsa-lib prints its errors on stderr by default; the gauge has no console to print on.
extern "C" void quietAlsa(const char*, int, const char*, int, const char*, ...) {}

std::vector<std::int16_t> sine(unsigned frequency, std::size_t frames) {
    std::vector<std::int16_t> samples(frames);
    // A few milliseconds of ramp at each end avoid the clicks of a cut sine.
    const std::size_t ramp = std::min<std::size_t>(frames / 4, AlsaSpeaker::kRate / 500);
    const double step = 2.0 * std::numbers::pi * frequency / AlsaSpeaker::kRate;
    for (std::size_t i = 0; i < frames; ++i) {
        double gain = 0.4;
        if (i < ramp) gain *= static_cast<double>(i) / static_cast<double>(ramp);
        if (frames - 1 - i < ramp)
            gain *= static_cast<double>(frames - 1 - i) / static_cast<double>(ramp);
        samples[i] = static_cast<std::int16_t>(
            std::lround(32767.0 * gain * std::sin(step * static_cast<double>(i))));
    }
    return samples;
}

bool play(const std::string& device, unsigned frequency, unsigned duration) {
    snd_pcm_t* pcm = nullptr;
    if (snd_pcm_open(&pcm, device.c_str(), SND_PCM_STREAM_PLAYBACK, 0) < 0) return false;
    bool ok = snd_pcm_set_params(pcm, SND_PCM_FORMAT_S16_LE, SND_PCM_ACCESS_RW_INTERLEAVED, 1,
                                 AlsaSpeaker::kRate, 1, 50'000) >= 0;
    if (ok) {
        const auto samples =
            sine(frequency, static_cast<std::size_t>(AlsaSpeaker::kRate) * duration / 1000);
        std::size_t done = 0;
        while (ok && done < samples.size()) {
            const auto n = snd_pcm_writei(pcm, samples.data() + done, samples.size() - done);
            if (n >= 0) {
                done += static_cast<std::size_t>(n);
            } else if (snd_pcm_recover(pcm, static_cast<int>(n), 1) < 0) {
                ok = false;
            }
        }
        if (ok) snd_pcm_drain(pcm);
    }
    snd_pcm_close(pcm);
    return ok;
}

} // namespace

AlsaSpeaker::AlsaSpeaker(std::string device) : device_(std::move(device)) {
    snd_lib_error_set_handler(quietAlsa);
}

win::BOOL AlsaSpeaker::Beep(win::DWORD frequency, win::DWORD duration) {
    const auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(duration);
    // Outside the audible range there is nothing to play, only the time to keep.
    const bool played =
        frequency >= 20 && frequency <= 20000 && duration > 0 && play(device_, frequency, duration);
    std::this_thread::sleep_until(end);
    return played ? 1 : 0;
}

} // namespace sorvane::linuxos
