#pragma once
// The user's macros as a whole: the names in "MACRO_LIST" of "Mouse.ini" (slot order) and their
// files in the macro folder. New, rename, delete, import and export are done here, free of any
// window, so that every rule about names and files is kept in one place and tested directly.
//
// Rules kept here:
// - a name is a file in the macro folder (macro::isValidMacroName); the folder is created before
//   the first write into it; a new macro is listed before its file is written, so no file is left
//   that the list does not name;
// - rename writes the new file first and removes the old one only after that succeeded; an
//   unchanged name does nothing; an invalid name or one already in the list is refused;
// - a rename is carried into the button records of all five profiles (a button keeps its macro);
// - delete turns off (code 7) every button of the five profiles that named the deleted macro;
// - import never overwrites the file of another macro unless the caller confirmed it;
// - every list change and the button records it concerns land in one locked read-modify-replace
//   of "Mouse.ini" (nothing else in the file changes), and the position bits of every macro
//   button are refreshed from its name there (macro::resolveMacroButton).
//
// The library changes the files only. A window that holds the settings in memory reloads them
// after rename and remove (its copy still names the old macro), then saves and tells the service
// (1279); after a change of a macro's content it posts 1300 with the macro's slot.
#include <functional>
#include <string>
#include <vector>

namespace platform {
class IniDocument;
}

namespace macro {

enum class LibraryResult {
    Ok,
    Unchanged,      // rename to the same name: nothing done
    InvalidName,    // empty, or not a possible file name
    NameTaken,      // the name is already in the list, or a file of that name exists (rename)
    ListFull,       // seven macros already
    NeedsConfirm,   // import would overwrite a macro file that exists: ask the user, then call again
    WriteFailed,    // a file or "Mouse.ini" could not be written: nothing was lost, the caller reports it
    NotFound,       // the named macro is not in the list / the source file cannot be read as a macro
};

class MacroLibrary {
public:
    MacroLibrary(std::string settingsPath, std::string macroFolder);

    const std::string& settingsPath() const { return settingsPath_; }
    const std::string& macroFolder() const { return macroFolder_; }

    // Names in slot order (the name list); a name's position here is its index.
    std::vector<std::string> names() const;
    // The slot 0..6 of the name in "MACRO_LIST", -1 when absent.
    int slotOf(const std::string& name) const;
    // "<macro folder>/<name>.macro"; empty for an invalid name.
    std::string filePath(const std::string& name) const;
    // "LoopTime" of the macro's file for a button assignment (byte 2): default 1, held in 0..255.
    int loopTimeForButton(const std::string& name) const;

    // A new empty macro named "<baseText> <n>" with the first n from 1 whose file does not exist,
    // written with "Count" 0 and the given "LoopTime", added to the first free slot.
    LibraryResult createNew(const std::string& baseText, int loopTime, std::string& createdName);

    // Renames the macro: new file written from the old one's content, list slot re-taken (first free
    // slot), button records of all profiles that name it renamed, then the old file removed.
    LibraryResult rename(const std::string& oldName, const std::string& newName);

    // Removes the file and the list entry; buttons that named it are turned off. slotBefore gets
    // the slot the macro had (for the service's 1300 with lParam 1), -1 when it had none.
    LibraryResult remove(const std::string& name, int& slotBefore);

    // Copies a macro file from anywhere into the macro folder under its file title and adds the
    // name. overwrite: the caller asked the user whether an existing file of that name may go.
    LibraryResult import(const std::string& sourcePath, bool overwrite, std::string& importedName);

    // Writes the named macro's content to path (its "MacroFilePath" becomes that path).
    LibraryResult exportTo(const std::string& name, const std::string& path) const;

private:
    // One locked read-modify-replace of "Mouse.ini": editList changes "MACRO_LIST" (false: leave
    // the file alone); the macro buttons of all profiles named renameFrom are renamed and all of
    // them resolved against the new list. False when the file could not be written.
    bool changeList(const std::function<bool(platform::IniDocument&)>& editList, const std::string& renameFrom = {},
                    const std::string& renameTo = {});

    std::string settingsPath_;
    std::string macroFolder_;
};

}  // namespace macro
