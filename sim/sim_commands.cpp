#include "sim/sim_commands.h"

#include <cctype>

namespace sim {
namespace {

int hexDigit(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    return -1;
}

}  // namespace

bool parseNumber(const std::string& text, uint32_t& value) {
    bool hex = text.size() > 2 && text[0] == '0' && (text[1] == 'x' || text[1] == 'X');
    size_t start = hex ? 2 : 0;
    if (text.size() <= start) return false;
    uint64_t v = 0;
    for (size_t i = start; i < text.size(); ++i) {
        int d = hex ? hexDigit(text[i]) : (std::isdigit(static_cast<unsigned char>(text[i])) ? text[i] - '0' : -1);
        if (d < 0) return false;
        v = v * (hex ? 16 : 10) + static_cast<uint64_t>(d);
        if (v > 0xFFFFFFFFull) return false;
    }
    value = static_cast<uint32_t>(v);
    return true;
}

bool parseHexBytes(const std::vector<std::string>& words, std::vector<uint8_t>& bytes) {
    bytes.clear();
    for (const std::string& word : words) {
        std::string digits = word;
        if (digits.size() > 2 && digits[0] == '0' && (digits[1] == 'x' || digits[1] == 'X')) {
            digits = digits.substr(2);
            if (digits.size() > 2) return false;  // "0x" names one byte
        }
        if (digits.empty()) return false;
        if (digits.size() == 1) digits = "0" + digits;
        if (digits.size() % 2 != 0) return false;
        for (size_t i = 0; i < digits.size(); i += 2) {
            int hi = hexDigit(digits[i]), lo = hexDigit(digits[i + 1]);
            if (hi < 0 || lo < 0) return false;
            bytes.push_back(static_cast<uint8_t>(hi * 16 + lo));
        }
    }
    return true;
}

std::string formatHexBytes(const std::vector<uint8_t>& bytes) {
    static const char* hex = "0123456789abcdef";
    std::string out;
    out.reserve(bytes.size() * 3);
    for (size_t i = 0; i < bytes.size(); ++i) {
        if (i) out.push_back(' ');
        out.push_back(hex[bytes[i] >> 4]);
        out.push_back(hex[bytes[i] & 15]);
    }
    return out;
}

bool parseCommand(const std::vector<std::string>& words, Command& command, std::string& error) {
    command = Command{};
    if (words.empty()) {
        error = "no command";
        return false;
    }
    const std::string& name = words[0];
    std::vector<std::string> rest(words.begin() + 1, words.end());
    auto simple = [&](CommandKind kind) {
        if (!rest.empty()) {
            error = name + " takes no arguments";
            return false;
        }
        command.kind = kind;
        return true;
    };
    if (name == "plug") return simple(CommandKind::Plug);
    if (name == "unplug") return simple(CommandKind::Unplug);
    if (name == "stats") return simple(CommandKind::Stats);
    if (name == "reset-stats") return simple(CommandKind::ResetStats);
    if (name == "dump") {
        command.kind = CommandKind::Dump;
        if (rest.size() != 2 || !parseNumber(rest[0], command.address) || !parseNumber(rest[1], command.length)) {
            error = "usage: mousesim dump ADDR LEN";
            return false;
        }
        return true;
    }
    if (name == "poke") {
        command.kind = CommandKind::Poke;
        if (rest.size() < 2 || !parseNumber(rest[0], command.address) ||
            !parseHexBytes({rest.begin() + 1, rest.end()}, command.bytes)) {
            error = "usage: mousesim poke ADDR HEX...";
            return false;
        }
        return true;
    }
    if (name == "report") {
        command.kind = CommandKind::Report;
        bool counted = rest.size() >= 2 && rest[0] == "-n";
        if (counted && (!parseNumber(rest[1], command.count) || command.count == 0 || command.count > 100000))
            rest.clear();
        else if (counted)
            rest.erase(rest.begin(), rest.begin() + 2);
        if (rest.empty() || !parseHexBytes(rest, command.bytes) || command.bytes.empty() ||
            command.bytes.size() > 1024) {
            error = "usage: mousesim report [-n COUNT] HEX... (1 to 1024 bytes, first byte = report id; "
                    "COUNT 1 to 100000 copies)";
            return false;
        }
        return true;
    }
    if (name == "fault") {
        command.kind = CommandKind::Fault;
        const char* usage = "usage: mousesim fault [drop-writes N | corrupt-writes N | stall-reads | clear] "
                            "(N 1 to 1000000 write reports)";
        const std::string what = rest.empty() ? "" : rest[0];
        const bool counted = what == "drop-writes" || what == "corrupt-writes";
        if (counted) {
            command.fault = what == "drop-writes" ? FaultKind::DropWrites : FaultKind::CorruptWrites;
            if (rest.size() == 2 && parseNumber(rest[1], command.count) && command.count >= 1 &&
                command.count <= 1000000)
                return true;
        } else if (rest.size() <= 1) {
            if (what.empty()) return true;
            command.fault = what == "stall-reads" ? FaultKind::StallReads : FaultKind::Clear;
            if (what == "stall-reads" || what == "clear") return true;
        }
        error = usage;
        return false;
    }
    error = "unknown command: " + name;
    return false;
}

}  // namespace sim
