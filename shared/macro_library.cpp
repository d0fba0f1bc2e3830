#include "shared/macro_library.h"

#include <unistd.h>

#include <algorithm>
#include <filesystem>
#include <optional>

#include "platform/atomic_file.h"
#include "platform/diagnostics.h"
#include "platform/known_folders.h"
#include "platform/profile_ini.h"
#include "shared/macro_buttons.h"
#include "shared/macro_file.h"
#include "shared/mouse_settings.h"

namespace macro {
namespace {

constexpr int kMaxNewNumber = 9999;

bool sameFile(const std::string& a, const std::string& b) {
    std::error_code error;
    return std::filesystem::equivalent(a, b, error) && !error;
}

// The text of a macro file with "MacroFilePath" naming its new place; nullopt when unreadable.
std::optional<std::string> movedMacroText(const std::string& from, const std::string& to) {
    std::optional<std::string> text = platform::readWholeFile(from);
    if (!text) return std::nullopt;
    platform::IniDocument doc = platform::IniDocument::parse(*text);
    doc.set(kSection, kKeyFilePath, to);
    return doc.serialise();
}

bool removeFile(const std::string& path) {
    if (::unlink(path.c_str()) == 0) return true;
    platform::debugPrintf("macro file %s could not be removed", path.c_str());
    return false;
}

}  // namespace

MacroLibrary::MacroLibrary(std::string settingsPath, std::string macroFolder)
    : settingsPath_(std::move(settingsPath)), macroFolder_(std::move(macroFolder)) {}

std::vector<std::string> MacroLibrary::names() const { return listNames(settingsPath_); }

int MacroLibrary::slotOf(const std::string& name) const { return findInList(settingsPath_, name); }

std::string MacroLibrary::filePath(const std::string& name) const {
    std::string path;
    return macroFilePath(macroFolder_, name, path) ? path : std::string();
}

int MacroLibrary::loopTimeForButton(const std::string& name) const {
    MacroFileData data;
    const std::string path = filePath(name);
    if (!path.empty()) readMacroFile(path, data, 1);
    else data.loopTime = 1;
    return std::clamp(data.loopTime, 0, 255);
}

bool MacroLibrary::changeList(const std::function<bool(platform::IniDocument&)>& editList, const std::string& renameFrom,
                              const std::string& renameTo) {
    return platform::updateProfile(settingsPath_, [&](platform::IniDocument& doc) {
        const std::vector<std::string> before = listNames(doc);
        if (!editList(doc)) return false;
        const std::vector<std::string> after = listNames(doc);
        for (int p = 0; p < kProfileCount; ++p) {
            const std::string section = settings::profileSection(p);
            for (int i = 0; i < kButtonRecordCount; ++i) {
                const std::string key = "ButtonAssigned" + std::to_string(i + 1);
                const std::optional<std::string> blob = doc.get(section, key);
                ButtonRecord record{};
                if (!blob || !platform::decodeStruct(*blob, &record, sizeof record) || record.code != 6) continue;
                // A record without a name is named by the position it had; then the name decides.
                resolveMacroButton(record, before);
                if (!renameFrom.empty() && buttonMacroName(record) == renameFrom) setButtonMacroName(record, renameTo);
                resolveMacroButton(record, after);
                doc.set(section, key, platform::encodeStruct(&record, sizeof record));
            }
        }
        return true;
    });
}

LibraryResult MacroLibrary::createNew(const std::string& baseText, int loopTime, std::string& createdName) {
    const std::vector<std::string> listed = names();
    if (listed.size() >= static_cast<size_t>(kListSlots)) return LibraryResult::ListFull;
    const std::string base = baseText.empty() ? std::string("Macro") : baseText;
    std::string name, path;
    for (int n = 1;; ++n) {
        if (n > kMaxNewNumber) return LibraryResult::WriteFailed;
        name = base + " " + std::to_string(n);
        path = filePath(name);
        if (path.empty()) return LibraryResult::InvalidName;
        // A listed name whose file went missing is taken all the same: two entries of one name
        // would be one macro twice.
        if (!platform::fileExists(path) && std::find(listed.begin(), listed.end(), name) == listed.end()) break;
    }
    if (!platform::ensureFolder(macroFolder_)) return LibraryResult::WriteFailed;
    // The list entry first: should the program die before the file is written, the list names a
    // macro without a file, which reads as the empty macro it was to be, instead of a file that no
    // list names and that hides the name from every later "New".
    int slot = -1;
    if (!changeList([&](platform::IniDocument& doc) { return (slot = addToList(doc, name)) >= 0; }) || slot < 0)
        return LibraryResult::WriteFailed;
    if (!writeMacroFile(path, 0, loopTime, Block{}, true)) {
        changeList([&](platform::IniDocument& doc) { return removeFromList(doc, name); });
        return LibraryResult::WriteFailed;
    }
    createdName = name;
    return LibraryResult::Ok;
}

LibraryResult MacroLibrary::rename(const std::string& oldName, const std::string& newName) {
    if (newName == oldName) return LibraryResult::Unchanged;
    const std::string from = filePath(oldName);
    const std::string to = filePath(newName);
    if (to.empty()) return LibraryResult::InvalidName;
    const std::vector<std::string> listed = names();
    if (from.empty() || std::find(listed.begin(), listed.end(), oldName) == listed.end()) return LibraryResult::NotFound;
    // A listed name, or a file of that name that is not listed: either would be overwritten.
    if (std::find(listed.begin(), listed.end(), newName) != listed.end() || platform::fileExists(to))
        return LibraryResult::NameTaken;
    if (!platform::ensureFolder(macroFolder_)) return LibraryResult::WriteFailed;

    // The new file first, holding everything the old one held.
    bool written = false;
    if (platform::fileExists(from)) {
        const std::optional<std::string> text = movedMacroText(from, to);
        if (!text) return LibraryResult::WriteFailed;
        written = platform::replaceFileLocked(to, *text);
    } else {
        written = writeMacroFile(to, 0, 0, Block{}, true);
    }
    if (!written) return LibraryResult::WriteFailed;

    const bool listChanged = changeList(
        [&](platform::IniDocument& doc) { return removeFromList(doc, oldName) && addToList(doc, newName) >= 0; },
        oldName, newName);
    if (!listChanged || slotOf(newName) < 0) {
        removeFile(to);
        return LibraryResult::WriteFailed;
    }
    // Only now is the old file no longer needed.
    if (platform::fileExists(from)) removeFile(from);
    return LibraryResult::Ok;
}

LibraryResult MacroLibrary::remove(const std::string& name, int& slotBefore) {
    slotBefore = slotOf(name);
    if (slotBefore < 0) return LibraryResult::NotFound;
    if (!changeList([&](platform::IniDocument& doc) { return removeFromList(doc, name); }))
        return LibraryResult::WriteFailed;
    const std::string path = filePath(name);
    if (!path.empty() && platform::fileExists(path)) removeFile(path);
    return LibraryResult::Ok;
}

LibraryResult MacroLibrary::import(const std::string& sourcePath, bool overwrite, std::string& importedName) {
    const std::string name = platform::fileTitle(sourcePath);
    const std::string target = filePath(name);
    if (target.empty()) return LibraryResult::InvalidName;
    const std::vector<std::string> listed = names();
    const bool isListed = std::find(listed.begin(), listed.end(), name) != listed.end();
    if (!isListed && listed.size() >= static_cast<size_t>(kListSlots)) return LibraryResult::ListFull;

    const std::optional<std::string> content = platform::readWholeFile(sourcePath);
    if (!content) return LibraryResult::NotFound;
    // Every writer of macro files writes the event block: a file without a sound one is no macro.
    MacroFileData data;
    parseMacroDocument(platform::IniDocument::parse(*content), data, 0);
    if (!data.blockValid) return LibraryResult::NotFound;

    const bool inPlace = sameFile(sourcePath, target);
    const bool existed = platform::fileExists(target);
    if (existed && !inPlace && !overwrite) return LibraryResult::NeedsConfirm;
    if (!inPlace) {
        if (!platform::ensureFolder(macroFolder_) || !platform::replaceFileLocked(target, *content))
            return LibraryResult::WriteFailed;
    }
    int slot = -1;
    if (!isListed && (!changeList([&](platform::IniDocument& doc) { return (slot = addToList(doc, name)) >= 0; }) ||
                      slot < 0)) {
        if (!existed) removeFile(target);
        return LibraryResult::WriteFailed;
    }
    importedName = name;
    return LibraryResult::Ok;
}

LibraryResult MacroLibrary::exportTo(const std::string& name, const std::string& path) const {
    const std::string from = filePath(name);
    if (from.empty()) return LibraryResult::NotFound;
    const std::optional<std::string> text = movedMacroText(from, path);
    if (!text) return LibraryResult::NotFound;
    // The user's own file, replaced whole (the lock's sidecar goes with the lock).
    return platform::replaceFileLocked(path, *text) ? LibraryResult::Ok : LibraryResult::WriteFailed;
}

}  // namespace macro
