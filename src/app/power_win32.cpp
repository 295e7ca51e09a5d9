// sorvane-power.exe: prints the power status record the gauge reads, one field a line, for bug
// reports and for comparing with what the system says.
#include "app/command_line.h"
#include "platform/win32/win32_os.h"

#include <cstdio>

namespace {
constexpr sorvane::app::Tool tool{
    "sorvane-power", "",
    "Prints the power status the Sorvane gauge reads, one field a line: what to attach to a\n"
    "bug report.\n"
    "\n"
    "  -h, --help     show this help and exit\n"
    "      --version  show the version and exit\n"};
}

int main(int argc, char** argv) {
    const auto line = sorvane::app::parseCommandLine(tool, argc, argv);
    if (line.action != sorvane::app::CommandLine::Action::Run) return sorvane::app::answer(line);
    sorvane::win::SYSTEM_POWER_STATUS s{};
    sorvane::win32::Win32Os os;
    if (!os.GetSystemPowerStatus(s)) {
        std::fprintf(stderr, "sorvane-power: GetSystemPowerStatus failed\n");
        return 1;
    }
    sorvane::app::printPowerStatus(s);
    return sorvane::app::finishOutput(tool.name);
}
