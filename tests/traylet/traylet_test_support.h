#pragma once
// Helpers of the tray tests: private XDG folders per test and the traylet program as a child
// process on Qt's offscreen platform.
#include <fcntl.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <memory>
#include <string>
#include <vector>

#include "platform/event_loop.h"
#include "platform/known_folders.h"
#include "platform/message_bus.h"
#include "shared/mouse_settings.h"
#include "tests/support/private_session.h"

#ifdef KORVANTE_TRAYLET_QT
#include <QCoreApplication>
#include <QEventLoop>

#include <functional>
#endif

extern char** environ;

namespace traytest {

#ifdef KORVANTE_TRAYLET_QT
// One application object for the whole test program, made on the main thread.
inline void ensureApplication() {
    static int argc = 1;
    static char name[] = "test_traylet";
    static char* argv[] = {name, nullptr};
    if (QCoreApplication::instance() == nullptr) new QCoreApplication(argc, argv);
}

// Runs Qt's loop until the condition holds or the time is up; returns the condition.
inline bool runUntil(const std::function<bool()>& done, uint32_t timeoutMs = 5000) {
    uint64_t deadline = platform::tickCountMs() + timeoutMs;
    while (!done() && platform::tickCountMs() < deadline)
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents, 20);
    return done();
}
#endif

// Every test gets fresh XDG_RUNTIME_DIR and XDG_CONFIG_HOME folders (removed afterwards) and
// Qt's offscreen platform; children still running at the end are killed.
class PrivateSession : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(env_.ready());
        ::setenv("QT_QPA_PLATFORM", "offscreen", 1);
        program_ = std::string(KORVANTE_BIN_DIR) + "/traylet";
    }
    void TearDown() override {
        for (pid_t pid : children_) {
            ::kill(pid, SIGKILL);
            ::waitpid(pid, nullptr, 0);
        }
    }

    bool programBuilt() const { return ::access(program_.c_str(), X_OK) == 0; }

    // Starts traylet with the arguments; its standard output and error go to the given files
    // (or /dev/null).
    pid_t start(std::vector<std::string> args = {}, const std::string& outFile = "/dev/null",
                const std::string& errFile = "/dev/null") {
        args.insert(args.begin(), program_);
        return spawn(args, outFile, errFile);
    }

    // Starts any program (args[0] its path) the same way; it is killed at the end of the test.
    pid_t spawn(std::vector<std::string> args, const std::string& outFile = "/dev/null",
                const std::string& errFile = "/dev/null") {
        std::vector<char*> argv;
        for (auto& a : args) argv.push_back(a.data());
        argv.push_back(nullptr);
        posix_spawn_file_actions_t actions;
        posix_spawn_file_actions_init(&actions);
        posix_spawn_file_actions_addopen(&actions, 1, outFile.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
        posix_spawn_file_actions_addopen(&actions, 2, errFile.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
        pid_t pid = -1;
        int rc = ::posix_spawn(&pid, argv[0], &actions, nullptr, argv.data(), environ);
        posix_spawn_file_actions_destroy(&actions);
        if (rc != 0) return -1;
        children_.push_back(pid);
        return pid;
    }

    // Runs traylet to its end and returns its exit code; standard output into *out when given.
    int run(std::vector<std::string> args, std::string* out = nullptr) {
        const std::string file = root_ + "/stdout.txt";
        pid_t pid = start(std::move(args), file);
        int code = waitChild(pid, 20000);
        if (out) *out = readText(file);
        return code;
    }

    static bool waitForWindow(const std::string& title, bool present, uint32_t timeoutMs = 5000) {
        uint64_t deadline = platform::tickCountMs() + timeoutMs;
        while (platform::tickCountMs() < deadline) {
            if (platform::findWindow(title) == present) return true;
            platform::sleepMs(10);
        }
        return platform::findWindow(title) == present;
    }

    // Exit code of a child (128 + signal when killed), waiting at most timeoutMs; -1 on time-out.
    int waitChild(pid_t pid, uint32_t timeoutMs = 5000) {
        uint64_t deadline = platform::tickCountMs() + timeoutMs;
        while (true) {
            int status = 0;
            if (::waitpid(pid, &status, WNOHANG) == pid) {
                std::erase(children_, pid);
                return WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
            }
            if (platform::tickCountMs() >= deadline) return -1;
            platform::sleepMs(10);
        }
    }

    static std::string readText(const std::string& path) {
        std::ifstream in(path, std::ios::binary);
        return std::string(std::istreambuf_iterator<char>(in), {});
    }

    // Waits until the file contains the text.
    static bool waitForText(const std::string& path, const std::string& text, uint32_t timeoutMs = 5000) {
        uint64_t deadline = platform::tickCountMs() + timeoutMs;
        while (platform::tickCountMs() < deadline) {
            if (readText(path).find(text) != std::string::npos) return true;
            platform::sleepMs(20);
        }
        return readText(path).find(text) != std::string::npos;
    }

    // How many times the text occurs in the file.
    static int countLines(const std::string& path, const std::string& text) {
        const std::string content = readText(path);
        int n = 0;
        for (size_t at = content.find(text); at != std::string::npos; at = content.find(text, at + text.size())) ++n;
        return n;
    }

    // Writes a settings file the way the other programs do: the shipped record with changes.
    template <typename Change>
    void writeSettings(Change change) {
        auto s = std::make_unique<MouseSettings>();
        settings::shippedDefaults(*s);
        change(*s);
        ASSERT_TRUE(platform::ensureFolder(platform::dataFolder()));
        ASSERT_TRUE(settings::saveAll(*s, platform::settingsPath()));
    }

    testsupport::PrivateEnvironment env_{"korvante-tray-test"};
    const std::string root_ = env_.root();
    std::string program_;
    std::vector<pid_t> children_;
};

}  // namespace traytest
