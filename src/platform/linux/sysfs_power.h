// GetSystemPowerStatus from the kernel's power-supply class (/sys/class/power_supply).
#pragma once

#include "platform/os_services.h"

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace sorvane::linuxos {

// The text of one attribute file with surrounding whitespace removed.
std::string_view trimSysfsValue(std::string_view raw);
// A strict decimal integer (optional '-', digits, fits in 64 bits) after trimming; anything
// else is missing.
std::optional<std::int64_t> parseSysfsInteger(std::string_view raw);

// Reads one attribute file; nullopt when it cannot be read.
using AttributeReader = std::function<std::optional<std::string>(const std::string& path)>;
std::optional<std::string> readAttributeFile(const std::string& path);

// The supply folders under the root, in any order; symlinks are followed.
using SupplyLister = std::function<std::vector<std::string>(const std::string& root)>;
std::vector<std::string> listSupplyFolders(const std::string& root);

class SysfsPower final : public win::PowerStatus {
  public:
    explicit SysfsPower(std::string root = "/sys/class/power_supply",
                        AttributeReader reader = readAttributeFile,
                        SupplyLister lister = listSupplyFolders);
    win::BOOL GetSystemPowerStatus(win::SYSTEM_POWER_STATUS& status) override;

  private:
    std::string root_;
    AttributeReader read_;
    SupplyLister list_;
};

} // namespace sorvane::linuxos
