#pragma once
// Known folders and small path helpers.
//
// Folder results carry NO trailing slash ("/home/u/.config/Brakmor KORVANTE/GamingMouse");
// join names with pathJoin(). The data folder lies below the application-data folder,
// which is $XDG_CONFIG_HOME when that is set to an absolute path, else $HOME/.config.
#include <string>
#include <string_view>

namespace platform {

inline constexpr const char* kVendorFolderName = "Brakmor KORVANTE";
inline constexpr const char* kDataFolderSuffix = "Brakmor KORVANTE/GamingMouse";

// Folder of the running program (/proc/self/exe); "." when it cannot be determined.
std::string programFolder();

// Application-data folder from the environment.
std::string appDataFolder();
// The same rule from given values (pure): xdgConfigHome used when absolute, else home + "/.config".
// An empty or relative home gives "" (no folder).
std::string appDataFolderFrom(const char* xdgConfigHome, const char* home);

// "<appData>/Brakmor KORVANTE" — the vendor folder (also holds the registry store).
std::string vendorFolder();
// "<appData>/Brakmor KORVANTE/GamingMouse".
std::string dataFolder();
// "<dataFolder>/Mouse.ini".
std::string settingsPath();
// "<dataFolder>/Macro".
std::string macroFolder();
// "<programFolder>/Strings.xml".
std::string stringsPath();

// Creates the folder and its missing parents (new folders get mode 0700).
// True when the folder exists afterwards.
bool ensureFolder(const std::string& path);

// True when something exists at the path (file or folder).
bool fileExists(const std::string& path);
// True when a folder exists at the path.
bool folderExists(const std::string& path);

// Joins with exactly one '/' between the parts; an empty part adds nothing.
std::string pathJoin(std::string_view folder, std::string_view name);

// Name without folder and extension ("/a/b/My Macro.macro" → "My Macro", "a.b.c" → "a.b");
// a name that is only an extension (".macro") gives "".
std::string fileTitle(std::string_view path);

// Folder part of a path without trailing slash ("/a/b/c.ini" → "/a/b"; "c.ini" → ".").
std::string parentFolder(std::string_view path);

}  // namespace platform
