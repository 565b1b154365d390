#pragma once
// Where the tool's cameras come from, chosen once at start-up before the first dialog.
#include <string>

// With ZUNQ_SF_SIMULATION naming a scenario file, installs a simulated backend serving the
// file's cameras. Without the variable (unset or empty) the backend installed by default stays
// current. False, with a message for the operator in `error` and nothing installed, when the
// named file cannot be loaded.
bool Choose_Backend(std::string& error);
