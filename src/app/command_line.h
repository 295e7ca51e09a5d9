// The command lines of sorvane, sorvane-power and sorvane-power.exe: --help, --version, and the
// one folder sorvane-power may take. Portable, so every build answers the same way.
#pragma once

#include "platform/os_services.h"

#include <span>
#include <string>
#include <string_view>

namespace sorvane::app {

struct Tool {
    std::string_view name;    // as typed: "sorvane"
    std::string_view operand; // the optional operand's name in the usage, "" when none is taken
    std::string_view about;   // the lines of --help after the usage line
};

struct CommandLine {
    enum class Action { Run, Help, Version, Refuse };
    Action action = Action::Run;
    std::string operand;   // when one was given
    std::string text;      // the help or version text (stdout), or the one line of refusal (stderr)
    std::string_view name; // the tool's, for a line about output that could not be written
};

std::string versionText(std::string_view name);

// `args` without the program's own name.
CommandLine parseCommandLine(const Tool& tool, std::span<const std::string_view> args);
CommandLine parseCommandLine(const Tool& tool, int argc, char** argv);

// Prints what the command line asked for and returns the exit code: 0 for --help and --version,
// 2 for a refusal, 1 when the output could not be written. Not to be called for Action::Run.
int answer(const CommandLine& line);

// The exit code once everything is printed: 0, or 1 with one line on stderr when stdout could
// not take it (a full disk, a closed pipe): lost output is not a success.
int finishOutput(std::string_view name);

// Prints the power record as sorvane-power shows it, one field a line: what a bug report
// carries and what the tests compare, the same from both builds.
void printPowerStatus(const win::SYSTEM_POWER_STATUS& s);

// Why `path` cannot be read as a folder, in a few words; empty when it can.
std::string folderProblem(const std::string& path);

} // namespace sorvane::app
