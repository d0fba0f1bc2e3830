// The tray program's desktop notices, against a stand-in notification service on a private session
// bus, and the tray's view of a service that ends without closing it.
#ifdef KORVANTE_TRAYLET_QT
#include "traylet_test_support.h"

#include <QDBusConnection>
#include <QDBusMessage>
#include <QDBusVirtualObject>

#include "platform/profile_ini.h"
#include "shared/window_messages.h"
#include "traylet/tray_status.h"

namespace {

using traytest::runUntil;

struct NotifyCall {
    QString app;
    uint replacesId = 0;
    QString summary;
    int expireMs = 0;
};

// org.freedesktop.Notifications as a desktop answers it: Notify returns the notice's id (the one it
// replaces, or a new one); every call is recorded.
class StandInNotifications final : public QDBusVirtualObject {
public:
    std::vector<NotifyCall> calls;

    QString introspect(const QString&) const override { return {}; }
    bool handleMessage(const QDBusMessage& message, const QDBusConnection& connection) override {
        const QList<QVariant> a = message.arguments();
        if (message.member() != QStringLiteral("Notify") || a.size() != 8) return false;
        calls.push_back({a[0].toString(), a[1].toUInt(), a[3].toString(), a[7].toInt()});
        const uint id = calls.back().replacesId != 0 ? calls.back().replacesId : ++lastId_;
        return connection.send(message.createReply(QVariant::fromValue(id)));
    }

private:
    uint lastId_ = 40;
};

class TrayNotices : public traytest::PrivateSession {
protected:
    void SetUp() override {
        PrivateSession::SetUp();
        if (!programBuilt()) GTEST_SKIP() << "traylet not built";
        traytest::ensureApplication();
        writeSettings([](MouseSettings&) {});
    }
    void TearDown() override {
        if (standIn_) QDBusConnection::disconnectFromBus(QStringLiteral("stand-in"));
        PrivateSession::TearDown();
    }

    // A bus daemon of the test's own: the private session's address, no service activation.
    bool startBus() {
        const std::string config = root_ + "/bus.conf";
        std::ofstream(config) << "<!DOCTYPE busconfig PUBLIC \"-//freedesktop//DTD D-Bus Bus Configuration 1.0//EN\"\n"
                                 " \"http://www.freedesktop.org/standards/dbus/1.0/busconfig.dtd\">\n"
                                 "<busconfig><type>session</type><listen>"
                              << env_.sessionBusAddress()
                              << "</listen><auth>EXTERNAL</auth><policy context=\"default\">"
                                 "<allow send_destination=\"*\" eavesdrop=\"true\"/><allow eavesdrop=\"true\"/><allow own=\"*\"/>"
                                 "</policy></busconfig>\n";
        const std::string address = root_ + "/bus-address.txt";
        if (spawn({"/usr/bin/dbus-daemon", "--config-file=" + config, "--nofork", "--print-address"}, address) <= 0)
            return false;
        return waitForText(address, "unix:");
    }

    bool startStandIn() {
        QDBusConnection bus = QDBusConnection::connectToBus(QString::fromStdString(env_.sessionBusAddress()),
                                                            QStringLiteral("stand-in"));
        standIn_ = true;
        return bus.isConnected() && bus.registerService(QStringLiteral("org.freedesktop.Notifications")) &&
               bus.registerVirtualObject(QStringLiteral("/org/freedesktop/Notifications"), &notifications_);
    }

    pid_t startTray(const std::string& errFile) {
        pid_t pid = start({}, "/dev/null", errFile);
        EXPECT_TRUE(waitForWindow(title::kTraylet, true)) << "traylet not on the bus";
        return pid;
    }

    void change(int kind, int value) { EXPECT_TRUE(platform::postMessage(title::kTraylet, msg::kMouseChanged, kind, value)); }
    bool waitCalls(size_t n) {
        return runUntil([&] { return notifications_.calls.size() >= n; }) && notifications_.calls.size() == n;
    }
    void endTray(pid_t pid) {
        EXPECT_EQ(waitChild(pid, 0), -1) << "the tray must still run";
        EXPECT_TRUE(platform::postMessage(title::kTraylet, platform::kWmClose));
        EXPECT_EQ(waitChild(pid), 0);
    }

