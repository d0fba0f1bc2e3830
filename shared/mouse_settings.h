#pragma once
// The settings store: loading, saving, validating and resetting the MouseSettings record in
// "Mouse.ini" (section "Setting" for the global values, "GROUP" for profile 0 and "GROUP1".."GROUP4"
// for profiles 1..4). Integers are decimal text, blobs are the record's raw little-endian bytes in
// the struct encoding. Every operation takes the file path; profile numbers are 0..4.
//
// A whole-record load is one read of the file; a whole-record save is one locked read of the
// current file and one atomic replace that merges the record's keys into it, so keys the store
// does not own ("Device", "ProfileName", "MACRO_LIST", "Name", "Exe", anything unknown) stay.
#include <cstdint>
#include <string>
#include <string_view>

#include "shared/settings_record.h"

namespace platform {
class IniDocument;
}

namespace settings {

inline constexpr const char* kSettingSection = "Setting";

// "GROUP" for profile 0 and for -1 (single-profile files), "GROUP%d" for 1..4.
std::string profileSection(int profile);

// Prepares a record for loading: profiles zeroed, then every button record gets byte 0 = its
// button number, code 255, byte 2 = 1, byte 3 = 0; profile DPI, DPI stages, LED modes and the
// listed globals -1. A blob that fails to load keeps these values.
void clear(MouseSettings& s);

// Reads every key of the record. profile -1: "Profile" comes from the file (missing -> 0),
// otherwise the argument is used. Returns whether the file could be read (a missing file leaves
// the defaults of every key).
bool loadAll(MouseSettings& s, const std::string& path, int profile);

// Writes every key of the record (unset values as "-1"); "Name" and "Exe" are never written.
bool saveAll(const MouseSettings& s, const std::string& path);

// loadAll, then saveAll of the same record (this is how both programs load), under one lock. A
// stored value the mouse cannot keep is put into its range on the way (settingsrules::keepInRange;
// an unset -1 stays), with one diagnostics line per key. False when the file exists but cannot be
// read (a folder, a FIFO, a device, too large): the record then holds the defaults and nothing is
// written. A save that fails (a read-only file) leaves the load valid. With `loaded` given, it
// receives the file's document as the save left it. The record itself, so loaded, is what the
// file holds: the base of a later saveAllKeepingChanges().
bool loadAndNormalise(MouseSettings& s, const std::string& path, int profile,
                      platform::IniDocument* loaded = nullptr);

// saveAll of a record derived some time ago (a long read of the mouse since) from `loaded`, the
// record as the file held it then: a key whose value in the file now differs from `loaded` was
// saved by another program meanwhile and keeps that value; every other key of the record is
// written. Compared under the file's lock.
bool saveAllKeepingChanges(const MouseSettings& s, const std::string& path, const MouseSettings& loaded);

// The save of a program that keeps a record for a while: only the keys whose value in `s` differs
// from `base` (the record as the program last read or saved it) are written, merged into the file
// as it is now in one locked replace. What other programs saved meanwhile stays; a key both
// changed takes this save's value. Nothing is written when nothing differs.
bool saveChanges(const MouseSettings& s, const MouseSettings& base, const std::string& path);

// A profile file (".prof", the settings file's format) read for an import: every key a save writes
// must be there, each integer a decimal number, each blob whole, and every value one the mouse
// keeps (settingsrules::keepInRange; -1, unset, is allowed). Then s holds the file's record, as
// clear() and loadAll() give it, and the result is true. Otherwise false, with what is wrong (the
// first few problems) in *problem; empty when the file cannot be read at all.
bool loadProfileFile(MouseSettings& s, const std::string& path, std::string* problem);

// dst = src (byte copy), then the validation rules on dst: Profile, MouseButtons, TrayEnabled,
// PollingRate ranges, and every button record with an invalid function code reset to its default.
void validateCopy(MouseSettings& dst, const MouseSettings& src);

// Resets the global settings and profile p's DPI and buttons to the factory values.
void factoryDefaults(MouseSettings& s, int profile);

// One profile section: "Name", "Exe" (cut to 259 characters), "DPI", "ButtonAssigned1".."11".
// profile -1 uses section "GROUP" (single-profile files). Returns whether the file could be read.
bool loadProfile(ProfileGroup& group, int profile, const std::string& path);
// Writes "DPI" and "ButtonAssigned1".."11" of one profile section (one replace).
bool saveProfile(const ProfileGroup& group, int profile, const std::string& path);

// A program rule ("Exe" of a profile section) the file can hold and give back unchanged: at most
// 259 UTF-16 units, valid UTF-8, no control characters, no spaces at the ends, not in quotes (the
// file trims values and drops one pair of quotes). Empty is valid: no rule.
bool isStorableProgramRule(std::string_view exe);
// "Exe" of profile 0..4 (empty: no rule). False, with the file untouched, for a profile out of
// range or a rule that is not storable; false also when the file cannot be written.
bool writeProgramRule(const std::string& path, int profile, std::string_view exe);

// "Setting"/"LeftCount" and "RightCount" (one replace).
bool writeClickCounters(const std::string& path, int left, int right);
// "Setting"/"Profile" alone.
bool writeProfileIndex(const std::string& path, int profile);
// "Setting"/"Device".
bool writeDevice(const std::string& path, int device);
// "Setting"/"Device", default 0.
int readDevice(const std::string& path);
// "Setting"/"VerifyWrites": 0 turns off the service's read-back of its writes; missing = on.
inline constexpr const char* kVerifyWritesKey = "VerifyWrites";
// "Setting"/"WriteFailed": written by the service, the reason (msg::kWriteMismatch or
// msg::kWriteNoAnswer) of the last write that did not reach the mouse, 0 once a write has been
// read back intact again.
inline constexpr const char* kWriteFailedKey = "WriteFailed";
bool writeWriteFailed(const std::string& path, int reason);
int readWriteFailed(const std::string& path);
// "Setting"/"Unwritten": 1 while the mouse may lack settings that were saved: a change saved while
// no service took it, or a write that did not reach the mouse. The service that starts or links
// up with the mark writes the saved settings into the mouse in full instead of reading the mouse
// back over them, then removes the mark.
inline constexpr const char* kUnwrittenKey = "Unwritten";
bool markUnwritten(const std::string& path);
bool clearUnwritten(const std::string& path);
bool unwrittenMark(const platform::IniDocument& file);
// "UniversalScrollEnabled" then "TrayEnabled" into the record, default -1 each.
void readScrollTrayFlags(MouseSettings& s, const std::string& path);
// Stage index 0..6: blob "DPI_INFO<stage+1>" into dpiStages[stage]; false (record untouched) when
// the stage is out of range or the blob is missing or damaged.
bool readDpiStage(MouseSettings& s, const std::string& path, int stage);

// The factory record of the shipped "Mouse.ini": cleared, factory defaults for every profile,
// Profile 0, TrayEnabled 1, MouseButtons 9, counters 0.
void shippedDefaults(MouseSettings& s);

}  // namespace settings
