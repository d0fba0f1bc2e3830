#include "skin/skin_description.h"

#include <algorithm>
#include <cstdlib>

#include "platform/profile_ini.h"

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

}  // namespace

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
    return parseSkinDescription(platform::readProfileDocument(programFile(programFolder, iniFile)));
}

SkinDescription parseSkinDescription(const platform::IniDocument& doc) {
    SkinDescription result;
    auto text = [&](const char* section, const char* key) { return doc.get(section, key).value_or(std::string()); };
    result.main = text("Screen", "Main");
    result.over = text("Screen", "Over");
    result.down = text("Screen", "Down");
    result.disabled = text("Screen", "Disabled");
    for (const std::string& key : doc.keyNames("BUTTONPOS")) {
        int number = 0;
        if (controlNumber(key, number)) result.captions[number] = withLineBreaks(text("BUTTONPOS", key.c_str()));
    }
    return result;
}

}  // namespace skin
