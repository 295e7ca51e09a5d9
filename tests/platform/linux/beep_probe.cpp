// Plays through AlsaSpeaker in a process of its own, so each test picks its ALSA configuration
// (ALSA_CONFIG_PATH) and sees exactly what alsa-lib prints.
//   beep_probe five        the warning's five tones; prints results and elapsed time
//   beep_probe leak N      N beeps of 1 ms; prints the open descriptors before and after
#include "platform/linux/alsa_speaker.h"

#include <dirent.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <string>

namespace {
int openDescriptors() {
    int n = 0;
    if (DIR* d = ::opendir("/proc/self/fd")) {
        while (::readdir(d))
            ++n;
        ::closedir(d);
    }
    return n;
}
} // namespace

int main(int argc, char** argv) {
    const std::string mode = argc > 1 ? argv[1] : "";
    sorvane::linuxos::AlsaSpeaker speaker;
    const auto start = std::chrono::steady_clock::now();
    if (mode == "five") {
        std::string results;
        for (unsigned f : {1010u, 1505u, 2000u, 1505u, 1010u})
            results += std::to_string(speaker.Beep(f, 100));
        const auto ms = std::chrono::duration_cast<std::chrono::milliseconds>(
                            std::chrono::steady_clock::now() - start)
                            .count();
        std::printf("results=%s\nelapsed_ms=%lld\n", results.c_str(), static_cast<long long>(ms));
        return 0;
    }
    if (mode == "leak" && argc > 2) {
        const int count = std::atoi(argv[2]);
        speaker.Beep(1000, 1); // alsa-lib's configuration is loaded once, on first use
        const int before = openDescriptors();
        int played = 0;
        for (int i = 0; i < count; ++i)
            played += speaker.Beep(1000, 1);
        std::printf("played=%d\nfds_before=%d\nfds_after=%d\n", played, before, openDescriptors());
        return 0;
    }
    std::fprintf(stderr, "usage: beep_probe five | leak N\n");
    return 2;
}
