#include "tests/service/harness.h"

#include <fcntl.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <sstream>

#include "platform/event_loop.h"
#include "platform/known_folders.h"
#include "platform/message_bus.h"
#include "platform/profile_ini.h"
#include "shared/mouse_settings.h"
#include "shared/window_messages.h"

extern char** environ;

namespace e2e {

namespace {

constexpr int kPollMs = 10;

bool waitUntil(int timeoutMs, const std::function<bool()>& done) {
    uint64_t deadline = platform::tickCountMs() + static_cast<uint64_t>(timeoutMs);
    for (;;) {
        if (done()) return true;
        if (platform::tickCountMs() >= deadline) return false;
        platform::sleepMs(kPollMs);
    }
}

std::vector<char*> argvOf(const std::vector<std::string>& args) {
    std::vector<char*> out;
    for (const std::string& a : args) out.push_back(const_cast<char*>(a.c_str()));
    out.push_back(nullptr);
    return out;
}

void addRedirect(posix_spawn_file_actions_t* actions, int fd, const std::string& path) {
    const char* target = path.empty() ? "/dev/null" : path.c_str();
    posix_spawn_file_actions_addopen(actions, fd, target, O_WRONLY | O_CREAT | O_APPEND, 0600);
}

}  // namespace

std::string binPath(const std::string& name) { return std::string(KORVANTE_BIN_DIR) + "/" + name; }

Child spawn(const std::vector<std::string>& argv, const std::string& outPath, const std::string& errPath) {
    Child child;
    child.outPath = outPath;
    child.errPath = errPath;
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, 0, "/dev/null", O_RDONLY, 0);
    addRedirect(&actions, 1, outPath);
    addRedirect(&actions, 2, errPath);
    std::vector<char*> args = argvOf(argv);
    pid_t pid = -1;
    if (posix_spawn(&pid, args[0], &actions, nullptr, args.data(), environ) != 0) pid = -1;
    posix_spawn_file_actions_destroy(&actions);
    child.pid = pid;
    return child;
}

