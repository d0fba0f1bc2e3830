#pragma once
// Skin description files: small INI files in the "skins" folder beside the program that name a
// window's pictures (section "Screen": "Main", "Over", "Down", "Disabled") and the caption texts of
// its controls (section "BUTTONPOS", keys are the control numbers in decimal). Qt-free.
//
// A missing file or key reads as an empty text. Captions may hold line breaks written as the
// two-character sequences "\n" or "\r\n" (an INI value is one line); they become real '\n'.
//
// The captions are English. In another language they come from the translation of the strings
// file beside the program ("Strings.de.xml", chosen as shared/strings_language.h says): section
// captionSection(file), key "C" + control number ("SKIN_MAIN"/"C11"); a caption the translation
// lacks keeps the description file's text.
#include <map>
#include <string>

namespace platform {
class IniDocument;
}
class StringTable;

namespace skin {

struct SkinDescription {
    std::string main, over, down, disabled;  // picture file names, relative to the "skins" folder
    std::map<int, std::string> captions;     // "BUTTONPOS": control number -> caption

    // The caption of that control number; empty when the key is missing.
    std::string caption(int id) const;
};

// The strings-file section of a description file's translated captions: its name without folder
// and extension, in upper case ("skins/skin_main.ini" -> "SKIN_MAIN").
std::string captionSection(const std::string& iniFile);

// Reads programFolder/iniFile (iniFile like "skins/skin_main.ini").
SkinDescription loadSkinDescription(const std::string& programFolder, const std::string& iniFile);
// The same from a document already read; captions from the translations' section when they have
// them (no translations: the document's own captions).
SkinDescription parseSkinDescription(const platform::IniDocument& doc, const StringTable* translations = nullptr,
                                     const std::string& section = {});

// programFolder/skins/name: where a picture named in a description file (or in code) lies.
std::string skinImagePath(const std::string& programFolder, const std::string& name);

// programFolder/relative with exactly one '/' between them; backslashes in relative become '/'.
std::string programFile(const std::string& programFolder, const std::string& relative);

}  // namespace skin
