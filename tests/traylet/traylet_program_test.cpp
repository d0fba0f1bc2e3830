// The tray program as the service and the desktop meet it: started (possibly twice), found by its
// title, closed by the service's close step, by the service's end or by a signal; its status follows
// the settings file, which it never writes.
#include "traylet_test_support.h"

#include "shared/window_messages.h"

#include <sys/stat.h>

#ifdef KORVANTE_TRAYLET_QT
#include <QImage>
#endif

namespace {

class Traylet : public traytest::PrivateSession {
protected:
    void SetUp() override {
        PrivateSession::SetUp();
        if (!programBuilt()) GTEST_SKIP() << "traylet not built";
    }

    pid_t startAndWaitForWindow(const std::string& errFile = "/dev/null") {
        pid_t pid = start({}, "/dev/null", errFile);
        EXPECT_GT(pid, 0);
        EXPECT_TRUE(waitForWindow(title::kTraylet, true)) << "traylet not on the bus";
        return pid;
    }
};

TEST_F(Traylet, ServiceCloseStepEndsItWithCodeZeroAndFreesTheTitle) {
    pid_t pid = startAndWaitForWindow();
    // Exactly the service's close step: WM_CLOSE, then WM_QUIT (which may find the window gone).
    EXPECT_TRUE(platform::postMessage(title::kTraylet, platform::kWmClose));
    platform::postMessage(title::kTraylet, platform::kWmQuit);
    EXPECT_EQ(waitChild(pid), 0);
    EXPECT_FALSE(platform::findWindow(title::kTraylet));

    // The title and the single-instance lock are free again: a new copy starts and registers.
    pid = startAndWaitForWindow();
    EXPECT_TRUE(platform::postMessage(title::kTraylet, platform::kWmQuit));  // WM_QUIT alone ends it too
    EXPECT_EQ(waitChild(pid), 0);
    EXPECT_FALSE(platform::findWindow(title::kTraylet));
}

TEST_F(Traylet, SecondCopyExitsAtOnceAndTheFirstStays) {
    pid_t first = startAndWaitForWindow();
    pid_t second = start();
    EXPECT_EQ(waitChild(second, 3000), 0);
    EXPECT_TRUE(platform::findWindow(title::kTraylet));
    EXPECT_EQ(waitChild(first, 200), -1) << "the first copy must keep running";

    // The service's end posts WM_CLOSE alone.
    EXPECT_TRUE(platform::postMessage(title::kTraylet, platform::kWmClose));
    EXPECT_EQ(waitChild(first), 0);
    EXPECT_FALSE(platform::findWindow(title::kTraylet));
}

TEST_F(Traylet, TerminationSignalsQuitCleanly) {
    for (int sig : {SIGTERM, SIGINT}) {
        pid_t pid = startAndWaitForWindow();
        ASSERT_EQ(::kill(pid, sig), 0);
        EXPECT_EQ(waitChild(pid), 0) << "signal " << sig;
        EXPECT_FALSE(platform::findWindow(title::kTraylet)) << "signal " << sig;
    }
}

TEST_F(Traylet, OtherMessagesAreAnsweredWithoutEffect) {
    pid_t pid = startAndWaitForWindow();
    int64_t result = -1;
    EXPECT_TRUE(platform::sendMessage(title::kTraylet, msg::kMouseChanged, 9, 2, &result, 5000));
    EXPECT_EQ(result, 0);
    EXPECT_TRUE(platform::findWindow(title::kTraylet));
    EXPECT_TRUE(platform::postMessage(title::kTraylet, platform::kWmClose));
    EXPECT_EQ(waitChild(pid), 0);
}

// A runtime folder that cannot be used is no second copy: the tray program and the window say why
// and what to fix instead of ending silently; the window also in a message box, which keeps it
// open until it is answered.
TEST_F(Traylet, AnUnusableRuntimeFolderIsReportedNotTakenForASecondCopy) {
    std::ofstream(root_ + "/run/korvante") << "not a folder";
    const std::string why = root_ + "/run/korvante is not a folder: remove it";
    const std::string err = root_ + "/stderr.txt";
    EXPECT_EQ(waitChild(start({}, "/dev/null", err), 20000), 1);
    EXPECT_NE(readText(err).find("traylet: not started: " + why), std::string::npos) << readText(err);

    program_ = std::string(KORVANTE_BIN_DIR) + "/cfgpanel";
    if (!programBuilt()) GTEST_SKIP() << "cfgpanel not built";
    const pid_t panel = start({}, "/dev/null", err);
    auto said = [&] { return readText(err).find("cfgpanel: not started: " + why) != std::string::npos; };
    const uint64_t deadline = platform::tickCountMs() + 20000;
    while (!said() && platform::tickCountMs() < deadline) platform::sleepMs(20);
    EXPECT_TRUE(said()) << readText(err);
    EXPECT_EQ(waitChild(panel, 100), -1) << "ended instead of showing why";
}

TEST_F(Traylet, StatusFollowsTheSettingsFileWhichItNeverWrites) {
    // Started before the data folder exists (first log-on): the folder and file appear later.
    const std::string err = root_ + "/stderr.txt";
    pid_t pid = startAndWaitForWindow(err);
    EXPECT_TRUE(waitForText(err, "No settings yet"));

    writeSettings([](MouseSettings& s) {
        s.Profile = 1;
        s.DPI = 2;  // stage 3, factory value 30 steps = 1500 DPI
    });
    EXPECT_TRUE(waitForText(err, "KORVANTE mouse \u2014 Profile 2 \u00b7 DPI stage 3 (1500 DPI)"));

    // An atomic replace (rename over the file) is seen too, and separate axes are shown.
    writeSettings([](MouseSettings& s) {
        s.Profile = 4;
        s.DPI = 6;
        s.dpiStages[6] = DpiStage{1, 320, 64, 32};
    });
    EXPECT_TRUE(waitForText(err, "Profile 5 \u00b7 DPI stage 7 (3200 \u00d7 1600 DPI)"));

    struct stat before {};
    ASSERT_EQ(::stat(platform::settingsPath().c_str(), &before), 0);
    const std::string content = readText(platform::settingsPath());
    platform::sleepMs(300);
    EXPECT_TRUE(platform::postMessage(title::kTraylet, platform::kWmClose));
    EXPECT_EQ(waitChild(pid), 0);

    struct stat after {};
    ASSERT_EQ(::stat(platform::settingsPath().c_str(), &after), 0);
    EXPECT_EQ(before.st_ino, after.st_ino) << "the settings file was replaced by the tray";
    EXPECT_EQ(before.st_mtim.tv_sec, after.st_mtim.tv_sec);
    EXPECT_EQ(before.st_mtim.tv_nsec, after.st_mtim.tv_nsec);
    EXPECT_EQ(readText(platform::settingsPath()), content);
}

TEST_F(Traylet, StatusOptionPrintsTheTooltipAndCreatesNothing) {
    std::string out;
    EXPECT_EQ(run({"--status"}, &out), 0);
    EXPECT_EQ(out, "KORVANTE mouse \u2014 No settings yet\n");
    EXPECT_FALSE(platform::fileExists(platform::settingsPath()));

    writeSettings([](MouseSettings& s) { s.Profile = 3; });  // shipped "DPI" 1: stage 2, 1000 DPI
    EXPECT_EQ(run({"--status"}, &out), 0);
    EXPECT_EQ(out, "KORVANTE mouse \u2014 Profile 4 \u00b7 DPI stage 2 (1000 DPI)\n");
}

TEST_F(Traylet, RendersTheIconAndTheMenuAsPng) {
    writeSettings([](MouseSettings& s) { s.Profile = 2; });
    const std::string icon = root_ + "/icon.png";
    const std::string big = root_ + "/icon128.png";
    const std::string menu = root_ + "/menu.png";
    ASSERT_EQ(run({"--render-icon", icon}), 0);
    ASSERT_EQ(run({"--render-icon", big, "--size", "128"}), 0);
    ASSERT_EQ(run({"--render-menu", menu}), 0);
    for (const auto& file : {icon, big, menu}) EXPECT_EQ(readText(file).substr(0, 8), "\x89PNG\r\n\x1a\n") << file;
    EXPECT_NE(run({"--render-icon", root_ + "/no/such/folder/icon.png"}), 0);
    EXPECT_NE(run({"--render-icon"}), 0);  // missing file name: usage
    EXPECT_NE(run({"--bogus"}), 0);
#ifdef KORVANTE_TRAYLET_QT
    QImage image(QString::fromStdString(icon));
    ASSERT_FALSE(image.isNull());
    EXPECT_EQ(image.size(), QSize(64, 64));
    EXPECT_GT(qAlpha(image.pixel(24, 20)), 200) << "the mouse body is opaque";
    EXPECT_EQ(qAlpha(image.pixel(1, 1)), 0) << "the background is transparent";
    EXPECT_EQ(QImage(QString::fromStdString(big)).size(), QSize(128, 128));
    QImage menuImage(QString::fromStdString(menu));
    EXPECT_GT(menuImage.width(), 100);
    EXPECT_GT(menuImage.height(), 60);
#endif
}

TEST_F(Traylet, AFailedWriteShowsUntilALaterWriteSucceeds) {
    writeSettings([](MouseSettings& s) { s.Profile = 1; });
    const std::string err = root_ + "/stderr.txt";
    pid_t pid = startAndWaitForWindow(err);
    struct Case {
        int reason;
        const char* text;  // the tooltip's second line
    };
    for (const Case& c : {Case{msg::kWriteNoAnswer, "The last change did not reach the mouse: it did not answer"},
                          Case{msg::kWriteMismatch, "The last change did not reach the mouse: it kept other values"}}) {
        ASSERT_TRUE(settings::writeWriteFailed(platform::settingsPath(), c.reason));
        EXPECT_TRUE(waitForText(err, std::string("Profile 2 \u00b7 DPI stage 2 (1000 DPI)\n") + c.text)) << c.reason;
        std::string out;
        EXPECT_EQ(run({"--status"}, &out), 0);
        EXPECT_EQ(out, std::string("KORVANTE mouse \u2014 Profile 2 \u00b7 DPI stage 2 (1000 DPI)\n") + c.text + "\n");
#ifdef KORVANTE_TRAYLET_QT
        const std::string icon = root_ + "/warn.png";
        ASSERT_EQ(run({"--render-icon", icon}), 0);
        const QColor badge = QImage(QString::fromStdString(icon)).pixelColor(56, 14);
        EXPECT_GT(badge.red(), 200) << "amber warning badge in the upper right";
        EXPECT_LT(badge.blue(), 80);
#endif
    }
    ASSERT_TRUE(settings::writeWriteFailed(platform::settingsPath(), 0));
    const std::string fine = "KORVANTE mouse \u2014 Profile 2 \u00b7 DPI stage 2 (1000 DPI)";
    std::string out;
    for (int i = 0; i < 100 && out != fine + "\n"; ++i, platform::sleepMs(20)) run({"--status"}, &out);
    EXPECT_EQ(out, fine + "\n");
#ifdef KORVANTE_TRAYLET_QT
    const std::string icon = root_ + "/fine.png";
    ASSERT_EQ(run({"--render-icon", icon}), 0);
    EXPECT_EQ(qAlpha(QImage(QString::fromStdString(icon)).pixel(56, 14)), 0) << "no badge once written";
#endif
    EXPECT_TRUE(platform::postMessage(title::kTraylet, platform::kWmClose));
    EXPECT_EQ(waitChild(pid), 0);
}

}  // namespace
