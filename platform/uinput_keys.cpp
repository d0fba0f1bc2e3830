#include "platform/uinput_keys.h"

#include <errno.h>
#include <fcntl.h>
#include <linux/uinput.h>
#include <sys/ioctl.h>
#include <unistd.h>

#include <cstring>

#include "platform/diagnostics.h"
#include "platform/vk_keysym.h"

namespace platform {
namespace {

bool writeAll(int fd, const void* data, size_t size) {
    const char* p = static_cast<const char*>(data);
    while (size > 0) {
        ssize_t n = ::write(fd, p, size);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) return false;
        p += n;
        size -= static_cast<size_t>(n);
    }
    return true;
}

bool setUp(int fd) {
    if (ioctl(fd, UI_SET_EVBIT, EV_KEY) < 0 || ioctl(fd, UI_SET_EVBIT, EV_SYN) < 0) return false;
    for (const VirtualKeyMapping& m : virtualKeyTable())
        if (ioctl(fd, UI_SET_KEYBIT, static_cast<int>(m.linuxCode)) < 0) return false;
    uinput_setup setup{};
    setup.id.bustype = BUS_VIRTUAL;
    setup.id.vendor = 0x04D9;
    setup.id.product = 0xF307;
    std::strncpy(setup.name, "KORVANTE virtual keyboard", UINPUT_MAX_NAME_SIZE - 1);
    if (ioctl(fd, UI_DEV_SETUP, &setup) < 0) return false;
    return ioctl(fd, UI_DEV_CREATE) >= 0;
}

}  // namespace

std::unique_ptr<UinputKeySynthesizer> UinputKeySynthesizer::create(const std::string& path) {
    int fd = ::open(path.c_str(), O_WRONLY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0) {
        debugPrintf("key synthesis: cannot open %s: %s", path.c_str(), std::strerror(errno));
        return nullptr;
    }
    if (!setUp(fd)) {
        debugPrintf("key synthesis: %s refused the virtual keyboard: %s", path.c_str(),
                    std::strerror(errno));
        ::close(fd);
        return nullptr;
    }
    return std::unique_ptr<UinputKeySynthesizer>(new UinputKeySynthesizer(fd));
}

UinputKeySynthesizer::~UinputKeySynthesizer() {
    ioctl(fd_, UI_DEV_DESTROY);
    ::close(fd_);
}

bool UinputKeySynthesizer::keyEvent(uint8_t virtualKey, uint32_t flags) {
    uint16_t code = linuxKeyCodeForVirtualKey(virtualKey);
    if (code == 0) {
        debugPrintf("key synthesis: no key for virtual key %u", virtualKey);
        return false;
    }
    input_event events[2]{};
    events[0].type = EV_KEY;
    events[0].code = code;
    events[0].value = (flags & kKeyEventKeyUp) ? 0 : 1;
    events[1].type = EV_SYN;
    events[1].code = SYN_REPORT;
    events[1].value = 0;
    std::lock_guard lock(mutex_);
    if (!writeAll(fd_, events, sizeof events)) {
        debugPrintf("key synthesis: uinput write failed: %s", std::strerror(errno));
        return false;
    }
    return true;
}

}  // namespace platform
