#pragma once
// The string table: every user-visible text of the programs, looked up by section and key in the
// XML strings file ("Strings.xml" beside the programs).
//
// Shape of the file: one root element of any name; each section is a child element of the root
// named as the section; each entry is a child element of its section named as the key, holding the
// text. A section may contain a further element of the same section name, in which the search
// continues. Names are compared exactly.
#include <memory>
#include <string>

class XmlDocument;

// The strings file read once, for a program that looks up many texts (a window drawing its pages).
// lookup() gives what lookupString() gives for the same file as it was when loaded.
class StringTable {
public:
    explicit StringTable(const std::string& xmlPath);
    ~StringTable();
    StringTable(const StringTable&) = delete;
    StringTable& operator=(const StringTable&) = delete;
    std::string lookup(const std::string& section, const std::string& key) const;

private:
    std::unique_ptr<XmlDocument> doc_;  // null when the file could not be read or is not well-formed
};

// Text of key in section of the strings file at xmlPath, as UTF-8. The file is loaded anew on each
// call (nothing is cached). Empty when the file cannot be read or is not well-formed, or when the
// section or key does not exist.
std::string lookupString(const std::string& xmlPath, const std::string& section,
                         const std::string& key);
