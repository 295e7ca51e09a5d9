// sorvane: the gauge on a Linux/X11 desktop (X11 or XWayland). No settings; the command line
// only answers --help and --version. One gauge per screen: a later start recalls it.
#include "app/command_line.h"
#include "app/event_table.h"
#include "platform/linux/linux_os.h"
#include "platform/linux/signals.h"
#include "platform/linux/x11_instance.h"
#include "platform/qt/portal_shortcuts.h"
#include "platform/qt/qt_runtime.h"
#include "platform/qt/screen_watch.h"
#include "platform/qt/x11_session.h"

#include <QApplication>
#include <QSocketNotifier>

#include <csignal>
#include <cstdio>
#include <memory>

using namespace sorvane;

namespace {
constexpr app::Tool tool{
    "sorvane", "",
    "Shows the battery charge in a small always-on-top gauge on the X11 desktop named by\n"
    "DISPLAY (under Wayland, through XWayland). Started again while it runs, it brings the\n"
    "running gauge back to the front, as F8 does, and exits.\n"
    "\n"
    "  -h, --help     show this help and exit\n"
    "      --version  show the version and exit\n"
    "\n"
    "Keys, wherever the focus is: F5 beep on or off, F6 hide or show the panels, F7 hide or\n"
    "show the desktop icons, F8 bring the hidden gauge back.\n"};
}

int main(int argc, char** argv) {
    // A write to a dead X connection (or a closed stdout) then fails with EPIPE, and its error
    // path says so, instead of the process ending silently.
    std::signal(SIGPIPE, SIG_IGN);
    const app::CommandLine line = app::parseCommandLine(tool, argc, argv);
    if (line.action != app::CommandLine::Action::Run) return app::answer(line);
    // Qt's Wayland platform cannot place or stack a window; XWayland can.
    qputenv("QT_QPA_PLATFORM", "xcb");
    if (const std::string problem = qt::displayProblem(); !problem.empty()) {
        std::fprintf(stderr, "%s\n", problem.c_str());
        return 1;
    }
    qt::exitOnLostDisplay();
    // Before any window: a second start only asks the running gauge to come back.
    linuxos::X11Instance instance;
    switch (instance.claim()) {
    case linuxos::X11Instance::Claim::Recalled:
        return 0;
    case linuxos::X11Instance::Claim::Unanswered:
        std::fputs("sorvane: the gauge already running on this display does not answer; end it "
                   "before starting another.\n",
                   stderr);
        return 1;
    default:
        break;
    }

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
    // Under Wayland the X server hears no key while a native window has the focus: where the
    // desktop's portal offers global shortcuts, F5..F8 come in through it as well.
    std::unique_ptr<qt::PortalShortcuts> shortcuts;
    if (qt::waylandSession()) {
        shortcuts = std::make_unique<qt::PortalShortcuts>();
        shortcuts->onKey = [&](int vKey, bool isDown) { keys.feed(vKey, isDown); };
        shortcuts->start();
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
    // A tone holds the thread: the picture the handler just set comes up as it starts.
    os.services().setBeforeHold([&] {
        rt.paintPending();
        qt::syncQtConnection();
    });
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
    instance.onRecall = [&] { rt.recall(program.F8); };
    QSocketNotifier laterStarts(instance.connectionFd(), QSocketNotifier::Read);
    QObject::connect(&laterStarts, &QSocketNotifier::activated, [&] { instance.pump(); });
    program.start();
    instance.pump(); // a request that came in while the gauge was starting
    return QApplication::exec();
}
