#include "shared/ini_file.h"

#include "platform/profile_ini.h"

namespace {

// Cuts UTF-8 text to at most maxUnits UTF-16 units without splitting a character.
std::string cutUtf8ToUtf16Units(std::string_view text, size_t maxUnits) {
    size_t units = 0;
    size_t i = 0;
    while (i < text.size()) {
        auto c = static_cast<unsigned char>(text[i]);
        size_t length = 1;
        size_t width = 1;
        if (c >= 0xF0 && c <= 0xF4) {
            length = 4;
            width = 2;  // a surrogate pair
        } else if (c >= 0xE0 && c <= 0xEF) {
            length = 3;
        } else if (c >= 0xC2 && c <= 0xDF) {
            length = 2;
        }
        // A sequence cut short or with a bad continuation byte counts byte by byte.
        if (length > 1) {
            bool whole = i + length <= text.size();
            for (size_t k = 1; whole && k < length; ++k) {
                whole = (static_cast<unsigned char>(text[i + k]) & 0xC0) == 0x80;
            }
            if (!whole) {
                length = 1;
                width = 1;
            }
        }
        if (units + width > maxUnits) break;
        units += width;
        i += length;
    }
    return std::string(text.substr(0, i));
}

}  // namespace

int IniFile::readInt(std::string_view section, std::string_view key, int def) const {
    return platform::readProfileInt(path_, section, key, def);
}

bool IniFile::writeInt(std::string_view section, std::string_view key, int value) const {
    return platform::writeProfileInt(path_, section, key, value);
}

std::string IniFile::readString(std::string_view section, std::string_view key, std::string_view def) const {
    return cutUtf8ToUtf16Units(platform::readProfileString(path_, section, key, def), kMaxStringLength);
}

bool IniFile::writeString(std::string_view section, std::string_view key, std::string_view value) const {
    return platform::writeProfileString(path_, section, key, value);
}

bool IniFile::readBlob(std::string_view section, std::string_view key, void* data, size_t size) const {
    return platform::readProfileStruct(path_, section, key, data, size);
}

bool IniFile::writeBlob(std::string_view section, std::string_view key, const void* data, size_t size) const {
    return platform::writeProfileStruct(path_, section, key, data, size);
}

bool IniFile::deleteKey(std::string_view section, std::string_view key) const {
    return platform::deleteProfileKey(path_, section, key);
}
