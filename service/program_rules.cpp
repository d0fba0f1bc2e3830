#include "service/program_rules.h"

#include "shared/text_decoding.h"

namespace rules {
namespace {

std::string_view baseName(std::string_view path) {
    const size_t slash = path.rfind('/');
    return slash == std::string_view::npos ? path : path.substr(slash + 1);
}

}  // namespace

ProgramRules fromSettings(const MouseSettings& s) {
    ProgramRules out;
    for (int p = 0; p < kProfileCount; ++p)
        out[p] = textcodec::toUtf8(s.profiles[p].Exe, kNameLength);
    return out;
}

int matchingProfile(const ProgramRules& rules, std::string_view executable) {
    if (executable.empty() || executable.front() != '/') return -1;
    int byName = -1;
    for (int p = 0; p < kProfileCount; ++p) {
        const std::string& rule = rules[p];
        if (rule.empty()) continue;
        if (rule.find('/') != std::string::npos) {
            if (rule == executable) return p;
        } else if (byName < 0 && rule == baseName(executable)) {
            byName = p;
        }
    }
    return byName;
}

std::optional<int> AutoProfile::onFocus(int matched, int current) {
    if (matched >= 0) {
        if (!active_) {
            active_ = true;
            before_ = current;
        }
        if (matched == current) return std::nullopt;
        return matched;
    }
    if (!active_) return std::nullopt;
    active_ = false;
    if (before_ == current) return std::nullopt;
    return before_;
}

}  // namespace rules
