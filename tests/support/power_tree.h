// A laptop's power-supply tree in a directory of our own, edited while a program reads it: bound
// over /sys/class/power_supply (inPowerNamespace), it is the battery the program sees.
#pragma once

#include <filesystem>
#include <string>

namespace sorvane::testsupport {

namespace fs = std::filesystem;

// A laptop's power-supply tree that the test edits while the gauge runs.
class PowerTree {
  public:
    explicit PowerTree(const fs::path& dir);
    const fs::path& dir() const { return dir_; }

    // One battery, discharging at `percent` with `minutes` left, mains off line.
    void onBattery(int percent, int minutes = 90);
    // Mains on line, the battery charging at `percent`.
    void onMains(int percent);
    // Mains only: a desktop machine.
    void noBattery();

  private:
    void write(const std::string& file, const std::string& value);
    fs::path dir_;
};

} // namespace sorvane::testsupport
