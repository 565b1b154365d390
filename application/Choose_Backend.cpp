#include "Choose_Backend.h"

#include "platform/Backend.h"
#include "platform/Video_Input.h"
#include "platform/linux/Linux_Backend.h"
#include "platform/simulated/Scenario.h"

void Keep_No_Simulation_Records(platform::simulated::Simulated_Backend& backend) {
    // Nothing in the tool reads the cameras' records, and a bench runs for days.
    backend.Log().Keep_Events(false);
    for (const auto& camera : backend.Cameras())
        if (auto* part = camera->Flash().Part())
            part->Keep_Opcodes(false);
}

namespace {

std::string notice;

bool Choose(std::string& error) {
    std::string scenario_error;
    // A person watches the tool: the simulated cameras pace and come back in real time.
    if (auto simulated = platform::simulated::Backend_From_Environment(
            scenario_error, platform::simulated::Simulated_Time::Real)) {
        Keep_No_Simulation_Records(*simulated);
        platform::Install_Backend(std::move(simulated));
        return true;
    }
    if (!scenario_error.empty()) {
        error = std::string("cannot start on the simulated cameras named by ") +
                platform::simulated::Scenario_Environment_Variable + ": " + scenario_error;
        return false;
    }
    std::string host_error;
    auto host = platform::linux_host::Create_Backend(host_error);
    if (!host) {
        error = "no camera can be reached on this host: " + host_error;
        return true;
    }
    // Without a word the dialog would just stay empty.
    std::vector<std::unique_ptr<platform::Video_Input_Device>> cameras;
    if (host->Enumerate_Video_Inputs(cameras) < 0 || cameras.empty()) {
        error = "no camera was found on this host; docs/linux.md says what the tool needs to reach one";
    } else if (const std::size_t refused = platform::linux_host::Cameras_This_User_May_Not_Open();
               refused > 0) {
        error =
            std::to_string(refused) + (refused == 1 ? " camera" : " cameras") +
            " on this host may not be opened by this user: install the tool's udev rule "
            "(70-zunq-uvc-camera.rules) with scripts/setup and plug them in again; docs/linux.md says more";
    }
    platform::Install_Backend(std::move(host));
    return true;
}

} // namespace

bool Choose_Backend(std::string& error) {
    error.clear();
    const bool chosen = Choose(error);
    Set_Start_Up_Notice(error);
    return chosen;
}

const std::string& Start_Up_Notice() {
    return notice;
}

void Set_Start_Up_Notice(const std::string& text) {
    notice = text.empty() ? text : text + "\r\n";
}
