#include "support/power_tree.h"

#include <fstream>

namespace sorvane::testsupport {

PowerTree::PowerTree(const fs::path& dir) : dir_(dir) {
    fs::create_directories(dir_);
}

void PowerTree::write(const std::string& file, const std::string& value) {
    const fs::path path = dir_ / file;
    fs::create_directories(path.parent_path());
    // Replace, never truncate in place: the gauge may read between truncation and write.
    const fs::path tmp = path.string() + ".new";
    std::ofstream(tmp) << value << "\n";
    fs::rename(tmp, path);
}

void PowerTree::onBattery(int percent, int minutes) {
    write("AC/type", "Mains");
    write("AC/online", "0");
    write("BAT0/type", "Battery");
    write("BAT0/present", "1");
    write("BAT0/status", "Discharging");
    write("BAT0/capacity", std::to_string(percent));
    write("BAT0/time_to_empty_now", std::to_string(minutes * 60));
}

void PowerTree::onMains(int percent) {
    write("AC/type", "Mains");
    write("AC/online", "1");
    write("BAT0/type", "Battery");
    write("BAT0/present", "1");
    write("BAT0/status", "Charging");
    write("BAT0/capacity", std::to_string(percent));
}

void PowerTree::noBattery() {
    fs::remove_all(dir_ / "BAT0");
    write("AC/type", "Mains");
    write("AC/online", "1");
}

} // namespace sorvane::testsupport
