// The Linux OS services, composed for the program: sysfs power, ALSA beep, X11 keys and windows.
//
//   LinuxOs os;                                  // $DISPLAY, /sys/class/power_supply
//   Program program(os.services(), runtime);
//   os.windows().addOwnWindow(widget->winId()); // the runtime registers its top-levels
//
// Each part fails soft on its own: no display leaves keys up and shell calls without effect, no
// sound device leaves the beep silent but timed, no power supply reads as mains without battery.
#pragma once

#include "platform/linux/alsa_speaker.h"
#include "platform/linux/signals.h"
#include "platform/linux/sysfs_power.h"
#include "platform/linux/x11_windows.h"
#include "platform/linux/x_keys.h"

#include <string>

namespace sorvane::linuxos {

class LinuxOs {
  public:
    explicit LinuxOs(const std::string& displayName = "",
                     const std::string& powerRoot = "/sys/class/power_supply")
        : power_(powerRoot), keys_(displayName), windows_(displayName), hidden_(windows_),
          services_(power_, speaker_, keys_, hidden_) {}
    LinuxOs(const LinuxOs&) = delete;
    LinuxOs& operator=(const LinuxOs&) = delete;

    win::OsServices& services() { return services_; }
    SysfsPower& power() { return power_; }
    AlsaSpeaker& speaker() { return speaker_; }
    XKeys& keys() { return keys_; }
    X11Windows& windows() { return windows_; }
    HiddenByThisRun& hiddenByThisRun() { return hidden_; }

  private:
    SysfsPower power_;
    AlsaSpeaker speaker_;
    XKeys keys_;
    X11Windows windows_;
    HiddenByThisRun hidden_;
    win::OsServices services_;
};

} // namespace sorvane::linuxos
