// Key synthesis and pointer settings against a private Xvfb display.
#include <gtest/gtest.h>

#include <X11/Xatom.h>
#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <X11/extensions/XInput2.h>
#include <X11/keysym.h>
#include <dlfcn.h>

#include <cstring>
#include <vector>

#include "actions_test_support.h"
#include "x_key_watch.h"
#include "platform/key_synthesis.h"
#include "platform/pointer_settings.h"
#include "platform/xtest_keys.h"
#include "service/basic_function.h"

namespace {

class XvfbTest : public ::testing::Test {
protected:
    void SetUp() override {
        if (!actions_test::XvfbServer::available()) GTEST_SKIP() << "Xvfb is not installed";
        server_ = std::make_unique<actions_test::XvfbServer>();
        ASSERT_TRUE(server_->running());
        setenv("DISPLAY", server_->name().c_str(), 1);
        client_ = XOpenDisplay(server_->name().c_str());
        ASSERT_NE(client_, nullptr);
    }
    void TearDown() override {
        if (client_) XCloseDisplay(client_);
    }

    ::Window focusedWindow() { return actions_test::focusedWindow(client_); }
    std::vector<actions_test::KeySeen> keyEvents(size_t count) { return actions_test::keyEvents(client_, count); }

    std::unique_ptr<actions_test::XvfbServer> server_;
    actions_test::IsolatedEnvironment env_;
    Display* client_ = nullptr;
};

}  // namespace

TEST_F(XvfbTest, CtrlNArrivesAtTheFocusedWindow) {
    focusedWindow();
    auto keys = platform::makeKeySynthesizer("");
    ASSERT_STREQ(keys->backendName(), "xtest");
    CBasicFunction actions(*keys, [](unsigned) {}, [] { return true; });
    ASSERT_TRUE(actions.perform(70));

    std::vector<actions_test::KeySeen> got = keyEvents(4);
    EXPECT_EQ(got[0].type, KeyPress);
    EXPECT_EQ(got[0].sym, static_cast<KeySym>(XK_Control_L));
    EXPECT_EQ(got[1].type, KeyPress);
    EXPECT_EQ(got[1].sym, static_cast<KeySym>(XK_n));
    EXPECT_TRUE(got[1].state & ControlMask);
    EXPECT_EQ(got[2].type, KeyRelease);
    EXPECT_EQ(got[2].sym, static_cast<KeySym>(XK_n));
    EXPECT_EQ(got[3].type, KeyRelease);
    EXPECT_EQ(got[3].sym, static_cast<KeySym>(XK_Control_L));

    // Nothing stays held afterwards.
    char keymap[32];
    XQueryKeymap(client_, keymap);
    for (char byte : keymap) EXPECT_EQ(byte, 0);
}

TEST_F(XvfbTest, AltTabAndWinKeysReachTheDisplay) {
    focusedWindow();
    auto keys = platform::XTestKeySynthesizer::open();
    ASSERT_TRUE(keys);
    CBasicFunction actions(*keys, [](unsigned) {}, [] { return true; });
    actions.SwapWindows();
    std::vector<actions_test::KeySeen> got = keyEvents(4);
    EXPECT_EQ(got[0].sym, static_cast<KeySym>(XK_Alt_L));
    EXPECT_EQ(got[1].sym, static_cast<KeySym>(XK_Tab));
    EXPECT_EQ(got[3].type, KeyRelease);
    EXPECT_EQ(got[3].sym, static_cast<KeySym>(XK_Alt_L));

    EXPECT_FALSE(keys->keyEvent(0xFF, 1));  // not in the table: refused, nothing sent
    EXPECT_TRUE(keys->keyEvent(115, 1));
    EXPECT_TRUE(keys->keyEvent(115, 3));
    got = keyEvents(2);
    EXPECT_EQ(got[0].sym, static_cast<KeySym>(XK_F4));
    EXPECT_EQ(got[1].type, KeyRelease);
}

