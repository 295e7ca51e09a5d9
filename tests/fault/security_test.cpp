// What the running gauge keeps, writes and connects to. It sees every key of the session (the
// server sends them all to its key reader), so it must keep none but F5 to F8; it keeps no
// files and talks to nothing but the X server and the session bus.
// GoogleTest first: Xlib's macros (None, Bool, ...) would break its templates.
#include <gtest/gtest.h>

#include "fault/fault_desk.h"

#include <fcntl.h>
#include <unistd.h>

#include <csignal>
#include <cstring>
#include <fstream>
#include <regex>
#include <sstream>

namespace {

using namespace sorvane::fault;
using Clock = std::chrono::steady_clock;

void type(Display* d, const std::string& text) {
    for (char c : text) {
        if (c >= 'a' && c <= 'z')
            tapKey(d, XK_a + static_cast<unsigned long>(c - 'a'));
        else if (c >= '0' && c <= '9')
            tapKey(d, XK_0 + static_cast<unsigned long>(c - '0'));
        else if (c == ' ')
            tapKey(d, XK_space);
        else if (c == '\n')
            tapKey(d, XK_Return);
    }
}

std::string utf16(const std::string& ascii) {
    std::string out;
    for (char c : ascii) {
        out += c;
        out += '\0';
    }
    return out;
}

// Searches every readable mapping of a process for each pattern; returns the bytes read and,
// per pattern, whether it was found.
std::pair<std::size_t, std::vector<bool>> searchMemory(pid_t pid,
                                                       const std::vector<std::string>& patterns) {
    std::vector<bool> found(patterns.size(), false);
    std::size_t total = 0;
    std::ifstream maps("/proc/" + std::to_string(pid) + "/maps");
    const int mem = ::open(("/proc/" + std::to_string(pid) + "/mem").c_str(), O_RDONLY);
    if (mem < 0) return {0, found};
    std::size_t longest = 0;
    for (const auto& p : patterns)
        longest = std::max(longest, p.size());
    std::vector<char> buffer(1 << 20);
    for (std::string line; std::getline(maps, line);) {
        unsigned long start = 0, end = 0;
        char perms[5] = {};
        if (std::sscanf(line.c_str(), "%lx-%lx %4s", &start, &end, perms) != 3) continue;
        if (perms[0] != 'r' || line.find("[vvar") != std::string::npos ||
            line.find("[vsyscall]") != std::string::npos)
            continue;
        std::string carry; // the tail of the previous chunk, for matches across chunks
        for (unsigned long at = start; at < end;) {
            const std::size_t want = std::min<unsigned long>(buffer.size(), end - at);
            const ssize_t got = ::pread(mem, buffer.data(), want, static_cast<off_t>(at));
            if (got <= 0) break;
            total += static_cast<std::size_t>(got);
            std::string chunk = carry;
            chunk.append(buffer.data(), static_cast<std::size_t>(got));
            for (std::size_t i = 0; i < patterns.size(); ++i)
                if (!found[i] && chunk.find(patterns[i]) != std::string::npos) found[i] = true;
            carry = chunk.substr(chunk.size() > longest ? chunk.size() - longest : 0);
            at += static_cast<unsigned long>(got);
        }
    }
    ::close(mem);
    return {total, found};
}

struct Security : ::testing::Test {
    void SetUp() override {
        if (!powerNamespaceAvailable()) GTEST_SKIP() << "no private mount namespace here";
        if (run({"strace", "-V"}).exitCode != 0) GTEST_SKIP() << "no strace here";
    }
};

// The file-system calls that change something; none is allowed.
const std::vector<std::string> kChangingCalls = {
    "creat",     "mkdir",     "mkdirat", "unlink",   "unlinkat",  "rmdir",      "rename",
    "renameat",  "renameat2", "link",    "linkat",   "symlink",   "symlinkat",  "chmod",
    "fchmodat",  "chown",     "lchown",  "fchownat", "truncate",  "utime",      "utimes",
    "utimensat", "mknod",     "mknodat", "setxattr", "lsetxattr", "removexattr"};

TEST_F(Security, TypedTextIsNotKeptNoFileIsWrittenNoNetworkIsUsed) {
    GaugeDesk desk(/*picom*/ false, /*pcmanfm*/ false);
    Display* d = desk.d();
    // The beep goes to ALSA's null device, and the system's ALSA configuration is left out: from
    // there a desktop's PulseAudio or PipeWire plugin would take the default device over and
    // keep runtime files of its own, which are not the program's.
    std::ofstream(desk.session().path("asound.conf")) << "pcm.!default { type null }\n";
    const std::string trace = desk.session().path("strace.log");
    desk.power().onBattery(55, 90);
    const pid_t wrapper =
        desk.start({"strace", "-f", "-qq", "-y", "-s", "0", "-e",
                    "trace=%file,%network,write,writev,pwrite64,pwritev,pwritev2", "-o", trace});
    pid_t gauge = 0;
    ASSERT_TRUE(waitUntil(
        [&] {
            for (pid_t child : childrenOf(wrapper))
                if (exeOf(child).ends_with("/sorvane")) gauge = child;
            return gauge != 0;
        },
        10s))
        << desk.log();
    const Window main = waitForRevealedGauge(desk);
    ASSERT_NE(main, 0u) << desk.log();

    const std::string sentence = "quinze renards 4096 zibelines";
    const std::string other = "onyx 77 wapiti";
    {
        SCOPED_TRACE("typing to the gauge, then to another window; keys and menu in use");
        XSetInputFocus(d, main, RevertToPointerRoot, CurrentTime);
        XSync(d, False);
        Window focus = 0;
        int revert = 0;
        ASSERT_TRUE(waitUntil([&] {
            XGetInputFocus(d, &focus, &revert);
            return focus == main;
        }));
        type(d, sentence + "\n");
        const Window elsewhere = createWindow(d, 400, 300, 200, 150, 0x3366aa, "elsewhere");
        XSetInputFocus(d, elsewhere, RevertToPointerRoot, CurrentTime);
        XSync(d, False);
        type(d, other + "\n");

        // Each hot key twice, each press seen before the next (the keys are polled).
        const auto panelShown = [&] {
            const Window p = tint2Panel(d);
            return p && isViewable(d, p);
        };
        // Traced, each of the program's round trips is slow: allow for it.
        tapKey(d, XK_F5);
        tapKey(d, XK_F6);
        ASSERT_TRUE(waitUntil([&] { return !panelShown(); }, 15s)) << "F6 did not hide the panel";
        tapKey(d, XK_F5);
        tapKey(d, XK_F6);
        ASSERT_TRUE(waitUntil(panelShown, 15s)) << "F6 did not show the panel";
        tapKey(d, XK_F7);
        tapKey(d, XK_F7);
        ASSERT_TRUE(choose(desk, main, 4, 3)); // 3 barre
        ASSERT_TRUE(answer(desk, "Touche Rappel"));
        tapKey(d, XK_F8);
        ASSERT_TRUE(waitUntil([&] { return gaugeShows(desk.shot()); }, 3s)) << "F8 did not recall";
        ASSERT_TRUE(choose(desk, main, 5)); // about
        ASSERT_TRUE(answer(desk, "Sorvane"));
        // Below 5 %: the blink and the beep.
        desk.power().onBattery(4, 10);
        EXPECT_TRUE(waitUntil([&] { return shownLevel(desk.shot()) == 0; }, 4s));
        EXPECT_TRUE(waitUntil([&] { return shownLevel(desk.shot()) == 1; }, 3s));
        ASSERT_TRUE(desk.running()) << desk.log();
    }
    {
        SCOPED_TRACE("its memory holds no typed text");
        // Found: proof that the search reads the program's memory, as bytes and as Qt's text
        // (the application's name lives as long as the program).
        const std::vector<std::string> present = {"Touche Rappel", utf16("sorvane")};
        std::vector<std::string> absent;
        for (const std::string& typed : {sentence, std::string("renards 4096"),
                                         std::string("zibelines"), other, std::string("wapiti")}) {
            absent.push_back(typed);
            absent.push_back(utf16(typed));
        }
        std::vector<std::string> all = present;
        all.insert(all.end(), absent.begin(), absent.end());
        const auto [bytes, found] = searchMemory(gauge, all);
        EXPECT_GT(bytes, 10u << 20) << "too little memory read";
        for (std::size_t i = 0; i < present.size(); ++i)
            EXPECT_TRUE(found[i]) << "control pattern " << i << " not found in " << bytes
                                  << " bytes";
        for (std::size_t i = 0; i < absent.size(); ++i)
            EXPECT_FALSE(found[present.size() + i]) << "typed text kept: \"" << absent[i] << "\" ("
                                                    << (i % 2 ? "UTF-16" : "bytes") << ")";
    }

    ::kill(gauge, SIGTERM);
    ASSERT_TRUE(waitUntil([&] { return !desk.running(); }, 5s)) << "strace did not end";
    const std::string runtimeDir = desk.session().path("runtime");
    // Should the audio stack still be reached, its own runtime files are told apart.
    const auto audioStack = [&](const std::string& line) {
        for (const std::string& dir :
             {runtimeDir + "/pulse", runtimeDir + "/pipewire", desk.session().path("config/pulse"),
              std::string("/dev/shm/pulse-shm")})
            if (line.find("\"" + dir) != std::string::npos) return true;
        return false;
    };
    int audioFiles = 0;
    std::ifstream in(trace);
    std::ostringstream problems;
    int opens = 0, sockets = 0, writes = 0;
    const std::regex call(R"(^\d+\s+(\w+)\()");
    for (std::string line; std::getline(in, line);) {
        std::smatch m;
        if (!std::regex_search(line, m, call)) continue;
        const std::string name = m[1];
        if (name == "open" || name == "openat" || name == "openat2") {
            ++opens;
            const auto q1 = line.find('"');
            const auto q2 = line.find('"', q1 + 1);
            if (q1 == std::string::npos || q2 == std::string::npos) continue;
            const std::string path = line.substr(q1 + 1, q2 - q1 - 1);
            const std::string flags = line.substr(q2 + 1);
            const bool writing =
                std::regex_search(flags, std::regex(R"(O_WRONLY|O_RDWR|O_CREAT|O_TRUNC|O_APPEND)"));
            // The beep's sound device, and /dev/null; nothing else is opened for writing.
            if (writing && audioStack(line))
                ++audioFiles;
            else if (writing && !path.starts_with("/dev/snd/") && path != "/dev/null")
                problems << "opened for writing: " << line << "\n";
        } else if (std::find(kChangingCalls.begin(), kChangingCalls.end(), name) !=
                   kChangingCalls.end()) {
            // Qt makes sure the session's runtime folder exists (0700): it is there already.
            if (name == "mkdir" && line.find("\"" + runtimeDir + "\"") != std::string::npos &&
                line.find("EEXIST") != std::string::npos)
                continue;
            if (audioStack(line)) {
                ++audioFiles;
                continue;
            }
            problems << "changed the file system: " << line << "\n";
        } else if (name == "socket") {
            ++sockets;
            // Local sockets only: the X server and the session bus.
            if (line.find("AF_UNIX") == std::string::npos &&
                line.find("AF_LOCAL") == std::string::npos)
                problems << "non-local socket: " << line << "\n";
        } else if (name == "connect" || name == "sendto" || name == "bind") {
            if (line.find("sa_family=AF_UNIX") == std::string::npos &&
                line.find("NULL") == std::string::npos)
                problems << "non-local address: " << line << "\n";
        } else if (name.starts_with("write") || name.starts_with("pwrite")) {
            ++writes;
            // Sockets, pipes and event counters between its own threads and to the servers;
            // its standard output and error. No file.
            const std::regex target(R"(^\d+\s+\w+\((\d+)(<[^>]*>)?)");
            std::smatch t;
            if (!std::regex_search(line, t, target)) continue;
            const int fd = std::stoi(t[1]);
            const std::string what = t[2];
            const bool ok = fd == 1 || fd == 2 || what.starts_with("<socket:") ||
                            what.starts_with("<pipe:") || what.starts_with("<anon_inode:") ||
                            what == "</dev/null>" || what.starts_with("</dev/snd/");
            if (!ok) problems << "wrote: " << line << "\n";
        }
    }
    EXPECT_GT(opens, 10) << "the trace saw no file opened: " << trace;
    EXPECT_GT(sockets, 0) << "the trace saw no socket";
    EXPECT_GT(writes, 10) << "the trace saw no write";
    EXPECT_EQ(problems.str(), "");
    EXPECT_EQ(audioFiles, 0) << "the audio stack was reached despite the null device";
}

} // namespace
