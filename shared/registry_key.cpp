#include "shared/registry_key.h"

#include <cstring>

#include "platform/registry_store.h"

namespace {

bool equalsNoCase(std::string_view a, std::string_view b) {
    if (a.size() != b.size()) return false;
    for (size_t i = 0; i < a.size(); ++i) {
        char x = a[i], y = b[i];
        if (x >= 'a' && x <= 'z') x = static_cast<char>(x - 'a' + 'A');
        if (y >= 'a' && y <= 'z') y = static_cast<char>(y - 'a' + 'A');
        if (x != y) return false;
    }
    return true;
}

// Number of UTF-16 units of UTF-8 text; a malformed byte counts as one unit (it would be
// stored as U+FFFD).
size_t utf16Units(std::string_view s) {
    size_t units = 0;
    for (size_t i = 0; i < s.size();) {
        unsigned char c = static_cast<unsigned char>(s[i]);
        size_t len = c < 0x80 ? 1 : (c >> 5) == 0x6 ? 2 : (c >> 4) == 0xE ? 3 : (c >> 3) == 0x1E ? 4 : 0;
        bool ok = len != 0 && i + len <= s.size();
        for (size_t k = 1; ok && k < len; ++k)
            ok = (static_cast<unsigned char>(s[i + k]) & 0xC0) == 0x80;
        if (!ok) {
            ++units;
            ++i;
            continue;
        }
        units += len == 4 ? 2 : 1;
        i += len;
    }
    return units;
}

}  // namespace

RegistryKey::RegistryKey(std::string_view keyText) { open(keyText, kKeyAllAccess); }

const char* RegistryKey::rootName(RegistryRoot root) {
    switch (root) {
        case RegistryRoot::CurrentUser: return "HKEY_CURRENT_USER";
        case RegistryRoot::CurrentConfig: return "HKEY_CURRENT_CONFIG";
        case RegistryRoot::ClassesRoot: return "HKEY_CLASSES_ROOT";
        case RegistryRoot::LocalMachine: break;
    }
    return "HKEY_LOCAL_MACHINE";
}

bool RegistryKey::splitKeyText(std::string_view keyText, RegistryRoot* root, std::string* path) {
    auto slash = keyText.find('\\');
    if (slash == std::string_view::npos) return false;
    std::string_view head = keyText.substr(0, slash);
    static constexpr RegistryRoot kRoots[] = {RegistryRoot::LocalMachine, RegistryRoot::CurrentUser,
                                              RegistryRoot::CurrentConfig, RegistryRoot::ClassesRoot};
    for (RegistryRoot r : kRoots) {
        if (equalsNoCase(head, rootName(r))) {
            if (root) *root = r;
            if (path) *path = std::string(keyText.substr(slash + 1));
            return true;
        }
    }
    if (root) *root = RegistryRoot::LocalMachine;
    if (path) *path = std::string(keyText);
    return true;
}

size_t RegistryKey::storedStringBytes(std::string_view utf8Text) {
    return (utf16Units(utf8Text) + 1) * 2;
}

std::string RegistryKey::storeKeyPath() const {
    std::string p = rootName(root_);
    if (!path_.empty()) {
        p += '\\';
        p += path_;
    }
    return p;
}

bool RegistryKey::open(std::string_view keyText, uint32_t access) {
    close();
    RegistryRoot root;
    std::string path;
    if (!splitKeyText(keyText, &root, &path)) return false;
    if (utf16Units(path) > kMaxPathLength) return false;
    root_ = root;
    path_ = std::move(path);
    platform::RegistryStore store;
    const std::string keyPath = storeKeyPath();
    if (store.keyExists(keyPath)) {
        access_ = access;
    } else if (store.createKey(keyPath)) {
        access_ = kKeyAllAccess;  // a created key is opened with full access
    } else {
        path_.clear();
        return false;
    }
    open_ = true;
    return true;
}

bool RegistryKey::readString(std::string_view name, std::string& out) const {
    if (!open_ || (access_ & kKeyQueryValue) == 0) return false;
    platform::RegistryValue value;
    if (!platform::RegistryStore().readValue(storeKeyPath(), name, &value)) return false;
    if (value.type != platform::kRegTypeString) return false;
    // A string ends at its first NUL, as a REG_SZ read by C code would.
    if (auto nul = value.data.find('\0'); nul != std::string::npos) value.data.resize(nul);
    out = std::move(value.data);
    return true;
}

bool RegistryKey::readString(std::string_view name, char* buffer, size_t bufferBytes) const {
    std::string text;
    if (!buffer || bufferBytes == 0 || !readString(name, text)) return false;
    if (storedStringBytes(text) > bufferBytes || text.size() + 1 > bufferBytes) return false;
    std::memcpy(buffer, text.data(), text.size());
    buffer[text.size()] = '\0';
    return true;
}

bool RegistryKey::writeString(std::string_view name, std::string_view text, size_t* storedBytes) {
    if (!open_ || (access_ & kKeySetValue) == 0) return false;
    // The stored string ends at the first NUL, as the text's C form does.
    text = text.substr(0, text.find('\0'));
    platform::RegistryValue value;
    value.type = platform::kRegTypeString;
    value.data = std::string(text);
    if (!platform::RegistryStore().writeValue(storeKeyPath(), name, value)) return false;
    if (storedBytes) *storedBytes = storedStringBytes(text);
    return true;
}

void RegistryKey::close() {
    open_ = false;
    access_ = 0;
}
