// The built plugin "KBHook.so", loaded as cfgpanel loads it, against a private Xvfb display: keys
// and buttons injected with XTest arrive at the target as the window's reports, only while
// enabled, and removal stops the reader.
#include <gtest/gtest.h>

#include <X11/Xlib.h>
#include <X11/extensions/XTest.h>
#include <X11/keysym.h>
#include <dlfcn.h>

#include <chrono>
#include <condition_variable>
#include <filesystem>
#include <memory>
#include <mutex>
#include <set>
#include <thread>
#include <type_traits>
#include <vector>

#include "hook/kbhook_api.h"
#include "hook/raw_event_mapping.h"
#include "tests/actions/actions_test_support.h"

namespace {

using kbhook::Report;

// The window's side: records every report, from the plugin's thread.
class Recorder {
public:
    KBHookTarget target() { return {this, &Recorder::post}; }

    // The reports so far once there are at least `count` (or after ten seconds).
    std::vector<Report> waitFor(size_t count) {
        std::unique_lock lock(mutex_);
        changed_.wait_for(lock, std::chrono::seconds(10), [&] { return reports_.size() >= count; });
        return reports_;
    }
    void clear() {
        std::lock_guard lock(mutex_);
        reports_.clear();
    }

private:
    static void post(void* context, uint32_t message, int64_t wParam, int64_t lParam) {
        auto* self = static_cast<Recorder*>(context);
        std::lock_guard lock(self->mutex_);
        self->reports_.push_back({message, wParam, lParam});
        self->changed_.notify_all();
    }

    std::mutex mutex_;
    std::condition_variable changed_;
    std::vector<Report> reports_;
};

// The plugin's six entry points.
struct Plugin {
    void* handle = nullptr;
    KBHookInstall installhook = nullptr;
    KBHookInstall installmousehook = nullptr;
    KBHookEnable enablehook = nullptr;
    KBHookEnable enablemousehook = nullptr;
    KBHookRemove removehook = nullptr;
    KBHookRemove removemousehook = nullptr;

    bool load() {
        handle = dlopen(KORVANTE_BIN_DIR "/KBHook.so", RTLD_NOW | RTLD_LOCAL);
        auto bind = [&](auto& entry, const char* name) {
            if (handle) entry = reinterpret_cast<std::remove_reference_t<decltype(entry)>>(dlsym(handle, name));
            return entry != nullptr;
        };
        return bind(installhook, "installhook") & bind(installmousehook, "installmousehook") &
               bind(enablehook, "enablehook") & bind(enablemousehook, "enablemousehook") &
               bind(removehook, "removehook") & bind(removemousehook, "removemousehook");
    }
    ~Plugin() {
        if (handle != nullptr) dlclose(handle);
    }
};

size_t threadCount() {
    return static_cast<size_t>(std::distance(std::filesystem::directory_iterator("/proc/self/task"),
                                             std::filesystem::directory_iterator()));
}

class KBHookTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(plugin_.load()) << dlerror();
        threadsBefore_ = threadCount();
    }

    void TearDown() override {
        // A failed test leaves nothing that reports into the recorder.
        if (plugin_.removehook) plugin_.removehook();
        if (plugin_.removemousehook) plugin_.removemousehook();
    }

    actions_test::IsolatedEnvironment env_;  // no DISPLAY unless a test sets one
    Recorder recorder_;
    KBHookTarget target_ = recorder_.target();
    Plugin plugin_;
    size_t threadsBefore_ = 0;
};

class KBHookXvfbTest : public KBHookTest {
protected:
    void SetUp() override {
        if (!actions_test::XvfbServer::available()) GTEST_SKIP() << "Xvfb is not installed";
        server_ = std::make_unique<actions_test::XvfbServer>();
        ASSERT_TRUE(server_->running());
        setenv("DISPLAY", server_->name().c_str(), 1);
        client_ = XOpenDisplay(server_->name().c_str());
        ASSERT_NE(client_, nullptr);
        KBHookTest::SetUp();
    }
    void TearDown() override {
        KBHookTest::TearDown();
        if (client_) XCloseDisplay(client_);
    }

    void tap(KeySym sym) {
        const KeyCode code = XKeysymToKeycode(client_, sym);
        XTestFakeKeyEvent(client_, code, True, 0);
        XTestFakeKeyEvent(client_, code, False, 0);
        XSync(client_, False);
    }
    void click(unsigned button) {
        XTestFakeButtonEvent(client_, button, True, 0);
        XTestFakeButtonEvent(client_, button, False, 0);
        XSync(client_, False);
    }

    std::unique_ptr<actions_test::XvfbServer> server_;
    Display* client_ = nullptr;
};

std::vector<std::pair<uint32_t, int64_t>> messages(const std::vector<Report>& reports) {
    std::vector<std::pair<uint32_t, int64_t>> out;
    for (const Report& r : reports) out.emplace_back(r.message, r.wParam);
    return out;
}

}  // namespace

