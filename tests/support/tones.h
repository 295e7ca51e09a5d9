// Frequencies of the tones in a captured signal (the beep tests capture ALSA's output).
#pragma once

#include <cmath>
#include <cstdint>
#include <vector>

namespace sorvane::testsupport {

// The runs of steady period in 16-bit samples, by interpolated upward zero crossings; runs
// shorter than 20 periods are not tones.
inline std::vector<double> toneFrequencies(const std::vector<std::int16_t>& s,
                                           double rate = 48000) {
    std::vector<double> crossings;
    for (std::size_t i = 1; i < s.size(); ++i)
        if (s[i - 1] < 0 && s[i] >= 0)
            crossings.push_back(static_cast<double>(i - 1) +
                                s[i - 1] / static_cast<double>(s[i - 1] - s[i]));
    std::vector<double> tones;
    std::size_t first = 0;
    for (std::size_t k = 1; k <= crossings.size(); ++k) {
        const bool breaks = k == crossings.size() ||
                            (k >= first + 2 && std::abs((crossings[k] - crossings[k - 1]) -
                                                        (crossings[k - 1] - crossings[k - 2])) >
                                                   0.05 * (crossings[k - 1] - crossings[k - 2]));
        if (!breaks) continue;
        const std::size_t periods = k - 1 - first;
        if (periods >= 20)
            tones.push_back(rate * static_cast<double>(periods) /
                            (crossings[k - 1] - crossings[first]));
        first = k - 1;
    }
    return tones;
}

} // namespace sorvane::testsupport
