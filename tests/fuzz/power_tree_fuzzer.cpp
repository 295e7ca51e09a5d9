// The sysfs power reader over random supply trees: random supplies, types, attributes and
// contents (huge, negative, empty, binary). The record must always stay in its stated ranges.
#include "platform/linux/sysfs_power.h"

#include <fuzzer/FuzzedDataProvider.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <unistd.h>

namespace {

namespace fs = std::filesystem;

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
                                  "time_to_empty_now"};
const char* const values[] = {"0",
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

fs::path scratch() {
    static const fs::path dir = [] {
        char templ[] = "/tmp/sorvane-fuzz-power-XXXXXX";
        const char* made = mkdtemp(templ);
        if (!made) std::abort();
        return fs::path(made);
    }();
    return dir;
}

void fail(const char* what, const sorvane::win::SYSTEM_POWER_STATUS& s) {
    std::fprintf(stderr, "power record out of range (%s): AC %d flag %d %d %% life %d full %d\n",
                 what, s.ACLineStatus, s.BatteryFlag, s.BatteryLifePercent, s.BatteryLifeTime,
                 s.BatteryFullLifeTime);
    std::abort();
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    FuzzedDataProvider in(data, size);
    const fs::path root = scratch() / "power_supply";
    std::error_code ec;
    fs::remove_all(root, ec);
    fs::create_directories(root);

    const int supplies = in.ConsumeIntegralInRange(0, 4);
    for (int i = 0; i < supplies; ++i) {
        const fs::path dir = root / in.PickValueInArray(names);
        fs::create_directories(dir);
        std::ofstream(dir / "type") << in.PickValueInArray(types) << "\n";
        const int count = in.ConsumeIntegralInRange(0, 12);
        for (int a = 0; a < count; ++a) {
            std::string value;
            switch (in.ConsumeIntegralInRange(0, 2)) {
            case 0:
                value = in.PickValueInArray(values);
                break;
            case 1:
                value = std::to_string(in.ConsumeIntegral<long long>());
                break;
            default:
                value = in.ConsumeRandomLengthString(64);
                break; // binary contents
            }
            std::ofstream(dir / in.PickValueInArray(attributes), std::ios::binary) << value;
        }
    }

    sorvane::linuxos::SysfsPower power(root.string());
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
