#pragma once
// The string table: every user-visible text of the programs, looked up by section and key in the
// XML strings file ("Strings.xml" beside the programs) and in its translation for the user's
// language beside it ("Strings.de.xml", chosen as strings_language.h says).
//
// Shape of a file: one root element of any name; each section is a child element of the root
// named as the section; each entry is a child element of its section named as the key, holding the
// text. A section may contain a further element of the same section name, in which the search
// continues. Names are compared exactly.
//
// A key that a translation lacks, or holds empty, is taken from the next file in line and at last
// from "Strings.xml"; a translation that cannot be read or is not well-formed is passed over.
#include <memory>
#include <string>
#include <vector>

class XmlDocument;

// The strings files read once, for a program that looks up many texts (a window drawing its
// pages). lookup() gives what lookupString() gives for the same files as they were when loaded.
class StringTable {
public:
    // The file at xmlPath with the translations for the user's language beside it.
    explicit StringTable(const std::string& xmlPath);
    // Exactly these files, most preferred first (the English file last).
    explicit StringTable(const std::vector<std::string>& files);
    ~StringTable();
    StringTable(const StringTable&) = delete;
    StringTable& operator=(const StringTable&) = delete;
    std::string lookup(const std::string& section, const std::string& key) const;

private:
    std::vector<std::unique_ptr<XmlDocument>> docs_;  // the files that could be read, in order
};

// Text of key in section, as UTF-8, from the strings file at xmlPath or its translation for the
// user's language. The files are loaded anew on each call (nothing is cached). Empty when no file
// can be read and parsed, or when no file has the section and key.
std::string lookupString(const std::string& xmlPath, const std::string& section,
                         const std::string& key);

// A text of the strings file with "%1".."%9" replaced by the arguments (a number without argument
// stays as it is).
std::string fillIn(const std::string& format, const std::vector<std::string>& args);
