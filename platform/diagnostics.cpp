#include "platform/diagnostics.h"

#include <unistd.h>

#include <cstdarg>
#include <cstdio>
#include <algorithm>
#include <string>

namespace platform {
namespace {
thread_local int t_quietDepth = 0;
}  // namespace

QuietDiagnostics::QuietDiagnostics() { ++t_quietDepth; }
QuietDiagnostics::~QuietDiagnostics() { --t_quietDepth; }

void debugLine(std::string_view text) {
    if (t_quietDepth > 0) return;
    std::string line(text);
    if (line.empty() || line.back() != '\n') line.push_back('\n');
    // One write() per line, so lines of concurrent threads never interleave.
    const char* p = line.data();
    size_t left = line.size();
    while (left > 0) {
        ssize_t n = ::write(STDERR_FILENO, p, left);
        if (n <= 0) return;
        p += n;
        left -= static_cast<size_t>(n);
    }
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
