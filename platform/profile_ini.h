#pragma once
// The private-profile INI functions over files, with the platform's semantics (see ini_text.h for
// the text rules): reading integers, strings and structs, writing strings and structs.
//
// Reads take one whole-file read and no lock: writers replace the file atomically, so a reader
// always sees a whole old or a whole new file. A missing or unreadable file reads as all defaults.
//
// Every write takes the file's FileLock, reads the current file, changes it and replaces it
// atomically (temporary file, fsync, rename): a crash or a second writer never leaves a torn or
// half-merged file, and no key written by another process is lost. The first write creates the
// file; its folder must exist. A file that exists but cannot be read is never overwritten.
//
// ProfileBatch is the batch form: one read serves many look-ups, and many writes become one
// locked read and one replace that merges them into the file's current content.
#include <cstddef>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "platform/ini_text.h"

namespace platform {

int readProfileInt(const std::string& path, std::string_view section, std::string_view key, int def);
std::string readProfileString(const std::string& path, std::string_view section, std::string_view key,
                              std::string_view def = {});
// Fills data only when the value has the right length and checksum.
bool readProfileStruct(const std::string& path, std::string_view section, std::string_view key,
                       void* data, size_t size);

bool writeProfileString(const std::string& path, std::string_view section, std::string_view key,
                        std::string_view value);
bool writeProfileInt(const std::string& path, std::string_view section, std::string_view key, int value);
bool writeProfileStruct(const std::string& path, std::string_view section, std::string_view key,
                        const void* data, size_t size);
bool deleteProfileKey(const std::string& path, std::string_view section, std::string_view key);
bool deleteProfileSection(const std::string& path, std::string_view section);

// The document of the file as it is now: one read, no lock; empty when the file is missing.
// exists (when given) tells whether the file could be read.
IniDocument readProfileDocument(const std::string& path, bool* exists = nullptr);

// One locked read-modify-replace: the edit sees the current document and may change it at will;
// it returns false to leave the file as it is (nothing is written, the result is true). An edit
// that leaves the text byte for byte as it was writes nothing either.
// With fresh set, the edit starts from an empty document and the file's old content is dropped.
// Must not be nested inside another write to the same path (the lock is not re-entrant).
bool updateProfile(const std::string& path, const std::function<bool(IniDocument&)>& edit,
                   bool fresh = false);

class ProfileBatch {
public:
    explicit ProfileBatch(std::string path) : path_(std::move(path)) {}
    // A batch over a document the caller has already read (inside updateProfile(), say): its
    // reads see that document and its writes change it as well as being recorded.
    ProfileBatch(std::string path, IniDocument document) : path_(std::move(path)), doc_(std::move(document)) {}

    const std::string& path() const { return path_; }

    // Reads the file once; false when it is missing or unreadable (the batch then reads defaults).
    bool load();

    // Look-ups in the loaded document, including the batch's own writes so far.
    int readInt(std::string_view section, std::string_view key, int def) const;
    std::string readString(std::string_view section, std::string_view key, std::string_view def = {}) const;
    bool readStruct(std::string_view section, std::string_view key, void* data, size_t size) const;

    // Writes are recorded in order and applied by commit().
    void writeString(std::string_view section, std::string_view key, std::string_view value);
    void writeInt(std::string_view section, std::string_view key, int value);
    void writeStruct(std::string_view section, std::string_view key, const void* data, size_t size);
    void deleteKey(std::string_view section, std::string_view key);

    // One locked read of the current file, the recorded writes applied to it in order, one atomic
    // replace. With fresh set the old content is dropped instead of merged (a new file).
    // The recorded writes are kept when the commit fails, dropped when it succeeds.
    bool commit(bool fresh = false);
    // commit() for writes prepared from a document read some time ago (`base`): a key whose value
    // in the current file differs from its value in base was changed by another program since,
    // and keeps the file's value; the other recorded writes are applied.
    bool commitUnchangedSince(const IniDocument& base);

    size_t pendingWrites() const { return edits_.size(); }

    // The document with the batch's writes applied.
    const IniDocument& document() const { return doc_; }

private:
    struct Edit {
        std::string section, key, value;
        bool erase = false;
    };
    bool commitEdits(bool fresh, const IniDocument* base);
    std::string path_;
    IniDocument doc_;
    std::vector<Edit> edits_;
};

}  // namespace platform
