#include "shared/xml_document.h"

#include <utility>

#include "platform/atomic_file.h"
#include "shared/html_entities.h"
#include "shared/text_decoding.h"

namespace {

// Offsets are kept in 32 bits; a strings file is a few kilobytes, so this is a generous bound
// that keeps a hostile file from costing more than a few gigabytes of tables.
constexpr size_t kMaxDocumentBytes = size_t{1} << 28;

bool isSpace(char16_t c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n'; }

bool isNameStart(char16_t c) {
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || c == '_' || c == ':' || c >= 0x80;
}

bool isNameChar(char16_t c) {
    return isNameStart(c) || (c >= '0' && c <= '9') || c == '-' || c == '.';
}

bool startsWith(std::u16string_view text, size_t pos, std::u16string_view prefix) {
    return text.size() - pos >= prefix.size() && text.compare(pos, prefix.size(), prefix) == 0;
}

bool startsWithNoCase(std::u16string_view text, size_t pos, std::u16string_view upperPrefix) {
    if (text.size() - pos < upperPrefix.size()) return false;
    for (size_t i = 0; i < upperPrefix.size(); ++i) {
        char16_t c = text[pos + i];
        if (c >= 'a' && c <= 'z') c = static_cast<char16_t>(c - 'a' + 'A');
        if (c != upperPrefix[i]) return false;
    }
    return true;
}

// Offset just after the terminator found from pos, or npos.
size_t skipPast(std::u16string_view text, size_t pos, std::u16string_view terminator) {
    size_t at = text.find(terminator, pos);
    return at == std::u16string_view::npos ? at : at + terminator.size();
}

// Offset after a document type declaration starting at pos ("<!DOCTYPE"), or npos. The internal
// subset in brackets may hold quoted literals and comments with any characters in them.
size_t skipDoctype(std::u16string_view text, size_t pos) {
    bool inSubset = false;
    size_t i = pos + 9;
    while (i < text.size()) {
        char16_t c = text[i];
        if (c == '"' || c == '\'') {
            size_t close = text.find(c, i + 1);
            if (close == std::u16string_view::npos) return close;
            i = close + 1;
        } else if (inSubset && startsWith(text, i, u"<!--")) {
            i = skipPast(text, i + 4, u"-->");
            if (i == std::u16string_view::npos) return i;
        } else if (c == '[') {
            inSubset = true;
            ++i;
        } else if (c == ']') {
            inSubset = false;
            ++i;
        } else if (c == '>' && !inSubset) {
            return i + 1;
        } else {
            ++i;
        }
    }
    return std::u16string_view::npos;
}

enum class Markup { None, Comment, Cdata, Doctype, BangTag, ProcessingInstruction };

// Kind of the non-element construct starting at text[pos] == '<'.
Markup markupAt(std::u16string_view text, size_t pos) {
    if (startsWith(text, pos, u"<!--")) return Markup::Comment;
    if (startsWith(text, pos, u"<![CDATA[")) return Markup::Cdata;
    if (startsWithNoCase(text, pos, u"<!DOCTYPE")) return Markup::Doctype;
    if (startsWith(text, pos, u"<!")) return Markup::BangTag;
    if (startsWith(text, pos, u"<?")) return Markup::ProcessingInstruction;
    return Markup::None;
}

// Offset after the construct of that kind starting at pos, or npos when it does not end.
size_t skipMarkup(std::u16string_view text, size_t pos, Markup kind) {
    switch (kind) {
    case Markup::Comment: return skipPast(text, pos + 4, u"-->");
    case Markup::Cdata: return skipPast(text, pos + 9, u"]]>");
    case Markup::Doctype: return skipDoctype(text, pos);
    case Markup::BangTag: return skipPast(text, pos + 2, u">");
    case Markup::ProcessingInstruction: return skipPast(text, pos + 2, u"?>");
    case Markup::None: break;
    }
    return std::u16string_view::npos;
}

const char* unterminatedMessage(Markup kind) {
    switch (kind) {
    case Markup::Comment: return "Comment unterminated";
    case Markup::Cdata: return "CDATA Section unterminated";
    case Markup::Doctype: return "Doctype unterminated";
    case Markup::BangTag: return "! tag unterminated";
    case Markup::ProcessingInstruction: return "Processing instruction unterminated";
    case Markup::None: break;
    }
    return "";
}

std::string offsetText(size_t offset) { return std::to_string(offset); }

// Decodes one reference at text[pos] == '&'; on success appends the character and returns the
// offset after ';', else returns pos.
size_t decodeReference(std::u16string_view text, size_t pos, std::u16string& out) {
    // The longest valid reference is "&thetasym;" or "&#x0010FFFF;"-like with leading zeros; a
    // bound keeps stray ampersands in long text cheap.
    constexpr size_t kMaxReference = 32;
    size_t semi = pos + 1;
    while (semi < text.size() && semi - pos <= kMaxReference && text[semi] != ';') {
        char16_t c = text[semi];
        if (isSpace(c) || c == '&' || c == '<') return pos;
        ++semi;
    }
    if (semi >= text.size() || text[semi] != ';' || semi == pos + 1) return pos;
    std::u16string_view ref = text.substr(pos + 1, semi - pos - 1);

    uint32_t cp = 0;
    if (ref[0] == '#') {
        bool hex = ref.size() > 1 && (ref[1] == 'x' || ref[1] == 'X');
        std::u16string_view digits = ref.substr(hex ? 2 : 1);
        if (digits.empty()) return pos;
        for (char16_t c : digits) {
            uint32_t d;
            if (c >= '0' && c <= '9')
                d = c - '0';
            else if (hex && c >= 'a' && c <= 'f')
                d = c - 'a' + 10;
            else if (hex && c >= 'A' && c <= 'F')
                d = c - 'A' + 10;
            else
                return pos;
            cp = cp * (hex ? 16 : 10) + d;
            if (cp > 0x10FFFF) return pos;  // also stops any overflow
        }
        if (cp == 0 || (cp >= 0xD800 && cp <= 0xDFFF)) return pos;
    } else {
        std::string name;
        for (char16_t c : ref) {
            if (c >= 0x80) return pos;
            name.push_back(static_cast<char>(c));
        }
        if (name == "lt")
            cp = '<';
        else if (name == "gt")
            cp = '>';
        else if (name == "amp")
            cp = '&';
        else if (name == "apos")
            cp = '\'';
        else if (name == "quot")
            cp = '"';
        else
            cp = htmlEntityCodePoint(name);
        if (cp == 0) return pos;
    }
    textcodec::appendCodePoint(out, cp);
    return semi + 1;
}

}  // namespace

bool XmlDocument::load(const std::string& path) {
    std::optional<std::string> bytes = platform::readWholeFile(path);
    if (!bytes) {
        text_.clear();
        elems_.clear();
        resetPos();
        wellFormed_ = false;
        error_ = "Unable to read file";
        result_ = error_;
        return false;
    }
    return loadFromMemory(*bytes);
}

bool XmlDocument::loadFromMemory(std::string_view bytes) {
    result_.clear();
    if (bytes.size() > kMaxDocumentBytes) {
        text_.clear();
        elems_.clear();
        resetPos();
        wellFormed_ = false;
        error_ = "Document too large";
        result_ = "length " + std::to_string(bytes.size()) + " " + error_;
        return false;
    }
    std::string notes;
    std::u16string text = textcodec::decodeDocument(bytes, notes);
    std::string keepNotes = std::move(notes);
    bool ok = setDoc(text);
    result_ = keepNotes + result_;
    return ok;
}

bool XmlDocument::setDoc(std::u16string_view text) {
    text_.assign(text);
    result_.clear();
    error_.clear();
    resetPos();
    wellFormed_ = parse();
    if (!wellFormed_) elems_.clear();
    return wellFormed_;
}

bool XmlDocument::fail(std::string message) {
    error_ = std::move(message);
    result_ += error_;
    return false;
}

bool XmlDocument::parse() {
    elems_.clear();
    elems_.push_back(Element{});  // the document: parent of the root element
    elems_[0].contentEnd = static_cast<uint32_t>(text_.size());
    if (text_.size() > 0x7FFFFFFF) return fail("Document too large");
    if (text_.empty()) return fail("Empty document");

    const std::u16string_view t(text_);
    const size_t n = t.size();
    // Open elements, innermost last; for each, the last child found so far.
    struct Open {
        int32_t elem;
        int32_t lastChild;
    };
    std::vector<Open> open;
    open.push_back({0, -1});
    bool rootDone = false;

    auto addElement = [&](size_t start, size_t nameLength) {
        Element e;
        e.start = static_cast<uint32_t>(start);
        e.nameLength = static_cast<uint32_t>(nameLength);
        e.parent = open.back().elem;
        int32_t index = static_cast<int32_t>(elems_.size());
        if (open.back().lastChild < 0)
            elems_[e.parent].firstChild = index;
        else
            elems_[open.back().lastChild].nextSibling = index;
        open.back().lastChild = index;
        elems_.push_back(e);
        return index;
    };

    size_t i = 0;
    while (true) {
        size_t lt = t.find(u'<', i);
        if (lt == std::u16string_view::npos) break;
        i = lt;
        Markup kind = markupAt(t, i);
        if (kind != Markup::None) {
            i = skipMarkup(t, i, kind);
            if (i == std::u16string_view::npos) return fail(unterminatedMessage(kind));
        } else if (startsWith(t, i, u"</")) {
            size_t nameStart = i + 2;
            if (nameStart >= n) return fail("Element end tag unterminated");
            if (!isNameStart(t[nameStart]))
                return fail("Incorrect tag name character at offset " + offsetText(nameStart));
            size_t p = nameStart + 1;
            while (p < n && isNameChar(t[p])) ++p;
            std::u16string_view name = t.substr(nameStart, p - nameStart);
            while (p < n && isSpace(t[p])) ++p;
            if (p >= n || t[p] == '<') return fail("Element end tag unterminated");
            if (t[p] != '>') return fail("Incorrect tag name character at offset " + offsetText(p));
            if (open.size() == 1)
                return fail("No start tag for end tag '" + textcodec::toUtf8(name) + "' at offset " +
                            offsetText(i));
            int32_t top = open.back().elem;
            if (nameOf(top) != name)
                return fail("End tag '" + textcodec::toUtf8(name) + "' at offset " + offsetText(i) +
                            " does not match start tag '" + textcodec::toUtf8(nameOf(top)) + "'");
            elems_[top].contentEnd = static_cast<uint32_t>(i);
            open.pop_back();
            if (open.size() == 1) rootDone = true;
            i = p + 1;
        } else {
            size_t nameStart = i + 1;
            if (nameStart >= n) return fail("Element tag unterminated");
            if (!isNameStart(t[nameStart]))
                return fail("Incorrect tag name character at offset " + offsetText(nameStart));
            size_t p = nameStart + 1;
            while (p < n && isNameChar(t[p])) ++p;
            const size_t nameEnd = p;
            if (p < n && !isSpace(t[p]) && t[p] != '>' && t[p] != '/')
                return fail("Incorrect tag name character at offset " + offsetText(p));
            if (open.size() == 1 && (rootDone || elems_.size() > 1))
                return fail("Root element has sibling");
            // Attributes: names, '=', values in single or double quotes (bare values and names
            // without values are tolerated as in HTML); a '<' outside quotes means the tag never
            // ended.
            bool emptyTag = false;
            bool ended = false;
            while (p < n) {
                char16_t c = t[p];
                if (c == '>') {
                    ended = true;
                    ++p;
                    break;
                }
                if (c == '/' && p + 1 < n && t[p + 1] == '>') {
                    emptyTag = true;
                    ended = true;
                    p += 2;
                    break;
                }
                if (c == '<') break;
                if (c == '"' || c == '\'') {
                    size_t close = t.find(c, p + 1);
                    if (close == std::u16string_view::npos) break;
                    p = close + 1;
                } else {
                    ++p;
                }
            }
            if (!ended) return fail("Element tag unterminated");
            int32_t index = addElement(i, nameEnd - nameStart);
            Element& e = elems_[index];
            e.startTagEnd = static_cast<uint32_t>(p);
            if (emptyTag) {
                e.contentEnd = e.startTagEnd;
                if (open.size() == 1) rootDone = true;
            } else {
                open.push_back({index, -1});
            }
            i = p;
        }
    }
    if (open.size() > 1) {
        int32_t top = open.back().elem;
        return fail("Element '" + textcodec::toUtf8(nameOf(top)) + "' at offset " +
                    offsetText(elems_[top].start) + " not ended");
    }
    if (elems_.size() == 1) return fail("No root element");
    return true;
}

std::u16string_view XmlDocument::nameOf(int32_t elem) const {
    const Element& e = elems_[elem];
    return std::u16string_view(text_).substr(e.start + 1, e.nameLength);
}

bool XmlDocument::nameMatches(int32_t elem, std::u16string_view name) const {
    return name.empty() || nameOf(elem) == name;
}

int32_t XmlDocument::rootElement() const {
    return elems_.size() > 1 ? elems_[0].firstChild : -1;
}

void XmlDocument::resetPos() {
    current_ = -1;
    child_ = -1;
}

bool XmlDocument::findElem(std::string_view name) {
    std::u16string wanted = textcodec::fromUtf8(name);
    int32_t candidate = current_ < 0 ? rootElement() : elems_[current_].nextSibling;
    for (; candidate >= 0; candidate = elems_[candidate].nextSibling) {
        if (nameMatches(candidate, wanted)) {
            current_ = candidate;
            child_ = -1;
            return true;
        }
    }
    return false;
}

bool XmlDocument::findChildElem(std::string_view name) {
    if (current_ < 0) {
        int32_t root = rootElement();
        if (root < 0) return false;
        current_ = root;
        child_ = -1;
    }
    std::u16string wanted = textcodec::fromUtf8(name);
    int32_t candidate = child_ < 0 ? elems_[current_].firstChild : elems_[child_].nextSibling;
    for (; candidate >= 0; candidate = elems_[candidate].nextSibling) {
        if (nameMatches(candidate, wanted)) {
            child_ = candidate;
            return true;
        }
    }
    return false;
}

bool XmlDocument::intoElem() {
    if (child_ < 0) return false;
    current_ = child_;
    child_ = -1;
    return true;
}

bool XmlDocument::outOfElem() {
    if (current_ < 0 || elems_[current_].parent <= 0) return false;
    child_ = current_;
    current_ = elems_[current_].parent;
    return true;
}

std::string XmlDocument::getTagName() const {
    return current_ < 0 ? std::string() : textcodec::toUtf8(nameOf(current_));
}

std::string XmlDocument::getChildTagName() const {
    return child_ < 0 ? std::string() : textcodec::toUtf8(nameOf(child_));
}

std::u16string XmlDocument::dataOf(int32_t elem) const {
    if (elem < 0) return {};
    const Element& e = elems_[elem];
    if (e.firstChild >= 0) return {};
    // Cut at the end tag, so that no search inside can run past the element.
    const std::u16string_view t = std::u16string_view(text_).substr(0, e.contentEnd);
    std::u16string out;
    size_t i = e.startTagEnd;
    const size_t end = e.contentEnd;
    while (i < end) {
        size_t next = t.find_first_of(u"<&", i);
        if (next == std::u16string_view::npos || next > end) next = end;
        out.append(t.substr(i, next - i));
        i = next;
        if (i >= end) break;
        if (t[i] == '&') {
            size_t after = decodeReference(t, i, out);
            if (after == i) {
                out.push_back(u'&');
                ++i;
            } else {
                i = after;
            }
        } else {
            // The element holds no elements, so every '<' before its end tag opens a construct
            // that the parser has already seen ending before the end tag.
            Markup kind = markupAt(t, i);
            size_t after = skipMarkup(t, i, kind);
            if (after == std::u16string_view::npos || after > end) break;
            if (kind == Markup::Cdata) out.append(t.substr(i + 9, after - 3 - (i + 9)));
            i = after;
        }
    }
    return out;
}

std::u16string XmlDocument::getDataW() const { return dataOf(current_); }
std::u16string XmlDocument::getChildDataW() const { return dataOf(child_); }
std::string XmlDocument::getData() const { return textcodec::toUtf8(dataOf(current_)); }
std::string XmlDocument::getChildData() const { return textcodec::toUtf8(dataOf(child_)); }

std::string XmlDocument::getChildAttrib(std::string_view name) const {
    if (child_ < 0 || name.empty()) return {};
    const Element& e = elems_[child_];
    // The start tag alone, without its closing '>' or "/>".
    std::u16string_view tag = std::u16string_view(text_).substr(0, e.startTagEnd - 1);
    if (!tag.empty() && tag.back() == '/' && e.contentEnd == e.startTagEnd) tag.remove_suffix(1);
    const std::u16string wanted = textcodec::fromUtf8(name);
    auto isQuote = [](char16_t c) { return c == '"' || c == '\''; };
    size_t p = e.start + 1 + e.nameLength;
    while (p < tag.size()) {
        if (isSpace(tag[p]) || tag[p] == '/') {
            ++p;
            continue;
        }
        if (isQuote(tag[p])) {  // a value without a name: skip it
            size_t close = tag.find(tag[p], p + 1);
            if (close == std::u16string_view::npos) break;
            p = close + 1;
            continue;
        }
        size_t nameStart = p;
        while (p < tag.size() && !isSpace(tag[p]) && tag[p] != '=' && !isQuote(tag[p])) ++p;
        std::u16string_view attr = tag.substr(nameStart, p - nameStart);
        size_t q = p;
        while (q < tag.size() && isSpace(tag[q])) ++q;
        std::u16string_view value;
        if (q < tag.size() && tag[q] == '=') {
            ++q;
            while (q < tag.size() && isSpace(tag[q])) ++q;
            if (q < tag.size() && isQuote(tag[q])) {
                size_t close = tag.find(tag[q], q + 1);
                if (close == std::u16string_view::npos) break;
                value = tag.substr(q + 1, close - q - 1);
                q = close + 1;
            } else {
                size_t valueStart = q;
                while (q < tag.size() && !isSpace(tag[q]) && !isQuote(tag[q])) ++q;
                value = tag.substr(valueStart, q - valueStart);
            }
            p = q;
        }
        if (!attr.empty() && attr == wanted) return textcodec::toUtf8(decodeReferences(value));
        if (p == nameStart) ++p;  // never stand still
    }
    return {};
}

std::u16string XmlDocument::decodeReferences(std::u16string_view text) {
    std::u16string out;
    out.reserve(text.size());
    size_t i = 0;
    while (i < text.size()) {
        size_t amp = text.find(u'&', i);
        if (amp == std::u16string_view::npos) amp = text.size();
        out.append(text.substr(i, amp - i));
        i = amp;
        if (i >= text.size()) break;
        size_t after = decodeReference(text, i, out);
        if (after == i) {
            out.push_back(u'&');
            ++i;
        } else {
            i = after;
        }
    }
    return out;
}
