#include "platform/simulated/Chip_Families.h"

#include <algorithm>

#include "platform/simulated/Flash_Selectors.h"
#include "platform/simulated/Simulated_Soc_Camera.h"
#include "platform/simulated/Spi_Engine_B.h"
#include "platform/simulated/Spi_Master_A.h"

namespace platform::simulated {

namespace {

template <typename Row, std::size_t Size>
const Row* Find_By_Name(const std::array<Row, Size>& rows, std::string_view name) {
    const auto found =
        std::find_if(rows.begin(), rows.end(), [name](const Row& row) { return row.Name == name; });
    return found == rows.end() ? nullptr : &*found;
}

void Add_Flash_Mechanisms(Simulated_Camera& camera, const Simulated_Chip_Family& family,
                          std::uint32_t chunk_length) {
    Simulated_Unit& unit = *camera.Chip_Unit();
    Flash_Controller& flash = camera.Flash();
    Add_Opcode_Slot_Selectors(unit, flash);
    Add_Program_Mode_Selector(unit, family.Mode_Selector, flash);
    Add_Flash_Transfer_Selectors(unit, flash, chunk_length, family.Mode_Selector == Erase_Selector);
    if (family.Flash_Id_Selector)
        Add_Flash_Id_Selector(unit, flash);
    if (family.Spi_Master_A)
        camera.Registers().Attach(Spi_Master_A_First, Spi_Master_A_Last,
                                  std::make_shared<Spi_Master_A>(flash));
    if (family.Spi_Engine_B)
        camera.Registers().Attach(Spi_Engine_B_First, Spi_Engine_B_Last,
                                  std::make_shared<Spi_Engine_B>(flash));
}

} // namespace

const Simulated_Chip_Family* Find_Chip_Family(std::string_view name) {
    return Find_By_Name(Simulated_Chip_Families, name);
}

const Unit_Layout* Find_Unit_Layout(std::string_view name) {
    return Find_By_Name(Unit_Layouts, name);
}

std::vector<Unit_Key> Layout_Keys(const Simulated_Chip_Family& family, const Unit_Layout& layout) {
    std::vector<Unit_Key> keys(layout.Keys.begin(), layout.Keys.begin() + layout.Key_Count);
    if (layout.Own != Own_Units_Use::None) {
        if (!family.Own_Units)
            return {};
        keys.push_back({2, (*family.Own_Units)[0]});
        if (layout.Own == Own_Units_Use::Pair)
            keys.push_back({3, (*family.Own_Units)[1]});
    }
    return keys;
}

Chip_Camera_Description Chip_Camera(std::string name, std::string_view family, std::string_view layout) {
    Chip_Camera_Description desc;
    desc.Name = std::move(name);
    desc.Family = Find_Chip_Family(family);
    desc.Layout = Find_Unit_Layout(layout);
    return desc;
}

std::shared_ptr<Simulated_Camera> Add_Chip_Camera(Simulated_Backend& backend,
                                                  const Chip_Camera_Description& desc) {
    if (!desc.Family || !desc.Layout)
        return nullptr;
    const Simulated_Chip_Family& family = *desc.Family;
    if (family.File_Channel && desc.Layout->Own == Own_Units_Use::Pair) {
        auto camera = Add_Soc_Camera(backend, desc.Name, desc.Soc).Camera;
        for (const Planned_Fault& fault : desc.Faults)
            camera->Faults().Plan(fault);
        return camera;
    }
    const std::vector<Unit_Key> keys = Layout_Keys(family, *desc.Layout);
    if (keys.empty() && desc.Layout->Own != Own_Units_Use::None)
        return nullptr;

    const auto identity = desc.Identity.value_or(family.Identity);
    Chip_Model model{std::string(family.Name), Chip_Identity(identity[0], identity[1], identity[2]), {}};
    model.Power_On_Registers.insert(model.Power_On_Registers.end(), desc.Registers.begin(),
                                    desc.Registers.end());
    if (family.Restart) {
        model.Restart_Triggers.push_back(*family.Restart);
        model.Restart_Reconnects = desc.Restart_Reconnects;
    }
    model.Leave_Writes = desc.Leave_Writes;
    model.Boot = family.Boot;

    auto camera = backend.Add_Camera(desc.Name, std::move(model));
    for (const Unit_Key& key : keys)
        camera->Bind_Chip_Unit(key.Node, key.Guid);
    if (family.Has_Flash())
        Add_Flash_Mechanisms(*camera, family, desc.Chunk_Length.value_or(family.Chunk_Length));
    for (const Planned_Fault& fault : desc.Faults)
        camera->Faults().Plan(fault);
    if (desc.Flash)
        camera->Flash().Attach_Part(std::make_shared<Simulated_Flash_Part>(*desc.Flash));
    return camera;
}

} // namespace platform::simulated
