// F5..F8 as the desktop's global shortcuts, through the GlobalShortcuts portal of a Wayland
// session: there an X11 program hears no key while a native window has the focus.
#pragma once

#include <QDBusObjectPath>
#include <QObject>
#include <QStringList>
#include <QVariantMap>

#include <functional>

class QDBusServiceWatcher;

namespace sorvane::qt {

// WAYLAND_DISPLAY is set or XDG_SESSION_TYPE says wayland.
bool waylandSession();

class PortalShortcuts final : public QObject {
    Q_OBJECT
  public:
    explicit PortalShortcuts(QObject* parent = nullptr);
    ~PortalShortcuts() override;

    // Asks the session bus's portal for the four keys. Without a portal, without the interface,
    // on a refusal, nothing happens: the caller's other key path stays the only one.
    void start();
    // The portal's session holds the shortcuts now.
    bool active() const { return !session_.isEmpty(); }
    // The keys the portal left without a trigger (taken by another program), once known.
    const QStringList& unbound() const { return unbound_; }

    // Each press and release of F5..F8 (virtual-key codes); when the portal goes away, a release
    // of every key it held down.
    std::function<void(int vKey, bool isDown)> onKey;

  private slots:
    void onResponse(uint code, const QVariantMap& results);
    void onActivated(const QDBusObjectPath& session, const QString& id);
    void onDeactivated(const QDBusObjectPath& session, const QString& id);
    void onSessionClosed();
    void onPortalGone();

  private:
    enum class Step { Idle, Creating, Listing, Binding, Active, Gone };
    void request(const QString& method, const QList<QVariant>& arguments);
    void stopListening();
    void checkBound(const QVariantMap& results);
    void lose();

    Step step_ = Step::Idle;
    QString requestPath_;
    QString session_;
    QString sessionToken_;
    QStringList unbound_;
    bool releasesSeen_ = false;
    unsigned held_ = 0; // bit per key: held down through the portal
    QDBusServiceWatcher* watcher_ = nullptr;
};

} // namespace sorvane::qt
