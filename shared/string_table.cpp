#include "shared/string_table.h"

#include "shared/xml_document.h"

std::string lookupString(const std::string& xmlPath, const std::string& section,
                         const std::string& key) {
    if (section.empty() || key.empty()) return {};  // an empty name would match any element
    XmlDocument doc;
    if (!doc.load(xmlPath)) return {};
    // Enter the section; when the key is not among its children, continue inside a nested
    // element of the same section name, one level deeper each time. The depth of the document
    // bounds the loop.
    while (true) {
        if (!doc.findChildElem(section)) return {};
        doc.intoElem();
        if (doc.findChildElem(key)) return doc.getChildData();
    }
}
