// The strings file chosen from the locale variables, and the per-key fallback to English.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "shared/string_table.h"
#include "shared/strings_language.h"
#include "temp_folder.h"

namespace {

using Languages = std::vector<std::string>;

TEST(StringsLanguage, LocaleVariablesGiveLanguagesInOrder) {
    const struct {
        strings::LocaleVariables locale;  // LANGUAGE, LC_ALL, LC_MESSAGES, LANG
        Languages languages;
    } cases[] = {
        {{"", "", "", "de_DE.UTF-8"}, {"de_DE", "de"}},
        {{"", "", "", ""}, {}},
        {{"", "", "", "C.UTF-8"}, {}},
        {{"zh_CN", "", "", "de_DE.UTF-8"}, {"zh_CN", "zh", "de_DE", "de"}},
        {{"de:es", "", "", ""}, {"de", "es"}},
        {{"es_MX::de_AT", "", "", ""}, {"es_MX", "es", "de_AT", "de"}},  // an empty entry is skipped
        {{"de_DE:de", "", "", "de_DE.UTF-8"}, {"de_DE", "de"}},          // no duplicates
        // Which of LC_ALL, LC_MESSAGES and LANG is set first decides alone, as in the C library.
        {{"", "es_ES.UTF-8", "de_DE", "zh_CN"}, {"es_ES", "es"}},
        {{"", "", "de_DE", "zh_CN"}, {"de_DE", "de"}},
        {{"", "", "C", "de_DE.UTF-8"}, {}},
        // English is "Strings.xml" itself: a language after it is never used.
        {{"en:de", "", "", ""}, {}},
        {{"en_GB:de", "", "", ""}, {"en_GB"}},
        {{"de", "C", "", ""}, {"de"}},
        {{"sr_RS@latin", "", "", ""}, {"sr_RS@latin", "sr@latin", "sr_RS", "sr"}},
        {{"de_DE.ISO-8859-15@euro", "", "", ""}, {"de_DE@euro", "de@euro", "de_DE", "de"}},
        // Nothing that is not a locale name can form a file name.
        {{"../../etc/x:de/..:.:_DE:@x:de_DE.:de@:es", "", "", ""}, {"es"}},
        {{"", "", "", "/tmp/evil"}, {}},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(strings::preferredLanguages(c.locale), c.languages)
            << "LANGUAGE=" << c.locale.language << " LC_ALL=" << c.locale.lcAll
            << " LC_MESSAGES=" << c.locale.lcMessages << " LANG=" << c.locale.lang;
    }
}

TEST(StringsLanguage, FilesAreNamedBesideTheEnglishFile) {
    EXPECT_EQ(strings::stringsFiles("/opt/k/Strings.xml", {"de_DE", "de"}),
              Languages({"/opt/k/Strings.de_DE.xml", "/opt/k/Strings.de.xml", "/opt/k/Strings.xml"}));
    EXPECT_EQ(strings::stringsFiles("/opt/k/Strings.xml", {}), Languages({"/opt/k/Strings.xml"}));
    EXPECT_EQ(strings::stringsFiles("/opt/k.d/Strings", {"es"}), Languages({"/opt/k.d/Strings.es", "/opt/k.d/Strings"}));
}

class TranslatedStrings : public TempFolderTest {
protected:
    void SetUp() override {
        TempFolderTest::SetUp();
        english_ = writeFile("Strings.xml",
                             "<Strings><MAIN><FONT>DejaVu Sans</FONT><CLOSE>Close</CLOSE><HELP>Help</HELP>"
                             "<NEW>New</NEW></MAIN></Strings>");
        // German lacks HELP, holds NEW empty; the regional file has only CLOSE.
        writeFile("Strings.de.xml",
                  "<Strings><MAIN><FONT>Noto Sans</FONT><CLOSE>Schließen</CLOSE><NEW></NEW></MAIN></Strings>");
        writeFile("Strings.de_AT.xml", "<Strings><MAIN><CLOSE>Zumachen</CLOSE></MAIN></Strings>");
        writeFile("Strings.es.xml", "<Strings><MAIN><CLOSE>Cerrar</CLOSE></MAIN>");  // not well-formed
        for (const char* name : {"LANGUAGE", "LC_ALL", "LC_MESSAGES", "LANG"}) env_.unset(name);
    }

    std::string english_;
};

TEST_F(TranslatedStrings, MissingKeysAndUnknownLocalesGiveEnglish) {
    const struct {
        const char* language;
        const char *close, *help, *newText, *font;
    } cases[] = {
        {"de_DE.UTF-8", "Schließen", "Help", "New", "Noto Sans"},
        {"de_AT", "Zumachen", "Help", "New", "Noto Sans"},  // region, then language, then English
        {"es", "Close", "Help", "New", "DejaVu Sans"},       // a broken translation is passed over
        {"xx_YY", "Close", "Help", "New", "DejaVu Sans"},    // no such translation
        {"", "Close", "Help", "New", "DejaVu Sans"},
    };
    for (const auto& c : cases) {
        env_.set("LANG", c.language);
        const StringTable table(english_);
        for (const auto& [key, text] : {std::pair{"CLOSE", c.close}, {"HELP", c.help}, {"NEW", c.newText}, {"FONT", c.font}}) {
            EXPECT_EQ(lookupString(english_, "MAIN", key), text) << c.language << " " << key;
            EXPECT_EQ(table.lookup("MAIN", key), text) << c.language << " " << key;
        }
        EXPECT_EQ(table.lookup("MAIN", "NOSUCHKEY"), "") << c.language;
    }
}

}  // namespace
