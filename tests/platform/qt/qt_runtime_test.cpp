// The Qt forms runtime renders the model and delivers its events through the dispatch rules.
#include "platform/qt/qt_runtime.h"

#include <QAbstractButton>
#include <QApplication>
#include <QMenu>
#include <QMessageBox>
#include <QSignalSpy>
#include <QTest>

#include <gtest/gtest.h>

#include <chrono>
#include <functional>
#include <string>
#include <vector>

namespace {

using namespace sorvane;
using forms::Rect;

// A French session, as LANG gives it (the locale need not be installed): Qt's own texts, such
// as a box's standard buttons, must come in French.
QApplication& app() {
    static const bool french = [] {
        for (const char* v : {"LC_ALL", "LC_MESSAGES", "LANGUAGE"})
            qunsetenv(v);
        return qputenv("LANG", "fr_FR.UTF-8");
    }();
    (void)french;
    static int argc = 1;
    static char name[] = "qt_runtime_test";
    static char* argv[] = {name, nullptr};
    static QApplication* instance = new QApplication(argc, argv);
    return *instance;
}

// A picture-sized form with overlapping controls, like the gauge: a big image under a small one,
// a label over both, a scroll bar on top.
struct TestForm final : forms::Window {
    TestForm()
        : forms::Window("T", {.borderless = true,
                              .showInTaskbar = false,
                              .backColour = {245, 245, 252},
                              .icon = nullptr,
                              .clientWidth = 1920,
                              .clientHeight = 1920}) {}

    forms::Image big{*this, "big", {0, 0, 1275, 1920}, forms::picture(forms::PictureId::PileOn)};
    forms::Image small{
        *this, "small", {10, 10, 255, 255}, forms::picture(forms::PictureId::Fermer)};
    forms::Image empty{*this, "empty", {1280, 0, 645, 1920}};
    forms::Label label{*this, "label", {240, 1320, 855, 255}, "", 0};
    forms::HScrollBar bar{*this,
                          "bar",
                          {690, 10, 1215, 135},
                          {.Min = 50, .Max = 255, .Value = 200, .SmallChange = 1, .LargeChange = 1},
                          1};
    forms::Timer fast{*this, "fast", 1, false};
    forms::Timer slow{*this, "slow", 40, false};

    forms::MenuItem a{*this, "a", "Beep /!\\ F5", true};
    forms::MenuItem b{*this, "b", "TaskBar F6", false};
    forms::MenuItem s1{*this, "s1", "1 barre", false};
    forms::MenuItem s2{*this, "s2", "2 barre", false};
    forms::MenuItem sub{*this, "sub", "Cacher // F8", false, {&s1, &s2}};
    forms::MenuItem top{*this, "top", "menu", false, {&a, &b, &sub}};
};

struct QtRuntimeTest : ::testing::Test {
    QtRuntimeTest() {
        rt.terminate = [this] { ++terminated; };
        rt.buttonsDown = [this] { return serverButtons; };
        rt.attach(form);
    }
    ~QtRuntimeTest() override { QApplication::closeAllWindows(); }

    qt::FormWidget& loadAndShow() {
        rt.Show(form);
        auto* w = rt.widget(form);
        EXPECT_NE(w, nullptr);
        return *w;
    }
    QImage shot(qt::FormWidget& w) { return w.grab().toImage(); }

