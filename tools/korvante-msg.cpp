// korvante-msg: talks to titled windows on the user's message bus, the way outside senders do.
//
//   korvante-msg post TITLE MSG [WPARAM [LPARAM]]   post; exit 1 when there is no such window
//   korvante-msg send TITLE MSG [WPARAM [LPARAM]]   send and print the result in decimal
//   korvante-msg find TITLE                         exit 0 when the window exists, 1 otherwise
//   korvante-msg listen TITLE                       own a window with that title and print every
//                                                   message as "MSG WPARAM LPARAM", one line each
//
// Numbers take decimal, a leading '-' and 0x hex. Bad arguments print the usage and exit 2.
// listen runs until killed; SIGTERM and SIGINT end it with exit 0. It prints WM_CLOSE and WM_QUIT
// like any other message and keeps listening.
#include "platform/event_loop.h"
#include "platform/message_bus.h"

#include <cinttypes>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <limits>
#include <string>

namespace {

int usage() {
    std::fprintf(stderr,
                 "usage: korvante-msg post TITLE MSG [WPARAM [LPARAM]]\n"
                 "       korvante-msg send TITLE MSG [WPARAM [LPARAM]]\n"
                 "       korvante-msg find TITLE\n"
                 "       korvante-msg listen TITLE\n"
                 "numbers: decimal, negative or 0x hex\n");
    return 2;
}

// Parses "[-]digits" or "[-]0xhex" in full. Magnitudes up to 2^64-1 are accepted and taken modulo
// 2^64 (so 0xFFFFFFFFFFFFFFFF is -1, as a 64-bit WPARAM would carry it).
bool parseNumber(const char* text, int64_t& out) {
    const char* p = text;
    bool negative = false;
    if (*p == '-') {
        negative = true;
        ++p;
    }
    int base = 10;
    if (p[0] == '0' && (p[1] == 'x' || p[1] == 'X')) {
        base = 16;
        p += 2;
    }
    if (*p == '\0') return false;
    uint64_t value = 0;
    for (; *p != '\0'; ++p) {
        int digit;
        if (*p >= '0' && *p <= '9') digit = *p - '0';
        else if (base == 16 && *p >= 'a' && *p <= 'f') digit = *p - 'a' + 10;
        else if (base == 16 && *p >= 'A' && *p <= 'F') digit = *p - 'A' + 10;
        else return false;
        if (value > (std::numeric_limits<uint64_t>::max() - static_cast<uint64_t>(digit)) / base) return false;
        value = value * base + static_cast<uint64_t>(digit);
    }
    if (negative) value = ~value + 1;
    out = static_cast<int64_t>(value);
    return true;
}

int listen(const std::string& title) {
    platform::EventLoop loop;
    if (!loop.valid() || !loop.handleTerminationSignals()) return 1;
    platform::Window window(loop, [](uint32_t message, int64_t wParam, int64_t lParam) -> int64_t {
        std::printf("%" PRIu32 " %" PRId64 " %" PRId64 "\n", message, wParam, lParam);
        std::fflush(stdout);
        return 0;
    });
    if (!window.create(title)) {
        std::fprintf(stderr, "korvante-msg: cannot own the window \"%s\"\n", title.c_str());
        return 1;
    }
    loop.run();
    return 0;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc < 3) return usage();
    std::string command = argv[1];
    std::string title = argv[2];

    if (command == "find") {
        if (argc != 3) return usage();
        return platform::findWindow(title) ? 0 : 1;
    }
    if (command == "listen") {
        if (argc != 3) return usage();
        return listen(title);
    }
    if (command != "post" && command != "send") return usage();
    if (argc < 4 || argc > 6) return usage();
    int64_t message = 0, wParam = 0, lParam = 0;
    if (!parseNumber(argv[3], message) || message < 0 || message > 0xFFFFFFFFLL) return usage();
    if (argc > 4 && !parseNumber(argv[4], wParam)) return usage();
    if (argc > 5 && !parseNumber(argv[5], lParam)) return usage();

    if (command == "post") {
        if (!platform::postMessage(title, static_cast<uint32_t>(message), wParam, lParam)) {
            std::fprintf(stderr, "korvante-msg: no window \"%s\"\n", title.c_str());
            return 1;
        }
        return 0;
    }
    int64_t result = 0;
    if (!platform::sendMessage(title, static_cast<uint32_t>(message), wParam, lParam, &result)) {
        std::fprintf(stderr, "korvante-msg: no answer from window \"%s\"\n", title.c_str());
        return 1;
    }
    std::printf("%" PRId64 "\n", result);
    return 0;
}
