// The hot keys through org.freedesktop.portal.GlobalShortcuts (Wayland sessions).
//
//   [~] GetAsyncKeyState(VK_F5..VK_F8)   the four keys are the program's global shortcuts;
//       Activated and Deactivated reach the same per-key state the X11 key reader keeps, so the
//       polls read them as any other press.
//   Found with KDE's portal (5.27): BindShortcuts alone binds nothing there (it opens a settings
//       page), while the shortcuts passed in CreateSession's options are bound at once, without
//       a dialog. So they go in CreateSession, and BindShortcuts is asked only when the session
//       then lists none of them (portals that follow the documented sequence).
//   Without an application id the portal names the shortcut group after the session token, and
//       the desktop keeps the group: the token is the display's, so runs share one group.
//   Gaps: no portal (GNOME before 48, sway, weston), or a portal that refuses or leaves: nothing
//       here; the keys are heard only while an X11 window has the focus. A key another program
//       holds stays unbound: one line on stderr names it.
#include "platform/qt/portal_shortcuts.h"

#include <QDBusArgument>
#include <QDBusConnection>
#include <QDBusMessage>
#include <QDBusMetaType>
#include <QDBusPendingCallWatcher>
#include <QDBusPendingReply>
#include <QDBusServiceWatcher>
#include <QDBusVariant>
#include <QRandomGenerator>

#include <unistd.h>

#include <cstdio>

namespace {

struct Shortcut {
    QString id;
    QVariantMap properties;
};
using ShortcutList = QList<Shortcut>;

QDBusArgument& operator<<(QDBusArgument& arg, const Shortcut& s) {
    arg.beginStructure();
    arg << s.id << s.properties;
    arg.endStructure();
    return arg;
}

const QDBusArgument& operator>>(const QDBusArgument& arg, Shortcut& s) {
    arg.beginStructure();
    arg >> s.id >> s.properties;
    arg.endStructure();
    return arg;
}

} // namespace

Q_DECLARE_METATYPE(Shortcut)

