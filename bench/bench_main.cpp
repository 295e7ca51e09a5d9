// sorvane-bench: what the gauge costs next to its peers, on one private desk, and what its
// headless core costs per simulated hour. `make bench` builds and runs it; it prints figures,
// never pass/fail, and writes the same text to the file named on its command line.
//
//   sorvane-bench [--runs 3] [--seconds 60] [--x-seconds 60] [--samples 20] RESULTS_FILE
#include "bench/bench_desk.h"
#include "bench/latency.h"
#include "bench/measure.h"

#include <sys/utsname.h>
#include <unistd.h>

#include <algorithm>
#include <cstdarg>
#include <cstdio>
#include <ctime>
#include <fstream>
#include <iostream>
#include <map>
#include <optional>
#include <sstream>

namespace {

using namespace sorvane::bench;
using namespace sorvane::testsupport;
using namespace std::chrono_literals;

struct Options {
    int runs = 3;
    int seconds = 60;
    int xSeconds = 60;
    int samples = 20;
    std::string results;
};

std::string format(const char* f, ...) __attribute__((format(printf, 1, 2)));
std::string format(const char* f, ...) {
    char buf[512];
    va_list args;
    va_start(args, f);
    std::vsnprintf(buf, sizeof buf, f, args);
    va_end(args);
    return buf;
}

double median(std::vector<double> v) {
    std::sort(v.begin(), v.end());
    const std::size_t n = v.size();
    return n % 2 ? v[n / 2] : (v[n / 2 - 1] + v[n / 2]) / 2;
}

std::string firstLine(const std::string& text) {
    return text.substr(0, text.find('\n'));
}

// ---- the desk ----

struct Figures {
    double cpuPercent = 0;     // from schedstat
    double tickCpuPercent = 0; // from utime + stime
    double wakeups = 0;        // per second
    double rssMiB = 0;
    double anonMiB = 0, fileMiB = 0, shmemMiB = 0; // at the end of the window
    double opens = 0;                              // per second
};

struct Pass {
    std::map<std::string, Figures> figures; // programs measured through the whole window
    std::map<std::string, XRequests> requests;
    std::map<std::string, std::string> problems;
    double seconds = 0;
};

Pass measure(BenchDesk& desk, OpenCounter& opens, int seconds) {
    Pass pass;
    std::vector<Contender*> measured;
    opens.forgetAll();
    opens.reset();
    for (auto& c : desk.contenders()) {
        if (!c.problem.empty()) {
            pass.problems[c.name] = c.problem;
            continue;
        }
        opens.watch(c.name, c.tree);
        measured.push_back(&c);
    }
    opens.discard();
    std::map<std::string, ProcSample> before;
    std::map<std::string, std::uintmax_t> logBefore;
    for (Contender* c : measured) {
        before[c->name] = sampleProcess(c->pid);
        if (c->xtrace) logBefore[c->name] = fileSize(c->xlog);
    }
    const auto t0 = SteadyClock::now();
    opens.countUntil(t0 + std::chrono::seconds(seconds));
    const auto t1 = SteadyClock::now();
    std::map<std::string, ProcSample> after;
    for (Contender* c : measured)
        after[c->name] = sampleProcess(c->pid);
    pass.seconds = std::chrono::duration<double>(t1 - t0).count();
    for (Contender* c : measured) {
        if (c->xtrace)
            pass.requests[c->name] = countRequests(c->xlog, logBefore[c->name], fileSize(c->xlog));
        const ProcSample& a = before[c->name];
        const ProcSample& b = after[c->name];
        if (!a.ok || !b.ok || commandName(c->pid) != c->name) {
            pass.problems[c->name] = "ended during the window";
            continue;
        }
        Figures f;
        f.cpuPercent = 100 * (b.onCpuSeconds - a.onCpuSeconds) / pass.seconds;
        f.tickCpuPercent = 100 * (b.cpuSeconds - a.cpuSeconds) / pass.seconds;
        f.wakeups = static_cast<double>(b.voluntary - a.voluntary) / pass.seconds;
        f.rssMiB = static_cast<double>(b.peakRssKb) / 1024;
        f.anonMiB = static_cast<double>(b.rssAnonKb) / 1024;
        f.fileMiB = static_cast<double>(b.rssFileKb) / 1024;
        f.shmemMiB = static_cast<double>(b.rssShmemKb) / 1024;
        f.opens = static_cast<double>(opens.count(c->name)) / pass.seconds;
        pass.figures[c->name] = f;
    }
    return pass;
}

// ---- the headless core under callgrind ----

struct HourCost {
    long long instructions = -1;
    std::string outcome; // the program's own line: handlers and what the user saw at the end
    std::string problem;
};

HourCost costOfHour(const std::string& policy, const fs::path& dir) {
    HourCost cost;
    const fs::path out = dir / ("callgrind-" + policy + ".out");
    const RunResult r = run({"valgrind", "--tool=callgrind", "--callgrind-out-file=" + out.string(),
                             "--collect-atstart=no", "--toggle-collect=sorvane_bench_hour",
                             SORVANE_BENCH_HOUR, policy},
                            {}, 600s);
    if (r.exitCode != 0) {
        cost.problem = "valgrind exited with " + std::to_string(r.exitCode) + ": " +
                       firstLine(r.err.empty() ? r.out : r.err);
        return cost;
    }
    cost.outcome = firstLine(r.out);
    std::ifstream in(out);
    std::string line;
    while (std::getline(in, line))
        if (line.starts_with("summary:") || line.starts_with("totals:"))
            cost.instructions = std::atoll(line.c_str() + line.find(':') + 1);
    if (cost.instructions < 0) cost.problem = "no summary in " + out.string();
    return cost;
}

// ---- the report ----

const std::vector<std::string> programs{"sorvane", "i3status", "conky", "cbatticon"};

std::optional<double> medianOf(const std::vector<Pass>& runs, const std::string& program,
                               double Figures::*field) {
    std::vector<double> v;
    for (const auto& run : runs) {
        const auto it = run.figures.find(program);
        if (it != run.figures.end()) v.push_back(it->second.*field);
    }
    if (v.empty()) return std::nullopt;
    return median(v);
}

std::string cell(std::optional<double> v, const char* f) {
    return v ? format(f, *v) : std::string("n/a");
}

std::string ratio(std::optional<double> ours, std::optional<double> theirs) {
    if (!ours || !theirs) return "n/a";
    if (*theirs == 0) return *ours == 0 ? "=" : "inf";
    return format("%.2f", *ours / *theirs);
}

std::string mark(bool met) {
    return met ? "met" : "NOT MET";
}

std::string gitDescription() {
    const RunResult r = run({"git", "-C", SORVANE_SOURCE_DIR, "log", "-1", "--format=%h %s"});
    const RunResult dirty =
        run({"git", "-C", SORVANE_SOURCE_DIR, "status", "--porcelain", "--untracked-files=no"});
    std::string s = firstLine(r.out);
    if (s.size() > 90) s = s.substr(0, 87) + "...";
    if (!dirty.out.empty()) s += " (+ uncommitted changes in the tree)";
    return s;
}

std::string loadAverage() {
    std::ifstream in("/proc/loadavg");
    double one = 0, five = 0;
    in >> one >> five;
    return format("%.2f (1 min), %.2f (5 min)", one, five);
}

Options parse(int argc, char** argv) {
    Options o;
    for (int i = 1; i < argc; ++i) {
        const std::string a = argv[i];
        const auto number = [&] { return i + 1 < argc ? std::atoi(argv[++i]) : 0; };
        if (a == "--runs")
            o.runs = number();
        else if (a == "--seconds")
            o.seconds = number();
        else if (a == "--x-seconds")
            o.xSeconds = number();
        else if (a == "--samples")
            o.samples = number();
        else if (!a.starts_with("--") && o.results.empty())
            o.results = a;
        else
            o.runs = 0;
    }
    if (o.runs < 1 || o.seconds < 1 || o.xSeconds < 1 || o.samples < 1 || o.results.empty()) {
        std::fprintf(stderr,
                     "usage: %s [--runs N] [--seconds S] [--x-seconds S] [--samples N] "
                     "RESULTS_FILE\n",
                     argv[0]);
        std::exit(2);
    }
    return o;
}

} // namespace

