// The rules of a profile per program: which profile an executable matches, and where the focus
// moving between programs takes the mouse.
#include "service/program_rules.h"

#include <gtest/gtest.h>

#include <vector>

#include "platform/running_programs.h"

namespace {

using rules::ProgramRules;

TEST(ProgramRules, MatchingTable) {
    const ProgramRules set{"", "/usr/lib/firefox-esr/firefox-esr", "gimp-2.10", "/opt/game/bin/game", "game"};
    struct Case {
        const char* executable;
        int profile;
    } cases[] = {
        {"/usr/lib/firefox-esr/firefox-esr", 1},  // full path
        {"/usr/bin/firefox-esr", -1},             // same name, other folder: the rule is a path
        {"/usr/bin/gimp-2.10", 2},                // bare name, any folder
        {"/usr/bin/gimp", -1},                    // names compare whole
        {"/usr/bin/GIMP-2.10", -1},               // and exactly
        {"/opt/game/bin/game", 3},                // profile 4's bare name matches too: the path wins
        {"/home/u/game", 4},                      // the bare name elsewhere
        {"", -1},                                 // unknown program
        {"game", -1},                             // not a path the kernel reports
        {"/", -1},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.executable);
        EXPECT_EQ(rules::matchingProfile(set, c.executable), c.profile);
    }
    // A full path wins over a bare name even of a lower profile; among bare names the lowest wins.
    EXPECT_EQ(rules::matchingProfile({"game", "", "/opt/game/bin/game", "", ""}, "/opt/game/bin/game"), 2);
    EXPECT_EQ(rules::matchingProfile({"", "game", "", "game", ""}, "/x/game"), 1);
    // No rule at all matches nothing, not even the empty executable.
    EXPECT_EQ(rules::matchingProfile(ProgramRules{}, "/usr/bin/x"), -1);
}

TEST(ProgramRules, ExecutableOfAReplacedFile) {
    EXPECT_EQ(platform::executableFromLink("/usr/bin/game (deleted)"), "/usr/bin/game");
    EXPECT_EQ(platform::executableFromLink("/usr/bin/game"), "/usr/bin/game");
    EXPECT_EQ(platform::executableFromLink(" (deleted)"), " (deleted)");  // nothing left would be no path
}

TEST(ProgramRules, RuleText) {
    MouseSettings s{};
    const char16_t path[] = u"/opt/spiel/\u00e4";  // stored UTF-16, compared as UTF-8
    std::copy(std::begin(path), std::end(path), s.profiles[3].Exe);
    const ProgramRules got = rules::fromSettings(s);
    EXPECT_EQ(got[3], "/opt/spiel/\xc3\xa4");
    EXPECT_EQ(got[0], "");
}

// Each step: the profile the focused program matches (-1 none), the mouse's profile at that
// moment, and the switch expected (-1: none).
TEST(ProgramRules, FocusSequences) {
    struct Step {
        int matched, current, expected;
    };
    struct Sequence {
        const char* name;
        std::vector<Step> steps;
    } sequences[] = {
        {"in and out", {{3, 1, 3}, {-1, 3, 1}}},
        {"no rule, no switch", {{-1, 2, -1}, {-1, 2, -1}}},
        {"rule to rule keeps the first before", {{3, 1, 3}, {4, 3, 4}, {-1, 4, 1}}},
        {"same window again", {{3, 1, 3}, {3, 3, -1}, {-1, 3, 1}}},
        {"rule of the current profile", {{2, 2, -1}, {-1, 2, -1}}},
        {"manual change with no rule is the new before", {{3, 1, 3}, {-1, 3, 1}, {-1, 0, -1}, {4, 0, 4}, {-1, 4, 0}}},
        {"manual change while a rule is in force", {{3, 1, 3}, {-1, 2, 1}}},
        {"back when already there", {{3, 1, 3}, {-1, 1, -1}, {3, 1, 3}}},
    };
    for (const Sequence& seq : sequences) {
        SCOPED_TRACE(seq.name);
        rules::AutoProfile autoProfile;
        for (size_t i = 0; i < seq.steps.size(); ++i) {
            SCOPED_TRACE(i);
            const Step& st = seq.steps[i];
            EXPECT_EQ(autoProfile.onFocus(st.matched, st.current).value_or(-1), st.expected);
        }
    }
}

}  // namespace
