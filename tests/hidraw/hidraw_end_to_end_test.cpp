// The "hidraw" backend (hidapi, the libudev monitor, the reader threads) against the virtual
// mouse's device model presented as kernel hidraw nodes by umockdev.
#include "service/device/device_link.h"
#include "service/device/hidraw_transport.h"
#include "tests/hidraw/mock_mouse.h"
#include "tests/support/link_recorder.h"

#include <gtest/gtest.h>

#include <linux/capability.h>
#include <sys/syscall.h>
#include <unistd.h>

#include <atomic>
#include <string>
#include <vector>

namespace {

using hidrawtest::MockMouse;
using hidrawtest::Transfer;

constexpr uint32_t kConsumerPage = kUsagePageConsumer;
constexpr uint32_t kConfigPage = kUsagePageConfig;

std::vector<uint8_t> command(uint8_t reportId, size_t length, uint8_t cmd, uint16_t address,
                             const std::vector<uint8_t>& data) {
    std::vector<uint8_t> r(length, 0);
    r[0] = reportId;
    r[1] = cmd;
    r[2] = address & 0xFF;
    r[3] = address >> 8;
    r[4] = static_cast<uint8_t>(data.size());
    std::copy(data.begin(), data.end(), r.begin() + 8);
    return r;
}

// The calling thread's effective capabilities without the right to override file modes, so that
// a node with mode 0000 is refused even to root, as it is to a user without the udev rule.
// Capabilities belong to the thread, so the rest of the process keeps them.
class WithoutFileOverride {
public:
    WithoutFileOverride() {
        header_.version = _LINUX_CAPABILITY_VERSION_3;
        if (::syscall(SYS_capget, &header_, saved_) != 0) return;
        __user_cap_data_struct reduced[2] = {saved_[0], saved_[1]};
        reduced[0].effective &= ~((1u << CAP_DAC_OVERRIDE) | (1u << CAP_DAC_READ_SEARCH));
        ok_ = ::syscall(SYS_capset, &header_, reduced) == 0;
    }
    ~WithoutFileOverride() {
        if (ok_) ::syscall(SYS_capset, &header_, saved_);
    }
    bool ok() const { return ok_; }

private:
    __user_cap_header_struct header_{};
    __user_cap_data_struct saved_[2]{};
    bool ok_ = false;
};

class HidrawEndToEnd : public ::testing::Test {
protected:
    void SetUp() override {
        if (!hidrawtest::preloadActive()) GTEST_SKIP() << hidrawtest::kNoPreload;
        ASSERT_TRUE(mouse_.ready()) << "the umockdev test bed could not be made";
        device_.setFilter(mouseDeviceFilter());  // the service's own filter
        device_.setInputCallback([this](int, const uint8_t* data, int length) { rec_.input(data, length); });
    }
    void TearDown() override {
        device_.close();
        EXPECT_TRUE(mouse_.unknownRequests().empty()) << "an ioctl the test bed does not emulate";
    }

    void openLink() { ASSERT_TRUE(device_.registerLink([this](const CollectionRecord& r) { rec_.record(r); })); }

    bool send(uint32_t id, const std::vector<uint8_t>& report) {
        return device_.sendFeatureReport(id, report.data(), static_cast<int>(report.size()));
    }
    bool write(uint32_t id, uint16_t address, const std::vector<uint8_t>& data) {
        return send(id, command(2, 16, 0xF3, address, data));
    }

