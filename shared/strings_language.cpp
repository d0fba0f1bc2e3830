#include "shared/strings_language.h"

#include <algorithm>
#include <cstdlib>
#include <string_view>

namespace strings {
namespace {

std::string environmentValue(const char* name) {
    const char* value = std::getenv(name);
    return value ? value : "";
}

bool isNameCharacter(char c) {
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '_' || c == '-';
}

bool isName(std::string_view text) {
    return !text.empty() && std::all_of(text.begin(), text.end(), isNameCharacter);
}

bool isEnglish(std::string_view language) {
    return language == "C" || language == "POSIX" || language == "en";
}

// What the locale name "ll_CC.codeset@modifier" offers, most specific first. Returns false for a
// text that is no locale name.
bool expand(std::string_view entry, std::vector<std::string>& out) {
    std::string_view modifier;
    if (const size_t at = entry.find('@'); at != std::string_view::npos) {
        modifier = entry.substr(at + 1);
        entry = entry.substr(0, at);
        if (!isName(modifier)) return false;
    }
    if (const size_t dot = entry.find('.'); dot != std::string_view::npos) {
        if (!isName(entry.substr(dot + 1))) return false;  // the codeset is not used, only checked
        entry = entry.substr(0, dot);
    }
    if (!isName(entry)) return false;
    const std::string_view language = entry.substr(0, entry.find('_'));
    if (language.empty()) return false;
    std::vector<std::string_view> bases{entry};
    if (language.size() != entry.size()) bases.push_back(language);
    if (!modifier.empty())
        for (std::string_view base : bases) out.push_back(std::string(base) + "@" + std::string(modifier));
    for (std::string_view base : bases) out.emplace_back(base);
    return true;
}

}  // namespace

LocaleVariables localeFromEnvironment() {
    return {environmentValue("LANGUAGE"), environmentValue("LC_ALL"), environmentValue("LC_MESSAGES"),
            environmentValue("LANG")};
}

std::vector<std::string> preferredLanguages(const LocaleVariables& locale) {
    std::vector<std::string_view> entries;
    std::string_view list = locale.language;
    while (!list.empty()) {
        const size_t colon = list.find(':');
        entries.push_back(list.substr(0, colon));
        list = colon == std::string_view::npos ? std::string_view() : list.substr(colon + 1);
    }
    for (const std::string* decisive : {&locale.lcAll, &locale.lcMessages, &locale.lang}) {
        if (decisive->empty()) continue;
        entries.push_back(*decisive);
        break;
    }

    std::vector<std::string> languages;
    for (std::string_view entry : entries) {
        std::vector<std::string> expanded;
        if (!expand(entry, expanded)) continue;
        for (std::string& language : expanded) {
            if (isEnglish(language)) return languages;  // "Strings.xml" answers from here on
            if (std::find(languages.begin(), languages.end(), language) == languages.end())
                languages.push_back(std::move(language));
        }
    }
    return languages;
}

std::vector<std::string> stringsFiles(const std::string& englishPath, const std::vector<std::string>& languages) {
    // The extension starts at the last dot of the file name (not of a folder's name).
    const size_t slash = englishPath.rfind('/');
    size_t dot = englishPath.rfind('.');
    if (dot == std::string::npos || (slash != std::string::npos && dot < slash)) dot = englishPath.size();
    std::vector<std::string> files;
    for (const std::string& language : languages)
        files.push_back(englishPath.substr(0, dot) + "." + language + englishPath.substr(dot));
    files.push_back(englishPath);
    return files;
}

std::vector<std::string> userStringsFiles(const std::string& englishPath) {
    return stringsFiles(englishPath, preferredLanguages(localeFromEnvironment()));
}

}  // namespace strings
