#pragma once
// A small XML document reader: loads a whole file, decodes it to UTF-16 text, checks that it is
// well-formed and records where every element lies. Navigation then walks the elements only;
// text, CDATA sections, comments, processing instructions and the document type declaration are
// skipped by it, and element data is returned with character references decoded.
//
// Navigation keeps three positions, like a cursor: the current element, its current child (the
// last child found), and implicitly the current element's parent. Nothing is current after a
// load; the first findChildElem() makes the root element current.
//
// The parser is iterative (no recursion, so any nesting depth is safe) and stops at the first
// fault; a document with a fault fails the load and the navigation finds nothing.
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

class XmlDocument {
public:
    // Reads the whole file, decodes and parses it. False when the file cannot be read or the
    // document is not well-formed; result() tells why.
    bool load(const std::string& path);
    // The same for the bytes of a file held in memory.
    bool loadFromMemory(std::string_view bytes);
    bool loadFromMemory(const void* data, size_t size) {
        return loadFromMemory(std::string_view(static_cast<const char*>(data), size));
    }
    // Parses text that is already decoded.
    bool setDoc(std::u16string_view text);

    // Notes of the decoding ("length 120 UTF-8 to 118 wide chars ") followed by the error
    // message when the document is not well-formed.
    const std::string& result() const { return result_; }
    // The error message alone ("Root element has sibling"), empty after a successful load.
    const std::string& error() const { return error_; }
    bool isWellFormed() const { return wellFormed_; }
    // The decoded document text.
    const std::u16string& text() const { return text_; }

    // Forgets the navigation: nothing is current, as right after a load.
    void resetPos();
    // Searches the siblings after the current element (the root element when nothing is current)
    // for an element of that name (any element for an empty name); it becomes the current
    // element, with no current child.
    bool findElem(std::string_view name = {});
    // Searches the children of the current element after the current child for an element of
    // that name (any element for an empty name); it becomes the current child. Makes the root
    // element current first when nothing is current. False when none matches.
    bool findChildElem(std::string_view name = {});
    // The current child becomes the current element, with no current child.
    bool intoElem();
    // The current element becomes the current child of its parent. False at the root.
    bool outOfElem();

    // Tag names of the current element and of the current child ("" when there is none).
    std::string getTagName() const;
    std::string getChildTagName() const;
    // Text content with character references decoded, CDATA sections taken literally, comments
    // and processing instructions left out. Empty when there is no such element or when the
    // element holds elements of its own.
    std::string getData() const;
    std::string getChildData() const;
    std::u16string getDataW() const;
    std::u16string getChildDataW() const;
    // Value of an attribute of the current child, references decoded; "" when absent.
    std::string getChildAttrib(std::string_view name) const;

    // Decodes the character references of a piece of text: the five of XML, decimal and
    // hexadecimal numeric references and the named references of HTML 4.01. A reference that is
    // malformed, unknown or names an impossible character (0, a surrogate, above U+10FFFF) is
    // kept as it stands.
    static std::u16string decodeReferences(std::u16string_view text);

private:
    struct Element {
        uint32_t start = 0;        // offset of '<' of the start tag
        uint32_t startTagEnd = 0;  // offset after the start tag
        uint32_t contentEnd = 0;   // offset of the end tag (== startTagEnd for an empty tag)
        uint32_t nameLength = 0;
        int32_t parent = -1;
        int32_t firstChild = -1;
        int32_t nextSibling = -1;
    };

    bool parse();
    bool fail(std::string message);
    std::u16string_view nameOf(int32_t elem) const;
    bool nameMatches(int32_t elem, std::u16string_view name) const;
    int32_t rootElement() const;
    std::u16string dataOf(int32_t elem) const;

    std::u16string text_;
    std::vector<Element> elems_;  // elems_[0] is the document itself, the root's parent
    std::string result_;
    std::string error_;
    bool wellFormed_ = false;
    int32_t current_ = -1;
    int32_t child_ = -1;
};
