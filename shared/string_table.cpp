#include "shared/string_table.h"

#include "shared/xml_document.h"

namespace {

std::string findString(XmlDocument& doc, const std::string& section, const std::string& key) {
    if (section.empty() || key.empty()) return {};  // an empty name would match any element
    doc.resetPos();
    // Enter the section; when the key is not among its children, continue inside a nested
    // element of the same section name, one level deeper each time. The depth of the document
    // bounds the loop.
    while (true) {
        if (!doc.findChildElem(section)) return {};
        doc.intoElem();
        if (doc.findChildElem(key)) return doc.getChildData();
    }
}

}  // namespace

StringTable::StringTable(const std::string& xmlPath) : doc_(std::make_unique<XmlDocument>()) {
    if (!doc_->load(xmlPath)) doc_.reset();
}

StringTable::~StringTable() = default;

std::string StringTable::lookup(const std::string& section, const std::string& key) const {
    return doc_ ? findString(*doc_, section, key) : std::string();
}

std::string lookupString(const std::string& xmlPath, const std::string& section, const std::string& key) {
    XmlDocument doc;
    if (!doc.load(xmlPath)) return {};
    return findString(doc, section, key);
}
