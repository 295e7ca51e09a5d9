// The forms runtime on Qt 6 Widgets: one frameless tool window per form, never in the taskbar.
// Images and labels are windowless: the form's widget paints them in stacking order and routes
// the mouse to the topmost one under the pointer. The scroll bar is a real QScrollBar; timers are
// QTimers; pop-up menus and message boxes are QMenu and QMessageBox.
#pragma once

#include "forms/layout.h"
#include "platform/forms_runtime.h"

#include <QImage>
#include <QPointer>
#include <QScrollBar>
#include <QTimer>
#include <QWidget>

#include <functional>
#include <map>
#include <memory>

namespace sorvane::qt {

class QtRuntime;

// The painted surface of one form.
class FormWidget final : public QWidget {
  public:
    FormWidget(QtRuntime& rt, forms::Window& window);

    forms::Window& window() const { return window_; }
    QScrollBar* scrollBar(const forms::Control& c) const;
    void syncScrollBar(forms::HScrollBar& bar);
    void syncGeometry();
    // Schedules the repaint a change of this control needs.
    void controlChanged(const forms::Control& c, forms::Property which);

  protected:
    void paintEvent(QPaintEvent*) override;
    void mouseMoveEvent(QMouseEvent*) override;
    void mousePressEvent(QMouseEvent*) override;
    void mouseReleaseEvent(QMouseEvent*) override;

  private:
    QRect rectOf(const forms::Control& c) const;

    QtRuntime& rt_;
    forms::Window& window_;
    std::map<const forms::Control*, QScrollBar*> bars_;
    forms::ClickPairing clicks_;
};

class QtRuntime final : public platform::FormsRuntime {
  public:
    QtRuntime();
    ~QtRuntime() override;

    // The buttons down now, as MouseArgs::Button (1 left, 2 right, 4 middle). The X server is
    // asked, because Qt's own state goes stale once the window manager has taken the pointer.
    std::function<int()> buttonsDown;
    // Called with each native window just after it is created, before it is first shown.
    std::function<void(forms::Window&, win::HWND)> nativeCreated;
    // Called once a window has been asked to move or resize, with its new size in pixels:
    // another connection to the display may measure it next.
    std::function<void(win::HWND, int, int)> nativeResized;
    // Ends the process; by default at once, with code 0 and nothing restored.
    std::function<void()> terminate;

    FormWidget* widget(const forms::Window& w) const;
    FormWidget* widget(win::HWND h) const;
    // Maps and paints a form now, for a window animation that runs before the form is shown.
    void paintNow(win::HWND h);

    // The picture, as drawn at `scale`.
    static const QImage& image(const forms::Picture& p, int scale);
    static QIcon icon();

  protected:
    win::HWND createNative(forms::Window& window) override;
    void showNative(forms::Window& window, bool visible) override;
    void controlChangedNative(forms::Control& c, forms::Property which) override;
    void windowChangedNative(forms::Window& w, forms::Property which) override;
    void timerNative(forms::Timer& timer, bool run, int interval) override;
    int messageBoxNative(std::string_view text, int style, std::string_view title) override;
    forms::MenuItem* popupMenuNative(forms::Window& window, forms::MenuItem& menu) override;
    void endNative() override;

  private:
    std::map<const forms::Window*, std::unique_ptr<FormWidget>> widgets_;
    std::map<const forms::Timer*, std::unique_ptr<QTimer>> timers_;
};

} // namespace sorvane::qt