    QApplication& application = app(); // before the runtime, which loads Qt's translations
    qt::QtRuntime rt;
    TestForm form;
    int terminated = 0;
    int serverButtons = 0;
};

// ---- windows ----

TEST_F(QtRuntimeTest, AWindowIsAFramelessUtilityTopLevelAtItsTwipsGeometry) {
    win::HWND created = 0;
    rt.nativeCreated = [&](forms::Window& w, win::HWND h) {
        EXPECT_EQ(&w, &form);
        EXPECT_FALSE(rt.widget(h) && rt.widget(h)->isVisible()) << "hook runs before the show";
        created = h;
    };
    form.Left = 25;
    form.Top = 500;
    auto& w = loadAndShow();
    EXPECT_NE(created, 0u);
    EXPECT_EQ(created, form.hWnd());
    EXPECT_EQ(rt.widget(form.hWnd()), &w);
    EXPECT_TRUE(w.windowFlags() & Qt::FramelessWindowHint);
    // Not Qt::Tool: Qt would make it transient for the hidden group leader.
    EXPECT_EQ(w.windowFlags() & Qt::WindowType_Mask, Qt::Window);
    EXPECT_TRUE(w.testAttribute(Qt::WA_X11NetWmWindowTypeUtility));
    EXPECT_EQ(w.geometry(), QRect(2, 33, 128, 128));

    form.Width = 0; // X has no empty windows
    form.Height = 0;
    EXPECT_EQ(w.size(), QSize(1, 1));
    form.Left = 1500;
    EXPECT_EQ(w.pos(), QPoint(100, 33));
}

TEST(QtIcon, IsTheBatteryWithATransparentBackgroundAtBothScales) {
    app();
    const QIcon icon = qt::QtRuntime::icon();
    for (int size : {32, 64}) {
        const QImage img = icon.pixmap(size, size).toImage();
        ASSERT_EQ(img.size(), QSize(size, size));
        EXPECT_EQ(qAlpha(img.pixel(0, 0)), 0) << "corner at " << size;
        EXPECT_EQ(qAlpha(img.pixel(size / 2, size / 2)), 255) << "centre at " << size;
    }
}

TEST_F(QtRuntimeTest, ShowAndHideFollowTheModel) {
    auto& w = loadAndShow();
    EXPECT_TRUE(w.isVisible());
    form.setVisible(false);
    EXPECT_FALSE(w.isVisible());
    form.Show();
    EXPECT_TRUE(w.isVisible());
}

// ---- painting ----

TEST_F(QtRuntimeTest, PicturesArePaintedBottomFirstAtTheirNaturalSize) {
    auto& w = loadAndShow();
    const QImage img = shot(w);
    const QImage big = qt::QtRuntime::image(*forms::picture(forms::PictureId::PileOn), 1);
    const QImage small = qt::QtRuntime::image(*forms::picture(forms::PictureId::Fermer), 1);
    // The small picture (on top) covers the big one at 1..17; the big one shows around it.
    EXPECT_EQ(img.pixel(5, 5), small.pixel(4, 4));
    EXPECT_EQ(img.pixel(40, 60), big.pixel(40, 60));
    EXPECT_EQ(img.pixel(84, 127), big.pixel(84, 127));
    // No picture: the window's background shows.
    EXPECT_EQ(QColor(img.pixel(100, 60)), QColor(245, 245, 252));

    form.empty.Picture = form.big.Picture; // shared, shown at the empty image's place
    const QImage after = shot(w);
    EXPECT_EQ(after.pixel(100, 60), big.pixel(15, 60));
}

TEST_F(QtRuntimeTest, ALabelDrawsItsTextCentredOnATransparentBackground) {
    form.Width = 3000;
    form.label.Left = 1500; // over the plain background, 100 to 157 px
    form.label.Top = 960;
    auto& w = loadAndShow();
    const QColor back(245, 245, 252);
    auto inked = [&](const QImage& img) {
        int first = -1, last = -1;
        for (int x = 86; x < img.width(); ++x)
            for (int y = 64; y < 81; ++y)
                if (QColor(img.pixel(x, y)) != back) {
                    if (first < 0) first = x;
                    last = x;
                }
        return std::make_pair(first, last);
    };
    EXPECT_EQ(inked(shot(w)).first, -1) << "an empty caption paints nothing";
    form.label.Caption = "90 min";
    const auto [first, last] = inked(shot(w));
    ASSERT_GE(first, 100) << "text stays inside the label";
    ASSERT_LE(last, 156);
    const int labelCentre = 100 + 57 / 2;
    EXPECT_NEAR((first + last) / 2.0, labelCentre, 2.0);
}

// ---- mouse ----

struct Recorder {
    std::vector<std::string> events;
    void watch(forms::Image& i) {
        i.MouseMove = [this, &i](const forms::MouseArgs& a) {
            events.push_back(std::string(i.name()) + ".move" + std::to_string(a.Button));
        };
        i.Click = [this, &i] { events.push_back(std::string(i.name()) + ".click"); };
    }
    void watch(forms::Label& l) {
        l.MouseMove = [this, &l](const forms::MouseArgs& a) {
            events.push_back(std::string(l.name()) + ".move" + std::to_string(a.Button));
        };
    }
};

TEST_F(QtRuntimeTest, TheMouseGoesToTheTopmostControlWithTheServersButtonState) {
    Recorder r;
    r.watch(form.big);
    r.watch(form.small);
    r.watch(form.empty);
    r.watch(form.label);
    auto& w = loadAndShow();

    QTest::mouseMove(&w, QPoint(5, 5));     // small, over big
    QTest::mouseMove(&w, QPoint(40, 60));   // big only
    QTest::mouseMove(&w, QPoint(20, 90));   // label over big
    QTest::mouseMove(&w, QPoint(100, 100)); // the image without a picture still listens
    serverButtons = 1;
    QTest::mouseMove(&w, QPoint(40, 61));
    EXPECT_EQ(r.events, (std::vector<std::string>{"small.move0", "big.move0", "label.move0",
                                                  "empty.move0", "big.move1"}));
}

TEST_F(QtRuntimeTest, AClickIsAPressAndAReleaseOnTheSameControl) {
    Recorder r;
    r.watch(form.small);
    r.watch(form.big);
    auto& w = loadAndShow();
    QTest::mouseClick(&w, Qt::LeftButton, {}, QPoint(8, 8));
    QTest::mouseClick(&w, Qt::RightButton, {}, QPoint(8, 8));
    QTest::mousePress(&w, Qt::LeftButton, {}, QPoint(8, 8));
    QTest::mouseRelease(&w, Qt::LeftButton, {}, QPoint(40, 60)); // slid off: no click
    std::erase_if(r.events, [](const std::string& e) { return e.find(".move") != e.npos; });
    EXPECT_EQ(r.events, (std::vector<std::string>{"small.click"}));
}

// ---- scroll bar ----

TEST_F(QtRuntimeTest, TheScrollBarIsARealControlThatRaisesChangeOncePerNewValue) {
    std::vector<int> changes;
    form.bar.Change = [&] { changes.push_back(form.bar.Value()); };
    auto& w = loadAndShow();
    auto* bar = w.scrollBar(form.bar);
    ASSERT_NE(bar, nullptr);
    EXPECT_EQ(bar->geometry(), QRect(46, 1, 81, 9));
    EXPECT_EQ(bar->minimum(), 50);
    EXPECT_EQ(bar->maximum(), 255);
    EXPECT_EQ(bar->value(), 200);
    EXPECT_EQ(bar->singleStep(), 1);
    EXPECT_EQ(bar->pageStep(), 1);

    bar->triggerAction(QAbstractSlider::SliderSingleStepAdd); // the user
    EXPECT_EQ(form.bar.Value(), 201);
    form.bar.setValue(250); // the program
    EXPECT_EQ(bar->value(), 250);
    form.bar.setValue(250);
    EXPECT_EQ(changes, (std::vector<int>{201, 250}));

    form.bar.Left = 0;
    EXPECT_EQ(bar->x(), 0);
}

TEST_F(QtRuntimeTest, AUserMoveDuringTheChangeHandlerIsNotDeliveredTwice) {
    auto& w = loadAndShow();
    auto* bar = w.scrollBar(form.bar);
    int depth = 0, maxDepth = 0;
    form.bar.Change = [&] {
        maxDepth = std::max(maxDepth, ++depth);
        if (form.bar.Value() < 205) bar->triggerAction(QAbstractSlider::SliderSingleStepAdd);
        --depth;
    };
    bar->triggerAction(QAbstractSlider::SliderSingleStepAdd);
    EXPECT_EQ(maxDepth, 1);
    EXPECT_EQ(bar->value(), form.bar.Value()) << "the control shows the model's value";
}

// ---- timers ----

TEST_F(QtRuntimeTest, TimersStartAfterLoadRunAtTenMillisecondsAtLeastAndStop) {
    int fast = 0;
    form.fast.Tick = [&] { ++fast; };
    form.fast.Enabled = true;
    bool loadSawTick = false;
    form.Load = [&] {
        QTest::qWait(30);
        loadSawTick = fast > 0;
    };
    loadAndShow();
    EXPECT_FALSE(loadSawTick) << "no timer before the load handler returns";
    const auto start = std::chrono::steady_clock::now();
    QTest::qWait(200);
    const auto ms = std::chrono::duration_cast<std::chrono::milliseconds>(
                        std::chrono::steady_clock::now() - start)
                        .count();
    EXPECT_GT(fast, 0);
    EXPECT_LE(fast, ms / 10 + 1) << "a 1 ms interval runs at 10 ms";
    form.fast.Enabled = false;
    const int stopped = fast;
    QTest::qWait(50);
    EXPECT_EQ(fast, stopped);
}

// ---- message boxes ----

struct BoxCase {
    int style;
    const char* title;
    QMessageBox::Icon icon;
    QMessageBox::StandardButtons buttons;
    QMessageBox::StandardButton press; // NoButton: Escape
    int answer;
    const char* buttonTexts; // as shown, in order
};

struct MessageBoxes : QtRuntimeTest, ::testing::WithParamInterface<BoxCase> {};

// The open box: modal when a click asked for it; a timer's comes without modality, so that it
// does not take the keyboard.
QMessageBox* openBox() {
    if (auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget())) return box;
    for (QWidget* w : QApplication::topLevelWidgets())
        if (auto* box = qobject_cast<QMessageBox*>(w); box && box->isVisible()) return box;
    return nullptr;
}

