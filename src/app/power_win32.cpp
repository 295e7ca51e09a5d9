// sorvane-power.exe: prints the power status record the gauge reads, one field a line, for bug
// reports and for comparing with what the system says.
#include "platform/win32/win32_os.h"

#include <cstdio>

int main() {
    sorvane::win::SYSTEM_POWER_STATUS s{};
    sorvane::win32::Win32Os os;
    if (!os.GetSystemPowerStatus(s)) {
        std::fprintf(stderr, "GetSystemPowerStatus failed\n");
        return 1;
    }
    std::printf("ACLineStatus=%u\nBatteryFlag=%u\nBatteryLifePercent=%u\nBatteryLifeTime=%ld\n"
                "BatteryFullLifeTime=%ld\n",
                static_cast<unsigned>(s.ACLineStatus), static_cast<unsigned>(s.BatteryFlag),
                static_cast<unsigned>(s.BatteryLifePercent), static_cast<long>(s.BatteryLifeTime),
                static_cast<long>(s.BatteryFullLifeTime));
    return 0;
}
