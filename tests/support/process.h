// Child processes for end-to-end tests, ended by PID whatever happens.
//
// Every child started here is registered; a SIGINT/SIGTERM/SIGHUP handler and the owners'
// destructors end them (SIGTERM, then SIGKILL after a bounded wait). Children also get
// PR_SET_PDEATHSIG, so a test killed outright takes them along. The test process becomes a
// child subreaper: daemons that double-fork (dbus-daemon, xfconfd) are re-parented to it and
// ended by PID too (see endOrphans).
#pragma once

#include <sys/types.h>

#include <chrono>
#include <string>
#include <vector>

namespace sorvane::testsupport {

// "KEY=VALUE" entries layered over the current environment.
using Env = std::vector<std::string>;

// Starts argv[0] (looked up in PATH) with the environment overrides; stdout and stderr go to
// logPath (or /dev/null when empty). Throws std::runtime_error when it cannot start.
pid_t spawn(const std::vector<std::string>& argv, const Env& env = {},
            const std::string& logPath = "");

// Ends one child: SIGTERM, waits up to `grace`, then SIGKILL; reaps it. Safe on a dead PID.
void endProcess(pid_t pid, std::chrono::milliseconds grace = std::chrono::milliseconds(2000));

// True while the child runs (reaps it when it has exited, and then stores its exit code, 128 +
// signal when killed, in *exitCode when given).
bool isRunning(pid_t pid, int* exitCode = nullptr);

// Ends every process re-parented to this one (orphaned grandchildren), by PID.
void endOrphans();

struct RunResult {
    int exitCode = -1; // 128+signal when killed by a signal
    std::string out;
    std::string err;
    std::chrono::milliseconds elapsed{0};
};

// Runs a command to its end, capturing its output; killed after `timeout`.
RunResult run(const std::vector<std::string>& argv, const Env& env = {},
              std::chrono::milliseconds timeout = std::chrono::seconds(30));

// Wraps argv so it runs in a private mount namespace where `fixtureDir` is bound over
// /sys/class/power_supply (`unshare -m`, or `unshare -rm` when not root).
std::vector<std::string> inPowerNamespace(const std::string& fixtureDir,
                                          const std::vector<std::string>& argv);

// Whether inPowerNamespace can work on this machine (tests skip cleanly otherwise).
bool powerNamespaceAvailable();

} // namespace sorvane::testsupport
