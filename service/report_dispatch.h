#pragma once
// Classification of the mouse's input reports. Pure logic: the transport thread hands the report
// over, the service runs classifyReport() and carries out the returned action on its own thread.
#include <cstdint>
#include <string>

struct ReportAction {
    enum class Kind {
        None,
        NotifyPanel,     // post message 1285 (wParam, lParam) to the UI window
        ProfileStep,     // Profile = newProfile; write the profile with commit; post 1285 (9, newProfile)
        SoftwareAction,  // run the action engine with functionCode (64..72, 80..85)
    };
    Kind kind = Kind::None;
    int32_t wParam = 0;
    int32_t lParam = 0;
    int newProfile = 0;
    int functionCode = 0;
};

// The two diagnostics lines of every input report: "ID:%x,pBuffer=%x , Length=%x\n" (the buffer
// shown as the low 32 bits of its address) and the first nine bytes in hex. Bytes past the end of
// a short report are shown as 00; nothing past the buffer is read.
std::string reportIdLine(int reportId, const uint8_t* data, int length);
std::string reportHexLine(const uint8_t* data, int length);

// Writes both lines with platform::debugLine, then classifies the report:
//  - byte 0 = 8 and byte 1 in {2, 1, 9}: notify the UI (wParam 8, 9, 10; lParam byte 2); a stage
//    (byte 1 = 2) past 6 or a profile (byte 1 = 1) past 4 is ignored;
//  - otherwise byte 1 = 255: host function code in byte 2: 23/24 step the profile from
//    currentProfile (kept within 0..4), 64..72 and 80..85 are software actions, others nothing.
// Missing bytes of a short report count as 0.
ReportAction classifyReport(int reportId, const uint8_t* data, int length, int currentProfile);

// True for the notices to the UI (byte 0 = 8, byte 1 in {2, 1, 9}): handling one twice in a row
// changes nothing, so a copy still waiting to be handled may stand for a new one.
bool isMergeableNotice(const uint8_t* data, int length);
