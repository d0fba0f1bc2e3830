#pragma once
// The Wayland test bed: weston with its headless backend (pixman renderer, so screenshots have
// pixels) on a socket of the test's private runtime folder, its private weston.ini, and the test
// seat module (weston_test_seat.c) that gives the windows real pointer and keyboard input through
// the compositor. What the compositor shows comes from the compositor itself: its scene graph
// (weston-debug scene-graph: every view with its role, process and position) and its screenshots
// (weston-screenshooter). Both need weston's debug protocol, which the test bed turns on.
//
// The programs under test run as their own processes, as a user starts them, with
// QT_QPA_PLATFORM=wayland and no DISPLAY. WAYLAND_DEBUG=client makes a program log the requests it
// sends; ProtocolLog reads which toplevel a dialog names as its parent from that log.
#include <fcntl.h>
#include <signal.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <functional>
#include <iterator>
#include <map>
#include <optional>
#include <regex>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "tests/support/private_session.h"

extern char** environ;

namespace wltest {

inline constexpr int kButtonLeft = 272;   // BTN_LEFT
inline constexpr int kButtonRight = 273;  // BTN_RIGHT
inline constexpr int kKeyEscape = 1;      // KEY_ESC
inline constexpr int kTimeoutMs = 20000;  // generous: the sanitizer build on a loaded machine

// Waits until done() holds, looking again every 10 ms, at most timeoutMs.
inline bool eventually(const std::function<bool()>& done, int timeoutMs = kTimeoutMs) {
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
    while (!done()) {
        if (std::chrono::steady_clock::now() >= deadline) return false;
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    return true;
}

inline std::string readText(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
}

// A rectangle on the compositor's output; right and bottom exclusive.
struct Box {
    int left = 0, top = 0, right = 0, bottom = 0;
    int width() const { return right - left; }
    int height() const { return bottom - top; }
    bool contains(const Box& b) const {
        return b.left >= left && b.top >= top && b.right <= right && b.bottom <= bottom;
    }
    bool operator==(const Box&) const = default;
};

inline std::ostream& operator<<(std::ostream& out, const Box& b) {
    return out << "(" << b.left << ", " << b.top << ") -> (" << b.right << ", " << b.bottom << ")";
}

// One view of the scene graph: "xdg_toplevel", "xdg_popup", "wl_pointer-cursor", ...
struct View {
    std::string role;
    long pid = 0;
    std::string label;  // e.g. "top-level window 'KORVANTE' of korvante-cfgpanel"
    Box box;
};

// The views of a scene-graph dump, topmost first (the dump lists the layers from the top, each
// from its top view).
inline std::vector<View> parseSceneGraph(const std::string& text) {
    static const std::regex header(R"(View \d+ \(role ([^,]*), PID (\d+), surface ID \d+, (.*), 0x[0-9a-f]+\):)");
    static const std::regex position(R"(position: \((-?\d+), (-?\d+)\) -> \((-?\d+), (-?\d+)\))");
    std::vector<View> views;
    std::istringstream lines(text);
    std::string line;
    std::smatch m;
    while (std::getline(lines, line)) {
        if (std::regex_search(line, m, header)) {
            views.push_back({m[1], std::stol(m[2]), m[3], {}});
        } else if (!views.empty() && std::regex_search(line, m, position)) {
            views.back().box = {std::stoi(m[1]), std::stoi(m[2]), std::stoi(m[3]), std::stoi(m[4])};
        }
    }
    return views;
}

// The requests a client logged with WAYLAND_DEBUG=client, read for the toplevels' titles and the
// parents they name (xdg_toplevel.set_parent). Object numbers are reused after an object is
// destroyed, so the log is read in order.
class ProtocolLog {
public:
    explicit ProtocolLog(const std::string& text) {
        static const std::regex request(R"(-> xdg_(?:surface|toplevel)@(\d+)\.(\w+)\((.*)\)\s*$)");
        std::istringstream lines(text);
        std::string line;
        std::smatch m;
        std::map<long, std::string> titles;  // live toplevel -> title
        std::map<long, std::string> parents; // live toplevel -> its parent's title
        while (std::getline(lines, line)) {
            if (!std::regex_search(line, m, request)) continue;
            const long object = std::stol(m[1]);
            const std::string name = m[2], args = m[3];
            std::smatch a;
            if (name == "get_toplevel" && std::regex_search(args, a, std::regex(R"(xdg_toplevel@(\d+))"))) {
                titles.erase(std::stol(a[1]));
                parents.erase(std::stol(a[1]));
            } else if (name == "set_parent") {
                parents[object] = std::regex_search(args, a, std::regex(R"(xdg_toplevel@(\d+))")) ? titles[std::stol(a[1])] : "";
            } else if (name == "set_title" && std::regex_search(args, a, std::regex(R"re("(.*)")re"))) {
                titles[object] = a[1];
                parentOfTitle_[a[1]] = parents.count(object) ? parents[object] : "";
            } else if (name == "set_minimized") {
                ++minimizeRequests_;
            } else if (name == "move") {
                ++moveRequests_;
            }
        }
    }

    // The title of the toplevel that the last toplevel with this title named as its parent ("" for
    // none); nullopt when no toplevel had the title. Qt adds " — <application>" to a dialog's
    // title, so a title that only starts with the one asked for counts too.
    std::optional<std::string> parentOf(const std::string& title) const {
        for (const auto& [shown, parent] : parentOfTitle_)
            if (shown == title || shown.rfind(title + " ", 0) == 0) return parent;
        return std::nullopt;
    }
    int minimizeRequests() const { return minimizeRequests_; }
    int moveRequests() const { return moveRequests_; }

private:
    std::map<std::string, std::string> parentOfTitle_;
    int minimizeRequests_ = 0;
    int moveRequests_ = 0;
};

// A child process with its own environment additions; standard output and error into files.
inline pid_t spawnProgram(const std::vector<std::string>& args, const std::vector<std::string>& extraEnv,
                          const std::string& outFile, const std::string& errFile, const std::string& folder = "") {
    std::vector<std::string> env;
    for (char** e = environ; *e != nullptr; ++e) env.emplace_back(*e);
    for (const std::string& extra : extraEnv) {
        const std::string key = extra.substr(0, extra.find('=') + 1);
        std::erase_if(env, [&](const std::string& e) { return e.rfind(key, 0) == 0; });
        env.push_back(extra);
    }
    std::vector<char*> argv, envp;
    for (const std::string& a : args) argv.push_back(const_cast<char*>(a.c_str()));
    argv.push_back(nullptr);
    for (const std::string& e : env) envp.push_back(const_cast<char*>(e.c_str()));
    envp.push_back(nullptr);
    const pid_t pid = ::fork();
    if (pid != 0) return pid;
    // The child calls only async-signal-safe functions until it execs (the test may run threads).
    ::setpgid(0, 0);  // a group of its own: the test ends whatever it starts in turn
    const int out = ::open(outFile.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0600);
    const int err = ::open(errFile.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0600);
    if (out >= 0) ::dup2(out, 1);
    if (err >= 0) ::dup2(err, 2);
    if (!folder.empty() && ::chdir(folder.c_str()) != 0) ::_exit(126);
    ::execve(argv[0], argv.data(), envp.data());
    ::_exit(127);
}

// Exit code of a child (128 + signal when killed), waiting at most timeoutMs; -1 on time-out.
inline int waitChild(pid_t pid, int timeoutMs = kTimeoutMs) {
    int code = -1;
    eventually(
        [&] {
            int status = 0;
            if (::waitpid(pid, &status, WNOHANG) != pid) return false;
            code = WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
            return true;
        },
        timeoutMs);
    return code;
}

// Ends a child and everything it started (its process group), and reaps it.
inline void endChild(pid_t pid) {
    if (pid <= 0) return;
    ::kill(-pid, SIGTERM);
    int status = 0;
    if (::waitpid(pid, &status, WNOHANG) != 0) return;  // ended now, or reaped already
    if (waitChild(pid, 5000) < 0) {
        ::kill(-pid, SIGKILL);
        ::waitpid(pid, nullptr, 0);
    }
}

// weston on a private socket with the test seat. The runtime folder is the private session's.
class Compositor {
public:
    static constexpr int kWidth = 1280;
    static constexpr int kHeight = 800;

    explicit Compositor(testsupport::PrivateEnvironment& env) : env_(env) {
        socketName_ = "wayland-korvante-test";
        const std::string seatSocket = env.runtimeDir() + "/test-seat";
        const std::string config = env.file("weston.ini");
        // No panel and no on-screen keyboard: a calm desktop, and nothing but the programs under
        // test takes the input. No idle time: the screen never locks during a test. No animations:
        // while a window zooms in, weston picks no view for a pointer that does not move, so a
        // press on a fresh window would reach nobody.
        std::ofstream(config) << "[core]\nidle-time=0\n[shell]\npanel-position=none\nbackground-image=\n"
                                 "background-color=0xff2b3038\nanimation=none\nclose-animation=none\n"
                                 "startup-animation=none\nfocus-animation=none\n[input-method]\npath=\n";
        log_ = env.file("weston.log");
        const std::string module = std::string(KORVANTE_WESTON_SEAT_MODULE);
        pid_ = spawnProgram({"/usr/bin/weston", "--backend=headless-backend.so", "--use-pixman",
                             "--width=" + std::to_string(kWidth), "--height=" + std::to_string(kHeight),
                             "--socket=" + socketName_, "--config=" + config, "--debug", "--modules=" + module},
                            {"KORVANTE_TEST_SEAT=" + seatSocket}, "/dev/null", log_);
        const std::string socketPath = env.runtimeDir() + "/" + socketName_;
        struct stat st {};
        if (!eventually([&] { return ::stat(socketPath.c_str(), &st) == 0 && ::stat(seatSocket.c_str(), &st) == 0; })) {
            problem_ = "weston did not start: " + readText(log_);
            return;
        }
        env.set("WAYLAND_DISPLAY", socketName_);
        seat_ = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
        sockaddr_un address{};
        address.sun_family = AF_UNIX;
        std::snprintf(address.sun_path, sizeof address.sun_path, "%s", seatSocket.c_str());
        if (::connect(seat_, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0) {
            problem_ = "cannot reach the test seat: " + readText(log_);
            return;
        }
        // The desktop is ready when the shell has put up its background.
        if (!eventually([&] { return find([](const View& v) { return v.label.find("background") != std::string::npos; }).has_value(); }))
            problem_ = "weston's shell did not start: " + readText(log_);
    }
    ~Compositor() {
        if (seat_ >= 0) ::close(seat_);
        endChild(pid_);
    }
    Compositor(const Compositor&) = delete;
    Compositor& operator=(const Compositor&) = delete;

    // Empty when weston runs with its seat; otherwise what went wrong, with weston's log.
    const std::string& problem() const { return problem_; }
    const std::string& socketName() const { return socketName_; }
    std::string log() const { return readText(log_); }

    // The scene graph as the compositor reports it now.
    std::vector<View> views() const {
        const std::string dump = env_.file("scene-graph.txt");
        const pid_t pid = spawnProgram({"/usr/bin/weston-debug", "scene-graph"}, {}, dump, "/dev/null");
        if (waitChild(pid, 10000) != 0) return {};
        return parseSceneGraph(readText(dump));
    }
    std::optional<View> find(const std::function<bool(const View&)>& match) const {
        for (const View& v : views())
            if (match(v)) return v;
        return std::nullopt;
    }
    // Waits until a view matches (or, with present false, until none does).
    std::optional<View> waitFor(const std::function<bool(const View&)>& match, bool present = true) const {
        std::optional<View> found;
        eventually([&] {
            found = find(match);
            return found.has_value() == present;
        });
        return found;
    }

    // The seat: each call returns once weston has passed the input on to the clients.
    bool move(int x, int y) { return command("move " + std::to_string(x) + " " + std::to_string(y)).has_value(); }
    bool button(int code, bool pressed) {
        return command("button " + std::to_string(code) + " " + (pressed ? "1" : "0")).has_value();
    }
    bool key(int code, bool pressed) { return command("key " + std::to_string(code) + " " + (pressed ? "1" : "0")).has_value(); }
    bool click(int x, int y, int code = kButtonLeft) { return move(x, y) && button(code, true) && button(code, false); }
    bool type(int code) { return key(code, true) && key(code, false); }
    // True while a grab (an interactive move, a popup's) holds the pointer.
    bool pointerGrabbed() { return command("grab").value_or("") == "ok 1"; }

    // A picture of the whole output as PNG.
    bool screenshot(const std::string& file) const {
        testsupport::TempFolder folder("korvante-shot");
        const pid_t pid = spawnProgram({"/usr/bin/weston-screenshooter"}, {}, "/dev/null", "/dev/null", folder.path());
        if (waitChild(pid, 10000) != 0) return false;
        for (const auto& entry : std::filesystem::directory_iterator(folder.path())) {
            std::error_code ec;
            std::filesystem::copy_file(entry.path(), file, std::filesystem::copy_options::overwrite_existing, ec);
            return !ec;
        }
        return false;
    }

private:
    std::optional<std::string> command(const std::string& line) {
        const std::string sent = line + "\n";
        if (seat_ < 0 || ::write(seat_, sent.data(), sent.size()) != ssize_t(sent.size())) return std::nullopt;
        std::string answer;
        char c = 0;
        while (::read(seat_, &c, 1) == 1 && c != '\n') answer += c;
        if (answer.rfind("ok", 0) != 0) return std::nullopt;
        return answer;
    }

    testsupport::PrivateEnvironment& env_;
    std::string socketName_;
    std::string log_;
    std::string problem_;
    pid_t pid_ = -1;
    int seat_ = -1;
};

}  // namespace wltest
