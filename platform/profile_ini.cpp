#include "platform/profile_ini.h"

#include <sys/stat.h>

#include "platform/atomic_file.h"

namespace platform {
namespace {

bool fileExists(const std::string& path) {
    struct stat st {};
    return ::stat(path.c_str(), &st) == 0;
}

}  // namespace

IniDocument readProfileDocument(const std::string& path, bool* exists) {
    std::optional<std::string> text = readWholeFile(path);
    if (exists) *exists = text.has_value();
    return text ? IniDocument::parse(*text) : IniDocument{};
}

bool updateProfile(const std::string& path, const std::function<bool(IniDocument&)>& edit, bool fresh) {
    FileLock lock(path);
    if (!lock.locked()) return false;
    IniDocument doc;
    std::optional<std::string> text;
    if (!fresh) {
        text = readWholeFile(path);
        if (text) {
            doc = IniDocument::parse(*text);
        } else if (fileExists(path)) {
            return false;  // there but unreadable: never replace what we could not merge
        }
    }
    if (!edit(doc)) return true;
    std::string updated = doc.serialise();
    // Most saves (every load's normalising save among them) change nothing: the file, its time
    // and the watchers of its folder are left alone, and no fsync is paid.
    if (text && updated == *text) return true;
    removeStaleTemporaries(path);
    return replaceFileAtomically(path, updated);
}

int readProfileInt(const std::string& path, std::string_view section, std::string_view key, int def) {
    return parseProfileInt(readProfileDocument(path).get(section, key), def);
}

std::string readProfileString(const std::string& path, std::string_view section, std::string_view key,
                              std::string_view def) {
    std::optional<std::string> value = readProfileDocument(path).get(section, key);
    return value ? *value : std::string(def);
}

bool readProfileStruct(const std::string& path, std::string_view section, std::string_view key,
                       void* data, size_t size) {
    std::optional<std::string> value = readProfileDocument(path).get(section, key);
    return value && decodeStruct(*value, data, size);
}

bool writeProfileString(const std::string& path, std::string_view section, std::string_view key,
                        std::string_view value) {
    return updateProfile(path, [&](IniDocument& doc) {
        doc.set(section, key, value);
        return true;
    });
}

bool writeProfileInt(const std::string& path, std::string_view section, std::string_view key, int value) {
    return writeProfileString(path, section, key, std::to_string(value));
}

bool writeProfileStruct(const std::string& path, std::string_view section, std::string_view key,
                        const void* data, size_t size) {
    return writeProfileString(path, section, key, encodeStruct(data, size));
}

bool deleteProfileKey(const std::string& path, std::string_view section, std::string_view key) {
    return updateProfile(path, [&](IniDocument& doc) { return doc.remove(section, key); });
}

bool deleteProfileSection(const std::string& path, std::string_view section) {
    return updateProfile(path, [&](IniDocument& doc) { return doc.removeSection(section); });
}

bool ProfileBatch::load() {
    bool exists = false;
    doc_ = readProfileDocument(path_, &exists);
    return exists;
}

int ProfileBatch::readInt(std::string_view section, std::string_view key, int def) const {
    return parseProfileInt(doc_.get(section, key), def);
}

std::string ProfileBatch::readString(std::string_view section, std::string_view key,
                                     std::string_view def) const {
    std::optional<std::string> value = doc_.get(section, key);
    return value ? *value : std::string(def);
}

bool ProfileBatch::readStruct(std::string_view section, std::string_view key, void* data, size_t size) const {
    std::optional<std::string> value = doc_.get(section, key);
    return value && decodeStruct(*value, data, size);
}

void ProfileBatch::writeString(std::string_view section, std::string_view key, std::string_view value) {
    doc_.set(section, key, value);
    edits_.push_back(Edit{std::string(section), std::string(key), std::string(value), false});
}

void ProfileBatch::writeInt(std::string_view section, std::string_view key, int value) {
    writeString(section, key, std::to_string(value));
}

void ProfileBatch::writeStruct(std::string_view section, std::string_view key, const void* data, size_t size) {
    writeString(section, key, encodeStruct(data, size));
}

void ProfileBatch::deleteKey(std::string_view section, std::string_view key) {
    doc_.remove(section, key);
    edits_.push_back(Edit{std::string(section), std::string(key), {}, true});
}

bool ProfileBatch::commit(bool fresh) { return commitEdits(fresh, nullptr); }

bool ProfileBatch::commitUnchangedSince(const IniDocument& base) { return commitEdits(false, &base); }

bool ProfileBatch::commitEdits(bool fresh, const IniDocument* base) {
    bool ok = updateProfile(
        path_,
        [&](IniDocument& doc) {
            // Decided on the file as read, before any of the writes touches it.
            std::vector<bool> keep(edits_.size(), false);
            for (size_t i = 0; base && i < edits_.size(); ++i)
                keep[i] = doc.get(edits_[i].section, edits_[i].key) != base->get(edits_[i].section, edits_[i].key);
            for (size_t i = 0; i < edits_.size(); ++i) {
                const Edit& e = edits_[i];
                if (keep[i]) continue;
                if (e.erase) {
                    doc.remove(e.section, e.key);
                } else {
                    doc.set(e.section, e.key, e.value);
                }
            }
            return true;
        },
        fresh);
    if (ok) edits_.clear();
    return ok;
}

}  // namespace platform
