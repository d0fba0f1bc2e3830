#pragma once
// Whole-file reads and atomic replacement under an advisory lock.
//
// Every writer of a shared file (settings, macro files, registry store) goes through
// replaceFileAtomically(): the new content is written to a temporary file in the same folder,
// flushed to disk and renamed over the target, so a crash or power loss leaves either the old or
// the new file, never a torn one. Read-modify-write sequences hold a FileLock on the target for
// their whole duration, so two writers never merge half of each other's changes.
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace platform {

// Exclusive advisory lock for one file path, held from construction to destruction.
// The lock lives on a hidden sidecar file ("<dir>/.<name>.lock"), because the target itself is
// replaced by rename and a lock on the old inode would not exclude the next writer. The holder
// removes the sidecar when it lets go, so no lock file stays beside the file (nor in a folder the
// user chose for an export); a waiter that then holds a removed sidecar notices it and locks the
// one that stands there now.
class FileLock {
public:
    enum class Wait { UntilFree, No };
    explicit FileLock(const std::string& path, Wait wait = Wait::UntilFree);
    ~FileLock();
    FileLock(const FileLock&) = delete;
    FileLock& operator=(const FileLock&) = delete;
    // False when the sidecar cannot be made (a folder that is missing or not writable) or, with
    // Wait::No, when another holder has the lock.
    bool locked() const { return fd_ >= 0; }

private:
    std::string lockPath_;
    int fd_ = -1;
};

// Far above any file of the suite (the settings file is some 70 kB).
inline constexpr uint64_t kMaxReadSize = 64ull << 20;

// Reads the whole file; nullopt when it cannot be opened or read. The open never blocks, and
// anything but a regular file (a FIFO, a device such as /dev/zero behind a link, a folder) or a
// file larger than kMaxReadSize is refused like an unreadable file, with one diagnostics line.
std::optional<std::string> readWholeFile(const std::string& path);

// The same guard for a file handed on by path (a plugin to load, a page for the browser): true
// when the path names a regular file that can be opened for reading, checked without blocking.
bool isReadableRegularFile(const std::string& path);

// Replaces the file with the content: temporary file, fsync, rename, fsync of the folder.
// The caller holds a FileLock when the content was derived from the old file. Refused (false,
// one diagnostics line, nothing changed) when the path names something other than a regular
// file, or a file without its owner's write permission: a file the user made read-only stays.
bool replaceFileAtomically(const std::string& path, const std::string& content);

// replaceFileAtomically() under the file's FileLock, for content not derived from the old file.
bool replaceFileLocked(const std::string& path, const std::string& content);

// Removes the temporary files replaceFileAtomically() left beside the file when its process
// was killed mid-save (".<name>.save-XXXXXX"). Only while holding the file's FileLock: every writer
// of the file holds it for as long as its temporary file exists.
void removeStaleTemporaries(const std::string& path);

// The same for every file of the folder whose name ends in `extension` (".macro"), also of files
// that are gone since, and the lock files their killed holders left: each file's leftovers go only
// when its lock can be taken at once, so a save in progress elsewhere keeps its temporary file.
void removeStaleTemporariesInFolder(const std::string& folder, std::string_view extension);

// Number of successful replaceFileAtomically() calls in this process (for benchmarks).
uint64_t fileReplaceCount();

}  // namespace platform
