#pragma once
// Which strings file the programs read: the user's language chosen from the locale variables, and
// the translated files beside the English "Strings.xml" that it names.
//
// The variables count in the order LANGUAGE (a colon-separated list of languages), then the first
// non-empty one of LC_ALL, LC_MESSAGES and LANG (which one of these decides, as the C library
// does). Each entry is tried with its territory, then without: "de_DE.UTF-8" gives "de_DE", "de"
// and so the files "Strings.de_DE.xml", "Strings.de.xml". English ("en", "C", "POSIX") is the
// language of "Strings.xml" itself and ends the list: a language after it is never used ("en_GB"
// is still tried first, for a file of its own).
// "Strings.xml" is always the last file, the fallback for every key a translation lacks.
#include <string>
#include <vector>

namespace strings {

// The locale variables as the process sees them (empty when unset).
struct LocaleVariables {
    std::string language;    // LANGUAGE
    std::string lcAll;       // LC_ALL
    std::string lcMessages;  // LC_MESSAGES
    std::string lang;        // LANG
};

// Reads LANGUAGE, LC_ALL, LC_MESSAGES and LANG from the environment.
LocaleVariables localeFromEnvironment();

// The languages to try, most preferred first, without duplicates: "de_DE", "de", ... Codesets
// (".UTF-8") are dropped; a modifier ("@latin") is tried before the name without it. Entries that
// are not locale names (empty, or with characters other than letters, digits, '_', '-', '@' and a
// codeset after '.') are skipped, so no entry can reach outside the program's folder.
std::vector<std::string> preferredLanguages(const LocaleVariables& locale);

// The strings files to read, most preferred first, ending with englishPath itself:
// "/x/Strings.xml" with {"de_DE", "de"} gives "/x/Strings.de_DE.xml", "/x/Strings.de.xml",
// "/x/Strings.xml". The translated names insert ".<language>" before the extension.
std::vector<std::string> stringsFiles(const std::string& englishPath, const std::vector<std::string>& languages);

// stringsFiles() for the user's locale.
std::vector<std::string> userStringsFiles(const std::string& englishPath);

}  // namespace strings
