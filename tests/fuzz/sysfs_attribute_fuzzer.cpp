// The sysfs attribute parser: an integer only from a strict decimal text, and then exactly it.
#include "platform/linux/sysfs_power.h"

#include <charconv>
#include <cstdlib>
#include <string_view>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using namespace sorvane::linuxos;
    const std::string_view raw(reinterpret_cast<const char*>(data), size);
    const std::string_view trimmed = trimSysfsValue(raw);
    if (trimmed.size() > raw.size()) std::abort();
    const auto value = parseSysfsInteger(raw);
    if (!value) return 0;
    std::string_view digits = trimmed;
    if (!digits.empty() && digits.front() == '-') digits.remove_prefix(1);
    if (digits.empty()) std::abort();
    for (char c : digits)
        if (c < '0' || c > '9') std::abort();
    std::int64_t back = 0;
    const auto [end, ec] = std::from_chars(trimmed.data(), trimmed.data() + trimmed.size(), back);
    if (ec != std::errc() || end != trimmed.data() + trimmed.size() || back != *value) std::abort();
    return 0;
}
