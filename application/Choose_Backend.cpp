#include "Choose_Backend.h"

#include "platform/Backend.h"
#include "platform/simulated/Scenario.h"

bool Choose_Backend(std::string& error) {
    std::string scenario_error;
    if (auto simulated = platform::simulated::Backend_From_Environment(scenario_error)) {
        platform::Install_Backend(std::move(simulated));
        return true;
    }
    if (!scenario_error.empty()) {
        error = std::string("cannot start on the simulated cameras named by ") +
                platform::simulated::Scenario_Environment_Variable + ": " + scenario_error;
        return false;
    }
    return true;
}
