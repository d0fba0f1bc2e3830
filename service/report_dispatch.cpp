#include "service/report_dispatch.h"

#include <algorithm>
#include <cstdint>
#include <cstdio>

#include "platform/diagnostics.h"
#include "shared/settings_record.h"
#include "shared/window_messages.h"

namespace {

uint8_t byteAt(const uint8_t* data, int length, int i) {
    return (data != nullptr && i < length) ? data[i] : 0;
}

}  // namespace

std::string reportIdLine(int reportId, const uint8_t* data, int length) {
    char line[96];
    std::snprintf(line, sizeof line, "ID:%x,pBuffer=%x , Length=%x\n", static_cast<unsigned>(reportId),
                  static_cast<unsigned>(reinterpret_cast<uintptr_t>(data) & 0xFFFFFFFFu),
                  static_cast<unsigned>(length));
    return line;
}

std::string reportHexLine(const uint8_t* data, int length) {
    char line[64];
    std::snprintf(line, sizeof line, "%02x %02x %02x %02x %02x %02x %02x %02x %02x\n",
                  byteAt(data, length, 0), byteAt(data, length, 1), byteAt(data, length, 2),
                  byteAt(data, length, 3), byteAt(data, length, 4), byteAt(data, length, 5),
                  byteAt(data, length, 6), byteAt(data, length, 7), byteAt(data, length, 8));
    return line;
}

bool isMergeableNotice(const uint8_t* data, int length) {
    const uint8_t b1 = byteAt(data, length, 1);
    return byteAt(data, length, 0) == 8 && (b1 == 2 || b1 == 1 || b1 == 9);
}

ReportAction classifyReport(int reportId, const uint8_t* data, int length, int currentProfile) {
    platform::debugLine(reportIdLine(reportId, data, length));
    platform::debugLine(reportHexLine(data, length));

    ReportAction action;
    const uint8_t b1 = byteAt(data, length, 1);
    const uint8_t b2 = byteAt(data, length, 2);

    if (isMergeableNotice(data, length)) {
        // Stage and profile numbers become indices of the settings record (here and in the
        // configuration window): a value past the seven stages or five profiles is ignored.
        if ((b1 == 2 && b2 >= kDpiStageCount) || (b1 == 1 && b2 >= kProfileCount)) {
            platform::debugPrintf("report with %s %u ignored", b1 == 2 ? "DPI stage" : "profile", b2);
            return action;
        }
        action.kind = ReportAction::Kind::NotifyPanel;
        action.wParam = b1 == 2 ? msg::kChangedDpiStage
                      : b1 == 1 ? msg::kChangedProfile
                                : msg::kChangedLighting;
        action.lParam = b2;
        return action;
    }
    if (b1 != 255) return action;

    if (b2 == 23 || b2 == 24) {
        // In 64 bits: a current profile at either end of the int range steps without overflow.
        const int p = static_cast<int>(std::clamp<int64_t>(int64_t{currentProfile} + (b2 == 23 ? 1 : -1), 0, 4));
        action.kind = ReportAction::Kind::ProfileStep;
        action.newProfile = p;
        action.wParam = msg::kChangedProfile;
        action.lParam = p;
    } else if ((b2 >= 64 && b2 <= 72) || (b2 >= 80 && b2 <= 85)) {
        action.kind = ReportAction::Kind::SoftwareAction;
        action.functionCode = b2;
    }
    return action;
}
