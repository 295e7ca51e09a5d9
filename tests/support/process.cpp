#include "support/process.h"

#include <dirent.h>
#include <fcntl.h>
#include <poll.h>
#include <sys/prctl.h>
#include <sys/wait.h>
#include <unistd.h>

#include <array>
#include <atomic>
#include <csignal>
#include <cstring>
#include <fstream>
#include <mutex>
#include <stdexcept>
#include <thread>

extern char** environ;

namespace sorvane::testsupport {
namespace {

// Fixed-size and lock-free so the signal handler can walk it.
std::array<std::atomic<pid_t>, 128> g_live{};

void remember(pid_t pid) {
    for (auto& slot : g_live) {
        pid_t empty = 0;
        if (slot.compare_exchange_strong(empty, pid)) return;
    }
}

void forget(pid_t pid) {
    for (auto& slot : g_live) {
        pid_t expected = pid;
        if (slot.compare_exchange_strong(expected, 0)) return;
    }
}

bool remembered(pid_t pid) {
    for (auto& slot : g_live)
        if (slot.load() == pid) return true;
    return false;
}

extern "C" void onFatalSignal(int sig) {
    for (auto& slot : g_live) {
        const pid_t pid = slot.load();
        if (pid > 0) ::kill(pid, SIGTERM);
    }
    ::signal(sig, SIG_DFL);
    ::raise(sig);
}

void installOnce() {
    static std::once_flag once;
    std::call_once(once, [] {
        // Orphaned grandchildren come back to us, so they can be ended by PID.
        ::prctl(PR_SET_CHILD_SUBREAPER, 1);
        struct sigaction sa {};
        sa.sa_handler = onFatalSignal;
        sigemptyset(&sa.sa_mask);
        for (int sig : {SIGINT, SIGTERM, SIGHUP})
            ::sigaction(sig, &sa, nullptr);
    });
}

std::vector<std::string> mergedEnvironment(const Env& overrides) {
    std::vector<std::string> merged;
    for (char** e = environ; e && *e; ++e) {
        const std::string entry(*e);
        const auto key = entry.substr(0, entry.find('='));
        bool overridden = false;
        for (const auto& o : overrides)
            if (o.substr(0, o.find('=')) == key) overridden = true;
        if (!overridden) merged.push_back(entry);
    }
    for (const auto& o : overrides)
        if (o.find('=') != std::string::npos) merged.push_back(o); // "KEY" alone unsets KEY
    return merged;
}

std::vector<char*> pointers(std::vector<std::string>& strings) {
    std::vector<char*> p;
    for (auto& s : strings)
        p.push_back(s.data());
    p.push_back(nullptr);
    return p;
}

// Runs in the forked child: only async-signal-safe work until exec.
[[noreturn]] void execChild(char* const* argv, char* const* envp, pid_t parent) {
    ::prctl(PR_SET_PDEATHSIG, SIGTERM);
    if (::getppid() != parent) ::_exit(127);
    sigset_t none;
    sigemptyset(&none);
    ::sigprocmask(SIG_SETMASK, &none, nullptr);
    ::execvpe(argv[0], argv, envp);
    ::_exit(127);
}

int exitCodeOf(int status) {
    if (WIFEXITED(status)) return WEXITSTATUS(status);
    if (WIFSIGNALED(status)) return 128 + WTERMSIG(status);
    return -1;
}

} // namespace

pid_t spawn(const std::vector<std::string>& argv, const Env& env, const std::string& logPath) {
    installOnce();
    if (argv.empty()) throw std::runtime_error("spawn: empty command");
    auto args = argv;
    auto envs = mergedEnvironment(env);
    auto argp = pointers(args);
    auto envp = pointers(envs);
    const int out = ::open(logPath.empty() ? "/dev/null" : logPath.c_str(),
                           O_WRONLY | O_CREAT | O_APPEND | O_CLOEXEC, 0644);
    const int in = ::open("/dev/null", O_RDONLY | O_CLOEXEC);
    if (out < 0 || in < 0) throw std::runtime_error("spawn: cannot open " + logPath);
    const pid_t parent = ::getpid();
    const pid_t pid = ::fork();
    if (pid == 0) {
        ::dup2(in, 0);
        ::dup2(out, 1);
        ::dup2(out, 2);
        execChild(argp.data(), envp.data(), parent);
    }
    ::close(out);
    ::close(in);
    if (pid < 0) throw std::runtime_error("spawn: fork failed for " + argv[0]);
    remember(pid);
    return pid;
}

bool isRunning(pid_t pid, int* exitCode) {
    if (pid <= 0) return false;
    int status = 0;
    const pid_t r = ::waitpid(pid, &status, WNOHANG);
    if (r == 0) return true;
    if (r == pid) {
        forget(pid);
        if (exitCode) *exitCode = WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
    }
    // Not our child (a daemon's PID we were told): ask the kernel.
    if (r < 0 && errno == ECHILD) return ::kill(pid, 0) == 0;
    return false;
}

void endProcess(pid_t pid, std::chrono::milliseconds grace) {
    if (pid <= 0) return;
    ::kill(pid, SIGTERM);
    const auto deadline = std::chrono::steady_clock::now() + grace;
    while (isRunning(pid) && std::chrono::steady_clock::now() < deadline)
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    if (isRunning(pid)) {
        ::kill(pid, SIGKILL);
        int status = 0;
        ::waitpid(pid, &status, 0);
    }
    forget(pid);
}

void endOrphans() {
    const pid_t self = ::getpid();
    for (int round = 0; round < 3; ++round) {
        std::vector<pid_t> orphans;
        if (DIR* proc = ::opendir("/proc")) {
            while (dirent* e = ::readdir(proc)) {
                const pid_t pid = static_cast<pid_t>(std::atoi(e->d_name));
                if (pid <= 0) continue;
                std::ifstream stat(std::string("/proc/") + e->d_name + "/stat");
                std::string all((std::istreambuf_iterator<char>(stat)), {});
                const auto close = all.rfind(')');
                if (close == std::string::npos) continue;
                char state = 0;
                int ppid = 0;
                if (std::sscanf(all.c_str() + close + 1, " %c %d", &state, &ppid) != 2) continue;
                if (ppid == self && !remembered(pid)) orphans.push_back(pid);
            }
            ::closedir(proc);
        }
        if (orphans.empty()) return;
        for (pid_t pid : orphans)
            endProcess(pid, std::chrono::milliseconds(1000));
    }
}

RunResult run(const std::vector<std::string>& argv, const Env& env,
              std::chrono::milliseconds timeout) {
    installOnce();
    RunResult result;
    auto args = argv;
    auto envs = mergedEnvironment(env);
    auto argp = pointers(args);
    auto envp = pointers(envs);
    int outPipe[2], errPipe[2];
    if (::pipe2(outPipe, O_CLOEXEC) != 0 || ::pipe2(errPipe, O_CLOEXEC) != 0)
        throw std::runtime_error("run: pipe failed");
    const int in = ::open("/dev/null", O_RDONLY | O_CLOEXEC);
    const auto start = std::chrono::steady_clock::now();
    const pid_t parent = ::getpid();
    const pid_t pid = ::fork();
    if (pid == 0) {
        ::dup2(in, 0);
        ::dup2(outPipe[1], 1);
        ::dup2(errPipe[1], 2);
        execChild(argp.data(), envp.data(), parent);
    }
    ::close(in);
    ::close(outPipe[1]);
    ::close(errPipe[1]);
    if (pid < 0) throw std::runtime_error("run: fork failed");
    remember(pid);
    pollfd fds[2] = {{outPipe[0], POLLIN, 0}, {errPipe[0], POLLIN, 0}};
    std::string* sinks[2] = {&result.out, &result.err};
    int open = 2;
    while (open > 0) {
        const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
            start + timeout - std::chrono::steady_clock::now());
        if (left.count() <= 0) break;
        if (::poll(fds, 2, static_cast<int>(left.count())) <= 0) continue;
        for (int i = 0; i < 2; ++i) {
            if (fds[i].fd < 0 || !(fds[i].revents & (POLLIN | POLLHUP | POLLERR))) continue;
            char buf[4096];
            const ssize_t n = ::read(fds[i].fd, buf, sizeof buf);
            if (n > 0) {
                sinks[i]->append(buf, static_cast<size_t>(n));
            } else {
                ::close(fds[i].fd);
                fds[i].fd = -1;
                --open;
            }
        }
    }
    for (auto& f : fds)
        if (f.fd >= 0) ::close(f.fd);
    // The output may close a moment before the process ends.
    int status = 0;
    while (::waitpid(pid, &status, WNOHANG) == 0) {
        if (std::chrono::steady_clock::now() >= start + timeout) {
            ::kill(pid, SIGKILL);
            ::waitpid(pid, &status, 0);
            break;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(2));
    }
    forget(pid);
    result.exitCode = exitCodeOf(status);
    result.elapsed = std::chrono::duration_cast<std::chrono::milliseconds>(
        std::chrono::steady_clock::now() - start);
    return result;
}

std::vector<std::string> inPowerNamespace(const std::string& fixtureDir,
                                          const std::vector<std::string>& argv) {
    std::vector<std::string> wrapped = {"unshare",
                                        ::geteuid() == 0 ? "-m" : "-rm",
                                        "--propagation",
                                        "private",
                                        "--",
                                        "sh",
                                        "-c",
                                        "mount --bind \"$0\" /sys/class/power_supply && "
                                        "exec \"$@\"",
                                        fixtureDir};
    wrapped.insert(wrapped.end(), argv.begin(), argv.end());
    return wrapped;
}

bool powerNamespaceAvailable() {
    if (::access("/sys/class/power_supply", F_OK) != 0) return false;
    return run(inPowerNamespace("/tmp", {"true"})).exitCode == 0;
}

} // namespace sorvane::testsupport