namespace sorvane::qt {
namespace {

const QString portalService = QStringLiteral("org.freedesktop.portal.Desktop");
const QString portalPath = QStringLiteral("/org/freedesktop/portal/desktop");
const QString shortcutsInterface = QStringLiteral("org.freedesktop.portal.GlobalShortcuts");

constexpr int vkF5 = 0x74;

// The four keys in key order, with the captions the program gives them.
struct Key {
    const char* id;
    const char* trigger;
    const char* description;
};
constexpr Key keys[4] = {
    {"beep", "F5", "Beep /!\\ F5"},
    {"taskbar", "F6", "TaskBar F6"},
    {"desktop-icons", "F7", "IconBureau F7"},
    {"recall", "F8", "Pour réafficher le programme :: F8"},
};

int slotOf(const QString& id) {
    for (int i = 0; i < 4; ++i)
        if (id == QLatin1String(keys[i].id)) return i;
    return -1;
}

ShortcutList wanted() {
    ShortcutList list;
    for (const Key& k : keys)
        list.append({QString::fromLatin1(k.id),
                     {{QStringLiteral("description"), QString::fromUtf8(k.description)},
                      {QStringLiteral("preferred_trigger"), QString::fromLatin1(k.trigger)}}});
    return list;
}

QString token() {
    return QStringLiteral("sorvane_%1_%2")
        .arg(::getpid())
        .arg(QRandomGenerator::global()->generate(), 8, 16, QLatin1Char('0'));
}

// The desktop keeps the shortcut group it names after the session token in the user's settings:
// a token of its own per run would leave a group behind each time. One gauge runs per display,
// so a token per display is unique among live sessions and every run finds its group again.
QString sessionToken() {
    QString display = qEnvironmentVariable("DISPLAY");
    for (QChar& c : display)
        if (!c.isLetterOrNumber() || c.unicode() > 127) c = QLatin1Char('_');
    return QStringLiteral("sorvane_display") + display;
}

QDBusConnection bus() {
    return QDBusConnection::sessionBus();
}

} // namespace

bool waylandSession() {
    return !qEnvironmentVariableIsEmpty("WAYLAND_DISPLAY") ||
           qEnvironmentVariable("XDG_SESSION_TYPE") == QLatin1String("wayland");
}

PortalShortcuts::PortalShortcuts(QObject* parent) : QObject(parent) {
    qDBusRegisterMetaType<Shortcut>();
    qDBusRegisterMetaType<ShortcutList>();
}

PortalShortcuts::~PortalShortcuts() {
    if (!session_.isEmpty())
        bus().call(QDBusMessage::createMethodCall(portalService, session_,
                                                  QStringLiteral("org.freedesktop.portal.Session"),
                                                  QStringLiteral("Close")),
                   QDBus::NoBlock);
}

void PortalShortcuts::start() {
    if (step_ != Step::Idle || !bus().isConnected()) return;
    // Asking for the interface's version tells whether this portal has it at all; an absent
    // portal is started by the bus or answers an error, both without blocking the gauge.
    auto get = QDBusMessage::createMethodCall(portalService, portalPath,
                                              QStringLiteral("org.freedesktop.DBus.Properties"),
                                              QStringLiteral("Get"));
    get << shortcutsInterface << QStringLiteral("version");
    auto* call = new QDBusPendingCallWatcher(bus().asyncCall(get), this);
    connect(call, &QDBusPendingCallWatcher::finished, this, [this](QDBusPendingCallWatcher* w) {
        w->deleteLater();
        if (w->isError() || step_ != Step::Idle) return;
        watcher_ = new QDBusServiceWatcher(portalService, bus(),
                                           QDBusServiceWatcher::WatchForUnregistration, this);
        connect(watcher_, &QDBusServiceWatcher::serviceUnregistered, this,
                &PortalShortcuts::onPortalGone);
        sessionToken_ = sessionToken();
        step_ = Step::Creating;
        QVariantMap options{{QStringLiteral("session_handle_token"), sessionToken_},
                            {QStringLiteral("shortcuts"), QVariant::fromValue(wanted())}};
        request(QStringLiteral("CreateSession"), {options});
    });
}

// Calls a method that answers through a Request object's Response signal. The signal is
// subscribed on the path the portal will use before the call goes out, so a quick answer is not
// missed; the last argument is the options map, which gets the request's token.
void PortalShortcuts::request(const QString& method, const QList<QVariant>& arguments) {
    QList<QVariant> args = arguments;
    QVariantMap options = args.takeLast().toMap();
    const QString handleToken = token();
    options.insert(QStringLiteral("handle_token"), handleToken);
    args.append(options);
    QString sender = bus().baseService().mid(1);
    sender.replace(QLatin1Char('.'), QLatin1Char('_'));
    requestPath_ =
        portalPath + QStringLiteral("/request/") + sender + QLatin1Char('/') + handleToken;
    bus().connect(portalService, requestPath_, QStringLiteral("org.freedesktop.portal.Request"),
                  QStringLiteral("Response"), this, SLOT(onResponse(uint, QVariantMap)));
    auto call =
        QDBusMessage::createMethodCall(portalService, portalPath, shortcutsInterface, method);
    call.setArguments(args);
    auto* pending = new QDBusPendingCallWatcher(bus().asyncCall(call), this);
    connect(pending, &QDBusPendingCallWatcher::finished, this, [this](QDBusPendingCallWatcher* w) {
        w->deleteLater();
        if (w->isError()) lose();
    });
}

void PortalShortcuts::stopListening() {
    if (requestPath_.isEmpty()) return;
    bus().disconnect(portalService, requestPath_, QStringLiteral("org.freedesktop.portal.Request"),
                     QStringLiteral("Response"), this, SLOT(onResponse(uint, QVariantMap)));
    requestPath_.clear();
}

void PortalShortcuts::onResponse(uint code, const QVariantMap& results) {
    stopListening();
    if (code != 0) { // refused or cancelled
        lose();
        return;
    }
    switch (step_) {
    case Step::Creating: {
        const QVariant handle = results.value(QStringLiteral("session_handle"));
        session_ = handle.canConvert<QDBusObjectPath>() ? handle.value<QDBusObjectPath>().path()
                                                        : handle.toString();
        if (session_.isEmpty()) {
            lose();
            return;
        }
        bus().connect(portalService, portalPath, shortcutsInterface, QStringLiteral("Activated"),
                      this, SLOT(onActivated(QDBusObjectPath, QString)));
        bus().connect(portalService, portalPath, shortcutsInterface, QStringLiteral("Deactivated"),
                      this, SLOT(onDeactivated(QDBusObjectPath, QString)));
        bus().connect(portalService, session_, QStringLiteral("org.freedesktop.portal.Session"),
                      QStringLiteral("Closed"), this, SLOT(onSessionClosed()));
        step_ = Step::Listing;
        request(QStringLiteral("ListShortcuts"), {QDBusObjectPath(session_), QVariantMap{}});
        break;
    }
    case Step::Listing: {
        const auto listed = qdbus_cast<ShortcutList>(
            results.value(QStringLiteral("shortcuts")).value<QDBusArgument>());
        bool ours = false;
        for (const Shortcut& s : listed)
            ours = ours || slotOf(s.id) >= 0;
        if (ours) {
            checkBound(results);
            return;
        }
        step_ = Step::Binding;
        request(
            QStringLiteral("BindShortcuts"),
            {QDBusObjectPath(session_), QVariant::fromValue(wanted()), QString(), QVariantMap{}});
        break;
    }
    case Step::Binding:
        checkBound(results);
        break;
    default:
        break;
    }
}

// A key missing from the portal's list, or listed without a trigger, is held by another program.
void PortalShortcuts::checkBound(const QVariantMap& results) {
    step_ = Step::Active;
    const auto listed =
        qdbus_cast<ShortcutList>(results.value(QStringLiteral("shortcuts")).value<QDBusArgument>());
    bool bound[4] = {};
    for (const Shortcut& s : listed) {
        const int slot = slotOf(s.id);
        if (slot >= 0)
            bound[slot] =
                !s.properties.value(QStringLiteral("trigger_description")).toString().isEmpty();
    }
    unbound_.clear();
    for (int i = 0; i < 4; ++i)
        if (!bound[i]) unbound_.append(QString::fromLatin1(keys[i].trigger));
    if (!unbound_.isEmpty())
        std::fprintf(stderr,
                     "sorvane: the desktop did not give these keys to sorvane as global shortcuts "
                     "(another program may hold them): %s; they act only while a sorvane window "
                     "has the keyboard focus.\n",
                     qPrintable(unbound_.join(QStringLiteral(", "))));
}

void PortalShortcuts::onActivated(const QDBusObjectPath& session, const QString& id) {
    const int slot = slotOf(id);
    if (session.path() != session_ || slot < 0 || !onKey) return;
    if (releasesSeen_) {
        held_ |= 1u << slot;
        onKey(vkF5 + slot, true);
    } else {
        // Until this portal has shown that it reports releases, an activation is one press: a
        // key left down with no release to come would toggle its option on every poll.
        onKey(vkF5 + slot, true);
        onKey(vkF5 + slot, false);
    }
}

void PortalShortcuts::onDeactivated(const QDBusObjectPath& session, const QString& id) {
    const int slot = slotOf(id);
    if (session.path() != session_ || slot < 0) return;
    releasesSeen_ = true;
    held_ &= ~(1u << slot);
    if (onKey) onKey(vkF5 + slot, false);
}

void PortalShortcuts::onSessionClosed() {
    lose();
}

void PortalShortcuts::onPortalGone() {
    lose();
}

// The portal is gone, refused or closed the session: release what it held and stop; the caller's
// other key path goes on alone.
void PortalShortcuts::lose() {
    stopListening();
    if (!session_.isEmpty()) {
        bus().disconnect(portalService, portalPath, shortcutsInterface, QStringLiteral("Activated"),
                         this, SLOT(onActivated(QDBusObjectPath, QString)));
        bus().disconnect(portalService, portalPath, shortcutsInterface,
                         QStringLiteral("Deactivated"), this,
                         SLOT(onDeactivated(QDBusObjectPath, QString)));
        bus().disconnect(portalService, session_, QStringLiteral("org.freedesktop.portal.Session"),
                         QStringLiteral("Closed"), this, SLOT(onSessionClosed()));
    }
    session_.clear();
    step_ = Step::Gone; // not asked again in this run
    for (int slot = 0; slot < 4; ++slot)
        if (held_ & (1u << slot) && onKey) onKey(vkF5 + slot, false);
    held_ = 0;
}

} // namespace sorvane::qt
