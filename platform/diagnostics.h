#pragma once
// Diagnostics: one line on standard error per call (journald keeps it under systemd).
#include <string_view>

namespace platform {

// Writes the text to standard error; a trailing newline is added when the text has none.
void debugLine(std::string_view text);

// printf-style form of debugLine.
void debugPrintf(const char* format, ...) __attribute__((format(printf, 1, 2)));

}  // namespace platform
