// Wine's relay trace of a program's own system calls, read back as calls, and checked step by
// step against the sequences of a contract file (call_contract.txt).
#pragma once

#include <cstdint>
#include <map>
#include <optional>
#include <string>
#include <vector>

namespace sorvane::wine {

struct TracedCall {
    double ms = 0;                   // Wine's tick count at the call
    std::string function;            // "SetWindowPos", without its DLL
    std::vector<std::uint32_t> args; // each argument's low 32 bits: ints arrive sign-dirty
    std::vector<std::optional<std::string>> texts; // per argument: its string, unescaped to UTF-8
    std::optional<std::uint32_t> result;
    std::size_t end = 0; // byte offset in the log just past the call's line
};

// Reads the calls of the process that loaded `exeName` ("Sorvane.exe") from a log written with
// WINEDEBUG=+timestamp,+pid,+loaddll,+relay; Wine's own processes started along with it (the
// desktop) are left out. Lines it does not know are skipped. A call whose return has not been
// logged yet has no result.
std::vector<TracedCall> parseRelayTrace(const std::string& log, const std::string& exeName);

// One step of the contract: the calls a piece of behaviour makes, in order.
struct ExpectedCall {
    std::string function;
    std::vector<std::string> args; // "Main", "-20", "0x10", "layered", "*", "\"text\"", "low:0x40"
    std::string result;            // "", "0" or "!0"
    int times = 1;
};
struct ContractStep {
    std::string name;
    bool repeats = false; // the whole sequence, once or more
    std::vector<ExpectedCall> calls;
};
std::map<std::string, ContractStep> readContract(const std::string& path);

// Names the program's windows, and the shell windows as the program found them.
using Handles = std::map<std::string, std::uint32_t>;

// Whether `calls` (from the step's start) hold the step. Calls the step does not speak of are
// set aside first: readings (GetSystemPowerStatus) and key polls that saw nothing (a
// GetAsyncKeyState returning 0). On a match, `used` is how many of `calls` it took; otherwise
// `why` tells the first difference in words, and `complete` whether more calls could still
// make it match.
struct StepCheck {
    bool matched = false;
    bool complete = false;
    std::size_t used = 0;
    std::string why;
};
StepCheck checkStep(const ContractStep& step, const std::vector<TracedCall>& calls,
                    Handles& handles);

std::string describe(const TracedCall& call, const Handles& handles);

} // namespace sorvane::wine
