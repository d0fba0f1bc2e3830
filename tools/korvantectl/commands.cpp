#include "tools/korvantectl/commands.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <optional>
#include <memory>
#include <unistd.h>

#include "platform/atomic_file.h"
#include "platform/known_folders.h"
#include "platform/profile_ini.h"
#include "shared/function_codes.h"
#include "shared/macro_library.h"
#include "shared/macro_file.h"
#include "shared/mouse_settings.h"
#include "shared/settings_rules.h"
#include "shared/string_table.h"
#include "shared/text_decoding.h"
#include "shared/window_messages.h"
#include "tools/korvantectl/functions.h"
#include "tools/korvantectl/json.h"

namespace ctl {
namespace {

namespace sr = settingsrules;
constexpr int kDpiStep = sr::kDpiPerStep;

struct Ctx {
    const Paths& paths;
    Bus& bus;
    bool json = false;
    Result result;
    // The settings as load() read them from the file (before validation): save() writes only what
    // the command changed against them, so a change another program saved meanwhile stays.
    // Null when there was no file to read.
    std::unique_ptr<MouseSettings> loaded;
};

// ---- output ----

void line(Ctx& c, const std::string& text) { c.result.out += text + "\n"; }

int refuse(Ctx& c, const std::string& reason) {
    c.result.err += "korvantectl: " + reason + "\n";
    if (c.json) {
        JsonWriter j;
        j.beginObject().key("ok").value(false).key("error").value(reason).key("exit").value(kExitRefused).endObject();
        c.result.out = j.text();
    }
    return c.result.exitCode = kExitRefused;
}

std::string dpiText(int steps) { return steps < 0 ? "unset" : std::to_string(steps * kDpiStep); }

std::string colourHex(int32_t colour) {
    char buf[8];
    std::snprintf(buf, sizeof buf, "%02x%02x%02x", colour & 0xFF, (colour >> 8) & 0xFF, (colour >> 16) & 0xFF);
    return buf;
}

int rateHz(int code) { return sr::reportsPerSecond(code); }

// "1 to 10", "10 to 250 in tens": how help and refusals name a range.
std::string rangeText(const sr::Range& r) {
    return std::to_string(r.minimum) + " to " + std::to_string(r.maximum) +
           (r.step > 1 ? " in steps of " + std::to_string(r.step) : "");
}

// ---- the store ----

using Settings = std::unique_ptr<MouseSettings>;

// The window's load: the whole record, validated. A missing file is the shipped defaults (the
// service copies those on its first start).
bool load(Ctx& c, Settings& s) {
    s = std::make_unique<MouseSettings>();
    c.loaded.reset();
    if (!platform::fileExists(c.paths.settings)) {
        settings::shippedDefaults(*s);
        return true;
    }
    auto buffer = std::make_unique<MouseSettings>();
    settings::clear(*buffer);
    if (!settings::loadAll(*buffer, c.paths.settings, -1)) {
        refuse(c, "cannot read \"" + c.paths.settings + "\"");
        return false;
    }
    settings::validateCopy(*s, *buffer);
    c.loaded = std::move(buffer);
    return true;
}

// The changed keys (and the ones validation mended) merged into the file as it is now; the
// whole record when there was no file, or for a record not derived from it (an import).
bool save(Ctx& c, const MouseSettings& s) {
    const bool saved = platform::ensureFolder(platform::parentFolder(c.paths.settings)) &&
                       (c.loaded ? settings::saveChanges(s, *c.loaded, c.paths.settings)
                                 : settings::saveAll(s, c.paths.settings));
    if (!saved) {
        refuse(c, "cannot write \"" + c.paths.settings + "\"");
        return false;
    }
    return true;
}

bool serviceRunning(Ctx& c) { return c.bus.exists(title::kService); }
bool mouseConnected(Ctx& c) { return settings::readDevice(c.paths.settings) == 1; }

// After a saved change: the service's message (none when message is 0), then the window's reload
// notice. Reports the change and sets the exit code. The message is sent, not posted: the service
// answers once it has written the mouse and read the written bytes back, with the reason when
// they did not reach it.
struct Delivery {
    uint32_t message = 0;
    int64_t wParam = 0, lParam = 0;
};

std::string writeFailureText(int64_t reason) {
    return reason == msg::kWriteNoAnswer
               ? "the mouse did not answer when the service read the change back"
               : "the mouse still held other values after the service wrote the change twice";
}

// The window's request for a change, as korvantectl delivers it (always waiting for the answer).
Delivery toService(const sr::Request& r) { return {r.message, r.wParam, r.lParam}; }

int finish(Ctx& c, const std::string& command, const std::string& summary, const Delivery& d) {
    const bool service = serviceRunning(c);
    bool mouse = service && mouseConnected(c);
    bool delivered = false;
    int64_t outcome = 0;
    if (d.message != 0 && service) delivered = c.bus.send(title::kService, d.message, d.wParam, d.lParam, &outcome);
    // No service took the change: the mark has the next service write the saved settings into the
    // mouse instead of reading the mouse's older ones back over them.
    if (!delivered && d.message != 0 && msg::writesTheMouse(d.message, d.wParam, d.lParam))
        settings::markUnwritten(c.paths.settings);
    // The request may have waited behind a long step (a read-back) while the mouse went away.
    if (delivered && outcome == msg::kWriteNoMouse) mouse = false;
    if (c.bus.exists(title::kPanel)) c.bus.post(title::kPanel, msg::kMouseChanged, msg::kChangedReload, 0);

    int code = kExitDone;
    const bool writeFailed = delivered && (outcome == msg::kWriteMismatch || outcome == msg::kWriteNoAnswer);
    if (writeFailed) {
        code = kExitWriteFailed;
        c.result.err += "korvantectl: saved, but not written: " + writeFailureText(outcome) +
                        " (the service's log has the details; the next write tries again)\n";
    } else if (d.message != 0 && (!delivered || !mouse)) {
        code = kExitNotDelivered;
        c.result.err += std::string("korvantectl: saved; ") +
                        (!service     ? "the service is not running (hidagent): the mouse gets the change when it starts"
                         : !delivered ? "the service did not take the message: the mouse gets the change with the next write"
                                      : "the mouse is not connected: it gets the change when it is plugged in") +
                        "\n";
    }
    if (c.json) {
        JsonWriter j;
        j.beginObject().key("ok").value(true).key("command").value(command).key("changed").value(true);
        j.key("message");
        if (d.message) j.value(static_cast<int64_t>(d.message));
        else j.null();
        j.key("service").value(service).key("mouse").value(mouse).key("delivered").value(delivered);
        j.key("written").value(delivered && mouse && !writeFailed);
        if (writeFailed) j.key("error").value(writeFailureText(outcome));
        j.key("exit").value(code).endObject();
        c.result.out = j.text();
    } else {
        line(c, summary);
    }
    return c.result.exitCode = code;
}

// A request that changes nothing (the window ignores it too).
int unchanged(Ctx& c, const std::string& command, const std::string& summary) {
    if (c.json) {
        JsonWriter j;
        j.beginObject().key("ok").value(true).key("command").value(command).key("changed").value(false);
        j.key("message").null().key("exit").value(kExitDone).endObject();
        c.result.out = j.text();
    } else {
        line(c, summary);
    }
    return c.result.exitCode = kExitDone;
}

// The path with the extension added when its file name has none (as the save dialogs do).
std::string withExtension(const std::string& path, const char* extension) {
    const size_t slash = path.find_last_of('/');
    const size_t dot = path.find('.', slash == std::string::npos ? 0 : slash + 1);
    return dot == std::string::npos ? path + extension : path;
}

// ---- options ----

// Takes "--name VALUE" or "--name=VALUE" out of args; false (with a refusal) when the value is missing.
bool takeOption(Ctx& c, std::vector<std::string>& args, const std::string& name, std::string* value, bool* present) {
    *present = false;
    for (size_t i = 0; i < args.size(); ++i) {
        if (args[i] == name) {
            if (i + 1 >= args.size()) {
                refuse(c, name + " needs a value");
                return false;
            }
            *value = args[i + 1];
            args.erase(args.begin() + i, args.begin() + i + 2);
            *present = true;
            return true;
        }
        if (args[i].rfind(name + "=", 0) == 0) {
            *value = args[i].substr(name.size() + 1);
            args.erase(args.begin() + i);
            *present = true;
            return true;
        }
    }
    return true;
}

bool takeFlag(std::vector<std::string>& args, const std::string& name) {
    for (size_t i = 0; i < args.size(); ++i)
        if (args[i] == name) {
            args.erase(args.begin() + i);
            return true;
        }
    return false;
}

// An option-like word left over is a mistake, not a value.
bool noStrayOptions(Ctx& c, const std::vector<std::string>& args) {
    for (const std::string& a : args)
        if (a.size() > 1 && a[0] == '-' && !(a[1] >= '0' && a[1] <= '9')) {
            refuse(c, "unknown option \"" + a + "\"");
            return false;
        }
    return true;
}

bool parseIndex(Ctx& c, std::string_view text, int count, const char* what, int* index) {
    int n = 0;
    if (!parseNumber(text, 1, count, &n)) {
        refuse(c, std::string(what) + " must be 1 to " + std::to_string(count) + ", not \"" + std::string(text) + "\"");
        return false;
    }
    *index = n - 1;
    return true;
}

// ---- status and the value commands ----

void writeStage(JsonWriter& j, const DpiStage& st, int index) {
    const bool separate = st.separate != 0;
    j.beginObject().key("stage").value(index + 1).key("separate").value(separate);
    j.key("x").value(static_cast<int64_t>((separate ? st.x : st.common) * kDpiStep));
    j.key("y").value(static_cast<int64_t>((separate ? st.y : st.common) * kDpiStep));
    j.endObject();
}

std::string stageText(const DpiStage& st) {
    if (st.separate) return dpiText(st.x) + " x " + dpiText(st.y) + " DPI";
    return dpiText(st.common) + " DPI";
}

void writeLighting(JsonWriter& j, const MouseSettings& s) {
    const LedModeInfo* m = s.LedMode >= 1 && s.LedMode <= kLedModeCount ? &s.ledModes[s.LedMode - 1] : nullptr;
    j.beginObject().key("on").value(s.LedStateOn == 1).key("mode").value(s.LedMode);
    j.key("color").value(colourHex(s.LedColor));
    j.key("direction").value(m ? m->direction : -1).key("level").value(m ? m->level : -1);
    j.key("rate").value(m ? m->rate : -1).endObject();
}

std::string lightingText(const MouseSettings& s) {
    std::string text = std::string(s.LedStateOn == 1 ? "on" : "off") + ", mode " + std::to_string(s.LedMode) +
                       ", colour " + colourHex(s.LedColor);
    if (s.LedMode >= 1 && s.LedMode <= kLedModeCount) {
        const LedModeInfo& m = s.ledModes[s.LedMode - 1];
        if (s.LedMode == 2 || s.LedMode == 5) text += ", direction " + std::to_string(m.direction);
        text += ", level " + std::to_string(m.level) + ", rate " + std::to_string(m.rate);
    }
    return text;
}

int cmdStatus(Ctx& c, std::vector<std::string> args) {
    if (!args.empty()) return refuse(c, "status takes no arguments");
    Settings s;
    if (!load(c, s)) return kExitRefused;
    const bool service = serviceRunning(c);
    const bool mouse = service && mouseConnected(c);
    const int stage = s->DPI;
    const bool stageValid = stage >= 0 && stage < kDpiStageCount;
    if (c.json) {
        JsonWriter j;
        j.beginObject().key("ok").value(true).key("service").value(service).key("mouse").value(mouse);
        j.key("profile").value(s->Profile + 1);
        j.key("dpi_stage");
        if (stageValid) j.value(stage + 1);
        else j.null();
        j.key("dpi_stages").beginArray();
        for (int i = 0; i < kDpiStageCount; ++i) writeStage(j, s->dpiStages[i], i);
        j.endArray();
        j.key("polling_rate").value(rateHz(s->PollingRate));
        j.key("lighting");
        writeLighting(j, *s);
        j.key("wheel").value(s->WheelScrollLines).key("lift").value(s->LiftV).key("angle").value(s->AngleV == 128);
        j.key("programs").beginArray();
        for (int p = 0; p < kProfileCount; ++p) j.value(textcodec::toUtf8(s->profiles[p].Exe, kNameLength));
        j.endArray();
        j.endObject();
        c.result.out = j.text();
        return kExitDone;
    }
    line(c, std::string("service:      ") + (service ? "running" : "not running"));
    line(c, std::string("mouse:        ") + (mouse ? "connected" : "not connected"));
    line(c, "profile:      " + std::to_string(s->Profile + 1));
    line(c, "DPI stage:    " + (stageValid ? std::to_string(stage + 1) + " (" + stageText(s->dpiStages[stage]) + ")"
                                           : std::string("unset")));
    for (int i = 0; i < kDpiStageCount; ++i)
        line(c, "  stage " + std::to_string(i + 1) + ":    " + stageText(s->dpiStages[i]) + (i == stage ? "  *" : ""));
    line(c, "polling rate: " + std::to_string(rateHz(s->PollingRate)) + " reports/s");
    line(c, "lighting:     " + lightingText(*s));
    line(c, "wheel lines:  " + std::to_string(s->WheelScrollLines));
    line(c, "lift:         " + std::to_string(s->LiftV));
    line(c, std::string("angle:        ") + (s->AngleV == 128 ? "on" : "off"));
    for (int p = 0; p < kProfileCount; ++p) {
        const std::string program = textcodec::toUtf8(s->profiles[p].Exe, kNameLength);
        if (!program.empty()) line(c, "program:      profile " + std::to_string(p + 1) + " for " + program);
    }
    return kExitDone;
}

int showValue(Ctx& c, const char* key, int64_t value, const std::string& text) {
    if (c.json) {
        JsonWriter j;
        j.beginObject().key("ok").value(true).key(key).value(value).endObject();
        c.result.out = j.text();
    } else {
        line(c, text);
    }
    return kExitDone;
}

// "--exe": the program rule of profile p. A path is stored as the file it leads to (the kernel
// names a running program by its real path, so a rule naming a link would never match); a bare
// name matches a program of that file name in any folder; "" clears the rule.
int setProgramRule(Ctx& c, const MouseSettings& s, int p, const std::string& given) {
    std::string rule = given;
    if (rule.find('/') != std::string::npos) {
        if (char* real = ::realpath(rule.c_str(), nullptr)) {
            rule = real;
            std::free(real);
        } else if (rule.front() != '/') {
            return refuse(c, "cannot find \"" + given + "\"");
        }
    }
    if (!settings::isStorableProgramRule(rule))
        return refuse(c, "\"" + given + "\" cannot be a program rule: at most 259 characters, no control characters, "
                         "no spaces at the ends");
    const std::string label = "profile " + std::to_string(p + 1);
    if (textcodec::toUtf8(s.profiles[p].Exe, kNameLength) == rule)
        return unchanged(c, "profile", rule.empty() ? label + " has no program" : label + " is already for " + rule);
    if (!settings::writeProgramRule(c.paths.settings, p, rule)) return refuse(c, "cannot write \"" + c.paths.settings + "\"");
    return finish(c, "profile", rule.empty() ? label + ": no program" : label + " for " + rule, {msg::kProgramRules});
}

int cmdProfile(Ctx& c, std::vector<std::string> args) {
    std::string exe;
    bool hasExe = false;
    if (!takeOption(c, args, "--exe", &exe, &hasExe)) return kExitRefused;
    if (!noStrayOptions(c, args)) return kExitRefused;
    if (args.size() > 1 || (hasExe && args.size() != 1)) return refuse(c, "usage: korvantectl profile [N [--exe PROGRAM]]");
    Settings s;
    if (!load(c, s)) return kExitRefused;
    if (hasExe) {
        int p = 0;
        if (!parseIndex(c, args[0], kProfileCount, "profile", &p)) return kExitRefused;
        return setProgramRule(c, *s, p, exe);
    }
    if (args.empty()) return showValue(c, "profile", s->Profile + 1, "profile " + std::to_string(s->Profile + 1));
    int p = 0;
    if (!parseIndex(c, args[0], kProfileCount, "profile", &p)) return kExitRefused;
    const sr::Request request = sr::selectProfile(*s, p);
    if (!request) return unchanged(c, "profile", "profile " + args[0] + " is already current");
    if (!save(c, *s)) return kExitRefused;
    return finish(c, "profile", "profile " + std::to_string(p + 1) + " is current", toService(request));
}

int cmdDpi(Ctx& c, std::vector<std::string> args) {
    if (!noStrayOptions(c, args)) return kExitRefused;
    if (args.size() > 3) return refuse(c, "usage: korvantectl dpi [STAGE [DPI | XDPI YDPI]]");
    Settings s;
    if (!load(c, s)) return kExitRefused;
    if (args.empty()) {
        if (c.json) {
            JsonWriter j;
            j.beginObject().key("ok").value(true).key("dpi_stage");
            if (s->DPI >= 0 && s->DPI < kDpiStageCount) j.value(s->DPI + 1);
            else j.null();
            j.key("dpi_stages").beginArray();
            for (int i = 0; i < kDpiStageCount; ++i) writeStage(j, s->dpiStages[i], i);
            j.endArray().endObject();
            c.result.out = j.text();
        } else {
            for (int i = 0; i < kDpiStageCount; ++i)
                line(c, "stage " + std::to_string(i + 1) + ": " + stageText(s->dpiStages[i]) + (i == s->DPI ? "  *" : ""));
        }
        return kExitDone;
    }
    int stage = 0;
    if (!parseIndex(c, args[0], kDpiStageCount, "DPI stage", &stage)) return kExitRefused;
    if (args.size() == 1) {
        // A stage button: the current stage of the record and of the current profile.
        const sr::Request request = sr::selectStage(*s, stage);
        if (!save(c, *s)) return kExitRefused;
        return finish(c, "dpi", "DPI stage " + args[0] + " is current (" + stageText(s->dpiStages[stage]) + ")",
                      toService(request));
    }
    std::string error;
    int x = 0, y = 0;
    if (!parseDpi(args[1], &x, &error)) return refuse(c, error);
    if (args.size() == 3 && !parseDpi(args[2], &y, &error)) return refuse(c, error);
    const sr::Request request = args.size() == 2 ? sr::setStageDpi(*s, stage, x) : sr::setStageAxes(*s, stage, x, y);
    if (!save(c, *s)) return kExitRefused;
    return finish(c, "dpi", "DPI stage " + args[0] + ": " + stageText(s->dpiStages[stage]), toService(request));
}

int cmdRate(Ctx& c, std::vector<std::string> args) {
    if (args.size() > 1) return refuse(c, "usage: korvantectl rate [125|250|500|1000]");
    Settings s;
    if (!load(c, s)) return kExitRefused;
    if (args.empty())
        return showValue(c, "polling_rate", rateHz(s->PollingRate),
                         std::to_string(rateHz(s->PollingRate)) + " reports/s");
    for (int i = 0; i < sr::kReportRateCount; ++i) {
        if (args[0] != std::to_string(sr::reportsPerSecond(sr::kReportIntervals[i]))) continue;
        const sr::Request request = sr::setReportRate(*s, i);
        if (!save(c, *s)) return kExitRefused;
        return finish(c, "rate", "polling rate " + args[0] + " reports/s", toService(request));
    }
    return refuse(c, "polling rate must be 125, 250, 500 or 1000, not \"" + args[0] + "\"");
}

int cmdLighting(Ctx& c, std::vector<std::string> args) {
    std::string colour, level, rate, direction;
    bool hasColour = false, hasLevel = false, hasRate = false, hasDirection = false;
    if (!takeOption(c, args, "--color", &colour, &hasColour) || !takeOption(c, args, "--level", &level, &hasLevel) ||
        !takeOption(c, args, "--rate", &rate, &hasRate) ||
        !takeOption(c, args, "--direction", &direction, &hasDirection))
        return kExitRefused;
    const bool on = takeFlag(args, "--on"), off = takeFlag(args, "--off");
    if (!noStrayOptions(c, args)) return kExitRefused;
    if (args.size() > 1) return refuse(c, "usage: korvantectl lighting [MODE] [--color RRGGBB] [--level N] [--rate N] [--direction N] [--on|--off]");
    if (on && off) return refuse(c, "--on and --off exclude each other");
    Settings s;
    if (!load(c, s)) return kExitRefused;
    if (args.empty() && !hasColour && !hasLevel && !hasRate && !hasDirection && !on && !off) {
        if (c.json) {
            JsonWriter j;
            j.beginObject().key("ok").value(true).key("lighting");
            writeLighting(j, *s);
            j.endObject();
            c.result.out = j.text();
        } else {
            line(c, lightingText(*s));
        }
        return kExitDone;
    }
    // Validate everything before changing anything.
    int mode = s->LedMode, levelValue = 0, rateValue = 0, directionValue = 0;
    // The mode menu offers modes 1 to 5; mode 6 only appears when the mouse reports it.
    if (!args.empty() && !parseNumber(args[0], sr::kLightingModes.minimum, sr::kLightingModes.maximum, &mode))
        return refuse(c, "lighting mode must be " + rangeText(sr::kLightingModes) + ", not \"" + args[0] + "\"");
    if (mode < 1 || mode > kLedModeCount) return refuse(c, "the current lighting mode is unset; give a MODE");
    int32_t rgb = s->LedColor;
    std::string error;
    if (hasColour && !parseColor(colour, &rgb, &error)) return refuse(c, error);
    if (hasLevel && !parseNumber(level, sr::kLightingLevels.minimum, sr::kLightingLevels.maximum, &levelValue))
        return refuse(c, "--level must be " + rangeText(sr::kLightingLevels) + " (shown as 0, 30, 60, 100)");
    if (hasRate && !parseNumber(rate, sr::kLightingRates.minimum, sr::kLightingRates.maximum, &rateValue))
        return refuse(c, "--rate must be 0 (off) to " + std::to_string(sr::kLightingRates.maximum) +
                             " (the fastest the mouse runs)");
    if (hasDirection) {
        // Only modes 2 (directions 1, 2) and 5 (3, 4) have a direction.
        const sr::Range ways = sr::lightingDirections(mode);
        if (!sr::modeHasDirection(mode) || !parseNumber(direction, ways.minimum, ways.maximum, &directionValue))
            return refuse(c, sr::modeHasDirection(mode) ? "--direction must be " + std::to_string(ways.minimum) + " or " +
                                                              std::to_string(ways.maximum) + " in mode " + std::to_string(mode)
                                                        : std::string("--direction applies to modes 2 and 5 only"));
    }
    // Mode first: level, rate and direction belong to the mode that is current afterwards.
    sr::Request request;  // every lighting change asks for the same request
    if (!args.empty()) request = sr::setLightingMode(*s, mode);
    if (hasLevel) request = sr::setLightingLevel(*s, levelValue);
    if (hasRate) request = sr::setLightingRate(*s, rateValue);
    if (hasDirection) request = sr::setLightingDirection(*s, directionValue);
    if (hasColour) request = sr::setLightingColour(*s, static_cast<uint32_t>(rgb));
    if (on || off) request = sr::setLightingOn(*s, on);
    if (!save(c, *s)) return kExitRefused;
    return finish(c, "lighting", "lighting " + lightingText(*s), toService(request));
}

int cmdWheel(Ctx& c, std::vector<std::string> args) {
    Settings s;
    if (args.size() > 1) return refuse(c, "usage: korvantectl wheel [N]");
    if (!load(c, s)) return kExitRefused;
    if (args.empty())
        return showValue(c, "wheel", s->WheelScrollLines, std::to_string(s->WheelScrollLines) + " wheel lines");
    int n = 0;
    if (!parseNumber(args[0], sr::kWheelLines.minimum, sr::kWheelLines.maximum, &n))
        return refuse(c, "wheel lines must be " + rangeText(sr::kWheelLines) + ", not \"" + args[0] + "\"");
    const sr::Request request = sr::setWheelLines(*s, n);
    if (!save(c, *s)) return kExitRefused;
    return finish(c, "wheel", std::to_string(n) + " wheel lines", toService(request));
}

int cmdLift(Ctx& c, std::vector<std::string> args) {
    Settings s;
    if (args.size() > 1) return refuse(c, "usage: korvantectl lift [0|1]");
    if (!load(c, s)) return kExitRefused;
    if (args.empty()) return showValue(c, "lift", s->LiftV, "lift " + std::to_string(s->LiftV));
    int n = 0;
    if (!parseNumber(args[0], 0, 1, &n)) return refuse(c, "lift must be 0 or 1, not \"" + args[0] + "\"");
    const sr::Request request = sr::setLift(*s, n == 1);
    if (!save(c, *s)) return kExitRefused;
    return finish(c, "lift", "lift " + args[0], toService(request));
}

int cmdAngle(Ctx& c, std::vector<std::string> args) {
    Settings s;
    if (args.size() > 1) return refuse(c, "usage: korvantectl angle [on|off]");
    if (!load(c, s)) return kExitRefused;
    if (args.empty())
        return showValue(c, "angle", s->AngleV == sr::kAngleOn, std::string("angle ") + (s->AngleV == sr::kAngleOn ? "on" : "off"));
    if (args[0] != "on" && args[0] != "off") return refuse(c, "angle must be on or off, not \"" + args[0] + "\"");
    const sr::Request request = sr::setAngle(*s, args[0] == "on");
    if (!save(c, *s)) return kExitRefused;
    return finish(c, "angle", "angle " + args[0], toService(request));
}

// ---- buttons ----

int cmdButton(Ctx& c, std::vector<std::string> args) {
    std::string profileText;
    bool hasProfile = false;
    if (!takeOption(c, args, "--profile", &profileText, &hasProfile)) return kExitRefused;
    if (args.size() < 2) return refuse(c, "usage: korvantectl button N FUNCTION [ARGS] [--profile P]");
    int b = 0;
    if (!parseIndex(c, args[0], kDeviceButtonCount, "button", &b)) return kExitRefused;
    Assignment as;
    std::string error;
    if (!parseAssignment(std::vector<std::string>(args.begin() + 1, args.end()), as, &error)) return refuse(c, error);
    Settings s;
    if (!load(c, s)) return kExitRefused;
    int p = s->Profile;
    if (hasProfile && !parseIndex(c, profileText, kProfileCount, "profile", &p)) return kExitRefused;
    // The "Switch Profile" submenu offers the other four profiles only.
    if (as.function->code >= kCodeShift1 && as.function->code <= kCodeShift5 && as.function->code - kCodeShift1 == p)
        return refuse(c, std::string(as.function->name) + " names the profile being edited; choose another profile");
    ButtonRecord* records = s->profiles[p].buttons;
    switch (leftClickGuard(records, kButtonRecordCount, b, as.function->code == kCodeLeftClick ? 1 : as.function->code)) {
        case GuardDecision::Ignore:
            return unchanged(c, "button", "button " + args[0] + " already is the left click");
        case GuardDecision::Warn: {
            std::string warning = lookupString(c.paths.strings, "BUTTONPAGE", "WARN3");
            std::string reason = "button " + args[0] + " is the only left click of profile " + std::to_string(p + 1);
            return refuse(c, warning.empty() ? reason : warning + " (" + reason + ")");
        }
        case GuardDecision::Proceed:
            break;
    }
    int index = 0, loopTime = 1;
    if (as.function->args == FunctionArgs::Macro) {
        const std::vector<std::string> names = macro::listNames(c.paths.settings);
        if (names.empty()) return refuse(c, "there are no macros; create one first (korvantectl macro new)");
        index = -1;
        for (size_t i = 0; i < names.size(); ++i)
            if (names[i] == as.macroName) index = static_cast<int>(i);
        if (index < 0) return refuse(c, "no macro named \"" + as.macroName + "\" (korvantectl macro list)");
        loopTime = macro::MacroLibrary(c.paths.settings, c.paths.macroFolder).loopTimeForButton(as.macroName);
    }
    if (!applyAssignment(records[b], b, as, index, loopTime)) return refuse(c, "the button cannot keep that function");
    if (!save(c, *s)) return kExitRefused;
    std::string params = describeParameters(records[b]);
    return finish(c, "button",
                  "profile " + std::to_string(p + 1) + " button " + args[0] + ": " + as.function->name +
                      (params.empty() ? "" : " " + params),
                  toService(sr::buttonChanged(p, b)));
}

int cmdButtons(Ctx& c, std::vector<std::string> args) {
    if (args.size() > 1) return refuse(c, "usage: korvantectl buttons [PROFILE]");
    Settings s;
    if (!load(c, s)) return kExitRefused;
    int p = s->Profile;
    if (!args.empty() && !parseIndex(c, args[0], kProfileCount, "profile", &p)) return kExitRefused;
    JsonWriter j;
    j.beginObject().key("ok").value(true).key("profile").value(p + 1).key("buttons").beginArray();
    if (!c.json) line(c, "profile " + std::to_string(p + 1));
    for (int b = 0; b < kDeviceButtonCount; ++b) {
        const ButtonRecord& r = s->profiles[p].buttons[b];
        const std::string name = functionNameOf(r.code), params = describeParameters(r);
        std::string label;
        if (!hasDynamicLabel(r.code) && !labelKeyFor(r.code).empty())
            label = lookupString(c.paths.strings, "BUTTONPAGE", std::string(labelKeyFor(r.code)));
        j.beginObject().key("button").value(b + 1).key("function").value(name).key("code").value(r.code);
        j.key("parameters").value(params).key("label").value(label).endObject();
        if (!c.json) {
            char buf[160];
            std::snprintf(buf, sizeof buf, "%2d  %-20s %s", b + 1, (name + (params.empty() ? "" : " " + params)).c_str(),
                          label.c_str());
            std::string text = buf;
            while (!text.empty() && text.back() == ' ') text.pop_back();
            line(c, text);
        }
    }
    j.endArray().endObject();
    if (c.json) c.result.out = j.text();
    return kExitDone;
}

// ---- macros ----

bool macroPath(Ctx& c, const std::string& name, std::string* path) {
    std::string error;
    if (!checkMacroName(name, &error) || !macro::macroFilePath(c.paths.macroFolder, name, *path)) {
        refuse(c, error);
        return false;
    }
    return true;
}

std::string eventText(const macro::Event& e, JsonWriter& j) {
    j.beginObject();
    const char* action = e.pressed() ? "down" : "up";
    std::string text;
    switch (e.kind()) {
        case macro::kKindMouseButton: {
            const uint8_t v = e.bytes[1];
            const char* button = v == 1 ? "left" : v == 2 ? "right" : v == 4 ? "middle" : "other";
            j.key("kind").value("button").key("button").value(button).key("action").value(action);
            text = std::string("button ") + button + " " + action;
            break;
        }
        case macro::kKindKey: {
            std::string key = keyNameOfUsage(e.bytes[1]);
            if (key.empty()) key = "usage-" + std::to_string(e.bytes[1]);
            j.key("kind").value("key").key("key").value(key).key("action").value(action);
            text = "key " + key + " " + action;
            break;
        }
        case macro::kKindDelay: {
            const int64_t ms = macro::delayMsFromSteps(e.value());
            j.key("kind").value("delay").key("ms").value(ms);
            text = "delay " + std::to_string(ms) + " ms";
            break;
        }
        case macro::kKindMove: {
            const int dx = macro::decodeMoveStep(e.bytes[1]), dy = macro::decodeMoveStep(e.bytes[2]);
            j.key("kind").value("move").key("dx").value(dx).key("dy").value(dy);
            text = "move " + std::to_string(dx) + " " + std::to_string(dy);
            break;
        }
        default:
            j.key("kind").value("unknown");
            text = "unknown";
    }
    j.endObject();
    return text;
}

// Writes the names' "MacroFilePath" etc. anew; the old file is read first.
// Names a macro file just written in "MACRO_LIST" and returns its slot. When the list cannot be
// written (a full disk) the file is removed again: a macro file and its list entry appear together.
int listNewMacroFile(const std::string& ini, const std::string& name, const std::string& path) {
    const int slot = macro::addToList(ini, name);
    if (slot < 0) ::unlink(path.c_str());
    return slot;
}

int cmdMacro(Ctx& c, std::vector<std::string> args) {
    if (args.empty()) return refuse(c, "usage: korvantectl macro list|show|new|rename|delete|import|export ...");
    const std::string sub = args[0];
    args.erase(args.begin());
    const std::string& ini = c.paths.settings;
    const std::vector<std::string> names = macro::listNames(ini);
    auto listed = [&](const std::string& name) { return macro::findInList(ini, name) >= 0; };

    if (sub == "list") {
        if (!args.empty()) return refuse(c, "usage: korvantectl macro list");
        JsonWriter j;
        j.beginObject().key("ok").value(true).key("macros").beginArray();
        for (const std::string& name : names) {
            std::string path;
            macro::MacroFileData data;
            if (macro::macroFilePath(c.paths.macroFolder, name, path)) macro::readMacroFile(path, data, 0);
            const int slot = macro::findInList(ini, name);
            j.beginObject().key("name").value(name).key("slot").value(slot).key("events").value(data.count);
            j.key("loop").value(data.loopTime).endObject();
            if (!c.json)
                line(c, std::to_string(slot) + "  " + name + "  (" + std::to_string(data.count) + " events, loop " +
                            std::to_string(data.loopTime) + ")");
        }
        j.endArray().endObject();
        if (c.json) c.result.out = j.text();
        return kExitDone;
    }
    if (sub == "show") {
        if (args.size() != 1) return refuse(c, "usage: korvantectl macro show NAME");
        std::string path;
        if (!macroPath(c, args[0], &path)) return kExitRefused;
        if (!listed(args[0])) return refuse(c, "no macro named \"" + args[0] + "\"");
        macro::MacroFileData data;
        if (!macro::readMacroFile(path, data, 0)) return refuse(c, "cannot read \"" + path + "\"");
        JsonWriter j;
        j.beginObject().key("ok").value(true).key("name").value(args[0]).key("slot").value(macro::findInList(ini, args[0]));
        j.key("loop").value(data.loopTime).key("events").beginArray();
        if (!c.json) line(c, args[0] + " (" + std::to_string(data.count) + " events, loop " + std::to_string(data.loopTime) + ")");
        const int count = data.blockValid ? data.count : 0;
        for (int i = 0; i < count; ++i) {
            std::string text = eventText(macro::eventAt(data.block, i), j);
            if (!c.json) line(c, "  " + std::to_string(i + 1) + "  " + text);
        }
        j.endArray().endObject();
        if (c.json) c.result.out = j.text();
        return kExitDone;
    }
    if (sub == "new") {
        if (args.size() > 1) return refuse(c, "usage: korvantectl macro new [NAME]");
        if (names.size() >= macro::kListSlots) return refuse(c, "the macro list is full (7 macros)");
        std::string name, path;
        if (args.empty()) {
            // The window's rule: "<NEWMACRO> n" with the smallest n whose file does not exist.
            std::string base = lookupString(c.paths.strings, "BUTTONPAGE", "NEWMACRO");
            if (base.empty()) base = "Macro";
            for (int n = 1;; ++n) {
                name = base + " " + std::to_string(n);
                if (!macroPath(c, name, &path)) return kExitRefused;
                if (!platform::fileExists(path)) break;
            }
        } else {
            name = args[0];
            if (!macroPath(c, name, &path)) return kExitRefused;
            if (listed(name)) return refuse(c, "a macro named \"" + name + "\" exists");
            if (platform::fileExists(path)) return refuse(c, "\"" + path + "\" exists; import it instead");
        }
        // The list entry before the file, as the window does: never a file that no list names.
        if (!platform::ensureFolder(c.paths.macroFolder) || macro::addToList(ini, name) < 0)
            return refuse(c, "cannot write \"" + ini + "\"");
        if (!macro::writeMacroFile(path, 0, 1, macro::Block{}, true)) {
            macro::removeFromList(ini, name);
            return refuse(c, "cannot write \"" + path + "\"");
        }
        return finish(c, "macro", "macro \"" + name + "\" created", {});
    }
    if (sub == "rename") {
        if (args.size() != 2) return refuse(c, "usage: korvantectl macro rename OLD NEW");
        std::string from, to;
        if (!macroPath(c, args[0], &from) || !macroPath(c, args[1], &to)) return kExitRefused;
        if (!listed(args[0])) return refuse(c, "no macro named \"" + args[0] + "\"");
        if (args[0] == args[1]) return unchanged(c, "macro", "the name is unchanged");
        if (listed(args[1])) return refuse(c, "a macro named \"" + args[1] + "\" exists");
        if (platform::fileExists(to)) return refuse(c, "\"" + to + "\" exists");
        // As the window renames: the new file first, the buttons that play the macro keep it.
        if (macro::MacroLibrary(ini, c.paths.macroFolder).rename(args[0], args[1]) != macro::LibraryResult::Ok)
            return refuse(c, "cannot write \"" + to + "\"");
        return finish(c, "macro", "macro \"" + args[0] + "\" renamed to \"" + args[1] + "\"", {});
    }
    if (sub == "delete") {
        if (args.size() != 1) return refuse(c, "usage: korvantectl macro delete NAME");
        std::string path;
        if (!macroPath(c, args[0], &path)) return kExitRefused;
        // As the window deletes: the buttons that played it are turned off.
        int slot = -1;
        const macro::LibraryResult removed = macro::MacroLibrary(ini, c.paths.macroFolder).remove(args[0], slot);
        if (removed == macro::LibraryResult::NotFound) return refuse(c, "no macro named \"" + args[0] + "\"");
        if (removed != macro::LibraryResult::Ok) return refuse(c, "cannot write \"" + ini + "\"");
        return finish(c, "macro", "macro \"" + args[0] + "\" deleted", {msg::kMacroSlot, slot, 1});
    }
    if (sub == "import") {
        if (args.size() != 1) return refuse(c, "usage: korvantectl macro import FILE.macro");
        const std::string name = platform::fileTitle(args[0]);
        std::string path;
        if (!macroPath(c, name, &path)) return kExitRefused;
        if (names.size() >= macro::kListSlots) return refuse(c, "the macro list is full (7 macros)");
        if (listed(name)) return refuse(c, "a macro named \"" + name + "\" exists");
        std::optional<std::string> content = platform::readWholeFile(args[0]);
        if (!content) return refuse(c, "cannot read \"" + args[0] + "\"");
        macro::MacroFileData data;
        macro::readMacroFile(args[0], data, 0);
        // Every writer of macro files writes the event block, so a file without a sound one is no macro.
        if (!data.blockValid) return refuse(c, "\"" + args[0] + "\" is not a macro file (no valid \"MacroSetting_0\")");
        if (!platform::ensureFolder(c.paths.macroFolder) || !platform::replaceFileLocked(path, *content))
            return refuse(c, "cannot write \"" + path + "\"");
        const int slot = listNewMacroFile(ini, name, path);
        if (slot < 0) return refuse(c, "cannot write \"" + ini + "\"");
        return finish(c, "macro", "macro \"" + name + "\" imported", toService(sr::macroSlotChanged(slot, false)));
    }
    if (sub == "export") {
        if (args.size() != 2) return refuse(c, "usage: korvantectl macro export NAME FILE.macro");
        std::string path;
        if (!macroPath(c, args[0], &path)) return kExitRefused;
        if (!listed(args[0])) return refuse(c, "no macro named \"" + args[0] + "\"");
        const std::string target = withExtension(args[1], macro::kExtension);
        macro::MacroFileData data;
        if (!macro::readMacroFile(path, data, 0)) return refuse(c, "cannot read \"" + path + "\"");
        if (!macro::writeMacroFile(target, data.count, data.loopTime, data.block, true))
            return refuse(c, "cannot write \"" + target + "\"");
        return unchanged(c, "macro", "macro \"" + args[0] + "\" exported to " + target);
    }
    return refuse(c, "unknown macro command \"" + sub + "\"");
}

// ---- whole settings ----

int cmdExport(Ctx& c, std::vector<std::string> args) {
    if (args.size() != 1) return refuse(c, "usage: korvantectl export FILE.prof");
    const std::string target = withExtension(args[0], ".prof");
    Settings s;
    if (!load(c, s)) return kExitRefused;
    // The whole record, written anew (a temporary file renamed over the target).
    const std::string temp = target + ".tmp";
    ::unlink(temp.c_str());
    if (!settings::saveAll(*s, temp) || ::rename(temp.c_str(), target.c_str()) != 0) {
        ::unlink(temp.c_str());
        return refuse(c, "cannot write \"" + target + "\"");
    }
    return unchanged(c, "export", "settings exported to " + target);
}

int cmdImport(Ctx& c, std::vector<std::string> args) {
    if (args.size() != 1) return refuse(c, "usage: korvantectl import FILE.prof");
    // A whole settings file with values the mouse keeps, or nothing: loaded into a cleared record
    // and validated as the window imports (the chosen file itself stays as it is).
    auto buffer = std::make_unique<MouseSettings>();
    std::string problem;
    if (!settings::loadProfileFile(*buffer, args[0], &problem))
        return refuse(c, problem.empty() ? "cannot read \"" + args[0] + "\""
                                         : "\"" + args[0] + "\" is not a settings file to import: " + problem);
    Settings s = std::make_unique<MouseSettings>();
    settings::validateCopy(*s, *buffer);
    if (!save(c, *s)) return kExitRefused;
    platform::writeProfileString(c.paths.settings, settings::kSettingSection, "ProfileName", platform::fileTitle(args[0]));
    return finish(c, "import", "settings imported from " + args[0], toService(sr::writeEverything()));
}

int cmdApply(Ctx& c, std::vector<std::string> args) {
    if (!args.empty()) return refuse(c, "apply takes no arguments");
    Settings s;
    if (!load(c, s)) return kExitRefused;
    if (!save(c, *s)) return kExitRefused;
    return finish(c, "apply", "settings applied", toService(sr::writeEverything()));
}

int cmdReset(Ctx& c, std::vector<std::string> args) {
    std::string profileText;
    bool hasProfile = false;
    if (!takeOption(c, args, "--profile", &profileText, &hasProfile)) return kExitRefused;
    if (!noStrayOptions(c, args)) return kExitRefused;
    if (!args.empty()) return refuse(c, "usage: korvantectl reset [--profile N]");
    Settings s;
    if (!load(c, s)) return kExitRefused;
    int p = 0;
    if (hasProfile) {
        if (!parseIndex(c, profileText, kProfileCount, "profile", &p)) return kExitRefused;
        settings::factoryDefaults(*s, p);
    } else {
        for (int i = 0; i < kProfileCount; ++i) settings::factoryDefaults(*s, i);
        s->Profile = 0;
    }
    if (!save(c, *s)) return kExitRefused;
    return finish(c, "reset", hasProfile ? "profile " + profileText + " and the global settings reset" : "all profiles reset",
                  toService(sr::writeEverything()));
}

struct Command {
    const char* name;
    int (*run)(Ctx&, std::vector<std::string>);
    const char* synopsis;
    const char* help;
};

const Command kCommands[] = {
    {"status", cmdStatus, "status",
     "Service, mouse, current profile, DPI stages, polling rate, lighting, the programs of the profiles."},
    {"profile", cmdProfile, "profile [N [--exe PROGRAM]]",
     "Show or choose the current profile (1-5). Sends 1298.\n"
     "With --exe, profile N becomes the profile of a program instead: while a window of that program\n"
     "has the focus (X11 sessions), the service switches the mouse to it. PROGRAM is a path (the\n"
     "file a link leads to is stored) or a bare file name (any folder); --exe \"\" removes the rule.\n"
     "Sends 1312."},
    {"dpi", cmdDpi, "dpi [STAGE [DPI | XDPI YDPI]]",
     "Without arguments list the stages. STAGE (1-7) alone makes it current (sends 1297);\n"
     "with DPI (100-16000, multiples of 50) sets one value for both axes, with XDPI YDPI\n"
     "separate axes (sends 1302 for that stage)."},
    {"rate", cmdRate, "rate [125|250|500|1000]", "Show or set the polling rate in reports/s. Sends 1277."},
    {"lighting", cmdLighting, "lighting [MODE] [--color RRGGBB] [--level N] [--rate N] [--direction N] [--on|--off]",
     "Show or change the lighting: MODE 1-5, level 1-4 (shown as 0, 30, 60, 100 %), rate 0 (off)\n"
     "to 8 (the fastest the mouse runs), direction 1-2 in mode 2 and 3-4 in mode 5; level, rate and\n"
     "direction apply to the mode that is current afterwards. Sends 1227."},
    {"wheel", cmdWheel, "wheel [N]", "Show or set the wheel lines (1-10). Sends 1295."},
    {"lift", cmdLift, "lift [0|1]", "Show or set the lift option. Sends 1229."},
    {"angle", cmdAngle, "angle [on|off]", "Show or set the angle option. Sends 1229."},
    {"button", cmdButton, "button N FUNCTION [ARGS] [--profile P]",
     "Assign a function to button N (1-9) of the current profile (or of profile P). Sends 1299.\n"
     "Functions with arguments:\n"
     "  key KEY                          one key (a-z, 0-9, f1-f12, enter, esc, space, lctrl, ...)\n"
     "  macro NAME [once|repeat|hold]    a macro of the macro list\n"
     "  dpi-shift 250|500|750|1000\n"
     "  x-shoot A B left|right|middle|KEY A 1-255, B 10-250 in tens\n"
     "  rapid-fire [A B SPEED]           A 0-255, B 0-250 in tens, SPEED 10-200 (default 3 10 30)\n"
     "The mouse keeps B in tens only, so no other value is taken.\n"
     "The last left-click button of a profile keeps its function."},
    {"buttons", cmdButtons, "buttons [PROFILE]", "The nine buttons of the current profile (or of PROFILE)."},
    {"macro", cmdMacro, "macro list|show NAME|new [NAME]|rename OLD NEW|delete NAME|import FILE|export NAME FILE",
     "Manage the macro list (at most 7 macros). Delete and import send 1300."},
    {"export", cmdExport, "export FILE.prof", "Write the whole settings to a profile file."},
    {"import", cmdImport, "import FILE.prof",
     "Load the whole settings from a profile file. A file that lacks a setting, or holds a value the\n"
     "mouse cannot keep, is refused and nothing changes. Sends 1279."},
    {"apply", cmdApply, "apply", "Save the settings again and have the service write all of them. Sends 1279."},
    {"reset", cmdReset, "reset [--profile N]",
     "Factory settings for all profiles (profile 1 becomes current), or the global settings and\n"
     "profile N's buttons. Sends 1279."},
};

const Command* findCommand(std::string_view name) {
    for (const Command& cmd : kCommands)
        if (name == cmd.name) return &cmd;
    return nullptr;
}

}  // namespace

bool parseDpi(std::string_view text, int* steps, std::string* error) {
    int dpi = 0;
    if (!parseNumber(text, sr::kDpiSteps.minimum * kDpiStep, sr::kDpiSteps.maximum * kDpiStep, &dpi) || dpi % kDpiStep != 0) {
        *error = "DPI must be 100 to 16000 in steps of 50, not \"" + std::string(text) + "\"";
        return false;
    }
    *steps = dpi / kDpiStep;
    return true;
}

bool parseColor(std::string_view text, int32_t* colour, std::string* error) {
    std::string_view hex = text;
    if (!hex.empty() && hex[0] == '#') hex.remove_prefix(1);
    int32_t rgb = 0;
    bool ok = hex.size() == 6;
    for (char ch : hex) {
        int d = ch >= '0' && ch <= '9' ? ch - '0' : ch >= 'a' && ch <= 'f' ? ch - 'a' + 10 : ch >= 'A' && ch <= 'F' ? ch - 'A' + 10 : -1;
        if (d < 0) ok = false;
        rgb = rgb * 16 + (d < 0 ? 0 : d);
    }
    if (!ok) {
        *error = "colour must be RRGGBB in hexadecimal, not \"" + std::string(text) + "\"";
        return false;
    }
    // RRGGBB to the stored order: red in the low byte.
    *colour = ((rgb >> 16) & 0xFF) | (rgb & 0xFF00) | ((rgb & 0xFF) << 16);
    return true;
}

bool checkMacroName(std::string_view name, std::string* error) {
    const int length = utf16Length(name);
    bool ok = macro::isValidMacroName(name) && length > 0 && length < kNameLength;
    // The profile files trim values and drop surrounding quotes, so such names would not come back.
    ok = ok && name.front() != ' ' && name.back() != ' ' && name.front() != '\t' && name.back() != '\t' &&
         !(name.size() >= 2 && name.front() == '"' && name.back() == '"');
    for (unsigned char ch : name) ok = ok && ch >= 0x20 && ch != 0x7F;
    if (!ok)
        *error = "\"" + std::string(name) +
                 "\" is not a macro name: 1 to 259 characters, no '/', no control characters, no spaces at the "
                 "ends, not \".\" or \"..\"";
    return ok;
}

std::string helpText(std::string_view command) {
    if (const Command* cmd = findCommand(command))
        return std::string("usage: korvantectl [--json] ") + cmd->synopsis + "\n\n" + cmd->help + "\n";
    std::string text =
        "usage: korvantectl [--json] COMMAND [ARGS]\n"
        "Changes the KORVANTE mouse's settings the way the configuration window does: edits\n"
        "Mouse.ini, then tells the service (hidagent), which writes the mouse.\n\ncommands:\n";
    for (const Command& cmd : kCommands) text += std::string("  ") + cmd.synopsis + "\n";
    text += "\nkorvantectl COMMAND --help describes one command. Exit status: 0 done, 1 refused (nothing\n"
            "changed), 2 saved but the service or the mouse is not there, 3 saved but the mouse did not\n"
            "keep the change (the reason is on standard error).\n";
    return text;
}

Result run(const std::vector<std::string>& argsIn, const Paths& paths, Bus& bus) {
    Ctx c{paths, bus, false, {}, nullptr};
    std::vector<std::string> args = argsIn;
    c.json = takeFlag(args, "--json");
    bool help = false;
    while (takeFlag(args, "--help") || takeFlag(args, "-h")) help = true;
    if (args.empty()) {
        if (help) c.result.out = helpText("");
        else refuse(c, "no command given\n" + helpText(""));
        return c.result;
    }
    if (args[0] == "help") {
        c.result.out = helpText(args.size() > 1 ? args[1] : "");
        return c.result;
    }
    const Command* cmd = findCommand(args[0]);
    if (cmd == nullptr) {
        refuse(c, "unknown command \"" + args[0] + "\" (korvantectl --help lists them)");
        return c.result;
    }
    if (help) {
        c.result.out = helpText(cmd->name);
        return c.result;
    }
    cmd->run(c, std::vector<std::string>(args.begin() + 1, args.end()));
    return c.result;
}

}  // namespace ctl
