// Forms runtime on Qt 6 Widgets.
//  [X] windows: frameless utility top-levels (not transient), background colour, icon, twips
//  geometry [X] images and labels: windowless, painted bottom first, mouse routed to the topmost
//  [X] HScrollBar: a QScrollBar; a user move goes through HScrollBar::setValue (Change)
//  [X] timers: precise QTimers at the effective interval, ticks through the dispatch rules
//  [X] PopupMenu: a QMenu of the tree at the mouse; MsgBox: a QMessageBox, Windows button ids,
//      its buttons in the user's language (Qt's translations)
//  [X] what a handler changed is painted before a call that holds the thread (paintPending)
//  [X] End: the process ends at once, code 0, nothing restored
//  [~] MouseMove's Button: read from the X server by the program (see buttonsDown)
#include "platform/qt/qt_runtime.h"

#include "forms/artwork/artwork.h"

#include <QAbstractButton>
#include <QApplication>
#include <QCursor>
#include <QEventLoop>
#include <QLibraryInfo>
#include <QLocale>
#include <QMenu>
#include <QMessageBox>
#include <QMouseEvent>
#include <QPainter>
#include <QWindow>

#include <cstdio>
#include <cstdlib>

namespace sorvane::qt {

using forms::ControlKind;
using forms::Property;

// Qt scales its logical pixels to the device itself: the widgets are laid out at 96 dpi.
constexpr int logicalDpi = forms::baseDpi;

namespace {

QColor colour(forms::Colour c) {
    return QColor(c.red, c.green, c.blue);
}

int qtButtons(Qt::MouseButtons b) {
    int mask = 0;
    if (b & Qt::LeftButton) mask |= 1;
    if (b & Qt::RightButton) mask |= 2;
    if (b & Qt::MiddleButton) mask |= 4;
    return mask;
}

int shiftMask(Qt::KeyboardModifiers m) {
    int mask = 0;
    if (m & Qt::ShiftModifier) mask |= 1;
    if (m & Qt::ControlModifier) mask |= 2;
    if (m & Qt::AltModifier) mask |= 4;
    return mask;
}

} // namespace

// ---- FormWidget ----

FormWidget::FormWidget(QtRuntime& rt, forms::Window& window)
    : QWidget(nullptr, Qt::Window | Qt::FramelessWindowHint), rt_(rt), window_(window) {
    setAttribute(Qt::WA_DeleteOnClose, false);
    setWindowTitle(QString::fromUtf8(window.name().data(), qsizetype(window.name().size())));
    QPalette pal = palette();
    pal.setColor(QPalette::Window, colour(window.settings.backColour));
    setPalette(pal);
    setAutoFillBackground(true);
    if (window.settings.icon) setWindowIcon(QtRuntime::icon());
    setMouseTracking(true);
    for (auto* c : window.controls()) {
        if (c->kind() != ControlKind::HScrollBar) continue;
        auto& model = static_cast<forms::HScrollBar&>(*c);
        auto* bar = new QScrollBar(Qt::Horizontal, this);
        bar->setRange(model.Min, model.Max);
        bar->setSingleStep(model.SmallChange);
        bar->setPageStep(model.LargeChange);
        bar->setValue(model.Value());
        bar->setFocusPolicy(Qt::NoFocus);
        bars_[c] = bar;
        // A user move goes through the model, which raises Change under the dispatch rules.
        connect(bar, &QScrollBar::valueChanged, this, [this, &model](int v) {
            if (v != model.Value()) model.setValue(v);
            syncScrollBar(model); // the model is the truth, whatever happened
        });
    }
    syncGeometry();
}

QScrollBar* FormWidget::scrollBar(const forms::Control& c) const {
    auto it = bars_.find(&c);
    return it == bars_.end() ? nullptr : it->second;
}

void FormWidget::syncScrollBar(forms::HScrollBar& model) {
    auto* bar = scrollBar(model);
    if (!bar) return;
    bar->setGeometry(rectOf(model));
    if (bar->value() != model.Value()) {
        QSignalBlocker block(bar);
        bar->setValue(model.Value());
    }
}

void FormWidget::syncGeometry() {
    // X has no zero-sized windows; a form sized 0 stays 1 x 1 (the program makes it transparent).
    const int w = std::max(1, forms::twipsToPixels(window_.Width, logicalDpi));
    const int h = std::max(1, forms::twipsToPixels(window_.Height, logicalDpi));
    setGeometry(forms::twipsToPixels(window_.Left, logicalDpi),
                forms::twipsToPixels(window_.Top, logicalDpi), w, h);
    // A hidden widget keeps its new geometry to itself until shown; the native window must have
    // it now, since a window animation measures the window before showing it.
    if (auto* native = windowHandle(); native && !isVisible()) native->setGeometry(geometry());
    for (auto& [control, bar] : bars_)
        syncScrollBar(*static_cast<forms::HScrollBar*>(const_cast<forms::Control*>(control)));
}

void FormWidget::controlChanged(const forms::Control& c, Property which) {
    // Coalesced: painted once control is back in the event loop. A new picture or caption
    // repaints its own place; a move repaints everything, old place included.
    const QRect r = which == Property::Picture || which == Property::Caption ? rectOf(c) : rect();
    update(r);
    pending_ += r;
}

void FormWidget::paintPending() {
    if (!pending_.isEmpty() && isVisible()) repaint(pending_);
    pending_ = QRegion();
}

QRect FormWidget::rectOf(const forms::Control& c) const {
    const forms::PixelRect r = forms::pixelRect(c, logicalDpi);
    return QRect(r.left, r.top, r.width, r.height);
}

void FormWidget::paintEvent(QPaintEvent* e) {
    pending_ -= e->region();
    QPainter painter(this);
    const int scale = forms::pictureScaleForDeviceScale(devicePixelRatioF());
    // Between device scales 1 and 2 the 2x pictures are drawn smaller: filtered, not sampled.
    painter.setRenderHint(QPainter::SmoothPixmapTransform);
    for (auto* c : window_.controls()) {
        const QRect r = rectOf(*c);
        if (c->kind() == ControlKind::Image) {
            const forms::PictureRef pic = static_cast<forms::Image&>(*c).Picture;
            if (!pic) continue;
            // Natural size, never stretched: the scale-2 picture is drawn at half its pixels.
            painter.drawImage(r.topLeft(), QtRuntime::image(*pic, scale));
        } else if (c->kind() == ControlKind::Label) {
            const auto& text = static_cast<forms::Label&>(*c).Caption.get();
            painter.setPen(palette().color(QPalette::WindowText));
            painter.drawText(r, Qt::AlignHCenter | Qt::AlignTop | Qt::TextSingleLine,
                             QString::fromUtf8(text.data(), qsizetype(text.size())));
        }
    }
}

void FormWidget::mouseMoveEvent(QMouseEvent* e) {
    const QPoint at = e->position().toPoint();
    auto* c = forms::controlAt(window_, at.x(), at.y(), logicalDpi);
    if (!c) return;
    const int buttons = rt_.buttonsDown ? rt_.buttonsDown() : qtButtons(e->buttons());
    rt_.raise(*c, forms::Event::MouseMove,
              forms::mouseArgs(*c, at.x(), at.y(), logicalDpi, buttons, shiftMask(e->modifiers())));
}

void FormWidget::mousePressEvent(QMouseEvent* e) {
    const QPoint at = e->position().toPoint();
    if (e->button() == Qt::LeftButton) clicks_.press(window_, at.x(), at.y(), logicalDpi);
}

void FormWidget::mouseReleaseEvent(QMouseEvent* e) {
    if (e->button() != Qt::LeftButton) return;
    const QPoint at = e->position().toPoint();
    if (auto* clicked = clicks_.release(window_, at.x(), at.y(), logicalDpi))
        rt_.raise(*clicked, forms::Event::Click);
}

// ---- QtRuntime ----

QtRuntime::QtRuntime()
    : terminate([] {
          std::fflush(nullptr);
          std::_Exit(0);
      }) {
    // Qt's own texts (a box's Yes and No, the scroll bar's menu) in the user's language, as the
    // system's are on Windows; in English when the locale has no translation.
    if (QCoreApplication::instance() &&
        qtTexts_.load(QLocale(), "qtbase", "_", QLibraryInfo::path(QLibraryInfo::TranslationsPath)))
        QCoreApplication::installTranslator(&qtTexts_);
}

QtRuntime::~QtRuntime() {
    timers_.clear();
    widgets_.clear();
}

FormWidget* QtRuntime::widget(const forms::Window& w) const {
    auto it = widgets_.find(&w);
    return it == widgets_.end() ? nullptr : it->second.get();
}

FormWidget* QtRuntime::widget(win::HWND h) const {
    for (const auto& [w, widget] : widgets_)
        if (w->hWnd() == h && h != 0) return widget.get();
    return nullptr;
}

void QtRuntime::paintNow(win::HWND h) {
    if (auto* w = widget(h)) {
        if (!w->isVisible()) w->show();
        w->repaint();
    }
}

const QImage& QtRuntime::image(const forms::Picture& p, int scale) {
    static std::map<std::pair<int, int>, QImage> cache;
    auto key = std::make_pair(static_cast<int>(p.id), scale);
    auto it = cache.find(key);
    if (it != cache.end()) return it->second;
    // Shares the decoded pixels, which live as long as the program: no second copy.
    const auto& bmp = forms::artworkBitmap(p.id, scale);
    QImage img(bmp.rgb, bmp.width, bmp.height, bmp.width * 3, QImage::Format_RGB888);
    img.setDevicePixelRatio(scale);
    return cache.emplace(key, std::move(img)).first->second;
}

QIcon QtRuntime::icon() {
    QIcon icon;
    for (int scale : {1, 2}) {
        QImage img = image(*forms::picture(forms::PictureId::Icon), scale)
                         .convertToFormat(QImage::Format_ARGB32);
        img.setDevicePixelRatio(1); // one icon per size, not per scale
        const std::uint8_t* transparent = forms::artworkIconMask(scale);
        for (int y = 0; y < img.height(); ++y)
            for (int x = 0; x < img.width(); ++x)
                if (transparent[y * img.width() + x]) img.setPixel(x, y, 0);
        icon.addPixmap(QPixmap::fromImage(img));
    }
    return icon;
}

win::HWND QtRuntime::createNative(forms::Window& window) {
    auto w = std::make_unique<FormWidget>(*this, window);
    const auto h = static_cast<win::HWND>(w->winId());
    // A utility window, as Qt::Tool would make it, but not transient: Qt ties a parentless tool
    // window to its hidden group leader, and KWin then hides it whenever another application
    // is active. The type applies to a native window only, so it is given once there is one.
    w->setAttribute(Qt::WA_X11NetWmWindowTypeUtility);
    widgets_[&window] = std::move(w);
    if (nativeCreated) nativeCreated(window, h);
    return h;
}

void QtRuntime::showNative(forms::Window& window, bool visible) {
    if (auto* w = widget(window)) {
        if (visible) {
            w->show();
        } else {
            w->hide();
        }
    }
}

void QtRuntime::controlChangedNative(forms::Control& c, Property which) {
    auto* w = widget(c.window());
    if (!w) return;
    if (c.kind() == ControlKind::HScrollBar) {
        w->syncScrollBar(static_cast<forms::HScrollBar&>(c));
        return;
    }
    w->controlChanged(c, which);
}

void QtRuntime::windowChangedNative(forms::Window& window, Property) {
    auto* w = widget(window);
    if (!w) return;
    w->syncGeometry();
    if (nativeResized) nativeResized(window.hWnd(), w->width(), w->height());
}

void QtRuntime::paintPendingNative() {
    for (auto& [window, w] : widgets_)
        w->paintPending();
}

void QtRuntime::timerNative(forms::Timer& timer, bool run, int interval) {
    auto& slot = timers_[&timer];
    if (!slot) {
        slot = std::make_unique<QTimer>();
        slot->setTimerType(Qt::PreciseTimer);
        QObject::connect(slot.get(), &QTimer::timeout, [this, &timer] { tick(timer); });
    }
    if (run)
        slot->start(interval);
    else
        slot->stop();
}

int QtRuntime::messageBoxNative(std::string_view text, int style, std::string_view title) {
    QMessageBox box;
    box.setWindowTitle(QString::fromUtf8(title.data(), qsizetype(title.size())));
    box.setText(QString::fromUtf8(text.data(), qsizetype(text.size())));
    switch (style & 0xF0) {
    case win::MB_ICONQUESTION:
        box.setIcon(QMessageBox::Question);
        break;
    case win::MB_ICONINFORMATION:
        box.setIcon(QMessageBox::Information);
        break;
    default:
        box.setIcon(QMessageBox::NoIcon);
    }
    const bool yesNo = (style & 0x0F) == win::MB_YESNO;
    if (yesNo) {
        box.setStandardButtons(QMessageBox::Yes | QMessageBox::No);
        box.setDefaultButton(QMessageBox::Yes);
        box.setEscapeButton(QMessageBox::No);
    } else {
        box.setStandardButtons(QMessageBox::Ok);
    }
    box.setWindowFlag(Qt::WindowStaysOnTopHint);
    // Unasked (a timer's question), the box comes up on top but leaves the keyboard where the
    // user is typing: a Return meant for another window must not answer it. Qt activates any
    // modal window it shows, so this one is shown without modality and without activation (its
    // _NET_WM_USER_TIME 0 tells the window manager not to focus it), and the program's own
    // windows wait for the answer as under a modal box. A click on it or Alt+Tab gives it the
    // keyboard as usual.
    if (dispatcher().innermostTimer()) {
        box.setWindowModality(Qt::NonModal);
        box.setAttribute(Qt::WA_ShowWithoutActivating);
        std::vector<QPointer<QWidget>> waiting;
        for (auto& [form, w] : widgets_)
            if (w->isEnabled()) {
                w->setEnabled(false);
                waiting.emplace_back(w.get());
            }
        QEventLoop loop;
        QObject::connect(&box, &QDialog::finished, &loop, &QEventLoop::quit);
        box.show();
        // Not focused, the window manager leaves it under the gauge: bring it over.
        box.raise();
        loop.exec();
        for (auto& w : waiting)
            if (w) w->setEnabled(true);
    } else {
        box.exec();
    }
    const auto clicked = box.standardButton(box.clickedButton());
    if (!yesNo) return win::IDOK;
    // Closed any other way than by Yes, the box answers the harmless No.
    return clicked == QMessageBox::Yes ? win::IDYES : win::IDNO;
}

namespace {
void fill(QMenu& menu, const forms::MenuItem& item, std::map<QAction*, forms::MenuItem*>& map) {
    for (auto* child : item.children) {
        const QString caption = QString::fromStdString(child->Caption.get());
        if (!child->children.empty()) {
            fill(*menu.addMenu(caption), *child, map);
            continue;
        }
        auto* action = menu.addAction(caption);
        // Only a checked item shows a mark: an unchecked one looks like any plain command.
        action->setCheckable(child->Checked.get());
        action->setChecked(child->Checked.get());
        map[action] = child;
    }
}
} // namespace

forms::MenuItem* QtRuntime::popupMenuNative(forms::Window& window, forms::MenuItem& menu) {
    QMenu popup(widget(window));
    std::map<QAction*, forms::MenuItem*> map;
    fill(popup, menu, map);
    QAction* chosen = popup.exec(QCursor::pos());
    auto it = map.find(chosen);
    return it == map.end() ? nullptr : it->second;
}

void QtRuntime::endNative() {
    for (auto& [t, timer] : timers_)
        timer->stop();
    if (terminate) terminate();
}

} // namespace sorvane::qt
