#pragma once
// The file that keeps the virtual mouse's memory between runs: exactly 8192 raw bytes.
// Default location: "$XDG_CONFIG_HOME/korvante-mousesim/memory.bin" (XDG_CONFIG_HOME falls back
// to "~/.config"). A missing file starts as the factory image and is written at once.
#include <cstdint>
#include <string>
#include <vector>

namespace sim {

std::string defaultMemoryPath();

// Loads the memory; a missing file yields the factory image, which is then saved. Returns false
// (with `error` set) for a file that cannot be read or has the wrong size: it is never replaced,
// so a damaged or foreign file is not lost.
bool loadMemoryFile(const std::string& path, std::vector<uint8_t>& image, std::string& error);

// Replaces the file atomically, creating its folder when missing.
bool saveMemoryFile(const std::string& path, const std::vector<uint8_t>& image);

}  // namespace sim
