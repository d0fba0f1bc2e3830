#include "platform/uinput_keys.h"

#include <errno.h>
#include <fcntl.h>
#include <sys/ioctl.h>
#include <unistd.h>

#include <algorithm>
#include <cstring>

#include "platform/diagnostics.h"
#include "platform/key_positions.h"
#include "platform/vk_keysym.h"

namespace platform {
namespace {

class FileUinputNode final : public UinputNode {
public:
    explicit FileUinputNode(int fd) : fd_(fd) {}
    ~FileUinputNode() override { ::close(fd_); }

    bool setBit(unsigned long request, int bit) override { return ::ioctl(fd_, request, bit) >= 0; }
    bool setUp(const uinput_setup& setup) override { return ::ioctl(fd_, UI_DEV_SETUP, &setup) >= 0; }
    bool create() override { return ::ioctl(fd_, UI_DEV_CREATE) >= 0; }
    void destroy() override { ::ioctl(fd_, UI_DEV_DESTROY); }
    bool write(std::span<const input_event> events) override {
        const char* p = reinterpret_cast<const char*>(events.data());
        size_t size = events.size_bytes();
        while (size > 0) {
            const ssize_t n = ::write(fd_, p, size);
            if (n < 0 && errno == EINTR) continue;
            if (n <= 0) return false;
            p += n;
            size -= static_cast<size_t>(n);
        }
        return true;
    }

private:
    int fd_;
};

}  // namespace

std::unique_ptr<UinputNode> openUinputNode(const std::string& path) {
    const int fd = ::open(path.c_str(), O_WRONLY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0) {
        debugPrintf("key synthesis: cannot open %s: %s", path.c_str(), std::strerror(errno));
        return nullptr;
    }
    return std::make_unique<FileUinputNode>(fd);
}

std::unique_ptr<UinputKeySynthesizer> UinputKeySynthesizer::create(std::unique_ptr<UinputNode> node,
                                                                   std::unique_ptr<KeyPositions> positions,
                                                                   std::span<const uint8_t> virtualKeys) {
    if (!node) return nullptr;
    std::vector<uint8_t> keys(virtualKeys.begin(), virtualKeys.end());
    if (keys.empty())
        for (const VirtualKeyMapping& m : virtualKeyTable()) keys.push_back(m.virtualKey);

    std::vector<uint16_t> byVirtualKey(256, 0);
    std::vector<uint16_t> announced;
    for (uint8_t vk : keys) {
        const uint16_t code = positions ? positions->positionFor(vk) : linuxKeyCodeForVirtualKey(vk);
        if (code == 0) continue;
        byVirtualKey[vk] = code;
        if (std::find(announced.begin(), announced.end(), code) == announced.end()) announced.push_back(code);
    }
    std::sort(announced.begin(), announced.end());

    bool ok = node->setBit(UI_SET_EVBIT, EV_KEY) && node->setBit(UI_SET_EVBIT, EV_SYN);
    for (size_t i = 0; ok && i < announced.size(); ++i) ok = node->setBit(UI_SET_KEYBIT, announced[i]);
    if (ok) {
        uinput_setup setup{};
        setup.id.bustype = BUS_VIRTUAL;
        setup.id.vendor = 0x04D9;
        setup.id.product = 0xF307;
        std::strncpy(setup.name, kUinputDeviceName, UINPUT_MAX_NAME_SIZE - 1);
        ok = node->setUp(setup) && node->create();
    }
    if (!ok) {
        debugPrintf("key synthesis: the uinput device refused the virtual keyboard: %s", std::strerror(errno));
        return nullptr;
    }
    return std::unique_ptr<UinputKeySynthesizer>(new UinputKeySynthesizer(std::move(node), std::move(byVirtualKey)));
}

std::unique_ptr<UinputKeySynthesizer> UinputKeySynthesizer::create(const std::string& path) {
    return create(openUinputNode(path), nullptr);
}

UinputKeySynthesizer::~UinputKeySynthesizer() { node_->destroy(); }

bool UinputKeySynthesizer::keyEvent(uint8_t virtualKey, uint32_t flags) {
    const uint16_t code = positions_[virtualKey];
    if (code == 0) {
        debugPrintf("key synthesis: virtual key %u is not on the virtual keyboard", virtualKey);
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
    if (!node_->write(events)) {
        debugPrintf("key synthesis: uinput write failed: %s", std::strerror(errno));
        return false;
    }
    return true;
}

}  // namespace platform
