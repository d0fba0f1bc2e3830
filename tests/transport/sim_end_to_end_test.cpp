// Drives a real "mousesim serve" through the sim backend, in private runtime and config folders.
#include "service/device/hid_device.h"
#include "tests/support/link_recorder.h"
#include "tests/support/private_session.h"

#include <gtest/gtest.h>

#include <signal.h>
#include <stdlib.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <condition_variable>
#include <cstdio>
#include <fstream>
#include <iterator>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

namespace {

const std::string kMousesim = std::string(KORVANTE_BIN_DIR) + "/mousesim";

using Recorder = testsupport::LinkRecorder;

class SimEndToEnd : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(env_.ready());
        env_.set("KORVANTE_TRANSPORT", "sim");
    }

    // The session folder and the environment go afterwards, with env_.
    void TearDown() override {
        if (device_) device_->close();
        device_.reset();
        stopSim();
    }

    void startSim() {
        pid_ = ::fork();
        if (pid_ == 0) {
            ::execl(kMousesim.c_str(), "mousesim", "serve", static_cast<char*>(nullptr));
            ::_exit(127);
        }
    }

    int stopSim() {
        if (pid_ <= 0) return -1;
        ::kill(pid_, SIGTERM);
        int status = 0;
        ::waitpid(pid_, &status, 0);
        pid_ = -1;
        return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    }

    // Runs a mousesim client command; returns its exit status, standard output in `out`.
    int sim(const std::string& args, std::string* out = nullptr) {
        std::string cmd = "'" + kMousesim + "' " + args + " 2>/dev/null";
        FILE* pipe = ::popen(cmd.c_str(), "r");
        if (!pipe) return -1;
        std::string text;
        char buffer[4096];
        size_t n;
        while ((n = std::fread(buffer, 1, sizeof buffer, pipe)) > 0) text.append(buffer, n);
        int status = ::pclose(pipe);
        if (out) *out = text;
        return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    }

    void openLink() {
        device_ = createHidDevice();
        DeviceFilter f;
        f.vendorId = 0x04D9;
        f.productId = 0xF307;
        f.collectionCount = 2;
        f.usage1 = 1;
        f.usagePage1 = 0x000C;
        f.usage2 = 1;
        f.usagePage2 = 0xFFA0;
        device_->setFilter(f);
        device_->setInputCallback([this](int, const uint8_t* data, int length) { rec_.input(data, length); });
        ASSERT_TRUE(device_->registerLink([this](const CollectionRecord& r) { rec_.record(r); }));
    }

    uint32_t newestId(uint32_t usagePage) { return rec_.newestId(usagePage); }

    bool write(uint32_t id, uint16_t address, std::vector<uint8_t> data) {
        std::vector<uint8_t> r(16, 0);
        r[0] = 2;
        r[1] = 0xF3;
        r[2] = address & 0xFF;
        r[3] = address >> 8;
        r[4] = static_cast<uint8_t>(data.size());
        std::copy(data.begin(), data.end(), r.begin() + 8);
        return device_->sendFeatureReport(id, r.data(), 16);
    }

    testsupport::PrivateEnvironment env_{"korvante-simtest"};
    pid_t pid_ = -1;
    std::unique_ptr<HidDevice> device_;
    Recorder rec_;
};

TEST_F(SimEndToEnd, ClientCommandsFailWhenNoMouseRuns) {
    for (const char* args : {"stats", "reset-stats", "plug", "unplug", "dump 0 4", "poke 0 01", "report 08 01 02"})
        EXPECT_EQ(sim(args), 1) << args;
    EXPECT_EQ(sim("dump 0"), 2);  // a usage error is told apart
}

TEST_F(SimEndToEnd, LinkRecordsTransfersDumpAndStats) {
    startSim();
    openLink();
    ASSERT_TRUE(rec_.waitRecords(2));
    auto records = rec_.snapshot();
    EXPECT_EQ(records[0].event, 1u);
    EXPECT_EQ(records[0].usagePage, 0x000Cu);
    EXPECT_EQ(records[1].event, 1u);
    EXPECT_EQ(records[1].usagePage, 0xFFA0u);
    uint32_t config = newestId(0xFFA0), consumer = newestId(0x000C);
    EXPECT_NE(config, consumer);

    std::string out;
    ASSERT_EQ(sim("dump 0x2c 2", &out), 0);
    EXPECT_EQ(out, "00 00\n");  // the factory image
    ASSERT_TRUE(write(config, 0x002C, {3, 0}));
    ASSERT_EQ(sim("dump 0x2c 2", &out), 0);
    EXPECT_EQ(out, "03 00\n");

    uint8_t read[16] = {2, 0xF2, 0x3E, 0x00, 2};
    ASSERT_TRUE(device_->sendFeatureReport(config, read, 16));
    uint8_t answer[16] = {2, 0xF2};
    ASSERT_TRUE(device_->getFeatureReport(config, answer, 16));
    EXPECT_EQ(answer[8], 0x01);
    EXPECT_EQ(answer[9], 0x00);

    // Feature reports belong to the configuration collection, output reports to the consumer one.
    EXPECT_FALSE(write(consumer, 0x002C, {4, 0}));
    EXPECT_FALSE(write(0, 0x002C, {4, 0}));
    uint8_t output[8] = {1, 2, 3, 4, 5, 6, 7, 8};
    EXPECT_TRUE(device_->sendOutputReport(consumer, output, 8));
    EXPECT_FALSE(device_->sendOutputReport(config, output, 8));
    ASSERT_EQ(sim("stats", &out), 0);
    EXPECT_EQ(out, "feature_reports 2\noutput_reports 1\nfeature_reads 1\nsessions 0\ncommits 0\n");
    ASSERT_EQ(sim("reset-stats"), 0);
    ASSERT_EQ(sim("stats", &out), 0);
    EXPECT_EQ(out, "feature_reports 0\noutput_reports 0\nfeature_reads 0\nsessions 0\ncommits 0\n");

    ASSERT_EQ(sim("poke 0x1000 de ad be ef"), 0);
    ASSERT_EQ(sim("dump 4096 4", &out), 0);
    EXPECT_EQ(out, "de ad be ef\n");
    EXPECT_EQ(sim("dump 8190 4"), 1);
}

