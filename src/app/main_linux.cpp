// sorvane: the gauge on a Linux/X11 desktop (X11 or XWayland). No command line, no settings.
#include "app/event_table.h"
#include "platform/linux/linux_os.h"
#include "platform/linux/signals.h"
#include "platform/qt/qt_runtime.h"
#include "platform/qt/screen_watch.h"
#include "platform/qt/x11_session.h"

#include <QApplication>
#include <QSocketNotifier>

#include <csignal>
#include <cstdio>
#include <memory>

using namespace sorvane;

int main(int argc, char** argv) {
    // A write to a dead X connection then fails with EPIPE and its error path says so.
    std::signal(SIGPIPE, SIG_IGN);
    // Qt's Wayland platform cannot place or stack a window; XWayland can.
    qputenv("QT_QPA_PLATFORM", "xcb");
    if (const std::string problem = qt::displayProblem(); !problem.empty()) {
        std::fprintf(stderr, "%s\n", problem.c_str());
        return 1;
    }
    qt::exitOnLostDisplay();

    QApplication app(argc, argv);
    QApplication::setApplicationName("Sorvane");
    QApplication::setDesktopFileName("io.github.sorvane.Sorvane");
    QApplication::setQuitOnLastWindowClosed(false);

    linuxos::LinuxOs os;
    auto& windows = os.windows();

    qt::QtRuntime rt;
    // A gauge that runs all day on battery must let the machine sleep: the refresh runs after
    // the handlers that can change what it shows, the hot-key polls only while a key needs them.
    rt.setPolicy(platform::Policy::IdleAware);
    auto& keys = os.keys();
    std::unique_ptr<QSocketNotifier> keyEvents;
    if (keys.hearsPresses()) { // else the polls keep their clocks and still see held keys
        rt.setKeyWatch(&keys);
        keys.onPress = [&](int vKey) { rt.keyPressed(vKey); };
        keyEvents = std::make_unique<QSocketNotifier>(keys.connectionFd(), QSocketNotifier::Read);
        QObject::connect(keyEvents.get(), &QSocketNotifier::activated, [&] { keys.pump(); });
    }
    rt.buttonsDown = qt::serverButtons;
    rt.nativeResized = [](win::HWND h, int width, int height) { qt::awaitSize(h, width, height); };
    rt.nativeCreated = [&](forms::Window&, win::HWND h) {
        qt::syncQtConnection(); // the window must exist for the window services' connection
        windows.addOwnWindow(h);
        windows.setSkipTaskbar(h);
    };
    windows.showWindow = [&](win::HWND h) {
        rt.paintNow(h);
        qt::syncQtConnection();
    };
    // The reveal runs inside the load handler, which holds every program handler off: paint.
    windows.animationStep = [&] {
        QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents);
        qt::syncQtConnection();
    };
    windows.releaseCapture = qt::releaseQtPointerGrab;
    // The compositor's comings and goings, and our windows shown again, as they happen.
    QSocketNotifier windowEvents(windows.connectionFd(), QSocketNotifier::Read);
    QObject::connect(&windowEvents, &QSocketNotifier::activated, [&] { windows.processEvents(); });
    // Ended by a signal, show again the panels and the desktop this run hid.
    linuxos::watchEndingSignals();
    std::unique_ptr<QSocketNotifier> endings;
    if (linuxos::endingSignalFd() >= 0) {
        endings =
            std::make_unique<QSocketNotifier>(linuxos::endingSignalFd(), QSocketNotifier::Read);
        QObject::connect(endings.get(), &QSocketNotifier::activated, [&] {
            os.hiddenByThisRun().showWhatThisRunHid();
            linuxos::endBySignal(linuxos::endingSignal());
        });
    }
    // A gauge the screens left partly out of reach comes back inside, as does one called back.
    os.hiddenByThisRun().raisedOnTop = [&](win::HWND h) {
        if (auto* w = rt.widget(h)) qt::keepReachable(*w);
    };
    qt::watchScreens([] {
        for (QWidget* w : QApplication::topLevelWidgets())
            if (dynamic_cast<qt::FormWidget*>(w)) qt::keepReachable(*w);
    });
    app::Gauge program(os.services(), rt);
    program.start();
    return QApplication::exec();
}
