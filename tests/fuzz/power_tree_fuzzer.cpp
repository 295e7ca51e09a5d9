// The sysfs power reader over random supply trees: random supplies, types, attributes and
// contents (huge, negative, empty, binary, unreadable). The record must always stay in its
// stated ranges. The tree lives in memory: the reader's folder listing and file reads are
// injected, so the fuzzer runs at memory speed.
#include "platform/linux/sysfs_power.h"

#include <fuzzer/FuzzedDataProvider.h>

#include <cstdio>
#include <cstdlib>
#include <map>
#include <set>
#include <string>

namespace {

const char* const names[] = {"AC",
                             "ADP1",
                             "BAT0",
                             "BAT1",
                             "BAT2",
                             "hidpp_battery_0",
                             "ucsi-source-psy-USBC000:001",
                             "macsmc-battery",
                             "axp20x-usb"};
const char* const types[] = {"Battery", "Mains",    "USB",     "USB_C", "USB_PD",
                             "UPS",     "Wireless", "battery", ""};
const char* const attributes[] = {"type",
                                  "scope",
                                  "present",
                                  "online",
                                  "status",
                                  "capacity",
                                  "energy_now",
                                  "energy_full",
                                  "energy_full_design",
                                  "charge_now",
                                  "charge_full",
                                  "charge_full_design",
                                  "power_now",
                                  "current_now",
                                  "voltage_now",
                                  "time_to_empty_avg",
                                  "time_to_empty_now",
                                  "uevent"};
const char* const values[] = {
    "POWER_SUPPLY_TYPE=Battery\nPOWER_SUPPLY_CAPACITY=50\n",
    "POWER_SUPPLY_ENERGY_NOW=-1\nPOWER_SUPPLY_POWER_NOW=9223372036854775807",
    "POWER_SUPPLY_ONLINE=1\nPOWER_SUPPLY_=\n=\nPOWER_SUPPLY_TYPE",
    "0",
    "1",
    "-1",
    "2",
    "5",
    "50",
    "100",
    "101",
    "255",
    "Charging",
    "Discharging",
    "Full",
    "Not charging",
    "Unknown",
    "Device",
    "System",
    "abc",
    "",
    "\n",
    " 42 \n",
    "-NaN",
    "18446744073709551616",
    "9223372036854775807",
    "-9223372036854775808",
    "3932100",
    "3932099",
    "300000001",
    "25000001",
    "0x10",
    "1e3",
    "+5"};

void fail(const char* what, const sorvane::win::SYSTEM_POWER_STATUS& s) {
    std::fprintf(stderr, "power record out of range (%s): AC %d flag %d %d %% life %d full %d\n",
                 what, s.ACLineStatus, s.BatteryFlag, s.BatteryLifePercent, s.BatteryLifeTime,
                 s.BatteryFullLifeTime);
    std::abort();
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    FuzzedDataProvider in(data, size);
    const std::string root = "/fuzz/power_supply";
    std::set<std::string> folders;
    std::map<std::string, std::optional<std::string>> files; // nullopt: unreadable

    const int supplies = in.ConsumeIntegralInRange(0, 4);
    for (int i = 0; i < supplies; ++i) {
        const std::string dir = root + "/" + in.PickValueInArray(names);
        folders.insert(dir.substr(root.size() + 1));
        files[dir + "/type"] = std::string(in.PickValueInArray(types)) + "\n";
        const int count = in.ConsumeIntegralInRange(0, 12);
        for (int a = 0; a < count; ++a) {
            std::optional<std::string> value;
            switch (in.ConsumeIntegralInRange(0, 3)) {
            case 0:
                value = in.PickValueInArray(values);
                break;
            case 1:
                value = std::to_string(in.ConsumeIntegral<long long>());
                break;
            case 2:
                value = in.ConsumeRandomLengthString(64);
                break; // binary contents
            default:
                break; // a read that fails
            }
            files[dir + "/" + in.PickValueInArray(attributes)] = value;
        }
    }

    auto list = [&](const std::string& r) {
        return r == root ? std::vector<std::string>(folders.begin(), folders.end())
                         : std::vector<std::string>{};
    };
    auto read = [&](const std::string& path) -> std::optional<std::string> {
        auto it = files.find(path);
        return it == files.end() ? std::nullopt : it->second;
    };
    sorvane::linuxos::SysfsPower power(root, read, list);
    sorvane::win::SYSTEM_POWER_STATUS s{};
    power.GetSystemPowerStatus(s);

    if (s.ACLineStatus != 0 && s.ACLineStatus != 1 && s.ACLineStatus != 255) fail("AC", s);
    if (s.BatteryLifePercent > 100 && s.BatteryLifePercent != 255) fail("percent", s);
    if (s.BatteryFlag != 128 && s.BatteryFlag != 255 && (s.BatteryFlag & ~0x0F)) fail("flag", s);
    if (s.BatteryLifeTime < -1 || s.BatteryLifeTime >= 3932100) fail("life time", s);
    if (s.ACLineStatus != 0 && s.BatteryLifeTime != -1) fail("life time off battery", s);
    if (s.BatteryFullLifeTime < -1) fail("full life time", s);
    return 0;
}