// Runs `inspect` on the box as soon as it is open, from the event loop the box runs.
void whenBoxOpens(std::function<void(QMessageBox&)> inspect) {
    auto* poll = new QTimer;
    QObject::connect(poll, &QTimer::timeout, [poll, inspect] {
        if (auto* box = openBox()) {
            poll->stop();
            poll->deleteLater();
            inspect(*box);
        }
    });
    poll->start(5);
}

TEST_P(MessageBoxes, ShowTheTextTitleIconAndButtonsAndAnswerWindowsIds) {
    const auto c = GetParam();
    QString text, title;
    QMessageBox::Icon icon{};
    QMessageBox::StandardButtons buttons{};
    QStringList buttonTexts;
    whenBoxOpens([&](QMessageBox& box) {
        for (auto* b : box.buttons())
            buttonTexts << b->text().remove('&');
        text = box.text();
        title = box.windowTitle();
        icon = box.icon();
        buttons = box.standardButtons();
        if (c.press == QMessageBox::NoButton)
            QTest::keyClick(&box, Qt::Key_Escape);
        else
            box.button(c.press)->click();
    });
    const int answer = c.title ? rt.MsgBox("Pour réafficher le programme :: F8", c.style, c.title)
                               : rt.MsgBox("Pour réafficher le programme :: F8", c.style);
    EXPECT_EQ(text, QString::fromUtf8("Pour réafficher le programme :: F8"));
    EXPECT_EQ(title, c.title ? QString(c.title) : QString("Sorvane"));
    EXPECT_EQ(icon, c.icon);
    EXPECT_EQ(buttons, c.buttons);
    EXPECT_EQ(answer, c.answer);
    EXPECT_EQ(buttonTexts.join(' ').toStdString(), c.buttonTexts);
}