    StandInNotifications notifications_;
    bool standIn_ = false;
};

TEST_F(TrayNotices, OneNoticePerChangeEachReplacingTheLastNoneWhileTurnedOff) {
    if (::access("/usr/bin/dbus-daemon", X_OK) != 0) GTEST_SKIP() << "dbus-daemon missing (scripts/install-deps)";
    ASSERT_TRUE(startBus());
    ASSERT_TRUE(startStandIn());
    env_.set("LANGUAGE", "de");  // the tray speaks the user's language
    const pid_t pid = startTray(root_ + "/stderr.txt");

    const struct {
        int kind, value;
        const char* summary;
    } changes[] = {
        {msg::kChangedDpiStage, 2, "DPI-Stufe 3 \u2013 1500 DPI"},
        {msg::kChangedProfile, 1, "Profil 2"},
        {msg::kChangedLighting, 0, "Beleuchtung aus"},
    };
    for (size_t i = 0; i < std::size(changes); ++i) {
        change(changes[i].kind, changes[i].value);
        ASSERT_TRUE(waitCalls(i + 1)) << changes[i].summary;
        const NotifyCall& call = notifications_.calls.back();
        EXPECT_EQ(call.summary.toStdString(), changes[i].summary);
        EXPECT_EQ(call.replacesId, i == 0 ? 0u : 41u) << "a notice replaces the one before";
        EXPECT_EQ(call.expireMs, 2000);
        EXPECT_EQ(call.app.toStdString(), "KORVANTE-Maus");
    }

    // Turned off (what the menu item saves): nothing; nor for a reload or an impossible stage.
    ASSERT_TRUE(tray::writeNoticesEnabled(platform::settingsPath(), false));
    EXPECT_EQ(platform::readProfileInt(platform::settingsPath(), "Setting", "TrayEnabled", -1), 1) << "other keys kept";
    change(msg::kChangedDpiStage, 0);
    ASSERT_TRUE(tray::writeNoticesEnabled(platform::settingsPath(), true));
    change(msg::kChangedReload, 0);
    change(msg::kChangedDpiStage, 9);
    change(msg::kChangedDpiStage, 1);
    ASSERT_TRUE(waitCalls(4));
    EXPECT_EQ(notifications_.calls.back().summary.toStdString(), "DPI-Stufe 2 \u2013 1000 DPI");

    // A burst never stacks notices: every call replaces the same one, the newest comes last.
    for (int stage = 0; stage < 7; ++stage) change(msg::kChangedDpiStage, stage);
    ASSERT_TRUE(runUntil([&] { return notifications_.calls.back().summary.startsWith(QStringLiteral("DPI-Stufe 7")); }));
    for (const NotifyCall& call : notifications_.calls) EXPECT_TRUE(call.replacesId == 0u || call.replacesId == 41u);
    endTray(pid);
}

TEST_F(TrayNotices, WithoutANotificationServiceNothingBreaksAndNothingIsRetried) {
    if (::access("/usr/bin/dbus-daemon", X_OK) != 0) GTEST_SKIP() << "dbus-daemon missing (scripts/install-deps)";
    // A bus without a notification service: the calls fail, one line says so.
    ASSERT_TRUE(startBus());
    const std::string noService = root_ + "/no-service.txt";
    const pid_t pid = startTray(noService);
    change(msg::kChangedProfile, 2);
    EXPECT_TRUE(waitForText(noService, "notice not shown (org.freedesktop.DBus.Error.ServiceUnknown)"));
    // The service appears: the next change is its only call; the failed one is not tried again.
    ASSERT_TRUE(startStandIn());
    change(msg::kChangedProfile, 3);
    ASSERT_TRUE(waitCalls(1));
    EXPECT_EQ(notifications_.calls[0].summary.toStdString(), "Profile 4");
    EXPECT_EQ(countLines(noService, "notice not shown"), 1);
    endTray(pid);
}

// A service killed without closing the tray (SIGKILL leaves its bus socket behind): the tray stays,
// says "Service not running", and sees the next service arrive. A stand-in owns the service's title.
TEST_F(TrayNotices, TrayFollowsTheServiceEvenWhenItIsKilled) {
    const std::string msgTool = std::string(KORVANTE_BIN_DIR) + "/korvante-msg";
    if (::access(msgTool.c_str(), X_OK) != 0) GTEST_SKIP() << "korvante-msg not built";
    const std::string err = root_ + "/stderr.txt";
    const pid_t pid = startTray(err);
    EXPECT_TRUE(waitForText(err, "Service not running"));
    for (int round = 1; round <= 2; ++round) {
        const pid_t service = spawn({msgTool, "listen", title::kService});
        ASSERT_TRUE(runUntil([&] { return countLines(err, "traylet: the service runs") == round; }, 10000)) << readText(err);
        ASSERT_EQ(::kill(service, SIGKILL), 0);
        EXPECT_EQ(waitChild(service), 128 + SIGKILL);
        ASSERT_TRUE(runUntil([&] { return countLines(err, "traylet: the service is not running") == round + 1; }, 10000))
            << readText(err);
    }
    EXPECT_NE(readText(err).rfind("\nService not running"), std::string::npos) << "the tooltip says so";
    endTray(pid);
}

}  // namespace
#endif
