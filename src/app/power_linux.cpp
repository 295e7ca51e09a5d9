// sorvane-power: prints the power status record the gauge reads, for bug reports and tests.
//
//   sorvane-power [POWER_SUPPLY_DIR]      (default /sys/class/power_supply)
#include "app/command_line.h"
#include "platform/linux/sysfs_power.h"

#include <csignal>
#include <cstdio>
#include <string>

namespace {
constexpr sorvane::app::Tool tool{
    "sorvane-power", "POWER_SUPPLY_DIR",
    "Prints the power status the Sorvane gauge reads, one field a line: what to attach to a\n"
    "bug report. POWER_SUPPLY_DIR is the folder of power supplies to read (by default\n"
    "/sys/class/power_supply).\n"
    "\n"
    "  -h, --help     show this help and exit\n"
    "      --version  show the version and exit\n"};
}

int main(int argc, char** argv) {
    // A closed pipe on stdout ends the output, not the process by a signal.
    std::signal(SIGPIPE, SIG_IGN);
    const auto line = sorvane::app::parseCommandLine(tool, argc, argv);
    if (line.action != sorvane::app::CommandLine::Action::Run) return sorvane::app::answer(line);
    const std::string root = line.operand.empty() ? "/sys/class/power_supply" : line.operand;
    if (const std::string problem = sorvane::app::folderProblem(root); !problem.empty()) {
        std::fprintf(stderr, "sorvane-power: %s: %s\n", root.c_str(), problem.c_str());
        return 2;
    }
    sorvane::win::SYSTEM_POWER_STATUS s;
    sorvane::linuxos::SysfsPower(root).GetSystemPowerStatus(s);
    sorvane::app::printPowerStatus(s);
    return sorvane::app::finishOutput(tool.name);
}