// A Cyrillic-only keymap: every Latin letter keysym of the display becomes a Cyrillic one. The
// editing shortcuts then send the key at the letter's US position, as applications match them.
TEST_F(XvfbTest, ShortcutLettersMissingFromTheLayoutAreSentAtTheirUsPosition) {
    int minKeycode = 0, maxKeycode = 0, perKeycode = 0;
    XDisplayKeycodes(client_, &minKeycode, &maxKeycode);
    const int count = maxKeycode - minKeycode + 1;
    KeySym* map = XGetKeyboardMapping(client_, static_cast<KeyCode>(minKeycode), count, &perKeycode);
    ASSERT_NE(map, nullptr);
    for (int i = 0; i < count * perKeycode; ++i) {
        if (map[i] >= XK_a && map[i] <= XK_z) map[i] = XK_Cyrillic_yu + (map[i] - XK_a);
        else if (map[i] >= XK_A && map[i] <= XK_Z) map[i] = XK_Cyrillic_YU + (map[i] - XK_A);
    }
    XChangeKeyboardMapping(client_, minKeycode, perKeycode, map, count);
    XFree(map);
    XSync(client_, False);
    focusedWindow();

    auto keys = platform::XTestKeySynthesizer::open();
    ASSERT_TRUE(keys);
    CBasicFunction actions(*keys, [](unsigned) {}, [] { return true; });
    actions.Cut();
    std::vector<actions_test::KeySeen> got = keyEvents(4);
    ASSERT_EQ(got.size(), 4u);
    EXPECT_EQ(got[0].sym, static_cast<KeySym>(XK_Control_L));
    EXPECT_EQ(got[1].type, KeyPress);
    EXPECT_EQ(got[1].keycode, 45u + 8u);  // KEY_X: where X is on a US keyboard
    EXPECT_TRUE(got[1].state & ControlMask);
    EXPECT_EQ(got[2].type, KeyRelease);
    EXPECT_EQ(got[2].keycode, 45u + 8u);
    EXPECT_EQ(got[3].sym, static_cast<KeySym>(XK_Control_L));
}

TEST_F(XvfbTest, LostDisplayIsReportedAndANewOneIsUsed) {
    auto keys = platform::XTestKeySynthesizer::open();
    ASSERT_TRUE(keys);
    EXPECT_TRUE(keys->keyEvent('A', 1));
    EXPECT_TRUE(keys->keyEvent('A', 3));

    XCloseDisplay(client_);
    client_ = nullptr;
    server_->stop();
    // The process survives the broken connection; the event is refused.
    EXPECT_FALSE(keys->keyEvent('A', 1));

    actions_test::XvfbServer second;
    ASSERT_TRUE(second.running());
    setenv("DISPLAY", second.name().c_str(), 1);
    client_ = XOpenDisplay(second.name().c_str());
    ASSERT_NE(client_, nullptr);
    focusedWindow();
    EXPECT_TRUE(keys->keyEvent('B', 1));
    EXPECT_TRUE(keys->keyEvent('B', 3));
    std::vector<actions_test::KeySeen> got = keyEvents(2);
    EXPECT_EQ(got[0].sym, static_cast<KeySym>(XK_b));
    XCloseDisplay(client_);
    client_ = nullptr;
}

TEST_F(XvfbTest, PointerAccelerationChangesThePointerControl) {
    struct Case {
        int t1, t2, speed;
        int num, den, threshold;
    };
    const Case cases[] = {
        {6, 10, 1, 2, 1, 6},    // the classic default: double above 6
        {6, 10, 0, 1, 1, 6},    // off
        {2, 3, 2, 15, 4, 2},    // strongest level
        {2, 12, 2, 5, 2, 2},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.t2 * 100 + c.speed);
        EXPECT_TRUE(platform::applyPointerAcceleration(c.t1, c.t2, c.speed));
        int num = 0, den = 0, threshold = 0;
        XGetPointerControl(client_, &num, &den, &threshold);
        EXPECT_EQ(num, c.num);
        EXPECT_EQ(den, c.den);
        EXPECT_EQ(threshold, c.threshold);
    }
    // Values a damaged store could hold are clamped, not sent to the server as they are.
    EXPECT_TRUE(platform::applyPointerAcceleration(-7, 99999, 9));
    int num = 0, den = 0, threshold = 0;
    XGetPointerControl(client_, &num, &den, &threshold);
    EXPECT_EQ(threshold, 0);
    EXPECT_EQ(den > 0, true);
}

