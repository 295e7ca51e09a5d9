// The forms runtime on Win32.
//
//  [X] Windows: WS_POPUP with WS_EX_TOOLWINDOW (never in the taskbar), back colour, icon.
//  [X] Images and labels are windowless: painted by their window in stacking order with GDI at
//      natural size; the mouse goes to the topmost one under the pointer.
//  [X] The scroll bar is a native SCROLLBAR child.
//  [X] Timers: SetTimer, delivered through the dispatch rules.
//  [X] Pop-up menus: TrackPopupMenu at the cursor, built afresh from the menu tree.
//  [X] Message boxes: MessageBoxW (see messageBoxNative for why not the A call).
//  [X] Ending: ExitProcess, at once.
//  [X] Recall by another start: a registered message posted to a form raises its Recall event.
//  [X] A window the monitors leave partly out of reach (WM_DISPLAYCHANGE), or called back on
//      top, moves inside the nearest work area.
//  [X] Twips to pixels by the system DPI (system-aware manifest). Pictures keep their 96-dpi
//      layout scaled to the DPI: the artwork's own pixels at 96 dpi (1x) and 192 dpi (2x), the
//      2x pictures resampled in between and beyond.
//  [~] The refresh timer runs after the other handlers when the policy is idle-aware; the key
//      polls keep their clocks (no key events from other programs without a hook).
#pragma once

#include "platform/forms_runtime.h"
#include "platform/win32/win32_layout.h"

#include <map>
#include <memory>
#include <string>
#include <vector>

namespace sorvane::win32 {

class Win32Runtime final : public platform::FormsRuntime {
  public:
    // `instance` is the module's HINSTANCE, carrying the pictures and the icon as resources.
    explicit Win32Runtime(void* instance);
    ~Win32Runtime() override;

    // Pumps messages until the program ends; returns the exit code.
    int run();

    int dpi() const { return dpi_; }

    // Every form's window class, and the message with which another start of the program asks a
    // form for its Recall event.
    static constexpr wchar_t formClass[] = L"SorvaneForm";
    static unsigned recallMessage();

    // Moves a shown window that the monitors leave partly out of reach inside the nearest work
    // area; a window wholly on screen stays where it is.
    static void keepReachable(win::HWND window);

    // Reports an error the runtime cannot recover from and ends the program, as a forms runtime
    // does with its own error box.
    [[noreturn]] void fail(std::string_view what);

  protected:
    win::HWND createNative(forms::Window& window) override;
    void showNative(forms::Window& window, bool visible) override;
    void controlChangedNative(forms::Control& control, forms::Property which) override;
    void windowChangedNative(forms::Window& window, forms::Property which) override;
    void paintPendingNative() override;
    void timerNative(forms::Timer& timer, bool run, int interval) override;
    int messageBoxNative(std::string_view text, int style, std::string_view title) override;
    forms::MenuItem* popupMenuNative(forms::Window& window, forms::MenuItem& menu) override;
    void endNative() override;

  private:
    struct Native;
    struct Impl;
    std::unique_ptr<Impl> impl_;
    int dpi_ = 96;
};

} // namespace sorvane::win32
