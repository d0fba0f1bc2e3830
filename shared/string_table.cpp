#include "shared/string_table.h"

#include "shared/strings_language.h"
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

StringTable::StringTable(const std::string& xmlPath) : StringTable(strings::userStringsFiles(xmlPath)) {}

StringTable::StringTable(const std::vector<std::string>& files) {
    for (const std::string& file : files) {
        auto doc = std::make_unique<XmlDocument>();
        if (doc->load(file)) docs_.push_back(std::move(doc));
    }
}

StringTable::~StringTable() = default;

std::string StringTable::lookup(const std::string& section, const std::string& key) const {
    for (const auto& doc : docs_) {
        std::string text = findString(*doc, section, key);
        if (!text.empty()) return text;
    }
    return {};
}

std::string lookupString(const std::string& xmlPath, const std::string& section, const std::string& key) {
    for (const std::string& file : strings::userStringsFiles(xmlPath)) {
        XmlDocument doc;
        if (!doc.load(file)) continue;
        std::string text = findString(doc, section, key);
        if (!text.empty()) return text;
    }
    return {};
}

std::string fillIn(const std::string& format, const std::vector<std::string>& args) {
    std::string out;
    for (size_t i = 0; i < format.size(); ++i) {
        const char next = i + 1 < format.size() ? format[i + 1] : 0;
        if (format[i] == '%' && next >= '1' && next <= '9' && size_t(next - '1') < args.size()) {
            out += args[size_t(next - '1')];
            ++i;
        } else {
            out += format[i];
        }
    }
    return out;
}
