// Power status on Linux, from /sys/class/power_supply.
//
//   [X] GetSystemPowerStatus   ACLineStatus, BatteryFlag, BatteryLifePercent, BatteryLifeTime;
//                              BatteryFullLifeTime is always -1 (unknown), as on most laptops.
//   [~] the kernel's supplies stand in for the Windows battery driver: every attribute is read
//       afresh at each call, from each supply's uevent file when it has one; unreadable or
//       malformed attributes count as missing. Only regular files are read (opened
//       non-blocking, checked once open, 4 KiB at most): a FIFO, a device or a directory loop
//       in the tree reads as missing and never blocks.
//   Gaps: a battery behind a driver that reports neither energy_* nor charge_* nor capacity
//       reads as unknown (255). Several batteries reporting in different units (µWh and µAh)
//       get no time estimate.
//   Wayland/XWayland: not concerned (sysfs only).
#include "platform/linux/sysfs_power.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <charconv>
#include <cmath>
#include <filesystem>
#include <vector>

namespace sorvane::linuxos {
namespace {

using win::BYTE;
using win::LONG;

// Microwatts. Above this a reading is a driver glitch, not a laptop's draw.
constexpr std::int64_t kMaxRateMicrowatts = 300'000'000;
// Without voltage_now, a current above this stands for more than 300 W at a laptop's voltage.
constexpr std::int64_t kMaxRateMicroamps = 25'000'000;
// time_to_empty reaching 65535 minutes means "not available".
constexpr std::int64_t kTimeNotAvailable = 3'932'100;
constexpr double kMaxEstimateSeconds = 100.0 * 3600.0;

struct Battery {
    std::string status;
    std::optional<std::int64_t> capacity;
    // now/full in one unit (µWh or µAh) and the matching rate (µW or µA), when known.
    std::optional<std::int64_t> now, full;
    bool energy = false;
    std::optional<std::int64_t> rate;
    std::optional<std::int64_t> voltage;
    std::optional<std::int64_t> timeToEmpty;
};

struct Supplies {
    std::vector<Battery> batteries;
    bool externalExists = false;
    bool externalOnline = false;
};

// One supply's attributes. The kernel's uevent file holds all of them (POWER_SUPPLY_NAME=value,
// as the attribute files show them): one open per supply and reading instead of a dozen, most
// of them for attributes the driver does not have. Without a usable uevent, or for a key it
// lacks that older kernels leave out, the attribute's own file is read.
class Reader {
  public:
    Reader(const AttributeReader& read, std::string dir) : read_(read), dir_(std::move(dir)) {
        if (const auto uevent = read_(dir_ + "/uevent")) parseUevent(*uevent);
    }
    std::optional<std::string> text(const char* attribute) const {
        auto raw = raw_(attribute);
        if (!raw) return std::nullopt;
        return std::string(trimSysfsValue(*raw));
    }
    std::optional<std::int64_t> integer(const char* attribute) const {
        auto raw = raw_(attribute);
        if (!raw) return std::nullopt;
        return parseSysfsInteger(*raw);
    }

  private:
    void parseUevent(std::string_view text) {
        constexpr std::string_view prefix = "POWER_SUPPLY_";
        while (!text.empty()) {
            const auto end = text.find('\n');
            const std::string_view line = text.substr(0, end);
            text = end == std::string_view::npos ? std::string_view() : text.substr(end + 1);
            const auto equals = line.find('=');
            if (!line.starts_with(prefix) || equals == std::string_view::npos) continue;
            std::string key(line.substr(prefix.size(), equals - prefix.size()));
            for (char& c : key)
                if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
            uevent_.emplace_back(std::move(key), std::string(line.substr(equals + 1)));
        }
    }
    std::optional<std::string> raw_(std::string_view attribute) const {
        if (uevent_.empty()) return read_(dir_ + "/" + std::string(attribute));
        for (const auto& [key, value] : uevent_)
            if (key == attribute) return value;
        // The type came to uevent later than the properties; absent properties are absent.
        if (attribute == "type") return read_(dir_ + "/type");
        return std::nullopt;
    }

