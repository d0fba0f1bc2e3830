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

}  // namespace

int main(int argc, char** argv) {
#ifndef KORVANTE_SANITIZED
    if (!hidrawtest::preloadActive()) {
        const char* old = std::getenv("LD_PRELOAD");
        std::string preload = old && *old ? std::string(kPreload) + ":" + old : kPreload;
        ::setenv("LD_PRELOAD", preload.c_str(), 1);
        ::execv("/proc/self/exe", argv);
        std::perror("cannot start again with umockdev's preload library");
        return 1;
    }
#endif
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
