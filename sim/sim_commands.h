#pragma once
// The command words of mousesim's client commands: parsing and the dump format. Pure logic.
#include <cstdint>
#include <string>
#include <vector>

namespace sim {

enum class CommandKind { Plug, Unplug, Dump, Poke, Report, Stats, ResetStats, Fault };

// "fault" without a word only prints the faults in force.
enum class FaultKind { Show, DropWrites, CorruptWrites, StallReads, Clear };

struct Command {
    CommandKind kind = CommandKind::Stats;
    uint32_t address = 0;        // dump, poke
    uint32_t length = 0;         // dump
    std::vector<uint8_t> bytes;  // poke, report
    uint32_t count = 1;          // report: copies sent in a row ("-n COUNT"); fault: N
    FaultKind fault = FaultKind::Show;
};

// Decimal or "0x" hexadecimal, no sign, no trailing characters, at most 0xFFFFFFFF.
bool parseNumber(const std::string& text, uint32_t& value);

// Hex bytes: every word is one byte ("8", "ff", "0x46") or a run of hex pairs ("08ff46").
bool parseHexBytes(const std::vector<std::string>& words, std::vector<uint8_t>& bytes);

// Lower-case hex pairs separated by single spaces.
std::string formatHexBytes(const std::vector<uint8_t>& bytes);

// words[0] is the command name. On failure `error` says why.
bool parseCommand(const std::vector<std::string>& words, Command& command, std::string& error);

}  // namespace sim
