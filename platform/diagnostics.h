#pragma once
// Diagnostics: one line on standard error per call (journald keeps it under systemd).
//
// Repeated lines are rate-limited, so that a flood (a peer sending garbage frames, a mouse sending
// reports without pause) cannot fill the journal: lines that differ only in their numbers are one
// kind, and of each kind at most kDiagnosticsBurst lines are written per kDiagnosticsWindowMs. The
// first line held back says so; the rest are counted, and the first line of the kind written after
// the window (or the end of the process) is preceded by how many were left out.
#include <cstdint>
#include <string>
#include <string_view>
#include <unordered_map>

namespace platform {

// Writes the text to standard error; a trailing newline is added when the text has none.
void debugLine(std::string_view text);

// printf-style form of debugLine.
void debugPrintf(const char* format, ...) __attribute__((format(printf, 1, 2)));

// Writes the summaries of the lines held back so far (also done when the process ends normally).
void flushDiagnostics();

// Silences the diagnostics lines of the calling thread while it lives, for work that runs the
// service's code for another purpose (the virtual mouse building its factory image).
class QuietDiagnostics {
public:
    QuietDiagnostics();
    ~QuietDiagnostics();
    QuietDiagnostics(const QuietDiagnostics&) = delete;
    QuietDiagnostics& operator=(const QuietDiagnostics&) = delete;
};

inline constexpr int kDiagnosticsBurst = 10;
inline constexpr uint64_t kDiagnosticsWindowMs = 10000;

// The kind of a line: every word (run of letters and digits) that holds a digit becomes '#'.
std::string lineKind(std::string_view line);

// The rule above, over a clock given by the caller. admit() returns the lines to write for one
// offered line, in order (none when it is held back).
class RepeatLimiter {
public:
    std::string admit(std::string_view line, uint64_t nowMs);
    // The summaries of every kind with lines held back, which then count from zero again.
    std::string takeSummaries();

private:
    struct Kind {
        uint64_t windowStart = 0;
        int written = 0;
        uint64_t held = 0;
        std::string sample;  // the first line held back
    };
    static std::string summary(const Kind& kind);
    std::unordered_map<std::string, Kind> kinds_;
};

}  // namespace platform