constexpr auto YesNo = QMessageBox::Yes | QMessageBox::No;
INSTANTIATE_TEST_SUITE_P(Styles, MessageBoxes,
                         ::testing::Values(BoxCase{36, "Info - Batterie", QMessageBox::Question,
                                                   YesNo, QMessageBox::Yes, 6, "Oui Non"},
                                           BoxCase{36, "Info - Batterie", QMessageBox::Question,
                                                   YesNo, QMessageBox::No, 7, "Oui Non"},
                                           BoxCase{36, "Info - Batterie", QMessageBox::Question,
                                                   YesNo, QMessageBox::NoButton, 7, "Oui Non"},
                                           BoxCase{64, "Touche Rappel", QMessageBox::Information,
                                                   QMessageBox::Ok, QMessageBox::Ok, 1, "OK"},
                                           BoxCase{0, nullptr, QMessageBox::NoIcon, QMessageBox::Ok,
                                                   QMessageBox::NoButton, 1, "OK"}));

TEST_F(QtRuntimeTest, WhileABoxIsOpenOtherTimersTickButNotTheHandlerThatOpenedIt) {
    int slowTicks = 0, fastDuringBox = 0, boxes = 0;
    bool open = false;
    form.slow.Tick = [&] {
        ++slowTicks;
        if (open) return;
        open = true;
        ++boxes;
        whenBoxOpens([&](QMessageBox& box) {
            EXPECT_FALSE(box.isModal()) << "a timer's box would take the keyboard";
            EXPECT_TRUE(box.testAttribute(Qt::WA_ShowWithoutActivating));
            // Let a few fast ticks and several slow periods pass with the box up.
            QTimer::singleShot(150, &box, [&box] { box.button(QMessageBox::No)->click(); });
        });
        rt.MsgBox("Vous n'avez pas de batterie :: Quitter?", 36, "Info - Batterie");
        open = false;
    };
    form.fast.Tick = [&] {
        if (open) ++fastDuringBox;
    };
    form.slow.Enabled = true;
    form.fast.Enabled = true;
    loadAndShow();
    ASSERT_TRUE(QTest::qWaitFor([&] { return boxes == 1 && !open; }, 3000));
    EXPECT_EQ(slowTicks, 1) << "the opening handler was re-entered";
    EXPECT_GT(fastDuringBox, 0);
}

