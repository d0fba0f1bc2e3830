#include "skin/skin_description.h"

#include <algorithm>
#include <cctype>
#include <cstdlib>
#include <memory>

#include "platform/profile_ini.h"
#include "shared/string_table.h"
#include "shared/strings_language.h"

namespace skin {
namespace {

// "\r\n" and "\n" written out in the file become line breaks; a real "\r\n" becomes '\n'.
std::string withLineBreaks(const std::string& text) {
    std::string out;
    out.reserve(text.size());
    for (size_t i = 0; i < text.size(); ++i) {
        if (text.compare(i, 4, "\\r\\n") == 0) {
            out += '\n';
            i += 3;
        } else if (text.compare(i, 2, "\\n") == 0) {
            out += '\n';
            i += 1;
        } else if (text.compare(i, 2, "\r\n") == 0) {
            out += '\n';
            i += 1;
        } else {
            out += text[i];
        }
    }
    return out;
}

// A decimal control number; false for anything else (such keys are not controls).
bool controlNumber(const std::string& key, int& number) {
    if (key.empty() || key.size() > 9 || !std::all_of(key.begin(), key.end(), [](char c) { return c >= '0' && c <= '9'; }))
        return false;
    number = std::atoi(key.c_str());
    return true;
}

// The translations of the strings file beside the program for the user's language; null when the
// user's language is English or no translation is there.
std::unique_ptr<StringTable> captionTranslations(const std::string& programFolder) {
    std::vector<std::string> files = strings::userStringsFiles(programFile(programFolder, "Strings.xml"));
    files.pop_back();  // "Strings.xml" itself: the description files hold the English captions
    if (files.empty()) return nullptr;
    return std::make_unique<StringTable>(files);
}

}  // namespace

std::string captionSection(const std::string& iniFile) {
    std::string name = iniFile.substr(iniFile.find_last_of("/\\") + 1);
    name = name.substr(0, name.rfind('.'));
    std::transform(name.begin(), name.end(), name.begin(), [](unsigned char c) { return std::toupper(c); });
    return name;
}

std::string SkinDescription::caption(int id) const {
    auto it = captions.find(id);
    return it == captions.end() ? std::string() : it->second;
}

std::string programFile(const std::string& programFolder, const std::string& relative) {
    std::string rel = relative;
    std::replace(rel.begin(), rel.end(), '\\', '/');
    while (!rel.empty() && rel.front() == '/') rel.erase(rel.begin());
    if (programFolder.empty()) return rel;
    if (programFolder.back() == '/') return programFolder + rel;
    return programFolder + "/" + rel;
}

std::string skinImagePath(const std::string& programFolder, const std::string& name) {
    return programFile(programFolder, "skins/" + name);
}

SkinDescription loadSkinDescription(const std::string& programFolder, const std::string& iniFile) {
    const std::unique_ptr<StringTable> translations = captionTranslations(programFolder);
    return parseSkinDescription(platform::readProfileDocument(programFile(programFolder, iniFile)), translations.get(),
                                captionSection(iniFile));
}

SkinDescription parseSkinDescription(const platform::IniDocument& doc, const StringTable* translations,
                                     const std::string& section) {
    SkinDescription result;
    auto text = [&](const char* section, const char* key) { return doc.get(section, key).value_or(std::string()); };
    result.main = text("Screen", "Main");
    result.over = text("Screen", "Over");
    result.down = text("Screen", "Down");
    result.disabled = text("Screen", "Disabled");
    for (const std::string& key : doc.keyNames("BUTTONPOS")) {
        int number = 0;
        if (!controlNumber(key, number)) continue;
        std::string caption = translations != nullptr ? translations->lookup(section, "C" + key) : std::string();
        if (caption.empty()) caption = text("BUTTONPOS", key.c_str());
        result.captions[number] = withLineBreaks(caption);
    }
    return result;
}

}  // namespace skin
