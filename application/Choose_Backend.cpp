#include "Choose_Backend.h"

#include "platform/Backend.h"
#include "platform/linux/Linux_Backend.h"
#include "platform/simulated/Scenario.h"

bool Choose_Backend(std::string& error) {
    error.clear();
    std::string scenario_error;
    // A person watches the tool: the simulated cameras pace and come back in real time.
    if (auto simulated = platform::simulated::Backend_From_Environment(
            scenario_error, platform::simulated::Simulated_Time::Real)) {
        platform::Install_Backend(std::move(simulated));
        return true;
    }
    if (!scenario_error.empty()) {
        error = std::string("cannot start on the simulated cameras named by ") +
                platform::simulated::Scenario_Environment_Variable + ": " + scenario_error;
        return false;
    }
    std::string host_error;
    if (auto host = platform::linux_host::Create_Backend(host_error))
        platform::Install_Backend(std::move(host));
    else
        error = "no camera can be reached on this host: " + host_error;
    return true;
}
