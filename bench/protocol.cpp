// Measures the protocol's own cost: a full write of a profile set with six macro buttons and a
// full read-back, against an in-memory mouse. The specified waits (100 ms per session, 10 ms per
// legacy report) are injected as no-ops but counted, so the printed times are the time spent
// outside them.
#include <stdlib.h>

#include <chrono>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <memory>
#include <string>

#include "service/device/config_protocol.h"
#include "service/macro_transfer.h"
#include "shared/macro_file.h"

namespace {

// A mouse in memory: applies memory writes and answers memory reads.
class MemoryMouse : public HidDevice {
public:
    uint8_t memory[8192] = {};
    void setFilter(const DeviceFilter&) override {}
    void setInputCallback(InputCallback) override {}
    bool registerLink(LinkCallback) override { return true; }
    void close() override {}
    bool sendOutputReport(uint32_t, const uint8_t*, int) override { return true; }
    bool sendFeatureReport(uint32_t, const uint8_t* d, int length) override {
        if (length < 8) return true;
        const int addr = d[2] | (d[3] << 8);
        if (d[1] == 0xF3 && addr + d[4] <= 8192 && 8 + d[4] <= length) std::memcpy(memory + addr, d + 8, d[4]);
        if (d[1] == 0xF2) {
            pendingAddr_ = addr;
            pendingCount_ = d[4];
        }
        return true;
    }
    bool getFeatureReport(uint32_t, uint8_t* d, int length) override {
        for (int i = 0; i < pendingCount_ && 8 + i < length; ++i) d[8 + i] = memory[(pendingAddr_ + i) % 8192];
        return true;
    }

private:
    int pendingAddr_ = 0;
    int pendingCount_ = 0;
};

void fill(MouseSettings& s) {
    std::memset(&s, 0, sizeof s);
    static const uint8_t codes[kButtonRecordCount] = {1, 2, 3, 10, 11, 12, 13, 100, 102, 0, 0};
    for (int p = 0; p < kProfileCount; ++p)
        for (int b = 0; b < kButtonRecordCount; ++b) {
            s.profiles[p].buttons[b].owner = static_cast<uint8_t>(b + 1);
            s.profiles[p].buttons[b].code = codes[b];
        }
    for (int i = 0; i < kDpiStageCount; ++i) s.dpiStages[i] = {0, 10 << i, 10 << i, 10 << i};
    for (int i = 0; i < kLedModeCount; ++i) s.ledModes[i] = {0, 4, 9};
    s.LedMode = 2;
    s.LedStateOn = 1;
    s.LedColor = 255;
    s.PollingRate = 2;
    s.WheelScrollLines = 1;
    s.DPI = 1;
    // Six macro buttons using three macros.
    const char16_t* names[3] = {u"Combo", u"Burst", u"Reload"};
    for (int i = 0; i < 6; ++i) {
        ButtonRecord& r = s.profiles[i % kProfileCount].buttons[3 + i / kProfileCount];
        r.code = 6;
        r.param2 = 0x40;
        for (int k = 0; names[i % 3][k]; ++k) r.name[k] = names[i % 3][k];
    }
}

double msSince(std::chrono::steady_clock::time_point t0) {
    return std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - t0).count();
}

}  // namespace

int main() {
    char tmpl[] = "/tmp/korvante-bench-XXXXXX";
    if (!mkdtemp(tmpl)) return 1;
    const std::string root = tmpl;
    MacroPaths paths{root + "/Mouse.ini", root + "/Macro", root + "/Strings.xml"};
    std::filesystem::create_directories(paths.macroFolder);
    macro::Block block{};
    for (size_t i = 0; i < block.size(); ++i) block[i] = static_cast<uint8_t>(i % 3 == 0 ? 0x84 : 4);
    for (const char* name : {"Combo", "Burst", "Reload"})
        macro::writeMacroFile(paths.macroFolder + "/" + name + ".macro", 60, 1, block);

    MemoryMouse mouse;
    DeviceLink link;
    link.handleLinkMessage(1, {1, 1, 0, kUsagePageConsumer});
    link.handleLinkMessage(1, {1, 2, 0, kUsagePageConfig});
    auto settings = std::make_unique<MouseSettings>();
    fill(*settings);
    DeviceConfig config(mouse, link, *settings);
    config.setWaitFunction([](int) {});
    MacroTransfer macros(config, paths);
    macros.attach();

    const int rounds = 50;
    auto t0 = std::chrono::steady_clock::now();
    for (int i = 0; i < rounds; ++i) {
        config.resetStats();
        config.openSession();
        config.sendAll();
        config.closeSession();
    }
    const double writeMs = msSince(t0) / rounds;
    const TransferStats w = config.stats();
    std::printf("full write (6 macro buttons, 3 macros): %llu reports, %.3f ms outside %llu ms of waits\n",
                static_cast<unsigned long long>(w.reportsSent()), writeMs,
                static_cast<unsigned long long>(w.waitedMs));

    t0 = std::chrono::steady_clock::now();
    for (int i = 0; i < rounds; ++i) {
        config.resetStats();
        config.queryAll();
    }
    const double readMs = msSince(t0) / rounds;
    const TransferStats r = config.stats();
    std::printf("full read-back (20 macro slots): %llu reports, %llu reads, %.3f ms outside %llu ms of waits\n",
                static_cast<unsigned long long>(r.reportsSent()), static_cast<unsigned long long>(r.featureReads),
                readMs, static_cast<unsigned long long>(r.waitedMs));

    std::error_code ec;
    std::filesystem::remove_all(root, ec);
    return 0;
}
