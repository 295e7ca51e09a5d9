// The power probe over arbitrary power records.
#include "app/headless_machine.h"
#include "battery/etat_batterie.h"
#include "fuzz/probe_invariants.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using namespace sorvane;
    static app::HeadlessMachine machine;
    win::SYSTEM_POWER_STATUS s{};
    unsigned char raw[12] = {};
    std::memcpy(raw, data, size < sizeof raw ? size : sizeof raw);
    s.ACLineStatus = raw[0];
    s.BatteryFlag = raw[1];
    s.BatteryLifePercent = raw[2];
    s.Reserved1 = raw[3];
    std::memcpy(&s.BatteryLifeTime, raw + 4, 4);
    std::memcpy(&s.BatteryFullLifeTime, raw + 8, 4);
    machine.os().setPowerStatus(s);
    machine.os().clearRecords();
    battery::EtatBatterie(machine.program());
    if (auto why = fuzz::probeViolation(machine.program(), s); !why.empty()) {
        std::fprintf(stderr, "probe: %s\n", why.c_str());
        std::abort();
    }
    return 0;
}
