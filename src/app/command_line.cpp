#include "app/command_line.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <vector>

#ifndef SORVANE_VERSION
#error "SORVANE_VERSION comes from the project's version in the top CMakeLists.txt"
#endif

namespace sorvane::app {

namespace {

CommandLine refuse(const Tool& tool, const std::string& what) {
    CommandLine line;
    line.action = CommandLine::Action::Refuse;
    line.text =
        std::string(tool.name) + ": " + what + " (see '" + std::string(tool.name) + " --help')\n";
    return line;
}

// As given, in quotes; a control character would garble the user's terminal.
std::string quoted(std::string_view arg) {
    std::string shown = "'";
    for (char c : arg)
        shown += static_cast<unsigned char>(c) < 0x20 ? '?' : c;
    return shown + "'";
}

std::string usage(const Tool& tool) {
    std::string text = "Usage: " + std::string(tool.name) + " [--help] [--version]";
    if (!tool.operand.empty()) text += " [" + std::string(tool.operand) + "]";
    return text + "\n";
}

} // namespace

std::string versionText(std::string_view name) {
    return std::string(name) + " " SORVANE_VERSION "\n";
}

namespace {

CommandLine parseArguments(const Tool& tool, std::span<const std::string_view> args) {
    CommandLine line;
    bool operandGiven = false;
    bool optionsEnded = false;
    for (std::string_view arg : args) {
        if (!optionsEnded && arg.size() > 1 && arg[0] == '-') {
            if (arg == "--") {
                optionsEnded = true;
            } else if (arg == "--help" || arg == "-h") {
                return {CommandLine::Action::Help, {}, usage(tool) + std::string(tool.about), {}};
            } else if (arg == "--version") {
                return {CommandLine::Action::Version, {}, versionText(tool.name), {}};
            } else {
                return refuse(tool, "unknown option " + quoted(arg));
            }
            continue;
        }
        const std::string operand(tool.operand);
        if (operand.empty()) return refuse(tool, "unexpected argument " + quoted(arg));
        if (operandGiven) return refuse(tool, "a second " + operand + ": " + quoted(arg));
        if (arg.empty()) return refuse(tool, "empty " + operand);
        line.operand = arg;
        operandGiven = true;
    }
    return line;
}

} // namespace

CommandLine parseCommandLine(const Tool& tool, std::span<const std::string_view> args) {
    CommandLine line = parseArguments(tool, args);
    line.name = tool.name;
    return line;
}

CommandLine parseCommandLine(const Tool& tool, int argc, char** argv) {
    std::vector<std::string_view> args;
    for (int i = 1; i < argc; ++i)
        args.emplace_back(argv[i]);
    return parseCommandLine(tool, args);
}

int answer(const CommandLine& line) {
    if (line.action == CommandLine::Action::Refuse) {
        std::fputs(line.text.c_str(), stderr);
        std::fflush(stderr);
        return 2;
    }
    std::fputs(line.text.c_str(), stdout);
    return finishOutput(line.name);
}

int finishOutput(std::string_view name) {
    errno = 0;
    if (std::fflush(stdout) == 0 && !std::ferror(stdout)) return 0;
    const int error = errno;
    std::fprintf(stderr, "%.*s: cannot write the output: %s\n", static_cast<int>(name.size()),
                 name.data(), error != 0 ? std::strerror(error) : "write error");
    return 1;
}

void printPowerStatus(const win::SYSTEM_POWER_STATUS& s) {
    std::printf("ACLineStatus=%u\nBatteryFlag=%u\nBatteryLifePercent=%u\nBatteryLifeTime=%ld\n"
                "BatteryFullLifeTime=%ld\n",
                static_cast<unsigned>(s.ACLineStatus), static_cast<unsigned>(s.BatteryFlag),
                static_cast<unsigned>(s.BatteryLifePercent), static_cast<long>(s.BatteryLifeTime),
                static_cast<long>(s.BatteryFullLifeTime));
}

} // namespace sorvane::app
