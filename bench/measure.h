// What the desk benchmark reads about a running program, without slowing it down: the kernel's
// own accounting in /proc, inotify for the files it opens, and xtrace's log for its X requests.
#pragma once

#include <sys/types.h>

#include <chrono>
#include <cstdint>
#include <filesystem>
#include <map>
#include <string>

namespace sorvane::bench {

namespace fs = std::filesystem;
using SteadyClock = std::chrono::steady_clock;

struct ProcSample {
    bool ok = false;
    // utime + stime of every thread, dead ones included; counted in clock ticks (10 ms), too
    // coarse for a program that runs a few milliseconds a minute.
    double cpuSeconds = 0;
    // Time on a CPU of the live threads, to the nanosecond (schedstat).
    double onCpuSeconds = 0;
    long voluntary = 0; // voluntary context switches of the live threads
    long peakRssKb = 0; // VmHWM
    // The resident set now, by kind: heap and stacks, mapped files (libraries), shared memory.
    long rssAnonKb = 0, rssFileKb = 0, rssShmemKb = 0;
};
ProcSample sampleProcess(pid_t pid);
// The command name the kernel shows (empty once the process is gone).
std::string commandName(pid_t pid);

// Counts IN_OPEN on fixture trees, one tree per program.
class OpenCounter {
  public:
    OpenCounter();
    ~OpenCounter();
    OpenCounter(const OpenCounter&) = delete;
    OpenCounter& operator=(const OpenCounter&) = delete;

    // Watches the tree's folder and its sub-folders (one per supply); opens are put down to
    // `program`.
    void watch(const std::string& program, const fs::path& tree);
    void forgetAll();
    // Drops what came in so far.
    void discard();
    // Counts opens until `deadline`; it is also the wait of a measurement window.
    void countUntil(SteadyClock::time_point deadline);
    long count(const std::string& program) const;
    void reset() { counts_.clear(); }

  private:
    void readEvents(bool keep);
    int fd_ = -1;
    std::map<int, std::string> owners_;
    std::map<std::string, long> counts_;
};

// Requests a client sent through xtrace, read from its log between two sizes of the log.
struct XRequests {
    long total = 0;
    std::map<std::string, long> byName; // "GetProperty", "XInputExtension.XIQueryDevice", ...
};
std::uintmax_t fileSize(const fs::path& path);
XRequests countRequests(const fs::path& log, std::uintmax_t from, std::uintmax_t to);

} // namespace sorvane::bench
