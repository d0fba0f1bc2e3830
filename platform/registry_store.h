#pragma once
// Per-user registry store: keys named by their full path ("HKEY_CURRENT_USER\Control Panel\Mouse")
// holding typed values, kept in one text file, by default
// "<appData>/Brakmor KORVANTE/registry.ini":
//
//   [HKEY_CURRENT_USER\Control Panel\Mouse]
//   MouseSpeed=sz:1
//
// One section per key, one "name=type:data" line per value. Key paths and value names compare
// without regard to ASCII case; the spelling first stored is kept. In names a backslash, '=',
// CR, LF and a leading '[', ';' or '#' are escaped with a backslash; in data a backslash, CR,
// LF and NUL are ("\\", "\r", "\n", "\0"). A missing store reads as a new one, which starts with
// the pointer defaults "MouseSpeed" 1, "MouseThreshold1" 6, "MouseThreshold2" 10 under
// "HKEY_CURRENT_USER\Control Panel\Mouse". Lines that do not parse are skipped on reading and
// reported (diagnostics line) when a write drops them. Every write is one locked
// read-modify-replace of the whole file.
#include <cstdint>
#include <string>
#include <string_view>

namespace platform {

inline constexpr uint32_t kRegTypeString = 1;  // REG_SZ

struct RegistryValue {
    uint32_t type = kRegTypeString;
    std::string data;  // REG_SZ: UTF-8 text without terminator
};

class RegistryStore {
public:
    RegistryStore();                          // the per-user store (defaultPath(), taken now)
    explicit RegistryStore(std::string path);

    static std::string defaultPath();
    const std::string& path() const { return path_; }

    // True when the key, or any key below it, exists. A bare root name always exists.
    bool keyExists(std::string_view keyPath) const;
    // Creates the key (no-op when it exists). False when the path is invalid or the store
    // cannot be written.
    bool createKey(std::string_view keyPath);
    // False when the key or value is missing or its type is not one this store understands.
    bool readValue(std::string_view keyPath, std::string_view name, RegistryValue* out) const;
    // Creates the key when needed. False for an unknown type, an invalid path, or a failed write.
    bool writeValue(std::string_view keyPath, std::string_view name, const RegistryValue& value);

private:
    std::string path_;
};

// A key path is valid when it is non-empty, has no control characters and no empty component.
bool isValidRegistryKeyPath(std::string_view keyPath);

}  // namespace platform