TEST_F(SimEndToEnd, InputReportsReachTheCallbackAndMayTransferFromIt) {
    startSim();
    std::atomic<int> transfersOk{0};
    device_ = createHidDevice();
    HidDevice* raw = device_.get();
    device_->setInputCallback([&, raw](int id, const uint8_t* data, int length) {
        rec_.input(data, length);
        if (id == 8 && length >= 3 && data[2] == 23) {
            // The profile write the service makes from the input callback itself.
            uint8_t r[16] = {2, 0xF3, 0x2C, 0x00, 2, 0, 0, 0, 4, 0};
            if (raw->sendFeatureReport(2, r, 16)) ++transfersOk;
        }
    });
    ASSERT_TRUE(device_->registerLink([this](const CollectionRecord& r) { rec_.record(r); }));
    ASSERT_TRUE(rec_.waitRecords(2));
    ASSERT_EQ(sim("report 08 ff 46"), 0);
    ASSERT_TRUE(rec_.waitInputs(1));
    EXPECT_EQ(rec_.inputs[0], (std::vector<uint8_t>{0x08, 0xFF, 0x46}));
    ASSERT_EQ(sim("report 08 ff 17"), 0);
    ASSERT_TRUE(rec_.waitInputs(2));
    std::string out;
    ASSERT_EQ(sim("dump 0x2c 1", &out), 0);  // answered after the callback's transfer
    EXPECT_EQ(out, "04\n");
    EXPECT_EQ(transfersOk.load(), 1);
}

TEST_F(SimEndToEnd, UnplugAndPlugReportNewCollections) {
    startSim();
    openLink();
    ASSERT_TRUE(rec_.waitRecords(2));
    uint32_t oldConfig = newestId(0xFFA0);
    ASSERT_EQ(sim("unplug"), 0);
    ASSERT_TRUE(rec_.waitRecords(4));
    auto records = rec_.snapshot();
    EXPECT_EQ(records[2].event, 0u);
    EXPECT_EQ(records[3].event, 0u);
    EXPECT_EQ(records[3].deviceId, oldConfig);
    EXPECT_FALSE(write(oldConfig, 0x002C, {1, 0}));
    EXPECT_EQ(sim("report 08 ff 46"), 1);  // an unplugged mouse sends nothing

    ASSERT_EQ(sim("plug"), 0);
    ASSERT_TRUE(rec_.waitRecords(6));
    records = rec_.snapshot();
    EXPECT_EQ(records[4].event, 1u);
    EXPECT_EQ(records[5].event, 1u);
    uint32_t newConfig = newestId(0xFFA0);
    EXPECT_NE(newConfig, oldConfig);
    EXPECT_FALSE(write(oldConfig, 0x002C, {1, 0}));
    EXPECT_TRUE(write(newConfig, 0x002C, {1, 0}));
}

TEST_F(SimEndToEnd, BackendWaitsForTheMouseAndFollowsItsRestart) {
    openLink();
    EXPECT_EQ(rec_.snapshot().size(), 0u);
    uint8_t r[16] = {2, 0xF5, 0};
    EXPECT_FALSE(device_->sendFeatureReport(2, r, 16));

    startSim();
    ASSERT_TRUE(rec_.waitRecords(2));
    uint32_t config = newestId(0xFFA0);
    ASSERT_TRUE(write(config, 0x0100, {0xAB}));
    EXPECT_EQ(stopSim(), 0);
    ASSERT_TRUE(rec_.waitRecords(4));  // the mouse vanished with mousesim
    EXPECT_EQ(rec_.snapshot()[3].event, 0u);
    EXPECT_FALSE(write(config, 0x0100, {0xCD}));

    startSim();
    ASSERT_TRUE(rec_.waitRecords(6));
    EXPECT_EQ(rec_.snapshot()[5].event, 1u);
    std::string out;
    ASSERT_EQ(sim("dump 0x100 1", &out), 0);
    EXPECT_EQ(out, "ab\n");  // the memory outlived the restart
    EXPECT_TRUE(write(newestId(0xFFA0), 0x0100, {0xCD}));
}

TEST_F(SimEndToEnd, MemoryChangesReachTheFileWhileTheMouseRuns) {
    const std::string memoryFile = env_.configHome() + "/korvante-mousesim/memory.bin";
    auto byteAt = [&](size_t address) {
        std::ifstream in(memoryFile, std::ios::binary);
        std::vector<char> bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
        return address < bytes.size() ? static_cast<uint8_t>(bytes[address]) : uint8_t{0};
    };
    startSim();
    openLink();
    ASSERT_TRUE(rec_.waitRecords(2));

    // A write outside a session is saved after a short delay, with no further traffic.
    ASSERT_TRUE(write(newestId(0xFFA0), 0x0100, {0x5A}));
    for (int i = 0; i < 1000 && byteAt(0x100) != 0x5A; ++i)
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    EXPECT_EQ(byteAt(0x100), 0x5A);

    // A poke is in the file by the time the command answers.
    ASSERT_EQ(sim("poke 0x1000 c3"), 0);
    EXPECT_EQ(byteAt(0x1000), 0xC3);
    EXPECT_EQ(stopSim(), 0);
}

}  // namespace
