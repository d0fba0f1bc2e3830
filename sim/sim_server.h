#pragma once
// mousesim's server: the device model behind a Unix socket in the runtime folder. Link clients
// (the "sim" HidDevice backend) get the collection state, input reports and answers to their
// transfers; control clients (mousesim's own commands) get one answer each. Runs on
// platform::EventLoop and so waits on its descriptors only (a one-shot timer delays the saving of
// memory changes made outside a session by at most kSaveDelayMs). SIGTERM and SIGINT end it
// cleanly, saving the memory.
#include <string>
#include <vector>

namespace sim {

constexpr int kSaveDelayMs = 200;

struct ServerOptions {
    std::string memoryPath;  // empty: defaultMemoryPath()
};

// Runs until SIGTERM/SIGINT; returns the process exit status.
int runServer(const ServerOptions& options);

// Sends one command (words[0] = name) to the running mouse; prints its answer and returns the exit
// status (1 with a message when no mouse is running).
int runClient(const std::vector<std::string>& words);

}  // namespace sim
