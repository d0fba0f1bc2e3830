// Fuzzes the classification of the mouse's input reports: any report of any length, with any
// current profile, gives an action within its kind's range and reads nothing past the report.
// Input: four bytes of current profile, then the report (its first byte the report id).
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <memory>

#include "platform/diagnostics.h"
#include "service/report_dispatch.h"

namespace {

void check(bool condition) {
    if (!condition) __builtin_trap();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    platform::QuietDiagnostics quiet;
    int32_t profile = 0;
    if (size >= 4) {
        std::memcpy(&profile, data, 4);
        data += 4;
        size -= 4;
    }
    // A copy of exactly the report's length, so that the address sanitizer sees any read past it.
    std::unique_ptr<uint8_t[]> report(new uint8_t[size == 0 ? 1 : size]);
    if (size > 0) std::memcpy(report.get(), data, size);
    const int length = static_cast<int>(size);
    const ReportAction a = classifyReport(size > 0 ? report[0] : 0, size > 0 ? report.get() : nullptr, length, profile);
    switch (a.kind) {
        case ReportAction::Kind::None: break;
        case ReportAction::Kind::NotifyPanel:
            check(a.wParam == 8 || a.wParam == 9 || a.wParam == 10);
            check(a.lParam >= 0 && a.lParam <= 255);
            check(isMergeableNotice(report.get(), length));
            break;
        case ReportAction::Kind::ProfileStep:
            check(a.newProfile >= 0 && a.newProfile <= 4 && a.lParam == a.newProfile);
            break;
        case ReportAction::Kind::SoftwareAction:
            check((a.functionCode >= 64 && a.functionCode <= 72) || (a.functionCode >= 80 && a.functionCode <= 85));
            break;
    }
    (void)reportIdLine(size > 0 ? report[0] : 0, report.get(), length);
    (void)reportHexLine(report.get(), length);
    return 0;
}