int waitExit(pid_t pid, int timeoutMs) {
    if (pid <= 0) return -1;
    int status = 0;
    bool ended = waitUntil(timeoutMs, [&] {
        pid_t r = ::waitpid(pid, &status, WNOHANG);
        return r == pid || (r < 0 && errno == ECHILD);
    });
    if (!ended) return -1;
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

int runToEnd(const std::vector<std::string>& argv, std::string* out, int timeoutMs) {
    int fds[2];
    if (::pipe2(fds, O_CLOEXEC) != 0) return -1;
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, 0, "/dev/null", O_RDONLY, 0);
    posix_spawn_file_actions_adddup2(&actions, fds[1], 1);
    posix_spawn_file_actions_addopen(&actions, 2, "/dev/null", O_WRONLY, 0);
    std::vector<char*> args = argvOf(argv);
    pid_t pid = -1;
    int rc = posix_spawn(&pid, args[0], &actions, nullptr, args.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    ::close(fds[1]);
    if (rc != 0) {
        ::close(fds[0]);
        return -1;
    }
    // The tools print one short answer; reading to the end of the pipe cannot block past the
    // child's life, and a stuck child is killed after the time-out below.
    std::string text;
    char buffer[4096];
    ssize_t n;
    while ((n = ::read(fds[0], buffer, sizeof buffer)) > 0) text.append(buffer, static_cast<size_t>(n));
    ::close(fds[0]);
    int status = waitExit(pid, timeoutMs);
    if (status == -1) {
        ::kill(pid, SIGKILL);
        ::waitpid(pid, nullptr, 0);
    }
    if (out) *out = text;
    return status;
}

std::string readFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

int countOccurrences(const std::string& text, const std::string& needle) {
    if (needle.empty()) return 0;
    int n = 0;
    for (size_t at = text.find(needle); at != std::string::npos; at = text.find(needle, at + needle.size())) ++n;
    return n;
}

std::vector<uint8_t> parseHex(const std::string& text) {
    std::vector<uint8_t> bytes;
    std::istringstream in(text);
    std::string word;
    while (in >> word) bytes.push_back(static_cast<uint8_t>(std::strtoul(word.c_str(), nullptr, 16)));
    return bytes;
}

// --- Harness ---

Harness::Harness(const char* transport) { env_.set("KORVANTE_TRANSPORT", transport); }

Harness::~Harness() {
    // The children go first; env_ then restores the environment and removes the folders.
    stopChild(service_, SIGTERM, 8000);
    stopChild(listener_, SIGTERM, 2000);
    stopChild(mouse_, SIGTERM, 3000);
}

void Harness::stopChild(Child& child, int signal, int timeoutMs) {
    if (child.pid <= 0) return;
    ::kill(child.pid, signal);
    if (waitExit(child.pid, timeoutMs) == -1 && ::kill(child.pid, 0) == 0) {
        ::kill(child.pid, SIGKILL);
        ::waitpid(child.pid, nullptr, 0);
    }
    child.pid = -1;
}

std::string Harness::dataFolder() const { return configHome() + "/Brakmor KORVANTE/GamingMouse"; }
std::string Harness::settingsPath() const { return dataFolder() + "/Mouse.ini"; }
std::string Harness::macroFolder() const { return dataFolder() + "/Macro"; }

bool Harness::installSettings(bool trayEnabled) {
    std::error_code ec;
    std::filesystem::create_directories(dataFolder(), ec);
    if (ec) return false;
    std::filesystem::copy_file(binPath("Mouse.ini"), settingsPath(), std::filesystem::copy_options::overwrite_existing,
                               ec);
    if (ec) return false;
    return platform::writeProfileInt(settingsPath(), "Setting", "TrayEnabled", trayEnabled ? 1 : 0);
}

// --- mouse ---

bool Harness::startMouse() {
    mouse_ = spawn({binPath("mousesim"), "serve"}, "", env_.file("mousesim.log"));
    if (mouse_.pid <= 0) return false;
    return waitUntil(5000, [&] { return mousesim({"stats"}) == 0; });
}

void Harness::killMouse(int signal) {
    if (mouse_.pid <= 0) return;
    ::kill(mouse_.pid, signal);
    waitExit(mouse_.pid, 5000);
    mouse_.pid = -1;
}

int Harness::mousesim(const std::vector<std::string>& args, std::string* out) {
    std::vector<std::string> argv{binPath("mousesim")};
    argv.insert(argv.end(), args.begin(), args.end());
    return runToEnd(argv, out);
}

std::vector<uint8_t> Harness::dump(uint32_t address, uint32_t length) {
    std::string out;
    if (mousesim({"dump", std::to_string(address), std::to_string(length)}, &out) != 0) return {};
    return parseHex(out);
}

bool Harness::poke(uint32_t address, const std::vector<uint8_t>& bytes) {
    std::vector<std::string> args{"poke", std::to_string(address)};
    char hex[4];
    for (uint8_t b : bytes) {
        std::snprintf(hex, sizeof hex, "%02x", b);
        args.emplace_back(hex);
    }
    return mousesim(args) == 0;
}

std::map<std::string, uint64_t> Harness::stats() {
    std::map<std::string, uint64_t> counters;
    std::string out;
    if (mousesim({"stats"}, &out) != 0) return counters;
    std::istringstream in(out);
    std::string name;
    uint64_t value;
    while (in >> name >> value) counters[name] = value;
    return counters;
}

bool Harness::resetStats() { return mousesim({"reset-stats"}) == 0; }

bool Harness::report(const std::string& hexBytes) {
    std::vector<std::string> args{"report"};
    std::istringstream in(hexBytes);
    std::string word;
    while (in >> word) args.push_back(word);
    return mousesim(args) == 0;
}

// --- listener ---

bool Harness::startPanelListener() {
    if (listener_.pid > 0) return true;
    listener_ = spawn({binPath("korvante-msg"), "listen", title::kPanel}, env_.file("panel.txt"), "");
    if (listener_.pid <= 0) return false;
    return waitUntil(5000, [] { return platform::findWindow(title::kPanel); });
}

void Harness::stopPanelListener() { stopChild(listener_, SIGTERM, 2000); }

std::string Harness::panelOutput() const { return readFile(env_.file("panel.txt")); }

int Harness::panelLineCount(const std::string& line) const {
    std::istringstream in(panelOutput());
    std::string l;
    int n = 0;
    while (std::getline(in, l))
        if (l == line) ++n;
    return n;
}

bool Harness::waitPanelLine(const std::string& line, int count, int timeoutMs) const {
    return waitUntil(timeoutMs, [&] { return panelLineCount(line) >= count; });
}

// --- service ---

bool Harness::startService(bool waitReadBack, bool withListener) {
    if (!platform::fileExists(settingsPath()) && !installSettings()) return false;
    if (withListener && !startPanelListener()) return false;
    int readBacksBefore = panelLineCount("1285 0 0");
    serviceStartMs_ = platform::tickCountMs();
    service_ = spawn({binPath("hidagent")}, "", env_.file("hidagent.log"));
    if (service_.pid <= 0) return false;
    if (!waitUntil(5000, [] { return platform::findWindow(title::kService); })) return false;
    if (!waitReadBack) return true;
    return waitReadBack ? this->waitReadBack(readBacksBefore + 1) : true;
}

int Harness::stopService(int signal, int timeoutMs) {
    if (service_.pid <= 0) return -1;
    ::kill(service_.pid, signal);
    return waitServiceExit(timeoutMs);
}

int Harness::waitServiceExit(int timeoutMs) {
    if (service_.pid <= 0) return -1;
    int status = waitExit(service_.pid, timeoutMs);
    if (status != -1 || ::kill(service_.pid, 0) != 0) service_.pid = -1;
    return status;
}

bool Harness::serviceRunning() {
    if (service_.pid <= 0) return false;
    int status = 0;
    return ::waitpid(service_.pid, &status, WNOHANG) == 0;
}

std::string Harness::serviceLog() const { return readFile(env_.file("hidagent.log")); }

bool Harness::waitLog(const std::string& text, int count, int timeoutMs) const {
    return waitUntil(timeoutMs, [&] { return countOccurrences(serviceLog(), text) >= count; });
}

bool Harness::waitReadBack(int n, int timeoutMs) const { return waitPanelLine("1285 0 0", n, timeoutMs); }

uint64_t Harness::msSinceServiceStart() const { return platform::tickCountMs() - serviceStartMs_; }

void Harness::avoidTrailerTimer(int durationMs) {
    const uint64_t timerAt = static_cast<uint64_t>(msg::kTrailerTimerMs);
    const uint64_t margin = 1500;  // start-up and scheduling slack around the timer
    uint64_t now = msSinceServiceStart();
    if (now + static_cast<uint64_t>(durationMs) + margin < timerAt) return;
    if (now < timerAt + margin) platform::sleepMs(static_cast<uint32_t>(timerAt + margin - now));
    // The timer runs on the window thread; a send returns only after it has been handled.
    send(msg::kScrollTrayFlags);
}

// --- messages ---

int Harness::msgTool(const std::vector<std::string>& args, std::string* out) {
    std::vector<std::string> argv{binPath("korvante-msg")};
    argv.insert(argv.end(), args.begin(), args.end());
    return runToEnd(argv, out);
}

bool Harness::post(uint32_t message, int64_t wParam, int64_t lParam) {
    return platform::postMessage(title::kService, message, wParam, lParam);
}

bool Harness::send(uint32_t message, int64_t wParam, int64_t lParam, int64_t* result) {
    return platform::sendMessage(title::kService, message, wParam, lParam, result);
}

bool Harness::postAndSettle(uint32_t message, int64_t wParam, int64_t lParam) {
    // Post and send share this process's connection, so the send is handled after the post.
    return post(message, wParam, lParam) && send(msg::kScrollTrayFlags);
}

// --- settings ---

std::unique_ptr<MouseSettings> Harness::loadSettings() const {
    auto s = std::make_unique<MouseSettings>();
    settings::clear(*s);
    settings::loadAll(*s, settingsPath(), -1);
    return s;
}

bool Harness::saveSettings(const MouseSettings& s) const { return settings::saveAll(s, settingsPath()); }

int Harness::readSettingInt(const std::string& section, const std::string& key, int def) const {
    return platform::readProfileInt(settingsPath(), section, key, def);
}

}  // namespace e2e
