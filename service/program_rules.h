#pragma once
// A profile per program: each profile's "Exe" names the program it is for. When the focused
// program matches a profile's rule the service switches the mouse to that profile, and when no
// rule matches any more it switches back to the profile that was current before. Pure logic: the
// focus watcher (platform/focus_watch.h) supplies the executable, the service does the writes.
//
// Matching. A rule with a '/' is a full path and matches that executable alone; a bare name
// ("firefox-esr") matches an executable of that file name in any folder. Rules are compared
// exactly (file names are case-sensitive here). A full-path rule wins over a bare name; among
// rules of one kind the lowest profile number wins. An empty rule is no rule, and an unknown
// executable (a window without a process of this machine, a process of another user) matches
// nothing.
#include <array>
#include <optional>
#include <string>
#include <string_view>

#include "shared/settings_record.h"

namespace rules {

using ProgramRules = std::array<std::string, kProfileCount>;  // "Exe" of profiles 0..4, UTF-8

// The rules of the record's five profiles.
ProgramRules fromSettings(const MouseSettings& s);

// The profile whose rule matches the executable, or -1.
int matchingProfile(const ProgramRules& rules, std::string_view executable);

// Which profile the mouse should switch to as the focus moves.
//
// The first switch by a rule remembers the profile that was current then ("before"); moving from
// one matching program to another keeps it; when the focus reaches a program no rule matches, the
// mouse goes back to it. While no rule is in force the user's own profile choice is simply the
// current profile, so it is what the next rule remembers.
class AutoProfile {
public:
    // The focused program matched `matched` (-1: no rule) while `current` is the mouse's profile.
    // Returns the profile to switch to, or nothing when the mouse stays as it is.
    std::optional<int> onFocus(int matched, int current);

    // Forgets a rule in force (its profile stays); the next switch remembers afresh.
    void reset() { active_ = false; }

    bool ruleInForce() const { return active_; }
    int before() const { return before_; }

private:
    bool active_ = false;
    int before_ = 0;
};

}  // namespace rules
