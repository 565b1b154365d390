#include "platform/simulated/Simulated_Soc_Camera.h"

namespace platform::simulated {

Simulated_Soc_Camera Add_Soc_Camera(Simulated_Backend& backend, std::string name,
                                    const Soc_Camera_Scenario& scenario) {
    // No chip registers: the camera's register unit is bound nowhere.
    Simulated_Soc_Camera soc{backend.Add_Camera(std::move(name), {"system on chip", {}, {}}),
                             std::make_shared<Soc_File_Channel>(scenario)};
    auto file_unit = std::make_shared<Simulated_Unit>();
    file_unit->Add_Selector(Soc_File_Channel_Selector, soc.Channel);
    soc.Camera->Units().Bind(2, Soc_Node_2_Unit_Guid, std::make_shared<Simulated_Unit>());
    soc.Camera->Units().Bind(3, Soc_Node_3_Unit_Guid, std::move(file_unit));
    return soc;
}

} // namespace platform::simulated
