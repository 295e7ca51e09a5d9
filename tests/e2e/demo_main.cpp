// sorvane-demo: the gauge on a private virtual desktop with a battery that runs down, for people
// without a display and for the README's pictures.
//
//   sorvane-demo SORVANE_BINARY OUTPUT_DIR
//
// Writes PNG screenshots to OUTPUT_DIR: the reveal, the gauge at several charges, its options
// menu, and the low-battery blink; gauge-*.png are the gauge's corner of the screen.
// Qt first: Xlib's macros (Status, Bool, ...) would break its headers.
#include <QImage>

#include "e2e/gauge_desk.h"

#include <X11/keysym.h>

#include <chrono>
#include <cstdio>
#include <iostream>

using namespace sorvane::e2e;
using namespace std::chrono_literals;

namespace {

QImage toQImage(const Image& shot) {
    QImage img(shot.width, shot.height, QImage::Format_RGB888);
    for (int y = 0; y < shot.height; ++y)
        std::copy_n(shot.rgb.data() + static_cast<std::size_t>(y) * shot.width * 3, shot.width * 3,
                    img.scanLine(y));
    return img;
}

// The battery picture is up and the time label has its text.
bool labelShown(const Image& gauge) {
    using sorvane::forms::PictureId;
    return shownSource(gauge) == PictureId::PileOn && labelInk(gauge, PictureId::PileOn).count > 20;
}

struct Demo {
    GaugeDesk& desk;
    fs::path out;

    void save(const std::string& name) {
        Display* d = desk.d();
        const Image screen = grab(d);
        toQImage(screen).save(QString::fromStdString((out / (name + ".png")).string()));
        // The gauge with a little of the desktop round it.
        toQImage(grab(d, DefaultRootWindow(d), 0, 0, 200, 180))
            .save(QString::fromStdString((out / ("gauge-" + name + ".png")).string()));
        std::cout << "  " << (out / (name + ".png")).string() << "\n";
    }
    bool until(const std::function<bool()>& condition, std::chrono::milliseconds limit) {
        return waitUntil(condition, limit, 20ms);
    }
};

} // namespace

int main(int argc, char** argv) {
    if (argc != 3) {
        std::cerr << "usage: sorvane-demo SORVANE_BINARY OUTPUT_DIR\n";
        return 2;
    }
    const fs::path out = argv[2];
    fs::create_directories(out);
    try {
        GaugeDesk desk(/*picom*/ false, /*pcmanfm*/ true, argv[1]);
        Demo demo{desk, out};
        Display* d = desk.d();
        std::cout << "Private desktop on " << desk.session().displayName()
                  << "; the gauge reads a simulated battery.\n";
        desk.power().onBattery(80, 185);
        desk.start();
        Window main = 0;
        if (!demo.until(
                [&] {
                    main = desk.form("Main");
                    return main && isViewable(d, main);
                },
                20s))
            throw std::runtime_error("the gauge did not come up:\n" + desk.log());
        demo.until([&] { return shapeExtent(d, main).width >= 60; }, 5s);
        demo.save("1-reveal");
        demo.until([&] { return shapeExtent(d, main).width == 128; }, 6s);
        demo.until([&] { return labelShown(desk.shot()); }, 3s);
        demo.save("2-battery-80");

        desk.power().onMains(62);
        demo.until([&] { return shownSource(desk.shot()) == sorvane::forms::PictureId::PileOff; },
                   3s);
        demo.save("3-mains-62");

        desk.power().onBattery(38, 74);
        demo.until([&] { return shownLevel(desk.shot()) == 4; }, 3s);
        demo.until([&] { return labelShown(desk.shot()); }, 3s);
        demo.save("4-battery-38");

        const auto menus = [&] {
            int n = 0;
            for (Window w : findWindowsByClass(d, "sorvane")) {
                XWindowAttributes a{};
                if (XGetWindowAttributes(d, w, &a) && a.override_redirect &&
                    a.map_state == IsViewable && a.width > 20)
                    ++n;
            }
            return n;
        };
        click(d, 10, 154); // the options button
        demo.until([&] { return menus() == 1; }, 3s);
        for (int i = 0; i < 4; ++i)
            tapKey(d, XK_Down);
        tapKey(d, XK_Right);
        demo.until([&] { return menus() == 2; }, 3s);
        toQImage(grab(d, DefaultRootWindow(d), 0, 0, 400, 300))
            .save(QString::fromStdString((out / "5-options-menu.png").string()));
        std::cout << "  " << (out / "5-options-menu.png").string() << "\n";
        tapKey(d, XK_Escape);
        tapKey(d, XK_Escape);

        desk.power().onBattery(4, 6);
        demo.until([&] { return shownLevel(desk.shot()) == 0; }, 4s);
        demo.save("6-low-battery");
        std::cout << "Done.\n";
        return 0;
    } catch (const std::exception& e) {
        std::cerr << "sorvane-demo: " << e.what() << "\n";
        return 1;
    }
}