// ---- pop-up menu ----

// Chooses, once the menu is up, the entry at `path` (captions) by keyboard, as a user would.
void whenMenuOpens(std::vector<QString> path, std::function<void(QMenu&)> inspect = {}) {
    auto* poll = new QTimer;
    QObject::connect(poll, &QTimer::timeout, [poll, path, inspect] {
        auto* menu = qobject_cast<QMenu*>(QApplication::activePopupWidget());
        if (!menu) return;
        poll->stop();
        poll->deleteLater();
        if (inspect) inspect(*menu);
        if (path.empty()) {
            menu->close();
            return;
        }
        QMenu* current = menu;
        for (const auto& caption : path) {
            QAction* found = nullptr;
            for (auto* a : current->actions())
                if (a->text() == caption) found = a;
            if (!found) {
                menu->close();
                return;
            }
            current->setActiveAction(found);
            if (found->menu()) {
                QTest::keyClick(current, Qt::Key_Right);
                current = found->menu();
            } else {
                QTest::keyClick(current, Qt::Key_Return);
            }
        }
    });
    poll->start(5);
}

TEST_F(QtRuntimeTest, ThePopupShowsTheTreeWithItsMarksAndReturnsTheChosenItem) {
    std::vector<std::string> clicks;
    for (auto* item : {&form.a, &form.b, &form.s1, &form.s2})
        item->Click = [&clicks, item] { clicks.push_back(std::string(item->name())); };
    loadAndShow();
    std::vector<std::pair<QString, bool>> entries;
    std::vector<QString> subEntries;
    whenMenuOpens({"Cacher // F8", "2 barre"}, [&](QMenu& m) {
        for (auto* a : m.actions()) {
            entries.emplace_back(a->text(), a->isChecked());
            if (a->menu())
                for (auto* s : a->menu()->actions())
                    subEntries.push_back(s->text());
        }
    });
    form.PopupMenu(form.top);
    EXPECT_EQ(entries,
              (std::vector<std::pair<QString, bool>>{
                  {"Beep /!\\ F5", true}, {"TaskBar F6", false}, {"Cacher // F8", false}}));
    EXPECT_EQ(subEntries, (std::vector<QString>{"1 barre", "2 barre"}));
    EXPECT_EQ(clicks, (std::vector<std::string>{"s2"}));

    whenMenuOpens({}); // dismissed: nothing runs
    form.PopupMenu(form.top);
    whenMenuOpens({"TaskBar F6"});
    form.PopupMenu(form.top);
    EXPECT_EQ(clicks, (std::vector<std::string>{"s2", "b"}));
}

// ---- ending ----

TEST_F(QtRuntimeTest, EndingStopsEverythingAndEndsTheProcessOnce) {
    int ticks = 0;
    form.fast.Tick = [&] {
        ++ticks;
        rt.End();
        rt.End();
    };
    form.fast.Enabled = true;
    loadAndShow();
    ASSERT_TRUE(QTest::qWaitFor([&] { return terminated > 0; }, 2000));
    QTest::qWait(50);
    EXPECT_EQ(ticks, 1);
    EXPECT_EQ(terminated, 1);
}

} // namespace
