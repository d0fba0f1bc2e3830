// The shipped translations: each one a complete, well-formed copy of "Strings.xml" in its language.
// When a new English key is added, this test names every translation that still lacks it.
#include <gtest/gtest.h>

#include <filesystem>
#include <map>
#include <set>
#include <string>

#include "shared/xml_document.h"

namespace {

using Entries = std::map<std::string, std::string>;  // "SECTION/KEY" -> text

std::string dataFolder() { return std::string(KORVANTE_SOURCE_DIR) + "/data"; }

// Every entry of a strings file, or a failure naming why it cannot be read.
::testing::AssertionResult readEntries(const std::string& path, Entries& entries) {
    XmlDocument doc;
    if (!doc.load(path)) return ::testing::AssertionFailure() << path << ": " << doc.result();
    if (doc.result().find("UTF-8") == std::string::npos)
        return ::testing::AssertionFailure() << path << " is not read as UTF-8: " << doc.result();
    while (doc.findChildElem()) {
        const std::string section = doc.getChildTagName();
        doc.intoElem();
        while (doc.findChildElem()) entries.emplace(section + "/" + doc.getChildTagName(), doc.getChildData());
        doc.outOfElem();
    }
    return ::testing::AssertionSuccess();
}

// The "%1".."%9" a text fills in.
std::set<std::string> placeholders(const std::string& text) {
    std::set<std::string> found;
    for (size_t i = 0; i + 1 < text.size(); ++i)
        if (text[i] == '%' && text[i + 1] >= '1' && text[i + 1] <= '9') found.insert(text.substr(i, 2));
    return found;
}

TEST(Translations, EachHasEveryKeyOfTheEnglishFileAndNoOther) {
    Entries english;
    ASSERT_TRUE(readEntries(dataFolder() + "/Strings.xml", english));
    std::set<std::string> languages;
    for (const auto& file : std::filesystem::directory_iterator(dataFolder())) {
        const std::string name = file.path().filename().string();
        if (!name.starts_with("Strings.") || name == "Strings.xml" || !name.ends_with(".xml")) continue;
        languages.insert(name);
        Entries translated;
        ASSERT_TRUE(readEntries(file.path().string(), translated));
        for (const auto& [key, text] : english) {
            auto it = translated.find(key);
            if (it == translated.end() || it->second.empty()) {
                ADD_FAILURE() << name << " lacks " << key << " (English: \"" << text << "\")";
                continue;
            }
            // A translation that drops or adds a "%1" loses a file name or shows "%2" to the user.
            EXPECT_EQ(placeholders(it->second), placeholders(text)) << name << " " << key << ": \"" << it->second << "\"";
        }
        // The captions of the window's controls ("SKIN_..." sections) have their English in the
        // skin description files: tests/skin checks them.
        for (const auto& [key, text] : translated)
            EXPECT_TRUE(english.count(key) || key.starts_with("SKIN_"))
                << name << " has " << key << ", which Strings.xml does not (misspelt?)";
    }
    EXPECT_EQ(languages, (std::set<std::string>{"Strings.de.xml", "Strings.es.xml", "Strings.zh_CN.xml"}));
}

}  // namespace
