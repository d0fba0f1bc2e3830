#pragma once
// RegistryKey: one open key of the per-user registry store, named by one text
// "<root>\<path>" ("HKEY_CURRENT_USER\Control Panel\Mouse"). The service holds the pointer
// settings key open for its whole life and reads and rewrites its string values.
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

enum class RegistryRoot : uint8_t { LocalMachine, CurrentUser, CurrentConfig, ClassesRoot };

class RegistryKey {
public:
    static constexpr uint32_t kKeyQueryValue = 0x0001;  // KEY_QUERY_VALUE
    static constexpr uint32_t kKeySetValue = 0x0002;    // KEY_SET_VALUE
    static constexpr uint32_t kKeyRead = 0x20019;       // KEY_READ
    static constexpr uint32_t kKeyAllAccess = 0xF003F;  // KEY_ALL_ACCESS
    static constexpr size_t kMaxPathLength = 259;       // characters of the path below the root

    RegistryKey() = default;
    // Starts closed and opens the key with kKeyAllAccess.
    explicit RegistryKey(std::string_view keyText);
    ~RegistryKey() { close(); }
    RegistryKey(const RegistryKey&) = delete;
    RegistryKey& operator=(const RegistryKey&) = delete;

    // Closes any key held, splits the text, opens the key with the access, else creates it.
    // A text without a backslash, or with a path longer than kMaxPathLength, is rejected and the
    // key stays closed. True when the key is open afterwards.
    bool open(std::string_view keyText, uint32_t access);

    // Reads a string value into the buffer (UTF-8, always NUL-terminated). False when the key is
    // closed or not readable, the value is missing or not a string, or it does not fit: its
    // stored size (UTF-16 bytes with terminator) or its UTF-8 form with terminator exceeds
    // bufferBytes. On failure the buffer is untouched.
    bool readString(std::string_view name, char* buffer, size_t bufferBytes) const;
    // Same, into a std::string without the size limit.
    bool readString(std::string_view name, std::string& out) const;

    // Writes a string value; its stored size is reported through storedBytes (UTF-16 bytes
    // including the terminator, "10" → 6). False when closed, not writable or the write fails.
    bool writeString(std::string_view name, std::string_view text, size_t* storedBytes = nullptr);

    void close();

    bool isOpen() const { return open_; }
    RegistryRoot root() const { return root_; }
    const std::string& path() const { return path_; }
    // "<root name>\<path>", the key's name in the store.
    std::string storeKeyPath() const;

    // Splits a key text into root and path (pure). False for a text without a backslash.
    static bool splitKeyText(std::string_view keyText, RegistryRoot* root, std::string* path);
    // Canonical name of a root ("HKEY_CURRENT_USER").
    static const char* rootName(RegistryRoot root);
    // Size in bytes of a REG_SZ value holding the text: UTF-16 units + terminator, times 2.
    static size_t storedStringBytes(std::string_view utf8Text);

private:
    bool open_ = false;
    uint32_t access_ = 0;
    RegistryRoot root_ = RegistryRoot::LocalMachine;
    std::string path_;
};
