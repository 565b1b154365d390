#pragma once
// Where the tool's cameras come from, chosen once at start-up before the first dialog.
#include <string>

namespace platform::simulated {
class Simulated_Backend;
}

// With ZUNQ_SF_SIMULATION naming a scenario file, installs a simulated backend serving the
// file's cameras, on real time and keeping no event log. Without the variable (unset or
// empty), installs the host's backend (real cameras through the kernel's USB stack).
//
// False, with a message for the operator in `error` and nothing installed, when the named
// scenario file cannot be loaded. True otherwise; when the host's USB stack cannot be used,
// `error` says why and the null backend stays (the tool starts with no cameras); when the host
// has no camera at all, or cameras this user may not open, `error` says so.
bool Choose_Backend(std::string& error);

// What Choose_Backend last had to say to the operator, as a line for the main dialog's log box
// (the text and a line end), or empty: the dialog shows it as standard error does.
const std::string& Start_Up_Notice();
void Set_Start_Up_Notice(const std::string& text);

// Leaves out of `backend`'s cameras the records a test reads and the tool does not: the event
// log's events and the flash parts' opcodes. The tool's simulation runs so, and so does the
// burn benchmark, which measures the tool.
void Keep_No_Simulation_Records(platform::simulated::Simulated_Backend& backend);
