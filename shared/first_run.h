#pragma once
// The first-run copy of the settings file: both programs may be the first to start on a fresh
// account, and each must find the shipped defaults in the data folder before its first load (a
// load of a missing file would otherwise save a record full of unset values).
#include <string>

namespace settings {

// Makes sure "<data folder>/Mouse.ini" exists: when it is missing, the data folders are created
// and "<programFolder>/Mouse.ini" is copied there by one atomic replace, under the settings file's
// lock, so two programs starting together never copy over each other's first save. Returns the
// settings path (also when the copy failed, which is reported as one diagnostics line).
std::string prepareSettingsFile(const std::string& programFolder);

}  // namespace settings
