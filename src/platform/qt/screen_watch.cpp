#include "platform/qt/screen_watch.h"

#include "platform/screen_fit.h"

#include <QGuiApplication>
#include <QPoint>
#include <QScreen>
#include <QVariant>
#include <QWidget>

namespace sorvane::qt {
namespace {

// Where keepReachable last put a window.
constexpr const char* kPlacedAt = "sorvanePlacedAt";

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
    // A screen's new size arrives before the window manager's new work area (its panels move
    // afterwards): a window placed against the old one, and not moved since, follows the new.
    const QVariant placed = window.property(kPlacedAt);
    const bool ours = placed.isValid() && placed.toPoint() == frame.topLeft();
    const auto to = ours ? platform::keepInWorkArea(toRect(frame), monitors)
                         : platform::keepReachable(toRect(frame), monitors);
    if (!to) return false;
    // move() places the frame's top-left corner, as frameGeometry() reports it.
    window.move(to->x, to->y);
    window.setProperty(kPlacedAt, QPoint(to->x, to->y));
    return true;
}

} // namespace sorvane::qt
