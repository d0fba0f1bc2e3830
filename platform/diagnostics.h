#pragma once
// Diagnostics: one line on standard error per call (journald keeps it under systemd).
#include <string_view>

namespace platform {

// Writes the text to standard error; a trailing newline is added when the text has none.
void debugLine(std::string_view text);

// printf-style form of debugLine.
void debugPrintf(const char* format, ...) __attribute__((format(printf, 1, 2)));

// Silences the diagnostics lines of the calling thread while it lives, for work that runs the
// service's code for another purpose (the virtual mouse building its factory image).
class QuietDiagnostics {
public:
    QuietDiagnostics();
    ~QuietDiagnostics();
    QuietDiagnostics(const QuietDiagnostics&) = delete;
    QuietDiagnostics& operator=(const QuietDiagnostics&) = delete;
};

}  // namespace platform