    MockMouse mouse_;
    HidrawTransport device_;
    testsupport::LinkRecorder rec_;
};

TEST_F(HidrawEndToEnd, OpensTheMouseCollectionsOnlyAndMovesReportsUnchanged) {
    ASSERT_TRUE(mouse_.plug());
    openLink();
    ASSERT_TRUE(rec_.waitRecords(2));
    auto records = rec_.snapshot();
    ASSERT_EQ(records.size(), 2u);  // not the boot mouse interface, not the look-alike
    EXPECT_EQ(records[0].event, 1u);
    EXPECT_EQ(records[1].event, 1u);
    uint32_t config = rec_.newestId(kConfigPage), consumer = rec_.newestId(kConsumerPage);
    ASSERT_NE(config, 0u);
    ASSERT_NE(consumer, 0u);
    EXPECT_NE(config, consumer);

    // Each feature report reaches the configuration node whole, with its own length.
    std::vector<std::vector<uint8_t>> reports = {
        command(2, 16, 0xF3, 0x002C, {3, 0}),
        command(3, 64, 0xF3, 0x0020, {3, 0, 3, 0, 3, 0, 3, 0, 3, 0}),
        command(4, 1024, 0xF3, 0x0100, std::vector<uint8_t>(200, 0x5A)),
        command(2, 16, 0xF1, 0x0102, {}),
    };
    for (auto& r : reports) EXPECT_TRUE(send(config, r));
    auto log = mouse_.transfers();
    ASSERT_EQ(log.size(), reports.size());
    for (size_t i = 0; i < reports.size(); ++i) {
        EXPECT_EQ(log[i].node, mouse_.configNode());
        EXPECT_EQ(log[i].kind, 'S');
        EXPECT_EQ(log[i].bytes, reports[i]) << "report " << i;
    }
    EXPECT_EQ(mouse_.peek(0x002C, 2), (std::vector<uint8_t>{3, 0}));
    EXPECT_EQ(mouse_.peek(0x0100, 200), std::vector<uint8_t>(200, 0x5A));

    // A read: the request, then the answer fetched with a get-feature of the same length.
    mouse_.poke(0x0446, {0x10, 0x00, 0x81});
    for (auto [id, length] : {std::pair<uint8_t, int>{2, 16}, {3, 64}}) {
        EXPECT_TRUE(send(config, command(id, length, 0xF2, 0x0446, {0, 0, 0})));
        std::vector<uint8_t> answer(length, 0);
        answer[0] = id;
        answer[1] = 0xF2;
        ASSERT_TRUE(device_.getFeatureReport(config, answer.data(), length));
        EXPECT_EQ(answer[0], id);
        EXPECT_EQ(std::vector<uint8_t>(answer.begin() + 8, answer.begin() + 11), (std::vector<uint8_t>{0x10, 0, 0x81}));
        EXPECT_EQ(mouse_.transfers().back().bytes.size(), static_cast<size_t>(length));
    }

    // Output reports go to the consumer node; each collection refuses the other's reports.
    mouse_.clearTransfers();
    const std::vector<uint8_t> output = {7, 4, 1, 0x40, 0, 0, 0, 0};
    EXPECT_TRUE(device_.sendOutputReport(consumer, output.data(), 8));
    EXPECT_FALSE(device_.sendOutputReport(config, output.data(), 8));
    EXPECT_FALSE(write(consumer, 0x002C, {4, 0}));
    EXPECT_FALSE(write(0, 0x002C, {4, 0}));
    log = mouse_.transfers();
    ASSERT_GE(log.size(), 1u);
    EXPECT_EQ(log[0].node, mouse_.consumerNode());
    EXPECT_EQ(log[0].kind, 'W');
    EXPECT_EQ(log[0].bytes, output);
    EXPECT_EQ(mouse_.peek(0x002C, 1), (std::vector<uint8_t>{3}));
}

TEST_F(HidrawEndToEnd, InputReportsReachTheCallbackWhichMayTransfer) {
    ASSERT_TRUE(mouse_.plug());
    std::atomic<int> transfersOk{0};
    std::atomic<uint32_t> config{0};
    device_.setInputCallback([&](int id, const uint8_t* data, int length) {
        if (id == 8 && length >= 3 && data[1] == 0xFF && data[2] == 23) {
            // The profile write the service makes from the input callback itself.
            auto r = command(2, 16, 0xF3, 0x002C, {4, 0});
            if (device_.sendFeatureReport(config.load(), r.data(), 16)) ++transfersOk;
        }
        rec_.input(data, length);  // last, so that a waiting test sees the transfer done
    });
    openLink();
    ASSERT_TRUE(rec_.waitRecords(2));
    config = rec_.newestId(kConfigPage);
    const std::vector<std::vector<uint8_t>> reports = {
        {0x08, 0x01, 0x03, 0, 0, 0, 0, 0},  // profile chosen on the mouse
        {0x08, 0x02, 0x04, 0, 0, 0, 0, 0},  // DPI stage
        {0x08, 0x09, 0x08, 0, 0, 0, 0, 0},  // lighting mode
        {0x08, 0xFF, 0x46, 0, 0, 0, 0, 0},  // function code 70
        {0x08, 0xFF, 0x17, 0, 0, 0, 0, 0},  // profile up
    };
    for (auto& r : reports) mouse_.input(r);
    ASSERT_TRUE(rec_.waitInputs(reports.size()));
    {
        std::lock_guard<std::mutex> lock(rec_.mutex);
        EXPECT_EQ(rec_.inputs, reports);  // one report per read, in order, none merged
    }
    EXPECT_EQ(transfersOk.load(), 1);
    EXPECT_EQ(mouse_.peek(0x002C, 2), (std::vector<uint8_t>{4, 0}));
}

TEST_F(HidrawEndToEnd, UnplugAndReplugReportTheCollectionsWithNewIds) {
    openLink();  // registered before the mouse arrives: the udev monitor finds it
    EXPECT_TRUE(rec_.snapshot().empty());
    ASSERT_TRUE(mouse_.plug());
    ASSERT_TRUE(rec_.waitRecords(2));
    uint32_t oldConfig = rec_.newestId(kConfigPage);
    ASSERT_TRUE(write(oldConfig, 0x0100, {0xAB}));

    mouse_.unplug();
    ASSERT_TRUE(rec_.waitRecords(4));
    auto records = rec_.snapshot();
    ASSERT_EQ(records.size(), 4u);  // each collection closed once
    EXPECT_EQ(records[2].event, 0u);
    EXPECT_EQ(records[3].event, 0u);
    EXPECT_EQ(records[2].deviceId + records[3].deviceId, records[0].deviceId + records[1].deviceId);
    EXPECT_FALSE(write(oldConfig, 0x0100, {0xCD}));

    ASSERT_TRUE(mouse_.plug());
    ASSERT_TRUE(rec_.waitRecords(6));
    records = rec_.snapshot();
    EXPECT_EQ(records[4].event, 1u);
    EXPECT_EQ(records[5].event, 1u);
    uint32_t newConfig = rec_.newestId(kConfigPage);
    EXPECT_NE(newConfig, oldConfig);
    EXPECT_FALSE(write(oldConfig, 0x0100, {0xCD}));
    EXPECT_TRUE(write(newConfig, 0x0100, {0xCD}));
    EXPECT_EQ(mouse_.peek(0x0100, 1), (std::vector<uint8_t>{0xCD}));
    EXPECT_EQ(mouse_.transfers().back().node, mouse_.configNode());
}

// Without the udev rule the node cannot be opened (mode 0000, or read-only: the configuration
// needs writes); the diagnostics line names the node and the rule, the other node still opens.
TEST_F(HidrawEndToEnd, NodeWithoutPermissionIsNamedWithTheUdevRule) {
    for (unsigned mode : {0000u, 0444u}) {
        SCOPED_TRACE(mode);
        ASSERT_TRUE(mouse_.plug());
        ASSERT_TRUE(mouse_.setMode(mouse_.configNode(), mode));
        testsupport::LinkRecorder rec;
        testing::internal::CaptureStderr();
        {
            WithoutFileOverride restricted;
            ASSERT_TRUE(restricted.ok());
            ASSERT_TRUE(device_.registerLink([&rec](const CollectionRecord& r) { rec.record(r); }));
        }
        std::string log = testing::internal::GetCapturedStderr();
        EXPECT_NE(log.find("cannot open " + mouse_.configNode() +
                           ": Permission denied; install the udev rule 70-korvante.rules"),
                  std::string::npos)
            << log;
        auto records = rec.snapshot();
        ASSERT_EQ(records.size(), 1u);
        EXPECT_EQ(records[0].usagePage, kConsumerPage);
        device_.close();
        mouse_.unplug();
    }
}

}  // namespace
