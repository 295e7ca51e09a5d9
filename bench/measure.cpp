#include "bench/measure.h"

#include <poll.h>
#include <sys/inotify.h>
#include <unistd.h>

#include <array>
#include <fstream>
#include <sstream>
#include <stdexcept>
#include <vector>

namespace sorvane::bench {

namespace {

std::string readAll(const fs::path& path) {
    std::ifstream in(path);
    return std::string((std::istreambuf_iterator<char>(in)), {});
}

// The number after "key:" in a /proc status file, 0 when absent.
long statusField(const std::string& status, const std::string& key) {
    const auto at = status.find("\n" + key + ":");
    if (at == std::string::npos) return 0;
    return std::atol(status.c_str() + at + key.size() + 2);
}

} // namespace

ProcSample sampleProcess(pid_t pid) {
    ProcSample s;
    const fs::path dir = "/proc/" + std::to_string(pid);
    const std::string stat = readAll(dir / "stat");
    const auto close = stat.rfind(')');
    if (close == std::string::npos) return s;
    // After the command: state, then ten fields, then utime and stime in clock ticks.
    std::istringstream fields(stat.substr(close + 2));
    std::string skip;
    for (int i = 0; i < 11; ++i)
        fields >> skip;
    unsigned long long utime = 0, stime = 0;
    if (!(fields >> utime >> stime)) return s;
    s.cpuSeconds = static_cast<double>(utime + stime) / static_cast<double>(::sysconf(_SC_CLK_TCK));
    const std::string status = "\n" + readAll(dir / "status");
    s.peakRssKb = statusField(status, "VmHWM");
    s.rssAnonKb = statusField(status, "RssAnon");
    s.rssFileKb = statusField(status, "RssFile");
    s.rssShmemKb = statusField(status, "RssShmem");
    std::error_code ec;
    for (const auto& task : fs::directory_iterator(dir / "task", ec)) {
        s.voluntary +=
            statusField("\n" + readAll(task.path() / "status"), "voluntary_ctxt_switches");
        s.onCpuSeconds += std::atof(readAll(task.path() / "schedstat").c_str()) / 1e9;
    }
    s.ok = !ec;
    return s;
}

std::string commandName(pid_t pid) {
    std::string name = readAll("/proc/" + std::to_string(pid) + "/comm");
    while (!name.empty() && name.back() == '\n')
        name.pop_back();
    return name;
}

// ---- OpenCounter ----

OpenCounter::OpenCounter() : fd_(::inotify_init1(IN_NONBLOCK | IN_CLOEXEC)) {
    if (fd_ < 0) throw std::runtime_error("inotify_init1 failed");
}

OpenCounter::~OpenCounter() {
    ::close(fd_);
}

void OpenCounter::watch(const std::string& program, const fs::path& tree) {
    std::vector<fs::path> dirs{tree};
    for (const auto& e : fs::directory_iterator(tree))
        if (e.is_directory()) dirs.push_back(e.path());
    for (const auto& dir : dirs) {
        const int wd = ::inotify_add_watch(fd_, dir.c_str(), IN_OPEN);
        if (wd < 0) throw std::runtime_error("inotify_add_watch failed on " + dir.string());
        owners_[wd] = program;
    }
}

void OpenCounter::forgetAll() {
    for (const auto& [wd, program] : owners_)
        ::inotify_rm_watch(fd_, wd);
    owners_.clear();
    discard();
}

void OpenCounter::readEvents(bool keep) {
    alignas(inotify_event) std::array<char, 64 * 1024> buffer;
    for (;;) {
        const ssize_t n = ::read(fd_, buffer.data(), buffer.size());
        if (n <= 0) return;
        for (ssize_t at = 0; at < n;) {
            const auto* e = reinterpret_cast<const inotify_event*>(buffer.data() + at);
            if (keep && (e->mask & IN_OPEN)) {
                const auto owner = owners_.find(e->wd);
                if (owner != owners_.end()) ++counts_[owner->second];
            }
            at += static_cast<ssize_t>(sizeof(inotify_event) + e->len);
        }
    }
}

void OpenCounter::discard() {
    readEvents(false);
}

void OpenCounter::countUntil(SteadyClock::time_point deadline) {
    for (;;) {
        const auto left =
            std::chrono::duration_cast<std::chrono::milliseconds>(deadline - SteadyClock::now());
        if (left.count() <= 0) break;
        pollfd p{fd_, POLLIN, 0};
        if (::poll(&p, 1, static_cast<int>(left.count())) > 0) readEvents(true);
    }
    readEvents(true);
}

long OpenCounter::count(const std::string& program) const {
    const auto it = counts_.find(program);
    return it == counts_.end() ? 0 : it->second;
}

// ---- xtrace's log ----

std::uintmax_t fileSize(const fs::path& path) {
    std::error_code ec;
    const auto size = fs::file_size(path, ec);
    return ec ? 0 : size;
}

// xtrace writes one line per request, e.g.
//   000:<:0004: 24: Request(20): GetProperty delete=false(0x00) window=...
//   001:<:0002:  4: BIG-REQUESTS-Request(133,0): Enable
XRequests countRequests(const fs::path& log, std::uintmax_t from, std::uintmax_t to) {
    XRequests r;
    if (to <= from) return r;
    std::ifstream in(log, std::ios::binary);
    std::string text(to - from, '\0');
    in.seekg(static_cast<std::streamoff>(from));
    in.read(text.data(), static_cast<std::streamsize>(text.size()));
    text.resize(static_cast<std::size_t>(in.gcount()));
    std::istringstream lines(text);
    std::string line;
    bool first = true;
    while (std::getline(lines, line)) {
        // A window that starts inside a line counts from the next one.
        if (first && from > 0) {
            first = false;
            char before = 0;
            std::ifstream probe(log, std::ios::binary);
            probe.seekg(static_cast<std::streamoff>(from - 1));
            probe.get(before);
            if (before != '\n') continue;
        }
        first = false;
        if (line.size() < 6 || line.compare(3, 3, ":<:") != 0) continue;
        const auto request = line.find("Request(");
        if (request == std::string::npos) continue;
        const auto colon = line.find("): ", request);
        if (colon == std::string::npos) continue;
        // "BIG-REQUESTS-Request(" names the extension; a core request has nothing before it
        // but the sequence number and length.
        std::string extension;
        const auto fieldStart = line.rfind(' ', request);
        if (fieldStart != std::string::npos && request > fieldStart + 1)
            extension = line.substr(fieldStart + 1, request - fieldStart - 2) + ".";
        const auto nameEnd = line.find(' ', colon + 3);
        ++r.total;
        ++r.byName[extension + line.substr(colon + 3, nameEnd == std::string::npos
                                                          ? std::string::npos
                                                          : nameEnd - colon - 3)];
    }
    return r;
}

} // namespace sorvane::bench
