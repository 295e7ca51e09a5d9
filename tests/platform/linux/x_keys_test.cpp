// F5..F8 seen system-wide under a real X server and window manager, whoever has the focus or
// grabs the keyboard.
#include <gtest/gtest.h>

#include "platform/linux/x_keys.h"
#include "support/wait.h"
#include "support/x_helpers.h"
#include "support/x_session.h"

#include <X11/Xlib.h>
#include <X11/keysym.h>

namespace {

using namespace sorvane;
using namespace sorvane::testsupport;

class XKeysTest : public ::testing::Test {
  protected:
    static void SetUpTestSuite() { session = new XSession({.wm = Wm::Openbox}); }
    static void TearDownTestSuite() {
        delete session;
        session = nullptr;
    }
    void SetUp() override {
        keys = std::make_unique<linuxos::XKeys>(session->displayName());
        ASSERT_TRUE(keys->connected());
    }
    unsigned short query(int vKey) {
        return static_cast<unsigned short>(keys->GetAsyncKeyState(vKey));
    }

    static XSession* session;
    std::unique_ptr<linuxos::XKeys> keys;
};
XSession* XKeysTest::session = nullptr;

// A window of another client that takes the focus, as a text editor would.
Window focusedWindow(Display* d) {
    const Window w = createWindow(d, 200, 200, 300, 200, 0x336699, "editor");
    XSetInputFocus(d, w, RevertToPointerRoot, CurrentTime);
    XSync(d, False);
    return w;
}

TEST_F(XKeysTest, TwentyTapsWhileAnotherClientHasTheFocusAreTwentyPresses) {
    Display* d = session->display();
    const Window w = focusedWindow(d);
    int seen = 0;
    for (int i = 0; i < 20; ++i) {
        tapKey(d, XK_F8);
        seen += (query(win::VK_F8) & 1) ? 1 : 0;
        EXPECT_EQ(query(win::VK_F8), 0) << "the query cleared the latch, the key is up";
    }
    EXPECT_EQ(seen, 20);
    XDestroyWindow(d, w);
}

TEST_F(XKeysTest, TapsAreSeenWhileAnotherClientGrabsTheKeyboard) {
    Display* d = session->display();
    const Window w = focusedWindow(d);
    Display* grabber = XOpenDisplay(session->displayName().c_str());
    ASSERT_EQ(XGrabKeyboard(grabber, DefaultRootWindow(grabber), False, GrabModeAsync,
                            GrabModeAsync, CurrentTime),
              GrabSuccess);
    XSync(grabber, False);
    int seen = 0;
    for (int i = 0; i < 20; ++i) {
        tapKey(d, XK_F6);
        seen += (query(win::VK_F6) & 1) ? 1 : 0;
    }
    EXPECT_EQ(seen, 20);
    XCloseDisplay(grabber);
    XDestroyWindow(d, w);
}

TEST_F(XKeysTest, EachKeyHasItsOwnLatchClearedOnlyByItsOwnQuery) {
    Display* d = session->display();
    tapKey(d, XK_F5);
    tapKey(d, XK_F6);
    EXPECT_EQ(query(win::VK_F5), 1);
    EXPECT_EQ(query(win::VK_F5), 0);
    EXPECT_EQ(query(win::VK_F7), 0);
    EXPECT_EQ(query(win::VK_F6), 1) << "F6's press survived the queries of F5 and F7";
    EXPECT_EQ(query(win::VK_F6), 0);
}

TEST_F(XKeysTest, AHeldKeyIsSeenOnEveryPoll) {
    Display* d = session->display();
    keyDown(d, XK_F7);
    EXPECT_EQ(query(win::VK_F7), 0x8001);
    for (int i = 0; i < 5; ++i)
        EXPECT_EQ(query(win::VK_F7), 0x8000) << "poll " << i;
    keyUp(d, XK_F7);
    EXPECT_EQ(query(win::VK_F7), 0);
}

TEST_F(XKeysTest, OtherKeysAreNeverLatched) {
    Display* d = session->display();
    for (unsigned long sym : {XK_F4, XK_F9, XK_F12, XK_a, XK_Return, XK_Escape, XK_space})
        tapKey(d, sym);
    keyDown(d, XK_Shift_L);
    for (int vKey : {win::VK_F5, win::VK_F6, win::VK_F7, win::VK_F8})
        EXPECT_EQ(query(vKey), 0) << vKey;
    EXPECT_EQ(keys->GetAsyncKeyState(0x10), 0) << "VK_SHIFT is not ours to report";
    EXPECT_EQ(keys->GetAsyncKeyState(0x78), 0) << "nor F9";
    keyUp(d, XK_Shift_L);
}

TEST_F(XKeysTest, TheConnectionIsOursAndItsDescriptorIsExposed) {
    EXPECT_GE(keys->connectionFd(), 0);
    EXPECT_NE(keys->connectionFd(), ConnectionNumber(session->display()));
}

TEST(XKeysWithoutDisplay, EveryKeyReadsAsUp) {
    linuxos::XKeys keys(":9999");
    EXPECT_FALSE(keys.connected());
    EXPECT_EQ(keys.connectionFd(), -1);
    EXPECT_EQ(keys.GetAsyncKeyState(win::VK_F8), 0);
}

} // namespace
