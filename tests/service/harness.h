#pragma once
// End-to-end harness of the service: a private session (own XDG_CONFIG_HOME and XDG_RUNTIME_DIR,
// no display), the virtual mouse ("mousesim serve"), the service ("hidagent" over the sim
// transport), a "KORVANTE" listener standing in for the UI, and the command-line tools, all run
// as child processes of the test. Waits poll with short bounded retries, never fixed sleeps.
//
// The environment is changed in the test process itself (children inherit it, and the bus
// calls of the test reach the same private bus), so one Harness lives at a time.
#include <sys/types.h>

#include <cstdint>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "shared/settings_record.h"
#include "tests/support/private_session.h"

namespace e2e {

// Path of a program of the build ("mousesim", "hidagent", "korvante-msg").
std::string binPath(const std::string& name);

// A started child process with its standard output and error going to files.
struct Child {
    pid_t pid = -1;
    std::string outPath;
    std::string errPath;
};

// Starts the program with the arguments; standard output and error go to the given files
// (empty: /dev/null). pid -1 when it could not be started.
Child spawn(const std::vector<std::string>& argv, const std::string& outPath, const std::string& errPath);

// Runs the program to its end (at most timeoutMs) and returns its exit status (-1 when it was
// killed or could not run); its standard output goes to *out.
int runToEnd(const std::vector<std::string>& argv, std::string* out = nullptr, int timeoutMs = 10000);

// Waits for the child to end; returns its exit status, or -1 when it did not end in time (it is
// left running) or died from a signal.
int waitExit(pid_t pid, int timeoutMs);

std::string readFile(const std::string& path);
int countOccurrences(const std::string& text, const std::string& needle);
std::vector<uint8_t> parseHex(const std::string& text);

class Harness {
public:
    // Makes the session folders and switches the environment to them; the service will use the
    // given transport ("sim": mousesim; "hidraw": whatever the kernel, or a umockdev test bed, has).
    explicit Harness(const char* transport = "sim");
    ~Harness();  // stops every child it started and removes the folders
    Harness(const Harness&) = delete;
    Harness& operator=(const Harness&) = delete;

    bool ready() const { return env_.ready(); }
    const std::string& root() const { return env_.root(); }
    const std::string& configHome() const { return env_.configHome(); }
    const std::string& runtimeDir() const { return env_.runtimeDir(); }
    std::string dataFolder() const;    // ".../Brakmor KORVANTE/GamingMouse"
    std::string settingsPath() const;  // ".../Mouse.ini"
    std::string macroFolder() const;   // ".../Macro"

    // Puts the shipped "Mouse.ini" into the data folder, with "TrayEnabled" changed so that no
    // tray program is started unless asked for.
    bool installSettings(bool trayEnabled = false);

    // --- The virtual mouse ---
    bool startMouse();                  // "mousesim serve"; waits until it answers
    pid_t mousePid() const { return mouse_.pid; }
    void killMouse(int signal);         // ends it at once (SIGKILL: no clean-up)
    int mousesim(const std::vector<std::string>& args, std::string* out = nullptr);
    std::vector<uint8_t> dump(uint32_t address, uint32_t length);
    bool poke(uint32_t address, const std::vector<uint8_t>& bytes);
    std::map<std::string, uint64_t> stats();
    bool resetStats();
    bool report(const std::string& hexBytes);  // "08 ff 17"

    // --- The UI stand-in: "korvante-msg listen KORVANTE" ---
    bool startPanelListener();
    void stopPanelListener();
    std::string panelOutput() const;
    // Waits until the listener has printed the line (exactly, e.g. "1285 9 4") `count` times.
    bool waitPanelLine(const std::string& line, int count = 1, int timeoutMs = 10000) const;
    int panelLineCount(const std::string& line) const;

    // --- The service ---
    // Starts hidagent (installing the settings first when none are there, and the panel listener
    // unless told not to). With waitReadBack it returns once the read-back of the mouse has been
    // reported to the UI ("1285 0 0").
    bool startService(bool waitReadBack = true, bool withListener = true);
    // SIGTERM (or the given signal) and wait; returns the exit status, -1 when it did not end.
    int stopService(int signal = 15, int timeoutMs = 8000);
    pid_t servicePid() const { return service_.pid; }
    bool serviceRunning();
    int waitServiceExit(int timeoutMs);
    std::string serviceLog() const;
    bool waitLog(const std::string& text, int count = 1, int timeoutMs = 10000) const;
    // Waits for the n-th finished read-back reported to the listener.
    bool waitReadBack(int n, int timeoutMs = 20000) const;
    // The service writes the block trailers once, 15 s after its start. A measurement that must
    // not see those writes calls this with its own duration: when it could overlap the timer,
    // it waits until the timer has fired.
    void avoidTrailerTimer(int durationMs = 2000);
    uint64_t msSinceServiceStart() const;

    // --- korvante-msg ---
    int msgTool(const std::vector<std::string>& args, std::string* out = nullptr);
    bool post(uint32_t message, int64_t wParam = 0, int64_t lParam = 0);
    // Sends and waits for the handler; false when the send failed.
    bool send(uint32_t message, int64_t wParam = 0, int64_t lParam = 0, int64_t* result = nullptr);
    // Posts, then waits until the service has handled everything before it (a send of the no-op
    // message 1284 behind the post), like a UI that posts and moves on.
    bool postAndSettle(uint32_t message, int64_t wParam = 0, int64_t lParam = 0);

    // --- Mouse.ini, changed the way the UI changes it: load the whole record, save it whole ---
    std::unique_ptr<MouseSettings> loadSettings() const;
    bool saveSettings(const MouseSettings& s) const;
    int readSettingInt(const std::string& section, const std::string& key, int def = -99) const;

private:
    void stopChild(Child& child, int signal, int timeoutMs);

    // Nothing here may reach the user's display: pointer settings and key synthesis then only
    // write their diagnostics line.
    testsupport::PrivateEnvironment env_{"korvante-e2e", testsupport::PrivateEnvironment::Display::Clear};
    Child mouse_;
    Child service_;
    Child listener_;
    uint64_t serviceStartMs_ = 0;
};

}  // namespace e2e
