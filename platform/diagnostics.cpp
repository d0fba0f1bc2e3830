#include "platform/diagnostics.h"

#include <pthread.h>
#include <time.h>
#include <unistd.h>

#include <algorithm>
#include <cctype>
#include <cstdarg>
#include <cstdio>
#include <cstdlib>
#include <mutex>
#include <string>

namespace platform {
namespace {

thread_local int t_quietDepth = 0;

// Far more kinds than one program has; a table that is full forgets the kinds that hold nothing
// back, and past that lines of new kinds are written unlimited.
constexpr size_t kMaxKinds = 256;

uint64_t nowMs() {
    timespec ts {};
    ::clock_gettime(CLOCK_MONOTONIC, &ts);
    return static_cast<uint64_t>(ts.tv_sec) * 1000 + static_cast<uint64_t>(ts.tv_nsec) / 1000000;
}

// One write() per call, so lines of concurrent threads never interleave.
void writeOut(const std::string& text) {
    const char* p = text.data();
    size_t left = text.size();
    while (left > 0) {
        ssize_t n = ::write(STDERR_FILENO, p, left);
        if (n <= 0) return;
        p += n;
        left -= static_cast<size_t>(n);
    }
}

struct Shared {
    std::mutex mutex;
    RepeatLimiter limiter;
};

Shared& shared() {
    // Never destroyed: threads and static destructors may still write lines at exit.
    static Shared* instance = [] {
        auto* created = new Shared;
        std::atexit(flushDiagnostics);
        // A child forked while another thread writes a line must not inherit the lock held.
        ::pthread_atfork([] { shared().mutex.lock(); }, [] { shared().mutex.unlock(); },
                         [] { shared().mutex.unlock(); });
        return created;
    }();
    return *instance;
}

}  // namespace

QuietDiagnostics::QuietDiagnostics() { ++t_quietDepth; }
QuietDiagnostics::~QuietDiagnostics() { --t_quietDepth; }

std::string lineKind(std::string_view line) {
    std::string kind;
    kind.reserve(line.size());
    for (size_t i = 0; i < line.size();) {
        if (!std::isalnum(static_cast<unsigned char>(line[i]))) {
            kind += line[i++];
            continue;
        }
        size_t end = i;
        bool digit = false;
        for (; end < line.size() && std::isalnum(static_cast<unsigned char>(line[end])); ++end)
            digit = digit || std::isdigit(static_cast<unsigned char>(line[end]));
        if (digit) kind += '#';
        else kind.append(line.substr(i, end - i));
        i = end;
    }
    return kind;
}

std::string RepeatLimiter::summary(const Kind& kind) {
    return "diagnostics: " + std::to_string(kind.held) + " more line" + (kind.held == 1 ? "" : "s") + " like \"" +
           kind.sample + "\" left out\n";
}

std::string RepeatLimiter::admit(std::string_view line, uint64_t now) {
    std::string text(line);
    if (text.empty() || text.back() != '\n') text.push_back('\n');
    std::string key = lineKind(line);
    auto it = kinds_.find(key);
    if (it == kinds_.end()) {
        if (kinds_.size() >= kMaxKinds)
            std::erase_if(kinds_, [&](const auto& entry) {
                return entry.second.held == 0 && now - entry.second.windowStart >= kDiagnosticsWindowMs;
            });
        if (kinds_.size() >= kMaxKinds) return text;
        it = kinds_.emplace(std::move(key), Kind{now, 0, 0, {}}).first;
    }
    Kind& kind = it->second;
    std::string out;
    if (now - kind.windowStart >= kDiagnosticsWindowMs) {
        if (kind.held > 0) out = summary(kind);
        kind = Kind{now, 0, 0, {}};
    }
    if (kind.written < kDiagnosticsBurst) {
        ++kind.written;
        return out + text;
    }
    if (kind.held++ == 0) {
        kind.sample.assign(line.substr(0, std::min<size_t>(line.size(), 200)));
        while (!kind.sample.empty() && kind.sample.back() == '\n') kind.sample.pop_back();
        out += "diagnostics: lines like \"" + kind.sample + "\" come too often; more of them within " +
               std::to_string(kDiagnosticsWindowMs / 1000) + " s are only counted\n";
    }
    return out;
}

std::string RepeatLimiter::takeSummaries() {
    std::string out;
    for (auto& [key, kind] : kinds_) {
        if (kind.held == 0) continue;
        out += summary(kind);
        kind.held = 0;
        kind.sample.clear();
    }
    return out;
}

void debugLine(std::string_view text) {
    if (t_quietDepth > 0) return;
    Shared& s = shared();
    std::lock_guard<std::mutex> lock(s.mutex);
    const std::string out = s.limiter.admit(text, nowMs());
    if (!out.empty()) writeOut(out);
}

void flushDiagnostics() {
    Shared& s = shared();
    std::lock_guard<std::mutex> lock(s.mutex);
    const std::string out = s.limiter.takeSummaries();
    if (!out.empty()) writeOut(out);
}

void debugPrintf(const char* format, ...) {
    char buffer[1024];
    va_list args;
    va_start(args, format);
    int n = std::vsnprintf(buffer, sizeof buffer, format, args);
    va_end(args);
    if (n < 0) return;
    debugLine(std::string_view(buffer, std::min<size_t>(static_cast<size_t>(n), sizeof buffer - 1)));
}

}  // namespace platform
