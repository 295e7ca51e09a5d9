#include "e2e/gauge_desk.h"

#include <X11/extensions/shape.h>

#include <cmath>
#include <fstream>
#include <stdexcept>

namespace sorvane::e2e {

using namespace std::chrono_literals;

using forms::PictureId;

// ---- GaugeDesk ----

GaugeDesk::GaugeDesk(bool picom, bool pcmanfm, std::string binary)
    : GaugeDesk({.wm = Wm::Openbox, .tint2 = true, .pcmanfmDesktop = pcmanfm, .picom = picom},
                std::move(binary)) {}

GaugeDesk::GaugeDesk(const XSessionOptions& desktop, std::string binary)
    : session_(desktop), power_(session_.path("power_supply")),
      asoundConf_(session_.path("asound.conf")), soundFile_(session_.path("beep.raw")),
      binary_(std::move(binary)) {
    // Every tone the gauge plays is appended to one file, as 16-bit samples.
    std::ofstream(asoundConf_) << "</usr/share/alsa/alsa.conf>\n"
                               << "pcm.!default { type file; slave { pcm { type null } } file \"| "
                                  "cat >> "
                               << soundFile_.string() << "\" format raw }\n";
}

GaugeDesk::~GaugeDesk() {
    if (gauge_) session_.end(gauge_);
}

pid_t GaugeDesk::start() {
    return start({});
}

std::vector<std::string> GaugeDesk::command(const std::vector<std::string>& wrapper,
                                            const std::vector<std::string>& args) const {
    if (!powerNamespaceAvailable())
        throw std::runtime_error("no private mount namespace here (unshare -m)");
    std::vector<std::string> argv{"env", "ALSA_CONFIG_PATH=" + asoundConf_.string()};
    argv.insert(argv.end(), wrapper.begin(), wrapper.end());
    argv.push_back(binary_);
    argv.insert(argv.end(), args.begin(), args.end());
    return inPowerNamespace(power_.dir().string(), argv);
}

pid_t GaugeDesk::start(const std::vector<std::string>& wrapper) {
    gauge_ = session_.spawn(command(wrapper, {}), "sorvane");
    return gauge_;
}

pid_t GaugeDesk::startAnother(const std::vector<std::string>& args) {
    return session_.spawn(command({}, args), "sorvane-another");
}

RunResult GaugeDesk::runAnother(const std::vector<std::string>& args) {
    return session_.run(command({}, args));
}

void GaugeDesk::stop() {
    if (gauge_) session_.end(gauge_);
    gauge_ = 0;
}

bool GaugeDesk::running() {
    return gauge_ && isRunning(gauge_);
}

Window GaugeDesk::form(const std::string& name) const {
    for (Window w : findWindowsByClass(d(), "sorvane"))
        if (wmName(d(), w) == name) return w;
    return 0;
}

Window GaugeDesk::mappedTitled(const std::string& title) const {
    for (Window w : findWindowsByClass(d(), "sorvane"))
        if (wmName(d(), w) == title && isViewable(d(), w)) return w;
    return 0;
}

Image GaugeDesk::shot() const {
    return grab(d(), DefaultRootWindow(d()), gaugeX, gaugeY, 128, 128);
}

std::vector<std::int16_t> GaugeDesk::sound() const {
    std::error_code ec;
    const auto size = fs::file_size(soundFile_, ec);
    if (ec) return {};
    std::vector<std::int16_t> samples(size / 2);
    std::ifstream in(soundFile_, std::ios::binary);
    in.read(reinterpret_cast<char*>(samples.data()),
            static_cast<std::streamsize>(samples.size() * 2));
    return samples;
}

Geometry shapeExtent(Display* d, Window w) {
    int count = 0, ordering = 0;
    XRectangle* r = XShapeGetRectangles(d, w, ShapeBounding, &count, &ordering);
    Geometry g;
    if (!r) return g;
    int left = 1 << 20, top = 1 << 20, right = -(1 << 20), bottom = -(1 << 20);
    for (int i = 0; i < count; ++i) {
        left = std::min<int>(left, r[i].x);
        top = std::min<int>(top, r[i].y);
        right = std::max<int>(right, r[i].x + r[i].width);
        bottom = std::max<int>(bottom, r[i].y + r[i].height);
    }
    XFree(r);
    if (count > 0)
        g = {left, top, static_cast<unsigned>(right - left), static_cast<unsigned>(bottom - top)};
    return g;
}

std::vector<Window> popups(GaugeDesk& desk) {
    std::vector<Window> out;
    for (Window w : findWindowsByClass(desk.d(), "sorvane")) {
        XWindowAttributes a{};
        if (XGetWindowAttributes(desk.d(), w, &a) && a.override_redirect &&
            a.map_state == IsViewable && a.width > 20)
            out.push_back(w);
    }
    return out;
}

bool choose(GaugeDesk& desk, Window gauge, int n, int k) {
    Display* d = desk.d();
    const Geometry g = geometry(d, gauge);
    click(d, g.x + 8, g.y + 121); // the options button
    if (!waitUntil([&] { return !popups(desk).empty(); }, 3s)) return false;
    for (int i = 0; i < n; ++i)
        tapKey(d, XK_Down);
    if (k > 0) {
        tapKey(d, XK_Right);
        if (!waitUntil([&] { return popups(desk).size() == 2; }, 2s)) return false;
        for (int i = 1; i < k; ++i)
            tapKey(d, XK_Down);
    }
    tapKey(d, XK_Return);
    return waitUntil([&] { return popups(desk).empty(); }, 2s);
}

bool answer(GaugeDesk& desk, const std::string& title, unsigned long key) {
    Window box = 0;
    if (!waitUntil([&] { return (box = desk.mappedTitled(title)) != 0; }, 5s)) return false;
    // Where the window manager has put it (KWin places a box after it maps).
    const Geometry g = waitUntilSettled([&] { return geometry(desk.d(), box); });
    click(desk.d(), g.x + static_cast<int>(g.width) / 2, g.y + 8); // focus it, as a user would
    // and types once it has the keyboard.
    waitUntil([&] {
        Window focus = 0;
        int revert = 0;
        XGetInputFocus(desk.d(), &focus, &revert);
        return focus == box;
    });
    tapKey(desk.d(), key);
    return waitUntil([&] { return desk.mappedTitled(title) == 0; }, 3s);
}

// ---- pictures ----

const forms::Bitmap& art(PictureId id) {
    return forms::artworkBitmap(id, 1);
}

Rgb artPixel(PictureId id, int x, int y) {
    const auto& b = art(id);
    const std::uint8_t* p = b.rgb + (static_cast<std::size_t>(y) * b.width + x) * 3;
    return {p[0], p[1], p[2]};
}

namespace {
struct Box {
    int left, top, right, bottom; // inclusive, gauge pixels, with a pixel of margin
    bool contains(int x, int y) const { return x >= left && x <= right && y >= top && y <= bottom; }
};
// What lies over the two pictures: close button, options button, slider, time label.
constexpr Box fermerBox{0, 0, 18, 18};
constexpr Box optionsBox{0, 116, 17, 127};
constexpr Box sliderBox{45, 0, 127, 10};
constexpr Box labelBox{15, 87, 73, 105};

bool covered(int x, int y, bool skipLabel) {
    return fermerBox.contains(x, y) || optionsBox.contains(x, y) || sliderBox.contains(x, y) ||
           (skipLabel && labelBox.contains(x, y));
}
} // namespace

bool showsPicture(const Image& gauge, PictureId id, int left, bool skipLabel, int tolerance) {
    const auto& b = art(id);
    if (gauge.width < left + b.width || gauge.height < b.height) return false;
    const auto near = [tolerance](Rgb a, Rgb b) {
        return std::abs(a.r - b.r) <= tolerance && std::abs(a.g - b.g) <= tolerance &&
               std::abs(a.b - b.b) <= tolerance;
    };
    for (int y = 0; y < b.height; ++y)
        for (int x = 0; x < b.width; ++x)
            if (!covered(left + x, y, skipLabel) &&
                !near(gauge.at(left + x, y), artPixel(id, x, y)))
                return false;
    return true;
}

std::optional<int> shownLevel(const Image& gauge, int tolerance) {
    for (int n = 0; n <= 9; ++n)
        if (showsPicture(gauge, static_cast<PictureId>(n), 85, true, tolerance)) return n;
    return std::nullopt;
}

std::optional<PictureId> shownSource(const Image& gauge) {
    for (PictureId id : {PictureId::PileOn, PictureId::PileOff})
        if (showsPicture(gauge, id, 0)) return id;
    return std::nullopt;
}

Ink labelInk(const Image& gauge, PictureId source) {
    Ink ink;
    ink.left = 1000;
    ink.right = -1;
    for (int y = 88; y <= 104; ++y)
        for (int x = 16; x <= 72; ++x)
            if (gauge.at(x, y) != artPixel(source, x, y)) {
                ++ink.count;
                ink.left = std::min(ink.left, x);
                ink.right = std::max(ink.right, x);
            }
    return ink;
}

} // namespace sorvane::e2e
