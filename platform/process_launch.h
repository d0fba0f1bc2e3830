#pragma once
// Starting other programs the way a desktop shell does: detached, result not awaited.
#include <string>
#include <vector>

namespace platform {

// Starts `program` with `args` as a detached process (its own session, standard input and output
// on /dev/null, standard error inherited so its diagnostics reach the same journal). Never leaves
// a zombie behind and never blocks on the child. Returns false when the program could not be
// started (missing or not executable); the started program's own result is not awaited.
bool launchDetached(const std::string& program, const std::vector<std::string>& args = {});

}  // namespace platform
