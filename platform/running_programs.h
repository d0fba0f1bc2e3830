#pragma once
// The programs running in this session, as /proc shows them: the executable of one process and
// the list of distinct executables of the user's processes (the program picker of the window).
#include <string>
#include <string_view>
#include <vector>

namespace platform {

// The path of a /proc/PID/exe link without the " (deleted)" the kernel appends once the file was
// replaced or removed: a program that kept running through an upgrade is still that program.
std::string_view executableFromLink(std::string_view link);

// The executable of the process ("" when it has ended or belongs to another user).
std::string processExecutable(long pid);

struct RunningProgram {
    std::string name;  // file name of the executable
    std::string path;  // full path
};

// Every distinct executable of the processes whose /proc/PID/exe this user may read (their own)
// and that still names a file, sorted by name, then path. Kernel threads have none and are not
// listed.
std::vector<RunningProgram> runningPrograms(const std::string& procFolder = "/proc");

}  // namespace platform
