// The sysfs power reader on real laptops' layouts, through the sorvane-power tool users run, and
// in-process for what a fixture cannot show (failing reads, fresh reads).
#include <gtest/gtest.h>

#include <map>

#include "platform/linux/sysfs_power.h"
#include "support/process.h"

#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <functional>

namespace {

using namespace sorvane;
using sorvane::linuxos::parseSysfsInteger;
using sorvane::linuxos::SysfsPower;

const std::string kFixtures = SORVANE_FIXTURES "/power_supply/";

struct Layout {
    const char* name;
    int ac, flag, percent;
    long lifeTime;
};

std::string record(const Layout& l) {
    return "ACLineStatus=" + std::to_string(l.ac) + "\nBatteryFlag=" + std::to_string(l.flag) +
           "\nBatteryLifePercent=" + std::to_string(l.percent) +
           "\nBatteryLifeTime=" + std::to_string(l.lifeTime) + "\nBatteryFullLifeTime=-1\n";
}

class PowerLayout : public ::testing::TestWithParam<Layout> {};

TEST_P(PowerLayout, SorvanePowerPrintsTheRecordTheGaugeReads) {
    const Layout& l = GetParam();
    const auto r = testsupport::run({SORVANE_POWER_TOOL, kFixtures + l.name});
    EXPECT_EQ(r.exitCode, 0) << r.err;
    EXPECT_EQ(r.err, "");
    EXPECT_EQ(r.out, record(l));
}

// ac, flag, percent, lifeTime (s)
INSTANTIATE_TEST_SUITE_P(
    Laptops, PowerLayout,
    ::testing::Values(
        // 44 of 70 Wh, not the mean 50 %; the idle battery's energy lasts too.
        Layout{"thinkpad_two_batteries_one_idle", 0, 0, 63, 15840},
        Layout{"charge_discharging", 0, 2, 30, 5400}, Layout{"charge_charging", 1, 9, 70, -1},
        Layout{"capacity_only", 0, 6, 4, -1}, Layout{"usbc_pd_no_mains", 1, 9, 88, -1},
        Layout{"mouse_scope_device_first", 0, 1, 75, 5400},
        Layout{"desktop_gpu_usbc", 1, 128, 255, -1}, Layout{"present_zero", 1, 128, 255, -1},
        Layout{"negative_current", 0, 0, 50, 7200}, Layout{"zero_power", 0, 0, 40, -1},
        Layout{"overfull", 1, 1, 100, -1}, Layout{"unknown_on_mains", 1, 1, 100, -1},
        Layout{"no_supply", 1, 128, 255, -1}, Layout{"garbage", 0, 255, 255, -1},
        Layout{"no_newline", 0, 0, 57, 3600}, Layout{"time_not_available", 0, 0, 60, 5400},
        Layout{"rate_above_300w", 0, 0, 60, -1}, Layout{"estimate_above_100h", 0, 1, 100, -1},
        Layout{"capacity_zero_design", 1, 0, 62, -1}, Layout{"uevent_energy", 0, 0, 60, 12000}),
    [](const auto& info) { return std::string(info.param.name); });

// --help and --version answer on stdout; a bad argument or a folder it cannot read gets one
// line on stderr that names it, and exit code 2.
TEST(SorvanePower, AnswersItsOptionsAndRefusesABadArgumentInOneLine) {
    struct Row {
        std::vector<std::string> args;
        int exitCode;
        std::string out;  // the start of stdout
        std::string said; // in the one line of stderr
        bool unprivileged = false;
    };
    // A folder nobody may list. Root lists every folder, so that row runs as nobody, from a
    // copy of the tool nobody can reach wherever the build tree is.
    namespace fs = std::filesystem;
    const fs::path scratch = fs::temp_directory_path() / "sorvane-power-unreadable";
    const auto removeScratch = [&] {
        std::error_code ignored;
        fs::permissions(scratch / "locked", fs::perms::owner_all, ignored);
        fs::remove_all(scratch);
    };
    removeScratch();
    fs::create_directories(scratch / "locked");
    fs::copy_file(SORVANE_POWER_TOOL, scratch / "sorvane-power");
    fs::permissions(scratch, fs::perms::owner_all | fs::perms::group_read | fs::perms::group_exec |
                                 fs::perms::others_read | fs::perms::others_exec);
    fs::permissions(scratch / "locked", fs::perms::none);
    std::vector<std::string> unprivileged{(scratch / "sorvane-power").string()};
    if (::geteuid() == 0)
        unprivileged.insert(unprivileged.begin(),
                            {"setpriv", "--reuid=nobody", "--regid=nogroup", "--clear-groups"});
    const Row rows[] = {
        {{"--help"}, 0, "Usage: sorvane-power [--help] [--version] [POWER_SUPPLY_DIR]\n", ""},
        {{"--version"}, 0, "sorvane-power " SORVANE_VERSION "\n", ""},
        {{"/no/such/folder"}, 2, "", "/no/such/folder: no such folder"},
        {{kFixtures + "garbage/BAT0/type"}, 2, "", "garbage/BAT0/type: not a folder"},
        {{"-x"}, 2, "", "unknown option '-x'"},
        {{""}, 2, "", "empty POWER_SUPPLY_DIR"},
        {{"a", "b"}, 2, "", "a second POWER_SUPPLY_DIR: 'b'"},
        {{(scratch / "locked").string()}, 2, "", "locked: cannot read it", true},
    };
    for (const Row& row : rows) {
        std::vector<std::string> argv =
            row.unprivileged ? unprivileged : std::vector<std::string>{SORVANE_POWER_TOOL};
        argv.insert(argv.end(), row.args.begin(), row.args.end());
        const auto r = testsupport::run(argv);
        EXPECT_EQ(r.exitCode, row.exitCode) << row.args.front();
        EXPECT_EQ(r.out.substr(0, row.out.size()), row.out) << row.args.front();
        if (row.said.empty()) {
            EXPECT_EQ(r.err, "");
        } else {
            EXPECT_EQ(r.out, "");
            EXPECT_EQ(r.err.rfind("sorvane-power: ", 0), 0u) << r.err;
            EXPECT_NE(r.err.find(row.said), std::string::npos) << r.err;
            EXPECT_EQ(std::count(r.err.begin(), r.err.end(), '\n'), 1) << r.err;
        }
    }
    removeScratch();
    // Output that is lost (a full disk) is not a success: one line says so, exit code 1.
    for (const std::string& arg : {std::string("--help"), kFixtures + "garbage"}) {
        const auto r = testsupport::run(
            {"sh", "-c", "exec \"$0\" \"$1\" >/dev/full", SORVANE_POWER_TOOL, arg});
        EXPECT_EQ(r.exitCode, 1) << arg;
        EXPECT_EQ(r.err, "sorvane-power: cannot write the output: No space left on device\n")
            << arg;
    }
}

struct IntegerCase {
    const char* text;
    std::optional<std::int64_t> value;
};

class SysfsInteger : public ::testing::TestWithParam<IntegerCase> {};

TEST_P(SysfsInteger, OnlyAStrictDecimalIntegerIsAValue) {
    EXPECT_EQ(parseSysfsInteger(GetParam().text), GetParam().value)
        << '"' << GetParam().text << '"';
}

INSTANTIATE_TEST_SUITE_P(
    Texts, SysfsInteger,
    ::testing::Values(IntegerCase{"57\n", 57}, IntegerCase{"57", 57}, IntegerCase{" \t57 \n", 57},
                      IntegerCase{"-1500000\n", -1500000}, IntegerCase{"0\n", 0},
                      IntegerCase{"9223372036854775807", INT64_MAX},
                      IntegerCase{"18446744073709551616\n", std::nullopt},
                      IntegerCase{"9223372036854775808", std::nullopt},
                      IntegerCase{"", std::nullopt}, IntegerCase{"\n", std::nullopt},
                      IntegerCase{"abc\n", std::nullopt}, IntegerCase{"-NaN\n", std::nullopt},
                      IntegerCase{"-\n", std::nullopt}, IntegerCase{"+5", std::nullopt},
                      IntegerCase{"5 6", std::nullopt}, IntegerCase{"0x10", std::nullopt},
                      IntegerCase{"1e3", std::nullopt}, IntegerCase{"12abc", std::nullopt}));

win::SYSTEM_POWER_STATUS readWith(const std::string& layout, const std::string& failing) {
    SysfsPower power(kFixtures + layout, [&](const std::string& path) {
        if (path.ends_with(failing)) return std::optional<std::string>();
        return linuxos::readAttributeFile(path);
    });
    win::SYSTEM_POWER_STATUS s;
    power.GetSystemPowerStatus(s);
    return s;
}

TEST(SysfsPowerReader, AReadErrorCountsAsAMissingAttribute) {
    // EIO from a battery that stops answering: the supply loses that attribute only.
    auto s = readWith("capacity_only", "BAT0/type");
    EXPECT_EQ(s.BatteryFlag, 128) << "a supply of unknown type is no battery";
    EXPECT_EQ(s.ACLineStatus, 1);

    s = readWith("charge_discharging", "BAT0/capacity");
    EXPECT_EQ(s.BatteryLifePercent, 30) << "charge_now / charge_full takes over";

    s = readWith("charge_discharging", "BAT0/current_now");
    EXPECT_EQ(s.BatteryLifeTime, -1);
    EXPECT_EQ(s.BatteryLifePercent, 30);

    s = readWith("charge_charging", "ADP1/online");
    EXPECT_EQ(s.ACLineStatus, 1) << "still charging";

    s = readWith("thinkpad_two_batteries_one_idle", "BAT1/energy_now");
    EXPECT_EQ(s.BatteryLifePercent, 50) << "sizes unknown: the mean of the two percentages";
    EXPECT_EQ(s.BatteryLifeTime, -1);
}

TEST(SysfsPowerReader, OneFileASupplyWhenTheKernelWritesUevent) {
    std::vector<std::string> read;
    SysfsPower power(kFixtures + "uevent_energy", [&](const std::string& path) {
        read.push_back(path.substr(path.find("uevent_energy/") + 14));
        return linuxos::readAttributeFile(path);
    });
    win::SYSTEM_POWER_STATUS s;
    for (int call = 0; call < 2; ++call) {
        read.clear();
        power.GetSystemPowerStatus(s);
        EXPECT_EQ(read, (std::vector<std::string>{"AC/uevent", "BAT0/uevent", "BAT0/type"}));
    }
    // A uevent with nothing of a supply in it is no uevent: the attribute files are read.
    SysfsPower garbled(kFixtures + "charge_discharging", [](const std::string& path) {
        if (path.ends_with("/uevent"))
            return std::optional<std::string>("garbage=1\nPOWER_SUPPLY_\n=\n");
        return linuxos::readAttributeFile(path);
    });
    garbled.GetSystemPowerStatus(s);
    EXPECT_EQ(s.BatteryLifePercent, 30);
    EXPECT_EQ(s.BatteryLifeTime, 5400);
}

TEST(SysfsPowerReader, ReadsEveryAttributeAfreshAtEachCall) {
    const auto dir =
        std::filesystem::temp_directory_path() / ("sorvane-power-" + std::to_string(::getpid()));
    std::filesystem::create_directories(dir / "BAT0");
    const auto write = [&](const char* name, const std::string& text) {
        std::ofstream(dir / "BAT0" / name) << text;
    };
    write("type", "Battery\n");
    write("status", "Discharging\n");
    write("capacity", "80\n");
    SysfsPower power(dir.string());
    win::SYSTEM_POWER_STATUS s;
    power.GetSystemPowerStatus(s);
    EXPECT_EQ(s.BatteryLifePercent, 80);
    EXPECT_EQ(s.ACLineStatus, 0);

    write("capacity", "79\n");
    write("status", "Charging\n");
    power.GetSystemPowerStatus(s);
    EXPECT_EQ(s.BatteryLifePercent, 79);
    EXPECT_EQ(s.ACLineStatus, 1);
    EXPECT_EQ(s.BatteryFlag, 1 | 8);

    std::filesystem::remove_all(dir / "BAT0");
    power.GetSystemPowerStatus(s);
    EXPECT_EQ(s.BatteryFlag, 128) << "a battery unplugged since the last call";
    std::filesystem::remove_all(dir);
}

TEST(SysfsPowerReader, AMissingRootReadsAsNoBattery) {
    SysfsPower power("/no/such/power_supply");
    win::SYSTEM_POWER_STATUS s;
    s.Reserved1 = 7;
    EXPECT_EQ(power.GetSystemPowerStatus(s), 1);
    EXPECT_EQ(s.ACLineStatus, 1);
    EXPECT_EQ(s.BatteryFlag, 128);
    EXPECT_EQ(s.BatteryLifePercent, 255);
    EXPECT_EQ(s.BatteryLifeTime, -1);
    EXPECT_EQ(s.Reserved1, 0);
}

TEST(SysfsPowerReader, AbsurdSixtyFourBitReadingsNeitherOverflowNorLeaveTheRanges) {
    // Two batteries whose sum overflows 64 bits, and a current of INT64_MIN: found by fuzzing.
    const std::map<std::string, std::string> files = {
        {"/p/BAT0/type", "Battery"},
        {"/p/BAT0/status", "Discharging"},
        {"/p/BAT0/charge_now", "4738281320894022081"},
        {"/p/BAT0/charge_full", "9223372036854775807"},
        {"/p/BAT0/current_now", "-9223372036854775808"},
        {"/p/BAT1/type", "Battery"},
        {"/p/BAT1/status", "Discharging"},
        {"/p/BAT1/charge_now", "4738281320894022081"},
        {"/p/BAT1/charge_full", "9223372036854775807"},
    };
    SysfsPower power(
        "/p",
        [&](const std::string& path) -> std::optional<std::string> {
            auto it = files.find(path);
            return it == files.end() ? std::nullopt : std::optional(it->second);
        },
        [](const std::string&) {
            return std::vector<std::string>{"BAT0", "BAT1"};
        });
    win::SYSTEM_POWER_STATUS s;
    power.GetSystemPowerStatus(s);
    EXPECT_EQ(s.ACLineStatus, 0);
    EXPECT_EQ(s.BatteryLifePercent, 51);
    EXPECT_EQ(s.BatteryLifeTime, -1) << "a current above any laptop's is no estimate";
}

// Trees no kernel writes but a bind mount or `sorvane-power DIR` can hold. The battery is
// discharging at 4 %; each tree spoils one file or folder. Before the reader checked what it
// opened, a FIFO held the user-interface thread in open() for good.
struct HostileTree {
    const char* name;
    std::function<void(const std::filesystem::path& bat)> spoil;
    int percent; // what the record still says
};

class HostilePower : public ::testing::TestWithParam<HostileTree> {};

TEST_P(HostilePower, NothingInTheTreeBlocksAReading) {
    namespace fs = std::filesystem;
    const HostileTree& t = GetParam();
    const fs::path root = fs::temp_directory_path() /
                          ("sorvane-hostile-" + std::to_string(::getpid()) + "-" + t.name);
    fs::remove_all(root);
    fs::create_directories(root / "BAT0");
    for (const auto& [file, text] : {std::pair{"type", "Battery"},
                                     {"present", "1"},
                                     {"status", "Discharging"},
                                     {"capacity", "4"}})
        std::ofstream(root / "BAT0" / file) << text << "\n";
    t.spoil(root / "BAT0");

    const auto r =
        testsupport::run({SORVANE_POWER_TOOL, root.string()}, {}, std::chrono::seconds(1));
    EXPECT_EQ(r.exitCode, 0) << "did not answer within 1 s: " << r.err;
    EXPECT_EQ(r.out, record({t.name, 0, t.percent > 100 ? 255 : 6, t.percent, -1}));

    // The worst of a few readings in process, as the gauge takes them once a second.
    SysfsPower power(root.string());
    win::SYSTEM_POWER_STATUS s;
    std::chrono::nanoseconds worst{0};
    for (int i = 0; i < 20; ++i) {
        const auto start = std::chrono::steady_clock::now();
        power.GetSystemPowerStatus(s);
        worst = std::max(worst, std::chrono::steady_clock::now() - start);
    }
    std::printf("[ reading  ] %-16s worst of 20: %.3f ms\n", t.name,
                std::chrono::duration<double, std::milli>(worst).count());
    fs::remove_all(root);
}

INSTANTIATE_TEST_SUITE_P(
    Trees, HostilePower,
    ::testing::Values(
        HostileTree{"plain", [](const auto&) {}, 4},
        HostileTree{"fifo_capacity",
                    [](const auto& bat) {
                        std::filesystem::remove(bat / "capacity");
                        ASSERT_EQ(::mkfifo((bat / "capacity").c_str(), 0644), 0);
                    },
                    255},
        // A FIFO where the kernel's one-file summary would be: the attribute files still answer.
        HostileTree{"fifo_uevent",
                    [](const auto& bat) { ASSERT_EQ(::mkfifo((bat / "uevent").c_str(), 0644), 0); },
                    4},
        HostileTree{"char_device",
                    [](const auto& bat) {
                        std::filesystem::remove(bat / "capacity");
                        std::filesystem::create_symlink("/dev/zero", bat / "capacity");
                    },
                    255},
        // A terminal waits for a line that never comes.
        HostileTree{"terminal",
                    [](const auto& bat) {
                        std::filesystem::remove(bat / "capacity");
                        std::filesystem::create_symlink("/dev/tty", bat / "capacity");
                    },
                    255},
        // Folders that lead back into the tree, a link to itself, a FIFO for a supply.
        HostileTree{"directory_loop",
                    [](const auto& bat) {
                        std::filesystem::remove(bat / "capacity");
                        std::filesystem::create_directory_symlink("..", bat / "capacity");
                        std::filesystem::create_directory_symlink(".", bat.parent_path() / "LOOP");
                        std::filesystem::create_symlink("BAT1", bat.parent_path() / "BAT1");
                        ASSERT_EQ(::mkfifo((bat.parent_path() / "BAT2").c_str(), 0644), 0);
                    },
                    255},
        HostileTree{
            "ten_megabytes",
            [](const auto& bat) { std::ofstream(bat / "capacity") << std::string(10 << 20, '4'); },
            255}),
    [](const auto& info) { return std::string(info.param.name); });

} // namespace
