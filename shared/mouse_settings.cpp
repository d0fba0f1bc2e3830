#include "shared/mouse_settings.h"

#include <algorithm>
#include <bit>
#include <cstring>
#include <memory>
#include <optional>
#include <vector>
#include <string_view>

#include "platform/diagnostics.h"
#include "platform/profile_ini.h"
#include "shared/function_codes.h"
#include "shared/settings_rules.h"
#include "shared/text_decoding.h"

static_assert(std::endian::native == std::endian::little,
              "blobs are stored as the record's raw little-endian bytes");

namespace settings {
namespace {

constexpr int32_t kFactoryDpiSteps[kDpiStageCount] = {10, 20, 30, 40, 80, 160, 320};
constexpr int kMaxTextUnits = kNameLength - 1;  // 259 characters and the terminator

std::string indexedKey(const char* base, int n) { return base + std::to_string(n); }

// UTF-8 text of the file into a fixed UTF-16 field, cut to 259 units (a surrogate pair is never
// split), the rest of the field zeroed.
void storeText(char16_t (&field)[kNameLength], std::string_view utf8) {
    std::u16string text = textcodec::fromUtf8(utf8);
    size_t length = std::min<size_t>(text.size(), kMaxTextUnits);
    if (length > 0 && length < text.size() && text[length - 1] >= 0xD800 && text[length - 1] <= 0xDBFF) {
        --length;
    }
    std::memset(field, 0, sizeof field);
    std::memcpy(field, text.data(), length * sizeof(char16_t));
}

// Gives a button record the code with reset parameters: byte 2 = 1, byte 3 = 0, bytes 4..123 zero.
void resetButton(ButtonRecord& b, uint8_t code) {
    b.code = code;
    b.param1 = 1;
    b.param2 = 0;
    std::memset(b.extra, 0, sizeof b.extra);
}

void loadProfileFrom(const platform::ProfileBatch& ini, ProfileGroup& g, const std::string& section) {
    storeText(g.Name, ini.readString(section, "Name"));
    storeText(g.Exe, ini.readString(section, "Exe"));
    g.DPI = ini.readInt(section, "DPI", -1);
    for (int i = 0; i < kButtonRecordCount; ++i) {
        ini.readStruct(section, indexedKey("ButtonAssigned", i + 1), &g.buttons[i], sizeof(ButtonRecord));
    }
}

void saveProfileTo(platform::ProfileBatch& ini, const ProfileGroup& g, const std::string& section) {
    ini.writeInt(section, "DPI", g.DPI);
    for (int i = 0; i < kButtonRecordCount; ++i) {
        ini.writeStruct(section, indexedKey("ButtonAssigned", i + 1), &g.buttons[i], sizeof(ButtonRecord));
    }
}

bool validProfileArgument(int profile) { return profile >= -1 && profile < kProfileCount; }

}  // namespace

std::string profileSection(int profile) {
    return profile <= 0 ? std::string("GROUP") : indexedKey("GROUP", profile);
}

void clear(MouseSettings& s) {
    std::memset(s.profiles, 0, sizeof s.profiles);
    for (ProfileGroup& g : s.profiles) {
        for (int i = 0; i < kButtonRecordCount; ++i) {
            ButtonRecord& b = g.buttons[i];
            b.owner = static_cast<uint8_t>(i + 1);
            b.code = 255;
            b.param1 = 1;
            b.param2 = 0;
        }
        g.DPI = -1;
    }
    for (DpiStage& d : s.dpiStages) d = DpiStage{-1, -1, -1, -1};
    for (LedModeInfo& m : s.ledModes) m = LedModeInfo{-1, -1, -1};
    s.MouseSensitivity = -1;
    s.DoubleClickSpeed = -1;
    s.WheelScrollLines = -1;
    s.UniversalScrollEnabled = -1;
    s.LedStateOn = -1;
    s.LedColor = -1;
    s.DPI = -1;
    s.PollingRate = -1;
    s.AccelerationEnabled = -1;
    s.Acceleration = -1;
    s.TrayEnabled = -1;
    s.Profile = -1;
}

namespace {

void readRecord(const platform::ProfileBatch& ini, MouseSettings& s, int profile) {
    const char* S = kSettingSection;

    int current = profile == -1 ? ini.readInt(S, "Profile", -1) : profile;
    s.Profile = current == -1 ? 0 : current;

    s.TrayEnabled = ini.readInt(S, "TrayEnabled", -1);
    s.MouseButtons = ini.readInt(S, "MouseButtons", -1);
    s.PollingRate = ini.readInt(S, "PollingRate", -1);
    s.LeftCount = ini.readInt(S, "LeftCount", 0);
    s.RightCount = ini.readInt(S, "RightCount", 0);
    s.WheelScrollLines = ini.readInt(S, "WheelScrollLines", -1);
    s.MouseSensitivity = ini.readInt(S, "MouseSensitivity", -1);
    s.DoubleClickSpeed = ini.readInt(S, "DoubleClickSpeed", -1);
    s.AngleV = ini.readInt(S, "AngleV", -1);
    s.LiftV = ini.readInt(S, "LiftV", -1);
    s.UniversalScrollEnabled = ini.readInt(S, "UniversalScrollEnabled", -1);
    s.AccelerationEnabled = ini.readInt(S, "AccelerationEnabled", -1);
    s.Acceleration = ini.readInt(S, "Acceleration", -1);

    for (int i = 0; i < kDpiStageCount; ++i) {
        ini.readStruct(S, indexedKey("DPI_INFO", i + 1), &s.dpiStages[i], sizeof(DpiStage));
    }
    for (int i = 0; i < kLedModeCount; ++i) {
        ini.readStruct(S, indexedKey("LED_MODE_INFO", i + 1), &s.ledModes[i], sizeof(LedModeInfo));
    }

    s.LedStateOn = ini.readInt(S, "LedStateOn", -1);
    s.LedColor = ini.readInt(S, "LedColor", -1);
    s.DPI = ini.readInt(S, "DPI", -1);
    s.LedMode = ini.readInt(S, "LedMode", -1);

    for (int p = 0; p < kProfileCount; ++p) loadProfileFrom(ini, s.profiles[p], profileSection(p));
}

// Calls visit(section, key, field, size, blob) for every key of the record, in the save order:
// integers ("%d") and blobs (the struct encoding), each naming its field inside `s`.
template <typename Visit>
void visitRecordKeys(const MouseSettings& s, Visit&& visit) {
    const std::string S = kSettingSection;
    const auto number = [&](const std::string& section, const std::string& key, const int32_t& v) {
        visit(section, key, &v, sizeof v, false);
    };
    number(S, "Profile", s.Profile);
    number(S, "TrayEnabled", s.TrayEnabled);
    number(S, "MouseButtons", s.MouseButtons);
    number(S, "PollingRate", s.PollingRate);
    number(S, "LeftCount", s.LeftCount);
    number(S, "RightCount", s.RightCount);
    number(S, "WheelScrollLines", s.WheelScrollLines);
    number(S, "MouseSensitivity", s.MouseSensitivity);
    number(S, "DoubleClickSpeed", s.DoubleClickSpeed);
    number(S, "AccelerationEnabled", s.AccelerationEnabled);
    number(S, "Acceleration", s.Acceleration);
    number(S, "UniversalScrollEnabled", s.UniversalScrollEnabled);
    number(S, "AngleV", s.AngleV);
    number(S, "LiftV", s.LiftV);
    for (int i = 0; i < kDpiStageCount; ++i)
        visit(S, indexedKey("DPI_INFO", i + 1), &s.dpiStages[i], sizeof(DpiStage), true);
    for (int i = 0; i < kLedModeCount; ++i)
        visit(S, indexedKey("LED_MODE_INFO", i + 1), &s.ledModes[i], sizeof(LedModeInfo), true);
    number(S, "DPI", s.DPI);
    number(S, "LedStateOn", s.LedStateOn);
    number(S, "LedColor", s.LedColor);
    number(S, "LedMode", s.LedMode);
    for (int p = 0; p < kProfileCount; ++p) {
        const ProfileGroup& g = s.profiles[p];
        const std::string section = profileSection(p);
        number(section, "DPI", g.DPI);
        for (int i = 0; i < kButtonRecordCount; ++i)
            visit(section, indexedKey("ButtonAssigned", i + 1), &g.buttons[i], sizeof(ButtonRecord), true);
    }
}

void writeKey(platform::ProfileBatch& ini, const std::string& section, const std::string& key, const void* field,
              size_t size, bool blob) {
    if (blob) {
        ini.writeStruct(section, key, field, size);
    } else {
        int32_t value = 0;
        std::memcpy(&value, field, sizeof value);
        ini.writeInt(section, key, value);
    }
}

void writeRecord(platform::ProfileBatch& ini, const MouseSettings& s) {
    visitRecordKeys(s, [&](const std::string& section, const std::string& key, const void* field, size_t size,
                           bool blob) { writeKey(ini, section, key, field, size, blob); });
}

}  // namespace

bool loadAll(MouseSettings& s, const std::string& path, int profile) {
    platform::ProfileBatch ini(path);
    const bool read = ini.load();
    readRecord(ini, s, profile);
    return read;
}

bool saveAll(const MouseSettings& s, const std::string& path) {
    platform::ProfileBatch ini(path);
    writeRecord(ini, s);
    return ini.commit();
}

bool saveAllKeepingChanges(const MouseSettings& s, const std::string& path, const MouseSettings& loaded) {
    auto file = std::make_unique<MouseSettings>();
    return platform::updateProfile(path, [&](platform::IniDocument& doc) {
        platform::ProfileBatch ini(path, std::move(doc));
        clear(*file);
        readRecord(ini, *file, -1);
        const char* const origin = reinterpret_cast<const char*>(&s);
        visitRecordKeys(s, [&](const std::string& section, const std::string& key, const void* field, size_t size,
                               bool blob) {
            const size_t offset = static_cast<size_t>(static_cast<const char*>(field) - origin);
            const bool changedSince = std::memcmp(reinterpret_cast<const char*>(file.get()) + offset,
                                                  reinterpret_cast<const char*>(&loaded) + offset, size) != 0;
            if (!changedSince) writeKey(ini, section, key, field, size, blob);
        });
        doc = ini.document();
        return true;
    });
}

bool saveChanges(const MouseSettings& s, const MouseSettings& base, const std::string& path) {
    platform::ProfileBatch ini(path);
    const char* const origin = reinterpret_cast<const char*>(&s);
    const char* const baseOrigin = reinterpret_cast<const char*>(&base);
    visitRecordKeys(s, [&](const std::string& section, const std::string& key, const void* field, size_t size,
                           bool blob) {
        const size_t offset = static_cast<size_t>(static_cast<const char*>(field) - origin);
        if (std::memcmp(field, baseOrigin + offset, size) != 0) writeKey(ini, section, key, field, size, blob);
    });
    return ini.pendingWrites() == 0 || ini.commit();
}

bool loadAndNormalise(MouseSettings& s, const std::string& path, int profile, platform::IniDocument* normalised) {
    // The read and the write-back happen under one lock: another program saving between the two
    // would otherwise have its new values overwritten with the ones read just before.
    bool loaded = false;
    std::vector<settingsrules::Correction> corrected;
    bool saved = platform::updateProfile(path, [&](platform::IniDocument& doc) {
        platform::ProfileBatch ini(path, std::move(doc));
        readRecord(ini, s, profile);
        // A value the mouse cannot hold is corrected in the file too, under the same lock; an unset
        // one stays unset (its user puts the factory value in its place).
        corrected = settingsrules::keepInRange(s, nullptr, true);
        writeRecord(ini, s);
        doc = ini.document();
        if (normalised) *normalised = doc;
        loaded = true;
        return true;
    });
    // Unreadable or unlockable: read without the lock (unreadable: defaults), nothing written.
    if (!loaded) return loadAll(s, path, profile);
    for (const settingsrules::Correction& c : corrected)
        platform::debugPrintf("%s: \"%s\" held a value the mouse cannot keep (%s)%s", path.c_str(), c.key.c_str(),
                              c.change.c_str(), saved ? ", corrected" : "");
    return true;
}

namespace {

// "-12", "300": what a writer of the file writes for an integer (no text, no hex, no overflow).
bool isDecimalInt(std::string_view text) {
    size_t i = text.size() > 1 && (text[0] == '-' || text[0] == '+') ? 1 : 0;
    if (i == text.size() || text.size() - i > 10) return false;
    int64_t value = 0;
    for (; i < text.size(); ++i) {
        if (text[i] < '0' || text[i] > '9') return false;
        value = value * 10 + (text[i] - '0');
    }
    return value <= (text[0] == '-' ? 2147483648LL : 2147483647LL);
}

void listProblem(std::vector<std::string>& problems, std::string problem) { problems.push_back(std::move(problem)); }

}  // namespace

bool loadProfileFile(MouseSettings& s, const std::string& path, std::string* problem) {
    bool exists = false;
    const platform::IniDocument doc = platform::readProfileDocument(path, &exists);
    if (!exists) {
        if (problem) problem->clear();
        return false;
    }
    // Every key a save writes, as one writes them: the record's keys and their kinds.
    platform::ProfileBatch keys(path, platform::IniDocument{});
    writeRecord(keys, s);
    std::vector<std::string> problems;
    for (const std::string& section : keys.document().sectionNames()) {
        for (const std::string& key : keys.document().keyNames(section)) {
            const std::string where = section == kSettingSection ? key : section + "/" + key;
            const std::optional<std::string> value = doc.get(section, key);
            if (!value) {
                listProblem(problems, "\"" + where + "\" is missing");
                continue;
            }
            const std::string form = *keys.document().get(section, key);
            const bool blob = key.rfind("DPI_INFO", 0) == 0 || key.rfind("LED_MODE_INFO", 0) == 0 ||
                              key.rfind("ButtonAssigned", 0) == 0;
            std::vector<uint8_t> bytes(form.size() / 2);
            if (blob ? !platform::decodeStruct(*value, bytes.data(), bytes.size() - 1) : !isDecimalInt(*value))
                listProblem(problems, "\"" + where + "\" is damaged");
        }
    }
    clear(s);
    platform::ProfileBatch ini(path, doc);
    readRecord(ini, s, -1);
    if (problems.empty()) {
        auto copy = std::make_unique<MouseSettings>(s);
        for (const settingsrules::Correction& c : settingsrules::keepInRange(*copy, nullptr, true))
            listProblem(problems, "\"" + c.key + "\" holds a value the mouse cannot keep (" + c.change + ")");
    }
    if (problems.empty()) return true;
    if (problem) {
        *problem = problems.front();
        for (size_t i = 1; i < problems.size() && i < 3; ++i) *problem += ", " + problems[i];
        if (problems.size() > 3) *problem += " and " + std::to_string(problems.size() - 3) + " more";
    }
    return false;
}

void validateCopy(MouseSettings& dst, const MouseSettings& src) {
    if (&dst != &src) std::memcpy(&dst, &src, sizeof dst);
    if (static_cast<uint32_t>(dst.Profile) > 4) dst.Profile = 0;
    if (dst.MouseButtons == 0 || static_cast<uint32_t>(dst.MouseButtons) > 11) dst.MouseButtons = 11;
    if (dst.TrayEnabled != 0 && dst.TrayEnabled != 1) dst.TrayEnabled = 1;
    if (dst.PollingRate == 0 || static_cast<uint32_t>(dst.PollingRate) > 8) dst.PollingRate = 2;
    for (ProfileGroup& g : dst.profiles) {
        for (int i = 0; i < kButtonRecordCount; ++i) {
            if (!isValidFunctionCode(g.buttons[i].code)) resetButton(g.buttons[i], defaultFunctionCode(i));
        }
    }
}

void factoryDefaults(MouseSettings& s, int profile) {
    s.DPI = 1;
    s.PollingRate = 2;
    s.AngleV = 0;
    s.LiftV = 0;
    s.LedStateOn = 1;
    s.LedColor = 255;
    s.LedMode = 1;
    for (int i = 0; i < kLedModeCount; ++i) {
        int32_t first = i == 1 ? 1 : i == 4 ? 3 : 0;
        // Rate 8: the fastest the mouse runs (and keeps; a higher one would read back as 8).
        s.ledModes[i] = LedModeInfo{first, 4, 8};
    }
    for (int i = 0; i < kDpiStageCount; ++i) {
        int32_t v = kFactoryDpiSteps[i];
        s.dpiStages[i] = DpiStage{0, v, v, v};
    }
    s.AccelerationEnabled = 0;
    s.Acceleration = 1;
    s.MouseSensitivity = 5;
    s.UniversalScrollEnabled = 0;
    s.WheelScrollLines = 1;
    s.DoubleClickSpeed = 12;
    if (profile < 0 || profile >= kProfileCount) return;
    ProfileGroup& g = s.profiles[profile];
    g.DPI = 1;
    for (int i = 0; i < kButtonRecordCount; ++i) resetButton(g.buttons[i], defaultFunctionCode(i));
}

bool loadProfile(ProfileGroup& group, int profile, const std::string& path) {
    if (!validProfileArgument(profile)) return false;
    platform::ProfileBatch ini(path);
    const bool read = ini.load();
    loadProfileFrom(ini, group, profileSection(profile));
    return read;
}

bool saveProfile(const ProfileGroup& group, int profile, const std::string& path) {
    if (!validProfileArgument(profile)) return false;
    platform::ProfileBatch ini(path);
    saveProfileTo(ini, group, profileSection(profile));
    return ini.commit();
}

bool writeClickCounters(const std::string& path, int left, int right) {
    platform::ProfileBatch ini(path);
    ini.writeInt(kSettingSection, "LeftCount", left);
    ini.writeInt(kSettingSection, "RightCount", right);
    return ini.commit();
}

bool writeProfileIndex(const std::string& path, int profile) {
    return platform::writeProfileInt(path, kSettingSection, "Profile", profile);
}

bool writeDevice(const std::string& path, int device) {
    return platform::writeProfileInt(path, kSettingSection, "Device", device);
}

bool isStorableProgramRule(std::string_view exe) {
    if (exe.empty()) return true;
    const std::u16string units = textcodec::fromUtf8(exe);
    if (units.size() > static_cast<size_t>(kMaxTextUnits) || textcodec::toUtf8(units) != exe) return false;
    for (unsigned char ch : exe)
        if (ch < 0x20 || ch == 0x7F) return false;
    const auto blank = [](char ch) { return ch == ' ' || ch == '\t'; };
    if (blank(exe.front()) || blank(exe.back())) return false;
    return !(exe.size() >= 2 && exe.front() == '"' && exe.back() == '"');
}

bool writeProgramRule(const std::string& path, int profile, std::string_view exe) {
    if (profile < 0 || profile >= kProfileCount || !isStorableProgramRule(exe)) return false;
    return platform::writeProfileString(path, profileSection(profile), "Exe", exe);
}

int readDevice(const std::string& path) {
    return platform::readProfileInt(path, kSettingSection, "Device", 0);
}

bool writeWriteFailed(const std::string& path, int reason) {
    return platform::writeProfileInt(path, kSettingSection, kWriteFailedKey, reason);
}

int readWriteFailed(const std::string& path) {
    return platform::readProfileInt(path, kSettingSection, kWriteFailedKey, 0);
}

bool markUnwritten(const std::string& path) {
    return platform::writeProfileInt(path, kSettingSection, kUnwrittenKey, 1);
}

bool clearUnwritten(const std::string& path) { return platform::deleteProfileKey(path, kSettingSection, kUnwrittenKey); }

bool unwrittenMark(const platform::IniDocument& file) {
    return platform::parseProfileInt(file.get(kSettingSection, kUnwrittenKey), 0) != 0;
}

void readScrollTrayFlags(MouseSettings& s, const std::string& path) {
    platform::ProfileBatch ini(path);
    ini.load();
    s.UniversalScrollEnabled = ini.readInt(kSettingSection, "UniversalScrollEnabled", -1);
    s.TrayEnabled = ini.readInt(kSettingSection, "TrayEnabled", -1);
}

bool readDpiStage(MouseSettings& s, const std::string& path, int stage) {
    if (stage < 0 || stage >= kDpiStageCount) return false;
    return platform::readProfileStruct(path, kSettingSection, indexedKey("DPI_INFO", stage + 1),
                                       &s.dpiStages[stage], sizeof(DpiStage));
}

void shippedDefaults(MouseSettings& s) {
    std::memset(&s, 0, sizeof s);
    clear(s);
    for (int p = 0; p < kProfileCount; ++p) factoryDefaults(s, p);
    s.Profile = 0;
    s.TrayEnabled = 1;
    s.MouseButtons = 9;
    s.LeftCount = 0;
    s.RightCount = 0;
}

}  // namespace settings
