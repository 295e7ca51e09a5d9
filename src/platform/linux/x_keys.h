// GetAsyncKeyState for F5..F8 on X11.
#pragma once

#include "platform/forms_runtime.h"
#include "platform/os_services.h"

#include <array>
#include <functional>
#include <string>

struct _XDisplay;

namespace sorvane::linuxos {

class XKeys final : public win::Keyboard, public platform::KeyWatch {
  public:
    // displayName empty: $DISPLAY. Without a display every key reads as up.
    explicit XKeys(const std::string& displayName = "");
    ~XKeys() override;
    XKeys(const XKeys&) = delete;
    XKeys& operator=(const XKeys&) = delete;

    // 0x8000 while the key is down, | 1 when it was pressed since the previous query of that
    // key; 0 for any key other than F5..F8.
    win::SHORT GetAsyncKeyState(int vKey) override;

    // Down now or pressed since the previous query; the press stays for that query.
    bool keyActive(int vKey) override;

    // The connection's descriptor, for a caller that waits on it; -1 without a display.
    int connectionFd() const;
    bool connected() const { return display_ != nullptr; }
    // Whether presses are heard as they happen (XInput 2.1), not only seen while held.
    bool hearsPresses() const { return display_ != nullptr && xiOpcode_ >= 0; }
    // Reads what the connection has received, without a round trip: call it when the
    // descriptor is readable.
    void pump();
    // Called with each press of F5..F8 read from the connection, by whichever call read it.
    std::function<void(int vKey)> onPress;

    // A press or release of F5..F8 told by another source (the desktop's global shortcuts): a
    // press latches and calls onPress as a raw press does; the key reads down until its release.
    void feed(int vKey, bool isDown);

  private:
    void refreshKeycodes();
    void drain();
    void readQueued();
    bool down(int slot);

    _XDisplay* display_ = nullptr;
    int xiOpcode_ = -1;
    std::array<unsigned char, 4> keycodes_{};
    std::array<bool, 4> latched_{};
    std::array<bool, 4> fedDown_{};
};

} // namespace sorvane::linuxos
