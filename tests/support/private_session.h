#pragma once
// Temporary folders and private sessions for the tests, so that nothing a test does reaches the
// real user's files, bus or display.
//
// TempFolder: a fresh folder under $TMPDIR (or /tmp), removed with its contents at the end.
// ScopedEnvironment: environment variables changed for a while and put back afterwards.
// PrivateEnvironment: a TempFolder whose "config" and "run" folders are XDG_CONFIG_HOME and
// XDG_RUNTIME_DIR for the life of the object, with a session bus address of its own, optionally
// without a display.
//
// The environment is that of the whole test process (child processes inherit it), so one
// PrivateEnvironment lives at a time.
#include <stdlib.h>
#include <sys/stat.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <optional>
#include <string>
#include <utility>
#include <vector>

namespace testsupport {

// A fresh folder "<$TMPDIR or /tmp>/<prefix>-XXXXXX" (mode 0700, made by mkdtemp), removed
// with everything in it on destruction. path() is empty when the folder could not be made.
class TempFolder {
public:
    explicit TempFolder(const std::string& prefix = "korvante-test") {
        const char* base = std::getenv("TMPDIR");
        std::string pattern = std::string(base && *base ? base : "/tmp") + "/" + prefix + "-XXXXXX";
        if (::mkdtemp(pattern.data())) path_ = pattern;
    }
    ~TempFolder() {
        std::error_code ec;
        if (!path_.empty()) std::filesystem::remove_all(path_, ec);
    }
    TempFolder(const TempFolder&) = delete;
    TempFolder& operator=(const TempFolder&) = delete;

    bool ready() const { return !path_.empty(); }
    const std::string& path() const { return path_; }
    std::string file(const std::string& name) const { return path_ + "/" + name; }

private:
    std::string path_;
};

// Environment variables changed through set() and unset() get the value they had before the
// first change back on destruction (or are removed again when they had none).
class ScopedEnvironment {
public:
    ScopedEnvironment() = default;
    ~ScopedEnvironment() {
        for (auto it = saved_.rbegin(); it != saved_.rend(); ++it) {
            if (it->second) ::setenv(it->first.c_str(), it->second->c_str(), 1);
            else ::unsetenv(it->first.c_str());
        }
    }
    ScopedEnvironment(const ScopedEnvironment&) = delete;
    ScopedEnvironment& operator=(const ScopedEnvironment&) = delete;

    void set(const std::string& name, const std::string& value) {
        remember(name);
        ::setenv(name.c_str(), value.c_str(), 1);
    }
    void unset(const std::string& name) {
        remember(name);
        ::unsetenv(name.c_str());
    }

private:
    void remember(const std::string& name) {
        auto known = [&](const auto& entry) { return entry.first == name; };
        if (std::any_of(saved_.begin(), saved_.end(), known)) return;
        const char* value = std::getenv(name.c_str());
        saved_.emplace_back(name, value ? std::optional<std::string>(value) : std::nullopt);
    }

    std::vector<std::pair<std::string, std::optional<std::string>>> saved_;
};

// A private session: "<root>/config" and "<root>/run" (both mode 0700) become XDG_CONFIG_HOME
// and XDG_RUNTIME_DIR; with Display::Clear, DISPLAY and WAYLAND_DISPLAY are removed as well.
// Every variable changed here, or later through set()/unset(), is restored on destruction,
// before the folder is removed.
class PrivateEnvironment {
public:
    enum class Display { Keep, Clear };

    explicit PrivateEnvironment(const std::string& prefix = "korvante-test", Display display = Display::Keep)
        : folder_(prefix) {
        if (!folder_.ready()) return;
        configHome_ = folder_.file("config");
        runtimeDir_ = folder_.file("run");
        ready_ = ::mkdir(configHome_.c_str(), 0700) == 0 && ::mkdir(runtimeDir_.c_str(), 0700) == 0;
        // Even when a folder is missing the variables point into the private root, never at the
        // user's own folders.
        environment_.set("XDG_CONFIG_HOME", configHome_);
        environment_.set("XDG_RUNTIME_DIR", runtimeDir_);
        // The session bus too: nothing answers there unless a test starts its own bus daemon on
        // that socket (sessionBusAddress()).
        environment_.set("DBUS_SESSION_BUS_ADDRESS", sessionBusAddress());
        // English texts whatever the developer's locale (a test of a translation sets LANGUAGE).
        environment_.set("LANGUAGE", "en");
        if (display == Display::Clear) {
            environment_.unset("DISPLAY");
            environment_.unset("WAYLAND_DISPLAY");
        }
    }
    PrivateEnvironment(const PrivateEnvironment&) = delete;
    PrivateEnvironment& operator=(const PrivateEnvironment&) = delete;

    // True when the root and both folders in it were made.
    bool ready() const { return ready_; }
    const std::string& root() const { return folder_.path(); }
    std::string file(const std::string& name) const { return folder_.file(name); }
    const std::string& configHome() const { return configHome_; }
    const std::string& runtimeDir() const { return runtimeDir_; }
    // The private session bus's address: a socket in the runtime folder.
    std::string sessionBusAddress() const { return "unix:path=" + runtimeDir_ + "/bus"; }

    // Further variables for the session, restored with the others.
    void set(const std::string& name, const std::string& value) { environment_.set(name, value); }
    void unset(const std::string& name) { environment_.unset(name); }

private:
    // Declared in this order so that the variables are restored before the folder goes.
    TempFolder folder_;
    ScopedEnvironment environment_;
    std::string configHome_;
    std::string runtimeDir_;
    bool ready_ = false;
};

}  // namespace testsupport