    const AttributeReader& read_;
    std::string dir_;
    std::vector<std::pair<std::string, std::string>> uevent_;
};

std::optional<std::int64_t> positive(std::optional<std::int64_t> v) {
    if (v && *v > 0) return v;
    return std::nullopt;
}

// now/full from one family of attributes ("energy" or "charge").
bool readPair(const Reader& r, const std::string& family, Battery& b) {
    const auto now = r.integer((family + "_now").c_str());
    auto full = positive(r.integer((family + "_full").c_str()));
    if (!full) full = positive(r.integer((family + "_full_design").c_str()));
    if (!now || *now < 0 || !full) return false;
    b.now = now;
    b.full = full;
    return true;
}

Battery readBattery(const Reader& r) {
    Battery b;
    b.status = r.text("status").value_or("");
    b.capacity = r.integer("capacity");
    if (b.capacity && *b.capacity < 0) b.capacity.reset();
    if (readPair(r, "energy", b)) {
        b.energy = true;
        b.rate = r.integer("power_now");
    } else if (readPair(r, "charge", b)) {
        b.rate = r.integer("current_now");
        b.voltage = positive(r.integer("voltage_now"));
    }
    b.timeToEmpty = r.integer("time_to_empty_avg");
    if (!b.timeToEmpty || *b.timeToEmpty < 0 || *b.timeToEmpty >= kTimeNotAvailable)
        b.timeToEmpty = r.integer("time_to_empty_now");
    if (b.timeToEmpty && (*b.timeToEmpty < 0 || *b.timeToEmpty >= kTimeNotAvailable))
        b.timeToEmpty.reset();
    return b;
}

Supplies readSupplies(const std::string& root, const SupplyLister& list,
                      const AttributeReader& read) {
    Supplies s;
    std::vector<std::string> names = list(root);
    std::sort(names.begin(), names.end());
    for (const auto& name : names) {
        const Reader r(read, root + "/" + name);
        if (r.text("scope") == "Device") continue; // mice, keyboards, a GPU's USB-C port
        const auto type = r.text("type");
        if (type == "Battery") {
            if (r.integer("present") == 0) continue;
            s.batteries.push_back(readBattery(r));
        } else if (const auto online = r.integer("online")) {
            s.externalExists = true;
            if (*online >= 1) s.externalOnline = true;
        }
    }
    return s;
}

bool anyStatus(const Supplies& s, std::string_view status) {
    return std::any_of(s.batteries.begin(), s.batteries.end(),
                       [&](const Battery& b) { return b.status == status; });
}

BYTE acLineStatus(const Supplies& s) {
    if (s.externalOnline) return 1;
    if (s.batteries.empty()) return 1;
    if (anyStatus(s, "Charging")) return 1;
    if (anyStatus(s, "Discharging")) return 0;
    if (s.externalExists) return 0;
    if (anyStatus(s, "Full") || anyStatus(s, "Not charging")) return 1;
    return 255;
}

BYTE roundedPercent(std::int64_t now, std::int64_t full) {
    // Half up, in integers; long double keeps 64-bit readings from overflowing.
    const long double p = static_cast<long double>(now) * 100.0L / static_cast<long double>(full);
    return static_cast<BYTE>(std::min<long double>(100.0L, p + 0.5L));
}

BYTE lifePercent(const Supplies& s) {
    if (s.batteries.size() == 1) {
        const Battery& b = s.batteries.front();
        if (b.capacity && (*b.capacity != 0 || !b.now))
            return static_cast<BYTE>(std::min<std::int64_t>(*b.capacity, 100));
        if (b.now) return roundedPercent(*b.now, *b.full);
        return win::BATTERY_PERCENTAGE_UNKNOWN;
    }
    // Several batteries weigh by what they hold: an idle second battery still counts, and a
    // plain mean of percentages is wrong when their sizes differ.
    const bool allEnergy = std::all_of(s.batteries.begin(), s.batteries.end(),
                                       [](const Battery& b) { return b.now && b.energy; });
    const bool allCharge = std::all_of(s.batteries.begin(), s.batteries.end(),
                                       [](const Battery& b) { return b.now && !b.energy; });
    if (allEnergy || allCharge) {
        // Summed in long double: absurd 64-bit readings must not overflow.
        long double now = 0, full = 0;
        for (const Battery& b : s.batteries) {
            now += static_cast<long double>(*b.now);
            full += static_cast<long double>(*b.full);
        }
        return static_cast<BYTE>(std::min<long double>(100.0L, now * 100.0L / full + 0.5L));
    }
    // Sizes unknown: the mean of the percentages is the best left.
    std::int64_t sum = 0;
    for (const Battery& b : s.batteries) {
        if (!b.capacity) return win::BATTERY_PERCENTAGE_UNKNOWN;
        sum += std::min<std::int64_t>(*b.capacity, 100);
    }
    return static_cast<BYTE>((sum + static_cast<std::int64_t>(s.batteries.size()) / 2) /
                             static_cast<std::int64_t>(s.batteries.size()));
}

LONG lifeTime(const Supplies& s) {
    if (s.batteries.size() == 1 && s.batteries.front().timeToEmpty)
        return static_cast<LONG>(*s.batteries.front().timeToEmpty);
    long double now = 0, rate = 0;
    bool energy = false, charge = false;
    for (const Battery& b : s.batteries) {
        if (b.status == "Charging") continue;
        if (!b.now) return win::BATTERY_LIFE_UNKNOWN;
        (b.energy ? energy : charge) = true;
        now += static_cast<long double>(*b.now);
        if (!b.rate) continue;
        // The sign of the rate depends on the driver.
        const long double magnitude = std::fabs(static_cast<long double>(*b.rate));
        if (b.energy && magnitude > kMaxRateMicrowatts) return win::BATTERY_LIFE_UNKNOWN;
        if (!b.energy) {
            const long double watts =
                b.voltage ? magnitude * static_cast<long double>(*b.voltage) / 1e6L : 0;
            if (b.voltage ? watts > kMaxRateMicrowatts : magnitude > kMaxRateMicroamps)
                return win::BATTERY_LIFE_UNKNOWN;
        }
        rate += magnitude;
    }
    if ((energy && charge) || rate <= 0) return win::BATTERY_LIFE_UNKNOWN;
    const long double seconds = 3600.0L * now / rate;
    if (seconds > kMaxEstimateSeconds) return win::BATTERY_LIFE_UNKNOWN;
    return static_cast<LONG>(seconds);
}

BYTE batteryFlag(const Supplies& s, BYTE percent) {
    if (s.batteries.empty()) return 128;
    if (percent > 100) return 255;
    BYTE flag = 0;
    if (percent > 66) flag |= 1;
    if (percent < 33) flag |= 2;
    if (percent < 5) flag |= 4;
    if (anyStatus(s, "Charging")) flag |= 8;
    return flag;
}

} // namespace

std::string_view trimSysfsValue(std::string_view raw) {
    const auto isSpace = [](char c) {
        return c == ' ' || c == '\n' || c == '\t' || c == '\r' || c == '\v' || c == '\f';
    };
    while (!raw.empty() && isSpace(raw.front()))
        raw.remove_prefix(1);
    while (!raw.empty() && isSpace(raw.back()))
        raw.remove_suffix(1);
    return raw;
}

std::optional<std::int64_t> parseSysfsInteger(std::string_view raw) {
    const std::string_view text = trimSysfsValue(raw);
    if (text.empty()) return std::nullopt;
    const std::string_view digits = text.front() == '-' ? text.substr(1) : text;
    if (digits.empty() ||
        !std::all_of(digits.begin(), digits.end(), [](char c) { return c >= '0' && c <= '9'; }))
        return std::nullopt;
    std::int64_t value = 0;
    const auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (ec != std::errc() || end != text.data() + text.size()) return std::nullopt;
    return value;
}

std::optional<std::string> readAttributeFile(const std::string& path) {
    // The tree may be a bind mount or a folder given on the command line, not the kernel's: a
    // FIFO or a device there must not hold the user-interface thread. Non-blocking, the open
    // returns at once; what is read is checked on the open file, so nothing can be swapped in
    // between a check and the read.
    const int fd = ::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC | O_NOCTTY);
    if (fd < 0) return std::nullopt;
    struct stat st {};
    if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
        ::close(fd);
        return std::nullopt;
    }
    // sysfs attributes are at most a page; a longer file is not one.
    std::string text(4096, '\0');
    std::size_t used = 0;
    for (;;) {
        const ssize_t n = ::read(fd, text.data() + used, text.size() - used);
        if (n < 0) {
            if (errno == EINTR) continue;
            ::close(fd);
            return std::nullopt; // EIO, ENODEV: a battery that failed to answer
        }
        if (n == 0) break;
        used += static_cast<std::size_t>(n);
        if (used == text.size()) {
            ::close(fd);
            return std::nullopt;
        }
    }
    ::close(fd);
    text.resize(used);
    return text;
}

