#include "platform/registry_store.h"

#include <vector>

#include "platform/atomic_file.h"
#include "platform/diagnostics.h"
#include "platform/known_folders.h"

namespace platform {
namespace {

constexpr const char* kMouseKey = "HKEY_CURRENT_USER\\Control Panel\\Mouse";

struct Entry {
    std::string name;
    std::string tag;   // type tag as stored ("sz"); unknown tags are kept as they are
    std::string data;  // decoded data
};

struct Section {
    std::string path;
    std::vector<Entry> entries;
};

struct Document {
    std::vector<Section> sections;
    int damagedLines = 0;
};

char lowerAscii(char c) { return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c; }

bool equalsNoCase(std::string_view a, std::string_view b) {
    if (a.size() != b.size()) return false;
    for (size_t i = 0; i < a.size(); ++i)
        if (lowerAscii(a[i]) != lowerAscii(b[i])) return false;
    return true;
}

std::string_view trimTrailingBackslashes(std::string_view p) {
    while (!p.empty() && p.back() == '\\') p.remove_suffix(1);
    return p;
}

const char* tagForType(uint32_t type) { return type == kRegTypeString ? "sz" : nullptr; }

bool typeForTag(std::string_view tag, uint32_t* type) {
    if (tag == "sz") {
        *type = kRegTypeString;
        return true;
    }
    return false;
}

std::string escapeName(std::string_view s) {
    std::string out;
    for (size_t i = 0; i < s.size(); ++i) {
        char c = s[i];
        if (c == '\\' || c == '=' || (i == 0 && (c == '[' || c == ';' || c == '#'))) {
            out += '\\';
            out += c;
        } else if (c == '\n') {
            out += "\\n";
        } else if (c == '\r') {
            out += "\\r";
        } else if (c == '\0') {
            out += "\\0";
        } else {
            out += c;
        }
    }
    return out;
}

std::string escapeData(std::string_view s) {
    std::string out;
    for (char c : s) {
        switch (c) {
            case '\\': out += "\\\\"; break;
            case '\n': out += "\\n"; break;
            case '\r': out += "\\r"; break;
            case '\0': out += "\\0"; break;
            default: out += c;
        }
    }
    return out;
}

char unescapeChar(char c) {
    switch (c) {
        case 'n': return '\n';
        case 'r': return '\r';
        case '0': return '\0';
        default: return c;
    }
}

// Parses "name=tag:data". False when the line has no unescaped '=' or no type tag.
bool parseValueLine(std::string_view line, Entry* out) {
    std::string name;
    size_t i = 0;
    bool sawEquals = false;
    for (; i < line.size(); ++i) {
        char c = line[i];
        if (c == '\\' && i + 1 < line.size()) {
            name += unescapeChar(line[++i]);
        } else if (c == '=') {
            sawEquals = true;
            ++i;
            break;
        } else {
            name += c;
        }
    }
    if (!sawEquals) return false;
    std::string_view rest = line.substr(i);
    auto colon = rest.find(':');
    if (colon == std::string_view::npos || colon == 0) return false;
    out->name = std::move(name);
    out->tag = std::string(rest.substr(0, colon));
    out->data.clear();
    std::string_view data = rest.substr(colon + 1);
    for (size_t k = 0; k < data.size(); ++k) {
        if (data[k] == '\\' && k + 1 < data.size())
            out->data += unescapeChar(data[++k]);
        else
            out->data += data[k];
    }
    return true;
}

Section* findSection(Document& doc, std::string_view path) {
    for (auto& s : doc.sections)
        if (equalsNoCase(s.path, path)) return &s;
    return nullptr;
}

const Section* findSection(const Document& doc, std::string_view path) {
    for (const auto& s : doc.sections)
        if (equalsNoCase(s.path, path)) return &s;
    return nullptr;
}

Section& sectionFor(Document& doc, std::string_view path) {
    if (Section* s = findSection(doc, path)) return *s;
    doc.sections.push_back(Section{std::string(path), {}});
    return doc.sections.back();
}

void setEntry(Section& s, Entry e) {
    for (auto& existing : s.entries) {
        if (equalsNoCase(existing.name, e.name)) {
            existing.tag = std::move(e.tag);
            existing.data = std::move(e.data);
            return;
        }
    }
    s.entries.push_back(std::move(e));
}

Document parse(std::string_view text) {
    Document doc;
    Section* current = nullptr;
    size_t pos = 0;
    while (pos < text.size()) {
        size_t end = text.find('\n', pos);
        if (end == std::string_view::npos) end = text.size();
        std::string_view line = text.substr(pos, end - pos);
        pos = end + 1;
        if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
        if (line.empty() || line.front() == ';' || line.front() == '#') continue;
        if (line.front() == '[') {
            std::string_view path = trimTrailingBackslashes(
                line.size() >= 2 && line.back() == ']' ? line.substr(1, line.size() - 2) : std::string_view());
            if (!isValidRegistryKeyPath(path)) {
                ++doc.damagedLines;
                current = nullptr;  // values under a broken header have no key to go to
                continue;
            }
            current = &sectionFor(doc, path);
            continue;
        }
        Entry e;
        if (!current || !parseValueLine(line, &e)) {
            ++doc.damagedLines;
            continue;
        }
        setEntry(*current, std::move(e));
    }
    return doc;
}

Document newStore() {
    Document doc;
    Section& s = sectionFor(doc, kMouseKey);
    s.entries.push_back(Entry{"MouseSpeed", "sz", "1"});
    s.entries.push_back(Entry{"MouseThreshold1", "sz", "6"});
    s.entries.push_back(Entry{"MouseThreshold2", "sz", "10"});
    return doc;
}

std::string serialize(const Document& doc) {
    std::string out;
    for (const auto& s : doc.sections) {
        if (!out.empty()) out += '\n';
        out += '[';
        out += s.path;
        out += "]\n";
        for (const auto& e : s.entries) {
            out += escapeName(e.name);
            out += '=';
            out += e.tag;
            out += ':';
            out += escapeData(e.data);
            out += '\n';
        }
    }
    return out;
}

// Loads the store for reading; a missing file is a new store.
Document load(const std::string& path) {
    if (auto text = readWholeFile(path)) return parse(*text);
    return newStore();
}

// Locked read-modify-replace. `change` returns false to abort without writing.
template <typename Change>
bool modify(const std::string& path, Change change) {
    if (!ensureFolder(parentFolder(path))) return false;
    FileLock lock(path);
    if (!lock.locked()) {
        debugPrintf("registry store: cannot lock %s", path.c_str());
        return false;
    }
    Document doc;
    std::string old;
    if (auto text = readWholeFile(path)) {
        old = std::move(*text);
        doc = parse(old);
    } else if (fileExists(path)) {
        // Present but unreadable: rewriting it from nothing would lose every value.
        debugPrintf("registry store: cannot read %s", path.c_str());
        return false;
    } else {
        doc = newStore();
    }
    if (!change(doc)) return false;
    std::string content = serialize(doc);
    if (content == old) return true;
    if (doc.damagedLines > 0)
        debugPrintf("registry store: dropped %d unreadable line(s) of %s", doc.damagedLines,
                    path.c_str());
    if (!replaceFileAtomically(path, content)) {
        debugPrintf("registry store: cannot write %s", path.c_str());
        return false;
    }
    return true;
}

}  // namespace

bool isValidRegistryKeyPath(std::string_view keyPath) {
    keyPath = trimTrailingBackslashes(keyPath);
    if (keyPath.empty()) return false;
    char prev = '\\';
    for (char c : keyPath) {
        if (static_cast<unsigned char>(c) < 0x20 || c == 0x7F) return false;
        if (c == '\\' && prev == '\\') return false;  // empty component
        prev = c;
    }
    return keyPath.front() != '\\';
}

RegistryStore::RegistryStore() : path_(defaultPath()) {}
RegistryStore::RegistryStore(std::string path) : path_(std::move(path)) {}

std::string RegistryStore::defaultPath() { return pathJoin(vendorFolder(), "registry.ini"); }

bool RegistryStore::keyExists(std::string_view keyPath) const {
    keyPath = trimTrailingBackslashes(keyPath);
    if (!isValidRegistryKeyPath(keyPath)) return false;
    if (keyPath.find('\\') == std::string_view::npos) return true;  // a root
    Document doc = load(path_);
    for (const auto& s : doc.sections) {
        if (equalsNoCase(s.path, keyPath)) return true;
        if (s.path.size() > keyPath.size() && s.path[keyPath.size()] == '\\' &&
            equalsNoCase(std::string_view(s.path).substr(0, keyPath.size()), keyPath))
            return true;
    }
    return false;
}

bool RegistryStore::createKey(std::string_view keyPath) {
    keyPath = trimTrailingBackslashes(keyPath);
    if (!isValidRegistryKeyPath(keyPath)) return false;
    if (keyExists(keyPath)) return true;
    return modify(path_, [&](Document& doc) {
        sectionFor(doc, keyPath);
        return true;
    });
}

bool RegistryStore::readValue(std::string_view keyPath, std::string_view name,
                              RegistryValue* out) const {
    keyPath = trimTrailingBackslashes(keyPath);
    if (!isValidRegistryKeyPath(keyPath)) return false;
    const Document doc = load(path_);
    const Section* s = findSection(doc, keyPath);
    if (!s) return false;
    for (const auto& e : s->entries) {
        if (!equalsNoCase(e.name, name)) continue;
        uint32_t type = 0;
        if (!typeForTag(e.tag, &type)) return false;
        if (out) {
            out->type = type;
            out->data = e.data;
        }
        return true;
    }
    return false;
}

bool RegistryStore::writeValue(std::string_view keyPath, std::string_view name,
                               const RegistryValue& value) {
    keyPath = trimTrailingBackslashes(keyPath);
    const char* tag = tagForType(value.type);
    if (!tag || !isValidRegistryKeyPath(keyPath)) return false;
    return modify(path_, [&](Document& doc) {
        setEntry(sectionFor(doc, keyPath), Entry{std::string(name), tag, value.data});
        return true;
    });
}

}  // namespace platform
