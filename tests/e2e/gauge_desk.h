// The real `sorvane` on a private desktop, reading a battery we control: a fixture
// power-supply tree bound over /sys/class/power_supply in its own mount namespace, and ALSA's
// default device replaced by a file that collects every tone it plays.
#pragma once

#include "forms/artwork/artwork.h"
#include "support/power_tree.h"
#include "support/tones.h"
#include "support/wait.h"
#include "support/x_helpers.h"
#include "support/x_session.h"

#include <X11/Xlib.h>
#include <X11/keysym.h>

#include <filesystem>
#include <optional>
#include <string>
#include <vector>

namespace sorvane::e2e {

namespace fs = std::filesystem;
using namespace testsupport;

// The gauge's panel as placed at start: 25 and 500 twips.
inline constexpr int gaugeX = 2;
inline constexpr int gaugeY = 33;

class GaugeDesk {
  public:
    // picom: opacity and click-through need a compositor; pixels are exact without one.
    explicit GaugeDesk(bool picom, bool pcmanfm = true, std::string binary = SORVANE_BINARY);
    // Any desktop the test session can start.
    explicit GaugeDesk(const XSessionOptions& desktop, std::string binary = SORVANE_BINARY);
    ~GaugeDesk();

    XSession& session() { return session_; }
    Display* d() const { return session_.display(); }
    PowerTree& power() { return power_; }

    pid_t start();
    // Same, with `wrapper` run in front of the program inside its namespace (strace, ...);
    // pid() is then the wrapper's.
    pid_t start(const std::vector<std::string>& wrapper);
    // Another start of the program in the same desk and namespace, with these arguments: left
    // running (ended with the session), or run to its end.
    pid_t startAnother(const std::vector<std::string>& args = {});
    RunResult runAnother(const std::vector<std::string>& args = {});
    bool running();
    // Ends the program by its PID and forgets that PID; start() may run it again.
    void stop();
    pid_t pid() const { return gauge_; }
    std::string log() const { return session_.log("sorvane"); }

    // The program's windows, by their form names; 0 while there is none.
    Window form(const std::string& name) const;
    // A top-level window with this title (a message box), 0 when none is mapped.
    Window mappedTitled(const std::string& title) const;

    // The gauge as on screen, 128 x 128 from its top-left corner.
    Image shot() const;
    // Raw samples of every tone played so far (16-bit, 48 kHz, mono).
    std::vector<std::int16_t> sound() const;

  private:
    std::vector<std::string> command(const std::vector<std::string>& wrapper,
                                     const std::vector<std::string>& args) const;
    XSession session_;
    PowerTree power_;
    fs::path asoundConf_;
    fs::path soundFile_;
    std::string binary_;
    pid_t gauge_ = 0;
};

// The bounding box of a window's bounding shape (the whole window when it has none).
Geometry shapeExtent(Display* d, Window w);

// ---- driven as a user would ----

// The program's pop-up menus (override-redirect windows of its class), viewable ones.
std::vector<Window> popups(GaugeDesk& desk);
// Opens the options menu and chooses the n-th entry (1-based), and the k-th of its sub-menu.
bool choose(GaugeDesk& desk, Window gauge, int n, int k = 0);
// Waits for a message box of this title and answers it with `key` (Return: the default).
bool answer(GaugeDesk& desk, const std::string& title, unsigned long key = XK_Return);

// ---- what the gauge should show ----

// A picture of the artwork at scale 1.
const forms::Bitmap& art(forms::PictureId id);
Rgb artPixel(forms::PictureId id, int x, int y);

// Whether the panel's region (gauge pixels) shows the picture placed at `left`, ignoring what
// the controls drawn over the pictures cover (buttons, label, slider).
// `tolerance` allows for a compositor's blending (per colour channel).
bool showsPicture(const Image& gauge, forms::PictureId id, int left, bool skipLabel = true,
                  int tolerance = 0);
// The level picture shown in ImgBat (0..9), or nullopt when none matches.
std::optional<int> shownLevel(const Image& gauge, int tolerance = 0);
// PileOn or PileOff, or nullopt.
std::optional<forms::PictureId> shownSource(const Image& gauge);
// The pixels of the time label that differ from the picture under it: its text.
struct Ink {
    int count = 0, left = 0, right = 0;
};
Ink labelInk(const Image& gauge, forms::PictureId source);

} // namespace sorvane::e2e
