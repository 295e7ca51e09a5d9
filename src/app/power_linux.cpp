// sorvane-power: prints the power status record the gauge reads, for bug reports and tests.
//
//   sorvane-power [POWER_SUPPLY_DIR]      (default /sys/class/power_supply)
#include "platform/linux/sysfs_power.h"

#include <csignal>
#include <cstdio>
#include <filesystem>
#include <string>

int main(int argc, char** argv) {
    // A closed pipe on stdout ends the output, not the process by a signal.
    std::signal(SIGPIPE, SIG_IGN);
    std::string root = "/sys/class/power_supply";
    if (argc > 2 || (argc == 2 && (argv[1][0] == '\0' || argv[1][0] == '-' ||
                                   !std::filesystem::is_directory(argv[1])))) {
        std::fprintf(stderr, "usage: sorvane-power [POWER_SUPPLY_DIR]\n");
        return 2;
    }
    if (argc == 2) root = argv[1];
    sorvane::win::SYSTEM_POWER_STATUS s;
    sorvane::linuxos::SysfsPower(root).GetSystemPowerStatus(s);
    std::printf("ACLineStatus=%u\nBatteryFlag=%u\nBatteryLifePercent=%u\nBatteryLifeTime=%ld\n"
                "BatteryFullLifeTime=%ld\n",
                static_cast<unsigned>(s.ACLineStatus), static_cast<unsigned>(s.BatteryFlag),
                static_cast<unsigned>(s.BatteryLifePercent), static_cast<long>(s.BatteryLifeTime),
                static_cast<long>(s.BatteryFullLifeTime));
    return 0;
}
