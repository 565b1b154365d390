#pragma once
// A simulated system-on-chip camera: a camera that runs a small operating system and offers a
// file channel instead of chip registers. It answers identification at two extension units,
// {7D5A1D99-5B32-428B-8CAD-671B8A65F37A} on node 2 and {514E555A-A632-2A44-A5ED-BB2EC8A8A88B}
// on node 3; neither serves the register selectors, so a register probe through either reads
// nothing. The node-3 unit serves the file channel (selector 8) over the camera's file system
// and shell. The scenario chooses what the update script leaves and the channel's faults.
//
//   auto soc = platform::simulated::Add_Soc_Camera(*backend, "soc0", {.Result_Size = 5});
//   auto* device = new Extension_Unit_Base_Class(soc.Camera->Open_Control());
//   device->Bind_Units(Soc_Node_2_Unit_Guid, 2, Soc_Node_3_Unit_Guid, 3);
//   ... the library updates the camera; soc.Channel->Files() and Shell_History() show the result
#include <memory>
#include <string>

#include "platform/Guid.h"
#include "platform/simulated/Simulated_Backend.h"
#include "platform/simulated/Soc_File_Channel.h"

namespace platform::simulated {

inline constexpr GUID Soc_Node_2_Unit_Guid = Guid_Literal("{7D5A1D99-5B32-428B-8CAD-671B8A65F37A}");
inline constexpr GUID Soc_Node_3_Unit_Guid = Guid_Literal("{514E555A-A632-2A44-A5ED-BB2EC8A8A88B}");

struct Simulated_Soc_Camera {
    std::shared_ptr<Simulated_Camera> Camera;
    // The file channel with the camera's file system and shell, for inspection. Inspect it when
    // the library is done: requests may come from another thread.
    std::shared_ptr<Soc_File_Channel> Channel;
};

// Adds a powered-on system-on-chip camera named `name` to `backend`; the backend keeps it.
Simulated_Soc_Camera Add_Soc_Camera(Simulated_Backend& backend, std::string name,
                                    const Soc_Camera_Scenario& scenario = {});

} // namespace platform::simulated
