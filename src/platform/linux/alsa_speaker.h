// Beep through ALSA's "default" device.
#pragma once

#include "platform/os_services.h"

#include <string>

namespace sorvane::linuxos {

class AlsaSpeaker final : public win::Speaker {
  public:
    static constexpr unsigned kRate = 48000;

    explicit AlsaSpeaker(std::string device = "default");
    // A sine of `frequency` Hz; returns no earlier than `duration` ms after it started, sound
    // or not. FALSE when no device could play it.
    win::BOOL Beep(win::DWORD frequency, win::DWORD duration) override;

  private:
    std::string device_;
};

} // namespace sorvane::linuxos
