// The hidraw tests run with umockdev's preload library, which redirects /sys, /dev and the udev
// netlink socket into the test bed. A run without it starts the program again with it (what
// umockdev-wrapper does), so ctest and a plain run from the shell both work.
#include "tests/hidraw/mock_mouse.h"

#include <gtest/gtest.h>

#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <string>

namespace {

constexpr const char* kPreload = "libumockdev-preload.so.0";

// Prepends `value` to the list in the variable (separator `sep`).
void prepend(const char* name, const std::string& value, char sep) {
    const char* old = std::getenv(name);
    std::string list = old && *old ? value + sep + old : value;
    ::setenv(name, list.c_str(), 1);
}

}  // namespace

int main(int argc, char** argv) {
    if (!hidrawtest::preloadActive()) {
#if defined(__SANITIZE_ADDRESS__)
        // The preload library then comes before the sanitizer runtime, which is only checked, not
        // needed: it interposes on the C library like the runtime and calls on to it. The
        // programs the tests start (hidagent) inherit both settings.
        prepend("ASAN_OPTIONS", "verify_asan_link_order=0", ':');
#endif
        prepend("LD_PRELOAD", kPreload, ':');
        ::execv("/proc/self/exe", argv);
        std::perror("cannot start again with umockdev's preload library");
        return 1;
    }
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
