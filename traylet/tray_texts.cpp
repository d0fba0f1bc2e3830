#include "traylet/tray_texts.h"

#include "shared/string_table.h"

namespace tray {
namespace {

void take(const StringTable& strings, const char* section, const char* key, std::string& text) {
    std::string found = strings.lookup(section, key);
    if (!found.empty()) text = std::move(found);
}

}  // namespace

Texts loadTexts(const StringTable& strings) {
    Texts t;
    const struct {
        const char* key;
        std::string Texts::*text;
    } tray[] = {
        {"TRAYNAME", &Texts::name},          {"NOSETTINGS", &Texts::noSettings},
        {"PROFILE", &Texts::profile},        {"STAGE", &Texts::stage},
        {"DPI", &Texts::dpi},                {"DPIAXES", &Texts::dpiAxes},
        {"FAILNOANSWER", &Texts::failNoAnswer}, {"FAILMISMATCH", &Texts::failMismatch},
        {"OPENPANEL", &Texts::openPanel},    {"OPENPANELTIP", &Texts::openPanelTip},
        {"NOPANEL", &Texts::noPanel},        {"NOTICES", &Texts::notices},
        {"NOTICESTIP", &Texts::noticesTip},  {"QUIT", &Texts::quit},
        {"NOTICEDPI", &Texts::noticeDpi},    {"NOTICELIGHTING", &Texts::noticeLighting},
        {"LIGHTINGOFF", &Texts::lightingOff},
    };
    for (const auto& entry : tray) take(strings, "TRAY", entry.key, t.*entry.text);
    take(strings, "MAIN", "CONNECTED", t.connected);
    take(strings, "MAIN", "NODEVICE", t.noDevice);
    take(strings, "MAIN", "NOSERVICE", t.noService);
    for (size_t i = 0; i < t.ledModes.size(); ++i)
        take(strings, "BUTTONPAGE", ("LEDMODE" + std::to_string(i + 1)).c_str(), t.ledModes[i]);
    return t;
}

}  // namespace tray