std::vector<std::string> listSupplyFolders(const std::string& root) {
    std::vector<std::string> names;
    std::error_code ec;
    for (std::filesystem::directory_iterator it(root, ec), end; !ec && it != end;
         it.increment(ec)) {
        std::error_code isDirError;
        // is_directory follows the symlinks sysfs is made of.
        if (std::filesystem::is_directory(it->path(), isDirError))
            names.push_back(it->path().filename().string());
    }
    return names;
}

SysfsPower::SysfsPower(std::string root, AttributeReader reader, SupplyLister lister)
    : root_(std::move(root)), read_(std::move(reader)), list_(std::move(lister)) {}

win::BOOL SysfsPower::GetSystemPowerStatus(win::SYSTEM_POWER_STATUS& status) {
    const Supplies s = readSupplies(root_, list_, read_);
    status = {};
    status.ACLineStatus = acLineStatus(s);
    status.BatteryLifePercent =
        s.batteries.empty() ? win::BATTERY_PERCENTAGE_UNKNOWN : lifePercent(s);
    status.BatteryFlag = batteryFlag(s, status.BatteryLifePercent);
    status.BatteryLifeTime = status.ACLineStatus == 0 ? lifeTime(s) : win::BATTERY_LIFE_UNKNOWN;
    status.BatteryFullLifeTime = win::BATTERY_LIFE_UNKNOWN;
    return 1;
}

} // namespace sorvane::linuxos
