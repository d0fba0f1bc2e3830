#pragma once
// Skin description files: small INI files in the "skins" folder beside the program that name a
// window's pictures (section "Screen": "Main", "Over", "Down", "Disabled") and the caption texts of
// its controls (section "BUTTONPOS", keys are the control numbers in decimal). Qt-free.
//
// A missing file or key reads as an empty text. Captions may hold line breaks written as the
// two-character sequences "\n" or "\r\n" (an INI value is one line); they become real '\n'.
#include <map>
#include <string>

namespace platform {
class IniDocument;
}

namespace skin {

struct SkinDescription {
    std::string main, over, down, disabled;  // picture file names, relative to the "skins" folder
    std::map<int, std::string> captions;     // "BUTTONPOS": control number -> caption

    // The caption of that control number; empty when the key is missing.
    std::string caption(int id) const;
};

// Reads programFolder/iniFile (iniFile like "skins/skin_main.ini").
SkinDescription loadSkinDescription(const std::string& programFolder, const std::string& iniFile);
// The same from a document already read.
SkinDescription parseSkinDescription(const platform::IniDocument& doc);

// programFolder/skins/name: where a picture named in a description file (or in code) lies.
std::string skinImagePath(const std::string& programFolder, const std::string& name);

// programFolder/relative with exactly one '/' between them; backslashes in relative become '/'.
std::string programFile(const std::string& programFolder, const std::string& relative);

}  // namespace skin
