// Rate limiting of repeated diagnostics lines.
#include <gtest/gtest.h>

#include <algorithm>
#include <string>

#include "platform/diagnostics.h"

namespace {

int lineCount(const std::string& text) { return static_cast<int>(std::count(text.begin(), text.end(), '\n')); }

}  // namespace

TEST(Diagnostics, LinesThatDifferOnlyInTheirNumbersAreOneKind) {
    struct Case {
        const char* line;
        const char* kind;
    };
    const Case cases[] = {
        {"message bus: malformed frame (5 bytes) for \"KORVANTE\", connection dropped",
         "message bus: malformed frame (# bytes) for \"KORVANTE\", connection dropped"},
        {"08 ff 0a 1b", "# ff # #"},
        {"MONITOROPEN:dwDeviceID=12", "MONITOROPEN:dwDeviceID=#"},
        {"GetError:-2", "GetError:-#"},
        {"plain words stay", "plain words stay"},
    };
    for (const Case& c : cases) EXPECT_EQ(platform::lineKind(c.line), c.kind) << c.line;
}

// A burst of one kind is written, then held back and counted; another kind is not held back by
// it; the first line after the window (or the end) tells how many were left out.
TEST(Diagnostics, RepeatedLinesAreHeldBackAndCounted) {
    platform::RepeatLimiter limiter;
    std::string out;
    for (int i = 0; i < 2000; ++i)
        out += limiter.admit("malformed frame (" + std::to_string(i) + " bytes)", static_cast<uint64_t>(i));
    EXPECT_EQ(lineCount(out), platform::kDiagnosticsBurst + 1) << out;
    EXPECT_NE(out.find("lines like \"malformed frame (10 bytes)\" come too often"), std::string::npos) << out;
    EXPECT_EQ(limiter.admit("another line", 2000), "another line\n");

    const std::string later = limiter.admit("malformed frame (1 bytes)", platform::kDiagnosticsWindowMs + 5);
    EXPECT_EQ(later, "diagnostics: 1990 more lines like \"malformed frame (10 bytes)\" left out\n"
                     "malformed frame (1 bytes)\n");
    // The line above opened a new window: kDiagnosticsBurst - 1 more are written, 3 held back.
    for (int i = 0; i < platform::kDiagnosticsBurst + 2; ++i) limiter.admit("malformed frame (2 bytes)", 20000);
    EXPECT_EQ(limiter.takeSummaries(), "diagnostics: 3 more lines like \"malformed frame (2 bytes)\" left out\n");
    EXPECT_EQ(limiter.takeSummaries(), "");
}
