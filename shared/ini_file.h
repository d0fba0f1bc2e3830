#pragma once
// IniFile: the access layer over the private-profile functions for one file path.
// Integers are decimal text ("%d"), binary blocks use the struct encoding (upper-case hex plus a
// checksum byte). Every call opens the file by path; nothing is cached.
#include <cstddef>
#include <string>
#include <string_view>

class IniFile {
public:
    static constexpr size_t kMaxStringLength = 4095;  // UTF-16 units, as the platform's buffer

    explicit IniFile(std::string path) : path_(std::move(path)) {}

    const std::string& path() const { return path_; }

    int readInt(std::string_view section, std::string_view key, int def) const;
    bool writeInt(std::string_view section, std::string_view key, int value) const;

    // The value, or def when the key is absent, cut to kMaxStringLength characters.
    std::string readString(std::string_view section, std::string_view key, std::string_view def = {}) const;
    bool writeString(std::string_view section, std::string_view key, std::string_view value) const;

    // Fills data only when the stored block has exactly this size and a matching checksum.
    bool readBlob(std::string_view section, std::string_view key, void* data, size_t size) const;
    bool writeBlob(std::string_view section, std::string_view key, const void* data, size_t size) const;

    bool deleteKey(std::string_view section, std::string_view key) const;

private:
    std::string path_;
};