TEST_F(KBHookXvfbTest, ReportsKeysAndButtonsOnlyWhileEnabledAndStopsOnRemoval) {
    ASSERT_EQ(plugin_.installhook(&target_), 1);
    ASSERT_EQ(plugin_.installmousehook(&target_), 1);
    EXPECT_EQ(threadCount(), threadsBefore_ + 1);  // one reader for both hooks

    // Installed hooks start disabled: the click before the key is not reported.
    ASSERT_EQ(plugin_.enablehook(1), 1);
    click(1);
    tap(XK_Escape);
    EXPECT_EQ(recorder_.waitFor(2), (std::vector<Report>{{2258, 27, 0}, {2258, 27, 128}}));

    recorder_.clear();
    ASSERT_EQ(plugin_.enablemousehook(1), 1);
    tap(XK_a);
    tap(XK_Shift_L);
    tap(XK_KP_Enter);
    click(1);
    click(3);
    click(2);
    click(4);  // the wheel is not reported
    tap(XK_Escape);
    std::vector<Report> got = recorder_.waitFor(14);
    const std::vector<Report> keys = {{2258, 'A', 0}, {2258, 'A', 128}, {2258, 160, 0},
                                      {2258, 160, 128}, {2258, 13, 1}, {2258, 13, 129}};
    ASSERT_EQ(got.size(), 14u);
    EXPECT_EQ(std::vector<Report>(got.begin(), got.begin() + 6), keys);
    EXPECT_EQ(messages({got.begin() + 6, got.begin() + 12}),
              (std::vector<std::pair<uint32_t, int64_t>>{
                  {5121, 513}, {5121, 514}, {5121, 516}, {5121, 517}, {5121, 519}, {5121, 520}}));
    std::set<int64_t> values;
    for (auto it = got.begin() + 6; it != got.begin() + 12; ++it) values.insert(it->lParam);
    EXPECT_EQ(values.size(), 6u);  // the window drops a report equal to the one before
    EXPECT_EQ(got[12], (Report{2258, 27, 0}));

    // Keys off, buttons on: the click that follows the key tells that the key has been seen.
    recorder_.clear();
    EXPECT_EQ(plugin_.enablehook(0), 1);
    tap(XK_a);
    click(1);
    EXPECT_EQ(messages(recorder_.waitFor(2)),
              (std::vector<std::pair<uint32_t, int64_t>>{{5121, 513}, {5121, 514}}));

    // The mouse hook goes first; the keys still arrive.
    recorder_.clear();
    EXPECT_EQ(plugin_.enablehook(1), 1);
    plugin_.removemousehook();
    EXPECT_EQ(plugin_.enablemousehook(1), 0);
    click(1);
    tap(XK_c);
    EXPECT_EQ(recorder_.waitFor(2), (std::vector<Report>{{2258, 'C', 0}, {2258, 'C', 128}}));

    // Both gone: the reader is joined; more removals do nothing.
    recorder_.clear();
    plugin_.removehook();
    EXPECT_EQ(threadCount(), threadsBefore_);
    plugin_.removehook();
    plugin_.removemousehook();
    tap(XK_a);
    click(1);
    EXPECT_TRUE(recorder_.waitFor(0).empty());
    EXPECT_EQ(plugin_.enablehook(1), 0);

    // And a new install starts afresh.
    ASSERT_EQ(plugin_.installhook(&target_), 1);
    ASSERT_EQ(plugin_.enablehook(1), 1);
    tap(XK_z);
    EXPECT_EQ(recorder_.waitFor(2), (std::vector<Report>{{2258, 'Z', 0}, {2258, 'Z', 128}}));
    plugin_.removehook();
    EXPECT_EQ(threadCount(), threadsBefore_);
}

TEST_F(KBHookXvfbTest, ALostDisplayEndsTheReaderNotTheProgramAndInstallReconnects) {
    ASSERT_EQ(plugin_.installhook(&target_), 1);
    ASSERT_EQ(plugin_.enablehook(1), 1);
    XCloseDisplay(client_);
    client_ = nullptr;
    server_->stop();
    for (int i = 0; i < 500 && threadCount() > threadsBefore_; ++i)
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    EXPECT_EQ(threadCount(), threadsBefore_);

    // The next install connects afresh, and the key hook reports again too.
    server_ = std::make_unique<actions_test::XvfbServer>();
    ASSERT_TRUE(server_->running());
    setenv("DISPLAY", server_->name().c_str(), 1);
    client_ = XOpenDisplay(server_->name().c_str());
    ASSERT_NE(client_, nullptr);
    ASSERT_EQ(plugin_.installmousehook(&target_), 1);
    ASSERT_EQ(plugin_.enablemousehook(1), 1);
    click(1);
    tap(XK_a);
    EXPECT_EQ(messages(recorder_.waitFor(4)), (std::vector<std::pair<uint32_t, int64_t>>{
                                                  {5121, 513}, {5121, 514}, {2258, 'A'}, {2258, 'A'}}));
    plugin_.removehook();
    plugin_.removemousehook();
    EXPECT_EQ(threadCount(), threadsBefore_);
}

TEST_F(KBHookTest, WithoutADisplayNothingIsInstalled) {
    ASSERT_EQ(getenv("DISPLAY"), nullptr);
    EXPECT_EQ(plugin_.installhook(&target_), 0);
    EXPECT_EQ(plugin_.installmousehook(&target_), 0);
    EXPECT_EQ(plugin_.enablehook(1), 0);
    EXPECT_EQ(plugin_.enablemousehook(1), 0);
    EXPECT_EQ(threadCount(), threadsBefore_);
    plugin_.removehook();
    plugin_.removemousehook();
    plugin_.removehook();
    EXPECT_TRUE(recorder_.waitFor(0).empty());
}
