#include "platform/qt/screen_watch.h"

#include "platform/screen_fit.h"

#include <QGuiApplication>
#include <QScreen>
#include <QWidget>

namespace sorvane::qt {
namespace {

platform::ScreenRect toRect(const QRect& r) {
    return {r.x(), r.y(), r.width(), r.height()};
}

void follow(QScreen* screen, const std::function<void()>& changed) {
    QObject::connect(screen, &QScreen::geometryChanged, changed);
    QObject::connect(screen, &QScreen::availableGeometryChanged, changed);
}

} // namespace

void watchScreens(std::function<void()> changed) {
    for (QScreen* s : QGuiApplication::screens())
        follow(s, changed);
    QObject::connect(qGuiApp, &QGuiApplication::screenAdded, [changed](QScreen* s) {
        follow(s, changed);
        changed();
    });
    QObject::connect(qGuiApp, &QGuiApplication::screenRemoved, changed);
}

bool keepReachable(QWidget& window) {
    if (!window.isVisible()) return false;
    std::vector<platform::Monitor> monitors;
    for (QScreen* s : QGuiApplication::screens())
        monitors.push_back({toRect(s->geometry()), toRect(s->availableGeometry())});
    const QRect frame = window.frameGeometry();
    const auto to = platform::keepReachable(toRect(frame), monitors);
    if (!to) return false;
    // move() places the frame's top-left corner, as frameGeometry() reports it.
    window.move(to->x, to->y);
    return true;
}

} // namespace sorvane::qt
