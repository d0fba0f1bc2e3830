#pragma once
// korvantectl's commands: argument parsing, validation, the edits of "Mouse.ini" and the macro
// files through the settings store, and the message each change sends, exactly as the
// configuration window sends it. The bus is behind an interface, so the whole logic runs in unit
// tests without one.
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace ctl {

// Exit codes.
inline constexpr int kExitDone = 0;
inline constexpr int kExitRefused = 1;       // nothing changed; the reason is on standard error
inline constexpr int kExitNotDelivered = 2;  // saved, but the service or the mouse is not there
inline constexpr int kExitWriteFailed = 3;   // saved and written, but the mouse did not keep it

// The windows korvantectl talks to (FindWindowW, PostMessageW, SendMessageW).
class Bus {
public:
    virtual ~Bus() = default;
    virtual bool exists(const std::string& title) = 0;
    virtual bool post(const std::string& title, uint32_t message, int64_t wParam, int64_t lParam) = 0;
    // Waits for the handler; its result goes to *result (when not null).
    virtual bool send(const std::string& title, uint32_t message, int64_t wParam, int64_t lParam,
                      int64_t* result = nullptr) = 0;
};

struct Paths {
    std::string settings;     // "Mouse.ini"
    std::string macroFolder;  // "Macro"
    std::string strings;      // "Strings.xml" (texts of the window's labels and warnings)
};

struct Result {
    int exitCode = kExitDone;
    std::string out;  // standard output
    std::string err;  // standard error
};

// Runs one command line (without the program name).
Result run(const std::vector<std::string>& args, const Paths& paths, Bus& bus);

// Value parsers with the window's ranges (exposed for tests). False with a reason.
// DPI 100..16000 in multiples of 50 → the mouse's steps (2..320).
bool parseDpi(std::string_view text, int* steps, std::string* error);
// "RRGGBB" or "#RRGGBB" → the stored colour (red in the low byte).
bool parseColor(std::string_view text, int32_t* colour, std::string* error);
// A macro name that the macro folder, "MACRO_LIST" and a button record can all hold.
bool checkMacroName(std::string_view name, std::string* error);

// Help text of a command ("" for the overview).
std::string helpText(std::string_view command);

}  // namespace ctl
