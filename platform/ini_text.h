#pragma once
// The private-profile INI text: a pure parser and serialiser with the platform's lookup rules.
//
// An IniDocument keeps every line of the text it was parsed from (sections, keys, comments, blank
// lines, unknown content, line endings) so that serialise() of an unmodified document gives the
// same bytes back, and a modification touches only the lines it concerns.
//
// Lookup rules: section and key names are compared case-insensitively (ASCII letters); the first
// section of a name and the first key of a name inside it win; a value is trimmed of surrounding
// white space and one pair of surrounding quotes (both single or both double) is removed.
// Lines starting with ';' are comments. Any input, including binary data, parses without error.
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace platform {

class IniDocument {
public:
    IniDocument() = default;

    static IniDocument parse(std::string_view text);
    std::string serialise() const;

    // The value of the key (trimmed, one pair of quotes removed); nullopt when the section or key
    // is absent. A line without '=' is not a key.
    std::optional<std::string> get(std::string_view section, std::string_view key) const;

    // Sets the key's value, keeping the key's place; a new key goes after the last non-blank line
    // of its section, a new section at the end of the document. Line breaks in any of the three
    // texts are replaced by spaces, so a value can never add lines of its own. A value that the
    // reading rules would change (surrounding white space, or surrounding quotes of its own) is
    // written inside one pair of double quotes, so get() returns exactly what was set.
    void set(std::string_view section, std::string_view key, std::string_view value);

    // Removes the first line of that key; false when there was none.
    bool remove(std::string_view section, std::string_view key);
    // Removes the whole first section of that name with its lines; false when there was none.
    bool removeSection(std::string_view section);

    std::vector<std::string> sectionNames() const;
    std::vector<std::string> keyNames(std::string_view section) const;

private:
    struct Line {
        std::string raw;    // the line as it stands in the text, without '\n' (a CR stays)
        bool isKey = false;
        size_t keyBegin = 0, keyLength = 0;  // the trimmed key name inside raw
        size_t valueBegin = 0;               // first character after '='
    };
    struct Section {
        std::string name;   // trimmed; the preamble (lines before any header) has no header line
        bool hasHeader = false;
        std::string header; // raw header line
        std::vector<Line> lines;
    };

    static Line makeLine(std::string raw);
    Section* findSection(std::string_view name);
    const Section* findSection(std::string_view name) const;
    // Index of the key's first line in the section; -1 when absent.
    static std::ptrdiff_t findKey(const Section& section, std::string_view key);
    std::string newLine(std::string_view text) const;
    void appendBlankLineIfNeeded();

    std::string bom_;                       // a UTF-8 byte-order mark, kept as it was
    std::vector<Section> sections_{Section{}};  // sections_[0] is the preamble
    bool finalNewline_ = false;             // the text ended with a line break
    bool crlf_ = false;                     // new lines end in CR LF (the first line did)
};

// Trims white space (space, tab, CR, LF, VT, FF) from both ends.
std::string_view trimIni(std::string_view text);
// ASCII case-insensitive equality.
bool equalsNoCase(std::string_view a, std::string_view b);

// The platform's integer reading of a profile value: nullopt or an empty value gives the default;
// otherwise leading white space, an optional sign, then decimal digits up to the first non-digit
// (wrapping at 32 bits); no digits gives 0.
int parseProfileInt(const std::optional<std::string>& value, int def);

// The struct encoding: every byte as two upper-case hexadecimal digits followed by the checksum
// byte (sum of the bytes modulo 256) in the same form: 2 * size + 2 characters.
std::string encodeStruct(const void* data, size_t size);
// Decodes into data only when the text has exactly 2 * size + 2 hexadecimal digits (either case)
// and the checksum matches; otherwise data is left untouched and false is returned.
bool decodeStruct(std::string_view text, void* data, size_t size);

}  // namespace platform
