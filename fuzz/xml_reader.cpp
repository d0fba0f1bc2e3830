// Fuzzes the XML reader: decoding, parsing, and navigation over whatever a load accepts.
#include <cstddef>
#include <cstdint>
#include <string>

#include "shared/xml_document.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    XmlDocument doc;
    bool ok = doc.loadFromMemory(data, size);
    if (!ok) {
        // A failed load must leave nothing to find.
        if (doc.findChildElem() || doc.getChildData().size()) __builtin_trap();
        return 0;
    }

    // Walk the whole tree depth first, reading names, data and an attribute of every element.
    size_t visited = 0;
    while (visited < 20000) {
        if (doc.findChildElem()) {
            ++visited;
            std::string name = doc.getChildTagName();
            (void)doc.getChildData();
            (void)doc.getChildAttrib("a");
            doc.intoElem();
            (void)doc.getData();
            (void)name;
            continue;
        }
        if (!doc.outOfElem()) break;
    }

    // The lookup pattern: a named section, into it, a named key, deeper while the key is missing.
    doc.resetPos();
    std::string first;
    if (doc.findChildElem()) first = doc.getChildTagName();
    doc.resetPos();
    for (int depth = 0; depth < 64 && doc.findChildElem(first); ++depth) {
        doc.intoElem();
        if (doc.findChildElem("KEY")) {
            (void)doc.getChildDataW();
            break;
        }
    }
    doc.resetPos();
    (void)doc.findElem();
    (void)doc.findElem();
    return 0;
}
