#include "platform/ini_text.h"

#include <cstring>
#include <limits>

namespace platform {
namespace {

bool isSpace(char c) {
    return c == ' ' || c == '\t' || c == '\r' || c == '\n' || c == '\v' || c == '\f';
}

char lower(char c) { return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c; }

int hexValue(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    return -1;
}

// A name or value as it may be written: one line, so CR and LF become spaces.
std::string oneLine(std::string_view text) {
    std::string out(text);
    for (char& c : out) {
        if (c == '\r' || c == '\n') c = ' ';
    }
    return out;
}

bool isQuote(char c) { return c == '"' || c == '\''; }

// The text of a value as written: quoted when reading would otherwise trim or unquote it.
std::string storedValue(std::string_view value) {
    std::string text = oneLine(value);
    bool quote = !text.empty() &&
                 (isSpace(text.front()) || isSpace(text.back()) ||
                  (text.size() >= 2 && isQuote(text.front()) && text.back() == text.front()));
    return quote ? "\"" + text + "\"" : text;
}

std::string unquote(std::string_view value) {
    if (value.size() >= 2 && isQuote(value.front()) &&
        value.back() == value.front()) {
        value = value.substr(1, value.size() - 2);
    }
    return std::string(value);
}

constexpr std::string_view kBom = "\xEF\xBB\xBF";

}  // namespace

std::string_view trimIni(std::string_view text) {
    size_t begin = 0;
    while (begin < text.size() && isSpace(text[begin])) ++begin;
    size_t end = text.size();
    while (end > begin && isSpace(text[end - 1])) --end;
    return text.substr(begin, end - begin);
}

bool equalsNoCase(std::string_view a, std::string_view b) {
    if (a.size() != b.size()) return false;
    for (size_t i = 0; i < a.size(); ++i) {
        if (lower(a[i]) != lower(b[i])) return false;
    }
    return true;
}

IniDocument::Line IniDocument::makeLine(std::string raw) {
    Line line;
    line.raw = std::move(raw);
    const std::string& r = line.raw;
    size_t begin = 0;
    while (begin < r.size() && isSpace(r[begin])) ++begin;
    if (begin == r.size() || r[begin] == ';') return line;
    size_t eq = r.find('=', begin);
    if (eq == std::string::npos) return line;
    size_t end = eq;
    while (end > begin && isSpace(r[end - 1])) --end;
    line.isKey = true;
    line.keyBegin = begin;
    line.keyLength = end - begin;
    line.valueBegin = eq + 1;
    return line;
}

IniDocument IniDocument::parse(std::string_view text) {
    IniDocument doc;
    if (text.substr(0, kBom.size()) == kBom) {
        doc.bom_ = std::string(kBom);
        text.remove_prefix(kBom.size());
    }
    size_t pos = 0;
    bool first = true;
    while (pos < text.size()) {
        size_t nl = text.find('\n', pos);
        std::string_view raw;
        if (nl == std::string_view::npos) {
            raw = text.substr(pos);
            pos = text.size();
            doc.finalNewline_ = false;
        } else {
            raw = text.substr(pos, nl - pos);
            pos = nl + 1;
            doc.finalNewline_ = true;
        }
        if (first) {
            doc.crlf_ = !raw.empty() && raw.back() == '\r';
            first = false;
        }
        std::string_view t = trimIni(raw);
        if (!t.empty() && t.front() == '[') {
            size_t close = t.rfind(']');
            if (close != std::string_view::npos && close > 0) {
                Section section;
                section.name = std::string(trimIni(t.substr(1, close - 1)));
                section.hasHeader = true;
                section.header = std::string(raw);
                doc.sections_.push_back(std::move(section));
                continue;
            }
        }
        doc.sections_.back().lines.push_back(makeLine(std::string(raw)));
    }
    return doc;
}

std::string IniDocument::serialise() const {
    size_t total = bom_.size() + 1;
    for (const Section& s : sections_) {
        total += s.header.size() + 1;
        for (const Line& l : s.lines) total += l.raw.size() + 1;
    }
    std::string out;
    out.reserve(total);
    out += bom_;
    bool any = false;
    auto emit = [&](const std::string& line) {
        if (any) out += '\n';
        out += line;
        any = true;
    };
    for (const Section& s : sections_) {
        if (s.hasHeader) emit(s.header);
        for (const Line& l : s.lines) emit(l.raw);
    }
    if (any && finalNewline_) out += '\n';
    return out;
}

IniDocument::Section* IniDocument::findSection(std::string_view name) {
    name = trimIni(name);
    for (Section& s : sections_) {
        if (s.hasHeader && equalsNoCase(s.name, name)) return &s;
    }
    return nullptr;
}

const IniDocument::Section* IniDocument::findSection(std::string_view name) const {
    return const_cast<IniDocument*>(this)->findSection(name);
}

std::ptrdiff_t IniDocument::findKey(const Section& section, std::string_view key) {
    key = trimIni(key);
    for (size_t i = 0; i < section.lines.size(); ++i) {
        const Line& l = section.lines[i];
        if (l.isKey && equalsNoCase(std::string_view(l.raw).substr(l.keyBegin, l.keyLength), key)) {
            return static_cast<std::ptrdiff_t>(i);
        }
    }
    return -1;
}

std::optional<std::string> IniDocument::get(std::string_view section, std::string_view key) const {
    const Section* s = findSection(section);
    if (!s) return std::nullopt;
    std::ptrdiff_t at = findKey(*s, key);
    if (at < 0) return std::nullopt;
    const Line& l = s->lines[static_cast<size_t>(at)];
    return unquote(trimIni(std::string_view(l.raw).substr(l.valueBegin)));
}

std::string IniDocument::newLine(std::string_view text) const {
    std::string line(text);
    if (crlf_) line += '\r';
    return line;
}

void IniDocument::appendBlankLineIfNeeded() {
    const Section& last = sections_.back();
    const std::string* lastLine = nullptr;
    if (!last.lines.empty()) {
        lastLine = &last.lines.back().raw;
    } else if (last.hasHeader) {
        lastLine = &last.header;
    }
    if (lastLine && !trimIni(*lastLine).empty()) sections_.back().lines.push_back(makeLine(newLine("")));
}

void IniDocument::set(std::string_view section, std::string_view key, std::string_view value) {
    const std::string sectionName(trimIni(oneLine(section)));
    const std::string keyName(trimIni(oneLine(key)));
    const std::string text = storedValue(value);

    Section* s = findSection(sectionName);
    if (s) {
        if (std::ptrdiff_t at = findKey(*s, keyName); at >= 0) {
            Line& l = s->lines[static_cast<size_t>(at)];
            bool cr = !l.raw.empty() && l.raw.back() == '\r';
            std::string raw = l.raw.substr(0, l.keyBegin + l.keyLength) + "=" + text;
            if (cr) raw += '\r';
            l = makeLine(std::move(raw));
            return;
        }
        size_t at = s->lines.size();
        while (at > 0 && trimIni(s->lines[at - 1].raw).empty()) --at;
        s->lines.insert(s->lines.begin() + static_cast<std::ptrdiff_t>(at),
                        makeLine(newLine(keyName + "=" + text)));
        finalNewline_ = true;
        return;
    }
    appendBlankLineIfNeeded();
    Section fresh;
    fresh.name = sectionName;
    fresh.hasHeader = true;
    fresh.header = newLine("[" + sectionName + "]");
    fresh.lines.push_back(makeLine(newLine(keyName + "=" + text)));
    sections_.push_back(std::move(fresh));
    finalNewline_ = true;
}

bool IniDocument::remove(std::string_view section, std::string_view key) {
    Section* s = findSection(section);
    if (!s) return false;
    std::ptrdiff_t at = findKey(*s, key);
    if (at < 0) return false;
    s->lines.erase(s->lines.begin() + at);
    return true;
}

bool IniDocument::removeSection(std::string_view section) {
    Section* s = findSection(section);
    if (!s) return false;
    sections_.erase(sections_.begin() + (s - sections_.data()));
    return true;
}

std::vector<std::string> IniDocument::sectionNames() const {
    std::vector<std::string> names;
    for (const Section& s : sections_) {
        if (s.hasHeader) names.push_back(s.name);
    }
    return names;
}

std::vector<std::string> IniDocument::keyNames(std::string_view section) const {
    std::vector<std::string> names;
    if (const Section* s = findSection(section)) {
        for (const Line& l : s->lines) {
            if (l.isKey) names.push_back(l.raw.substr(l.keyBegin, l.keyLength));
        }
    }
    return names;
}

int parseProfileInt(const std::optional<std::string>& value, int def) {
    if (!value) return def;
    std::string_view s = trimIni(*value);
    if (s.empty()) return def;
    size_t i = 0;
    bool negative = false;
    if (s[i] == '+' || s[i] == '-') {
        negative = s[i] == '-';
        ++i;
    }
    uint32_t acc = 0;
    for (; i < s.size() && s[i] >= '0' && s[i] <= '9'; ++i) {
        acc = acc * 10u + static_cast<uint32_t>(s[i] - '0');
    }
    if (negative) acc = 0u - acc;
    return static_cast<int>(acc);
}

std::string encodeStruct(const void* data, size_t size) {
    static const char digits[] = "0123456789ABCDEF";
    const auto* bytes = static_cast<const uint8_t*>(data);
    std::string out;
    out.reserve(2 * size + 2);
    unsigned sum = 0;
    for (size_t i = 0; i < size; ++i) {
        out += digits[bytes[i] >> 4];
        out += digits[bytes[i] & 0x0F];
        sum += bytes[i];
    }
    out += digits[(sum >> 4) & 0x0F];
    out += digits[sum & 0x0F];
    return out;
}

bool decodeStruct(std::string_view text, void* data, size_t size) {
    if (size > (std::numeric_limits<size_t>::max() - 2) / 2) return false;
    if (text.size() != 2 * size + 2) return false;
    std::string bytes(size + 1, '\0');
    unsigned sum = 0;
    for (size_t i = 0; i <= size; ++i) {
        int hi = hexValue(text[2 * i]);
        int lo = hexValue(text[2 * i + 1]);
        if (hi < 0 || lo < 0) return false;
        bytes[i] = static_cast<char>((hi << 4) | lo);
        if (i < size) sum += static_cast<uint8_t>(bytes[i]);
    }
    if (static_cast<uint8_t>(bytes[size]) != (sum & 0xFF)) return false;
    if (size > 0) std::memcpy(data, bytes.data(), size);
    return true;
}

}  // namespace platform
