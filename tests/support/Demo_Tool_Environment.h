#pragma once
// The environment in which a test or a benchmark starts the tool of its build tree as a
// process of its own: the caller's, with the demo scenario's simulated cameras and the
// offscreen platform. The build defines ZUNQ_SOURCE_DIR.
#include <unistd.h>

#include <string>
#include <vector>

namespace zunq::tests {

inline std::vector<std::string> Demo_Tool_Environment() {
    std::vector<std::string> environment;
    for (char** variable = environ; *variable != nullptr; ++variable) {
        const std::string text = *variable;
        if (!text.starts_with("ZUNQ_SF_") && !text.starts_with("QT_QPA_PLATFORM="))
            environment.push_back(text);
    }
    environment.push_back("ZUNQ_SF_SIMULATION=" ZUNQ_SOURCE_DIR "/scenarios/demo.json");
    environment.push_back("QT_QPA_PLATFORM=offscreen");
    return environment;
}

// `environment` as posix_spawn takes it; the pointers point into `environment`.
inline std::vector<char*> Environment_Pointers(std::vector<std::string>& environment) {
    std::vector<char*> pointers;
    for (std::string& variable : environment)
        pointers.push_back(variable.data());
    pointers.push_back(nullptr);
    return pointers;
}

} // namespace zunq::tests
