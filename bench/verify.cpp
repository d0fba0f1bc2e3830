// bench_verify: the extra time of verified writes per write kind, on the virtual mouse. Runs
// "mousesim serve" in a private session and drives it through the service's own transport, device
// configuration and macro transfer (session waits injected as no-ops, so only transfers count):
// for each kind, the time of its writes and the time of reading them back and comparing, medians
// of ROUNDS runs. Target: a full write's extra time under 100 ms.
// Usage: bench_verify [ROUNDS]   (default 30)
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "bench/bench_support.h"
#include "service/device/config_protocol.h"
#include "service/device/sim_transport.h"
#include "service/device/write_verification.h"
#include "service/macro_transfer.h"
#include "shared/macro_file.h"
#include "shared/mouse_settings.h"

using namespace bench;

namespace {

double msSince(std::chrono::steady_clock::time_point t0) {
    return std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - t0).count();
}

double median(std::vector<double> v) {
    std::sort(v.begin(), v.end());
    return v.empty() ? 0 : v[v.size() / 2];
}

// Settings with three macros on six buttons, so the full write runs the macro assignment.
void addMacros(MouseSettings& s, const std::string& macroFolder) {
    std::filesystem::create_directories(macroFolder);
    macro::Block block{};
    for (size_t i = 0; i < block.size(); ++i) block[i] = static_cast<uint8_t>(i % 3 == 0 ? 0x84 : 4);
    const char16_t* names[3] = {u"Combo", u"Burst", u"Reload"};
    for (const char* name : {"Combo", "Burst", "Reload"})
        macro::writeMacroFile(macroFolder + "/" + name + ".macro", 60, 1, block);
    for (int i = 0; i < 6; ++i) {
        ButtonRecord& r = s.profiles[i % kProfileCount].buttons[3 + i / kProfileCount];
        r.code = 6;
        std::fill(std::begin(r.name), std::end(r.name), u'\0');
        for (int k = 0; names[i % 3][k]; ++k) r.name[k] = names[i % 3][k];
    }
}

}  // namespace

int main(int argc, char** argv) {
    const int rounds = argc > 1 ? std::max(1, std::atoi(argv[1])) : 30;
    const std::string bin = binDir();
    Session session("verify");
    if (!session.ready()) return 1;
    pid_t mouse = spawn({bin + "/mousesim", "serve"}, "", session.root() + "/mousesim.log");
    if (mouse <= 0 || !waitUntil(5000, [&] { return run({bin + "/mousesim", "stats"}) == 0; })) {
        std::fprintf(stderr, "mousesim did not start (%s)\n", bin.c_str());
        return 1;
    }

    SimTransport transport;
    DeviceLink link;
    auto settings = std::make_unique<MouseSettings>();
    settings::shippedDefaults(*settings);
    const std::string macroFolder = session.root() + "/Macro";
    addMacros(*settings, macroFolder);
    DeviceConfig config(transport, link, *settings);
    config.setWaitFunction([](int) {});
    MacroTransfer macros(config, {session.settingsPath(), macroFolder, bin + "/Strings.xml"});
    macros.attach();
    macro::writeListSlot(session.settingsPath(), 0, "Combo");

    std::atomic<size_t> collections{0};
    link.open(
        transport, [](int, const uint8_t*, int) {},
        [&](const CollectionRecord& r) {
            link.handleLinkMessage(1, r);
            collections = link.collectionCount();
        });
    if (!waitUntil(5000, [&] { return collections.load() >= 2; })) {
        std::fprintf(stderr, "the virtual mouse's collections did not arrive\n");
        ::kill(mouse, SIGTERM);
        return 1;
    }

    struct Kind {
        const char* name;
        std::function<void()> writes;
    };
    const Kind kinds[] = {
        {"full write (6 macro buttons, 3 macros)", [&] { config.sendAll(); }},
        {"lighting", [&] { config.writeLighting(); }},
        {"polling rate", [&] { config.writePollingRate(true); }},
        {"wheel lines", [&] { config.writeWheelLines(); }},
        {"DPI stage index", [&] { config.writeDpiStageIndex(true); }},
        {"DPI stage values", [&] { config.writeDpiStage(3, true); }},
        {"lift and angle", [&] { config.writeLiftAngle(true); }},
        {"profile", [&] {
             config.writeProfile(true);
             config.writeTrailers(settings->Profile);
         }},
        {"button", [&] {
             config.writeButton(1, 4);
             config.writeTrailers(devmap::kAllTrailers);
         }},
        {"macro button", [&] {
             config.writeButton(0, 3);
             config.writeTrailers(devmap::kAllTrailers);
         }},
        {"macro slot", [&] { macros.writeSlotFromList(0); }},
    };

    std::printf("extra time of verified writes on the virtual mouse (medians of %d rounds, session waits left out)\n",
                rounds);
    std::printf("%-40s %8s %6s %10s %10s\n", "write kind", "bytes", "reads", "write ms", "extra ms");
    int status = 0;
    for (const Kind& k : kinds) {
        std::vector<double> writeMs, verifyMs;
        size_t bytes = 0;
        int reads = 0;
        bool ok = true;
        for (int i = 0; i < rounds; ++i) {
            verify::WrittenBytes written;
            config.recordWritesInto(&written);
            auto t0 = std::chrono::steady_clock::now();
            k.writes();
            writeMs.push_back(msSince(t0));
            config.recordWritesInto(nullptr);
            t0 = std::chrono::steady_clock::now();
            const verify::Result r = verify::verifyWrittenBytes(written, [&](uint16_t a, uint8_t* out, int n) {
                return config.readMemory(a, out, n);
            });
            verifyMs.push_back(msSince(t0));
            ok = ok && r.outcome == verify::Outcome::Verified;
            bytes = written.size();
            reads = r.reads;
        }
        const double extra = median(verifyMs);
        std::printf("%-40s %8zu %6d %10.2f %10.2f%s\n", k.name, bytes, reads, median(writeMs), extra,
                    ok ? "" : "  (read-back differed!)");
        if (!ok) status = 1;
        if (&k == &kinds[0])
            std::printf("%-40s target: extra under 100 ms: %s\n", "", extra < 100.0 ? "ok" : "MISSED");
    }

    transport.close();
    ::kill(mouse, SIGTERM);
    waitExit(mouse, 5000);
    return status;
}
