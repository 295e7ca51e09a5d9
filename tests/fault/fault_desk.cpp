#include "fault/fault_desk.h"

#include <X11/Xutil.h>
#include <X11/extensions/shape.h>

#include <dirent.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <sstream>

namespace sorvane::fault {

namespace {

std::string slurp(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string((std::istreambuf_iterator<char>(in)), {});
}

} // namespace

Window waitForRevealedGauge(GaugeDesk& desk) {
    Window w = 0;
    if (!waitUntil(
            [&] {
                w = desk.form("Main");
                return w && isViewable(desk.d(), w);
            },
            20s))
        return 0;
    if (!waitUntil([&] { return shapeExtent(desk.d(), w).width == 128; }, 15s, 50ms)) return 0;
    return w;
}

std::vector<Window> viewableOfType(Display* d, const std::string& type) {
    return findViewableByType(d, type);
}

Window tint2Panel(Display* d) {
    for (Window w : findWindowsByType(d, "DOCK"))
        if (wmClass(d, w).find("tint2") != std::string::npos && geometry(d, w).width > 100)
            return w;
    return 0;
}

bool gaugeShows(const Image& shot) {
    return shownLevel(shot, 8).has_value() || shownSource(shot).has_value();
}

int inputRectangles(Display* d, Window w) {
    int count = -1, ordering = 0;
    if (XRectangle* r = XShapeGetRectangles(d, w, ShapeInput, &count, &ordering)) XFree(r);
    return count;
}

std::vector<pid_t> processesOnDisplay(const std::string& displayName) {
    const std::string wanted = "DISPLAY=" + displayName;
    std::vector<pid_t> out;
    for (const auto& entry : std::filesystem::directory_iterator("/proc")) {
        const std::string name = entry.path().filename();
        if (name.find_first_not_of("0123456789") != std::string::npos) continue;
        const std::string env = slurp(entry.path() / "environ");
        std::istringstream vars(env);
        for (std::string var; std::getline(vars, var, '\0');)
            if (var == wanted) {
                out.push_back(static_cast<pid_t>(std::stol(name)));
                break;
            }
    }
    return out;
}

std::string exeOf(pid_t pid) {
    std::error_code ec;
    const auto target = std::filesystem::read_symlink("/proc/" + std::to_string(pid) + "/exe", ec);
    return ec ? std::string() : target.string();
}

std::vector<pid_t> childrenOf(pid_t pid) {
    std::vector<pid_t> out;
    const std::string task = "/proc/" + std::to_string(pid) + "/task";
    std::error_code ec;
    for (const auto& t : std::filesystem::directory_iterator(task, ec)) {
        std::istringstream ids(slurp((t.path() / "children").string()));
        for (pid_t child = 0; ids >> child;)
            out.push_back(child);
    }
    return out;
}

} // namespace sorvane::fault