int main(int argc, char** argv) {
    const Options o = parse(argc, argv);
    const fs::path dir = fs::absolute(o.results).parent_path();
    fs::create_directories(dir);
    std::ostringstream r;
    const auto began = SteadyClock::now();
    const auto progress = [&](const std::string& s) {
        const auto t = std::chrono::duration<double>(SteadyClock::now() - began).count();
        std::cerr << format("[%5.1f s] ", t) << s << std::flush;
    };

    const std::time_t now = std::time(nullptr);
    char date[64];
    std::strftime(date, sizeof date, "%Y-%m-%d %H:%M:%S", std::localtime(&now));
    utsname u{};
    ::uname(&u);
    r << "Sorvane benchmark, " << date << "\n"
      << "Build: " << gitDescription() << "\n"
      << "Machine: " << u.machine << ", " << ::sysconf(_SC_NPROCESSORS_ONLN) << " cores, load "
      << loadAverage() << " at start\n";

    std::vector<Pass> runs;
    Pass xPass;
    Latencies keys, refresh;
    std::string deskProblem;
    std::string deskDescription;
    try {
        if (!powerNamespaceAvailable())
            throw std::runtime_error("no private mount namespace here (unshare -m)");
        BenchDesk desk;
        deskDescription = desk.describe();
        OpenCounter opens;
        for (int i = 1; i <= o.runs; ++i) {
            progress(format("run %d/%d: starting the four programs\n", i, o.runs));
            std::ostringstream notes;
            desk.start(false, {}, notes);
            if (!notes.str().empty()) progress(notes.str());
            progress(format("run %d/%d: measuring %d s\n", i, o.runs, o.seconds));
            runs.push_back(measure(desk, opens, o.seconds));
            desk.stopAll();
        }
        progress(format("X requests: the X clients behind xtrace, %d s\n", o.xSeconds));
        {
            std::ostringstream notes;
            desk.start(true, {"sorvane", "conky", "cbatticon"}, notes);
            if (!notes.str().empty()) progress(notes.str());
            xPass = measure(desk, opens, o.xSeconds);
            desk.stopAll();
        }
        progress(format("latencies: %d F8 presses, %d battery edits\n", o.samples, o.samples));
        {
            std::ostringstream notes;
            desk.start(false, {"sorvane"}, notes);
            keys = keyLatencies(desk, o.samples);
            refresh = refreshLatencies(desk, o.samples);
            desk.stopAll();
        }
    } catch (const std::exception& e) {
        deskProblem = e.what();
        progress("desk: " + deskProblem + "\n");
    }
    progress("headless core: one simulated hour per policy under callgrind\n");
    const HourCost clock = costOfHour("clock", dir);
    const HourCost idle = costOfHour("idle", dir);

    // ---- the desk table ----
    r << "\n== On the desk, side by side ==\n";
    if (!deskDescription.empty())
        r << deskDescription << ".\n"
          << "Each program reads its own copy of one fixture battery (discharging at 55 %, 90 min "
             "left),\nbound over /sys/class/power_supply in its own mount namespace. The peers "
             "read it every second,\nas sorvane does: i3status interval 1 (text to a log), conky "
             "update_interval 1 (own X window),\ncbatticon -u 1 (tray icon in tint2).\n"
          << "Window: " << o.seconds << " s, after sorvane's entrance and once every program is "
          << "up; " << runs.size() << " run(s); medians.\n";
    if (!deskProblem.empty()) r << "The desk could not be measured: " << deskProblem << "\n";
    if (!runs.empty()) {
        r << format("\n%-10s %10s %12s %13s %14s %10s\n", "", "CPU %", "wake-ups/s", "peak RSS MiB",
                    "sysfs opens/s", "X req/s");
        std::map<std::string, std::optional<double>> cpu, wake, rss, opensPerS, xPerS;
        for (const auto& p : programs) {
            cpu[p] = medianOf(runs, p, &Figures::cpuPercent);
            wake[p] = medianOf(runs, p, &Figures::wakeups);
            rss[p] = medianOf(runs, p, &Figures::rssMiB);
            opensPerS[p] = medianOf(runs, p, &Figures::opens);
            if (p == "i3status")
                xPerS[p] = 0.0; // no X client
            else if (xPass.requests.count(p) && !xPass.problems.count(p))
                xPerS[p] = static_cast<double>(xPass.requests[p].total) / xPass.seconds;
            r << format("%-10s %10s %12s %13s %14s %10s\n", p.c_str(), cell(cpu[p], "%.3f").c_str(),
                        cell(wake[p], "%.1f").c_str(), cell(rss[p], "%.1f").c_str(),
                        cell(opensPerS[p], "%.1f").c_str(),
                        (p == "i3status" ? std::string("no X") : cell(xPerS[p], "%.1f")).c_str());
        }
        r << "CPU: time on a CPU of every thread (/proc/PID/task/*/schedstat, in ns). utime + "
             "stime from\n/proc/PID/stat count 10 ms ticks, too coarse here; their medians:";
        for (const auto& p : programs)
            r << " " << p << " " << cell(medianOf(runs, p, &Figures::tickCpuPercent), "%.3f");
        r << ".\n";
        r << "Resident at the end of the window, heap + mapped files + shared memory (MiB):";
        for (const auto& p : programs)
            r << format(" %s %s + %s + %s", p.c_str(),
                        cell(medianOf(runs, p, &Figures::anonMiB), "%.1f").c_str(),
                        cell(medianOf(runs, p, &Figures::fileMiB), "%.1f").c_str(),
                        cell(medianOf(runs, p, &Figures::shmemMiB), "%.1f").c_str());
        r << ".\n";
        r << "\nPer run (CPU % / wake-ups per s):\n";
        for (const auto& p : programs) {
            r << format("  %-10s", p.c_str());
            for (const auto& run : runs) {
                const auto it = run.figures.find(p);
                r << (it == run.figures.end()
                          ? std::string("   n/a")
                          : format("  %.3f / %.1f", it->second.cpuPercent, it->second.wakeups));
            }
            r << "\n";
        }
        for (std::size_t i = 0; i < runs.size(); ++i)
            for (const auto& [p, why] : runs[i].problems)
                r << "  run " << i + 1 << ", " << p << ": " << firstLine(why) << "\n";

        r << format("\nX requests: a separate %.0f s pass with each X client behind its own xtrace "
                    "proxy\n(xtrace decodes every request and slows each round trip, so the CPU "
                    "and wake-up figures\nabove come from the runs without it).\n",
                    xPass.seconds);
        for (const auto& [p, why] : xPass.problems)
            if (p != "i3status") r << "  " << p << ": " << firstLine(why) << "\n";
        for (const auto& p : programs) {
            if (!xPass.requests.count(p) || xPass.problems.count(p)) continue;
            const XRequests& x = xPass.requests[p];
            r << format("  %-10s %ld requests", p.c_str(), x.total);
            std::vector<std::pair<long, std::string>> kinds;
            for (const auto& [name, n] : x.byName)
                kinds.push_back({n, name});
            std::sort(kinds.rbegin(), kinds.rend());
            for (std::size_t i = 0; i < kinds.size() && i < 6; ++i)
                r << (i == 0 ? ": " : ", ") << kinds[i].second << " " << kinds[i].first;
            if (kinds.size() > 6) r << ", ...";
            r << "\n";
        }

        r << "\nRatios sorvane / peer (below 1: sorvane costs less):\n";
        r << format("%-10s %10s %12s %13s %14s %10s\n", "", "CPU", "wake-ups", "peak RSS",
                    "sysfs opens", "X req");
        for (const auto& p : programs) {
            if (p == "sorvane") continue;
            r << format("%-10s %10s %12s %13s %14s %10s\n", p.c_str(),
                        ratio(cpu["sorvane"], cpu[p]).c_str(),
                        ratio(wake["sorvane"], wake[p]).c_str(),
                        ratio(rss["sorvane"], rss[p]).c_str(),
                        ratio(opensPerS["sorvane"], opensPerS[p]).c_str(),
                        p == "i3status" ? "n/a" : ratio(xPerS["sorvane"], xPerS[p]).c_str());
        }

        // ---- latencies ----
        r << "\n== Latencies of the running gauge (sorvane alone on the desk, no xtrace) ==\n";
        const auto latencyLine = [&](const char* what, const Latencies& l) {
            if (l.ms.empty()) {
                r << what << ": no sample (" << l.problem << ")\n";
                return;
            }
            r << format("%s: median %.1f ms, min %.1f, max %.1f (%zu samples)\n", what,
                        median(l.ms), *std::min_element(l.ms.begin(), l.ms.end()),
                        *std::max_element(l.ms.begin(), l.ms.end()), l.ms.size());
            r << "  in order:";
            for (double ms : l.ms)
                r << format(" %.1f", ms);
            r << "\n";
            if (!l.problem.empty()) r << "  stopped early: " << l.problem << "\n";
        };
        latencyLine("F8 press -> opacity back at 250", keys);
        latencyLine("battery edited -> new level picture on screen", refresh);
        r << "(The gauge reads the battery once a second; edits land at random points of that "
             "second.)\n";

        // ---- targets ----
        r << "\n== Targets (sorvane, medians unless said) ==\n";
        const auto target = [&](const std::string& what, std::optional<double> value, const char* f,
                                std::optional<bool> met) {
            r << format("  %-46s %12s   %s\n", what.c_str(), cell(value, f).c_str(),
                        met ? mark(*met).c_str() : "n/a");
        };
        const auto both = [](auto a, auto b) { return a && b; };
        target("wake-ups per idle second <= 2", wake["sorvane"], "%.1f",
               wake["sorvane"] ? std::optional(*wake["sorvane"] <= 2) : std::nullopt);
        target(format("CPU <= 1.5 x i3status (%s %%)", cell(cpu["i3status"], "%.3f").c_str()),
               cpu["sorvane"], "%.3f %%",
               both(cpu["sorvane"], cpu["i3status"])
                   ? std::optional(*cpu["sorvane"] <= 1.5 * *cpu["i3status"])
                   : std::nullopt);
        target(format("CPU <= 0.2 x cbatticon (%s %%)", cell(cpu["cbatticon"], "%.3f").c_str()),
               cpu["sorvane"], "%.3f %%",
               both(cpu["sorvane"], cpu["cbatticon"])
                   ? std::optional(*cpu["sorvane"] <= 0.2 * *cpu["cbatticon"])
                   : std::nullopt);
        target("X requests per idle second = 0", xPerS["sorvane"], "%.2f",
               xPerS["sorvane"] ? std::optional(*xPerS["sorvane"] == 0) : std::nullopt);
        // In kB as the kernel counts it, so neither reading of "MB" hides a near miss.
        target("peak RSS <= 30 MiB = 30720 kB (VmHWM)",
               rss["sorvane"] ? std::optional(*rss["sorvane"] * 1024) : std::nullopt, "%.0f kB",
               rss["sorvane"] ? std::optional(*rss["sorvane"] <= 30) : std::nullopt);
        const auto keyMedian = keys.ms.empty() ? std::nullopt : std::optional(median(keys.ms));
        target("F8 -> gauge back <= 20 ms", keyMedian, "%.1f ms",
               keyMedian ? std::optional(*keyMedian <= 20) : std::nullopt);
        const auto refreshMax =
            refresh.ms.empty()
                ? std::nullopt
                : std::optional(*std::max_element(refresh.ms.begin(), refresh.ms.end()));
        target("battery change -> new picture <= 1020 ms (max)", refreshMax, "%.1f ms",
               refreshMax ? std::optional(*refreshMax <= 1020) : std::nullopt);
    }

    // ---- the headless core ----
    r << "\n== Headless core: one simulated hour of use (callgrind, instructions) ==\n"
      << "Discharge of a point every 3 min from 80 %, F5 F5 F6 F6 F7 F7, hidden until one bar "
         "then F8;\ncounted inside the simulation only (--toggle-collect), start-up and its "
         "entrance included.\n";
    const auto hourLine = [&](const char* name, const HourCost& c) {
        if (!c.problem.empty()) {
            r << format("  %-20s %s\n", name, c.problem.c_str());
            return;
        }
        r << format("  %-20s %15lld instructions   [%s]\n", name, c.instructions,
                    c.outcome.c_str());
    };
    hourLine("Policy::Clock", clock);
    hourLine("Policy::IdleAware", idle);
    if (clock.instructions > 0 && idle.instructions > 0) {
        r << format("  IdleAware / Clock: %.4f\n", static_cast<double>(idle.instructions) /
                                                       static_cast<double>(clock.instructions));
        const auto tail = [](const std::string& s) { return s.substr(s.find("outcome:")); };
        if (clock.outcome.find("outcome:") != std::string::npos &&
            idle.outcome.find("outcome:") != std::string::npos)
            r << "  Outcome at the end of the hour: "
              << (tail(clock.outcome) == tail(idle.outcome) ? "the same under both policies"
                                                            : "DIFFERENT between the policies")
              << "\n";
    }
    r << "\nLoad at the end: " << loadAverage() << "\n";

    progress("done\n");
    std::cout << r.str() << std::flush;
    std::ofstream(o.results) << r.str();
    std::cerr << "written to " << o.results << "\n";
    return deskProblem.empty() ? 0 : 1;
}
