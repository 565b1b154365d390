#pragma once
// The simulated system-on-chip camera's shell: it understands the two commands a firmware
// update sends and answers anything else as not found.
//   tar -xvf ARCHIVE -C DIR   unpacks a ustar archive of the file system into DIR (members
//                             with ".." in their names are skipped, as tar does)
//   sh SCRIPT                 runs an update script that exists: the update writes
//                             result.txt beside the script, of the size the scenario chose,
//                             once the host has polled for it a chosen number of times, or
//                             never
// The shell's exit status and output are kept for inspection; the host never sees them.
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "platform/simulated/Soc_File_System.h"

namespace platform::simulated {

// What the camera's update script does when it runs.
struct Soc_Update_Behaviour {
    // The size of the result file it leaves; none: it never leaves one.
    std::optional<std::uint32_t> Result_Size = 5;
    // How many size queries of the result file find nothing before it is there.
    std::uint32_t Result_After_Polls = 0;
};

struct Shell_Run {
    std::string Command;
    int Status = 0; // the exit status: 0 success, 2 a failed command, 127 an unknown one
    std::string Output;
};

class Soc_Shell {
public:
    Soc_Shell(Soc_File_System& files, Soc_Update_Behaviour update) : files_(files), update_(update) {}

    const Shell_Run& Run(std::string_view command);
    const std::vector<Shell_Run>& History() const { return history_; }

private:
    void Unpack(const std::vector<std::string_view>& words, Shell_Run& run);
    void Run_Script(const std::vector<std::string_view>& words, Shell_Run& run);

    Soc_File_System& files_;
    Soc_Update_Behaviour update_;
    std::vector<Shell_Run> history_;
};

} // namespace platform::simulated
