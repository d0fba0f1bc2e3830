// korvantectl: the mouse's settings from the command line. Everything but the bus and the
// process's folders lives in commands.cpp.
#include <cstdio>
#include <string>
#include <vector>

#include "platform/known_folders.h"
#include "platform/message_bus.h"
#include "tools/korvantectl/commands.h"

namespace {

class MessageBus final : public ctl::Bus {
public:
    bool exists(const std::string& title) override { return platform::findWindow(title); }
    bool post(const std::string& title, uint32_t message, int64_t wParam, int64_t lParam) override {
        return platform::postMessage(title, message, wParam, lParam);
    }
    bool send(const std::string& title, uint32_t message, int64_t wParam, int64_t lParam,
              int64_t* result) override {
        return platform::sendMessage(title, message, wParam, lParam, result);
    }
};

}  // namespace

int main(int argc, char** argv) {
    const std::vector<std::string> args(argv + 1, argv + argc);
    const ctl::Paths paths{platform::settingsPath(), platform::macroFolder(), platform::stringsPath()};
    MessageBus bus;
    const ctl::Result result = ctl::run(args, paths, bus);
    std::fputs(result.out.c_str(), stdout);
    std::fputs(result.err.c_str(), stderr);
    return result.exitCode;
}