namespace {

// XInput2 through libXi, loaded here the same way the platform loads it.
struct TestXi {
    decltype(&XIQueryVersion) queryVersion;
    decltype(&XIQueryDevice) queryDevice;
    decltype(&XIFreeDeviceInfo) freeDeviceInfo;
    decltype(&XIGetProperty) getProperty;
    decltype(&XIChangeProperty) changeProperty;
    bool ok = false;
    TestXi() {
        void* lib = dlopen("libXi.so.6", RTLD_NOW);
        if (!lib) return;
        queryVersion = reinterpret_cast<decltype(queryVersion)>(dlsym(lib, "XIQueryVersion"));
        queryDevice = reinterpret_cast<decltype(queryDevice)>(dlsym(lib, "XIQueryDevice"));
        freeDeviceInfo = reinterpret_cast<decltype(freeDeviceInfo)>(dlsym(lib, "XIFreeDeviceInfo"));
        getProperty = reinterpret_cast<decltype(getProperty)>(dlsym(lib, "XIGetProperty"));
        changeProperty = reinterpret_cast<decltype(changeProperty)>(dlsym(lib, "XIChangeProperty"));
        ok = queryVersion && queryDevice && freeDeviceInfo && getProperty && changeProperty;
    }
};

}  // namespace

TEST_F(XvfbTest, LibinputPropertiesAreSetWhereADeviceHasThem) {
    TestXi xi;
    if (!xi.ok) GTEST_SKIP() << "libXi not available";
    int major = 2, minor = 0;
    ASSERT_EQ(xi.queryVersion(client_, &major, &minor), Success);
    int count = 0;
    XIDeviceInfo* devices = xi.queryDevice(client_, XIAllDevices, &count);
    int pointer = -1;
    for (int i = 0; i < count; ++i)
        if (devices[i].use == XISlavePointer && devices[i].enabled) pointer = devices[i].deviceid;
    xi.freeDeviceInfo(devices);
    if (pointer < 0) GTEST_SKIP() << "no slave pointer on Xvfb";

    // Give Xvfb's pointer the properties a libinput pointer carries.
    const Atom profile = XInternAtom(client_, "libinput Accel Profile Enabled", False);
    const Atom speed = XInternAtom(client_, "libinput Accel Speed", False);
    const Atom floatType = XInternAtom(client_, "FLOAT", False);
    unsigned char adaptive[3] = {1, 0, 0};
    xi.changeProperty(client_, pointer, profile, XA_INTEGER, 8, PropModeReplace, adaptive, 3);
    float zero = 0.0f;  // device properties are packed: one 4-byte item
    xi.changeProperty(client_, pointer, speed, floatType, 32, PropModeReplace,
                      reinterpret_cast<unsigned char*>(&zero), 1);
    XSync(client_, False);

    auto readProfile = [&] {
        Atom type;
        int format;
        unsigned long items, after;
        unsigned char* data = nullptr;
        std::vector<int> values;
        if (xi.getProperty(client_, pointer, profile, 0, 8, False, AnyPropertyType, &type, &format,
                           &items, &after, &data) == Success && data) {
            for (unsigned long i = 0; i < items; ++i) values.push_back(data[i]);
        }
        if (data) XFree(data);
        return values;
    };
    auto readSpeed = [&] {
        Atom type;
        int format;
        unsigned long items, after;
        unsigned char* data = nullptr;
        float value = -99;
        if (xi.getProperty(client_, pointer, speed, 0, 1, False, AnyPropertyType, &type, &format,
                           &items, &after, &data) == Success && data && items == 1 && format == 32) {
            std::memcpy(&value, data, sizeof value);
        }
        if (data) XFree(data);
        return value;
    };

    EXPECT_TRUE(platform::applyPointerAcceleration(6, 10, 0));
    EXPECT_EQ(readProfile(), (std::vector<int>{0, 1, 0}));
    EXPECT_FLOAT_EQ(readSpeed(), 0.0f);

    EXPECT_TRUE(platform::applyPointerAcceleration(2, 3, 2));
    EXPECT_EQ(readProfile(), (std::vector<int>{1, 0, 0}));
    EXPECT_GT(readSpeed(), 0.5f);

    EXPECT_TRUE(platform::applyPointerAcceleration(10, 10, 1));
    EXPECT_LT(readSpeed(), 0.0f);
}

TEST(PointerSettings, WithoutADisplayNothingIsApplied) {
    actions_test::IsolatedEnvironment env;
    EXPECT_FALSE(platform::applyPointerAcceleration(6, 10, 1));
}
