#pragma once
// The camera device object: one per camera, holding the camera's control channel and its two
// extension-unit bindings (the probes pair the first on node 2 and the second on node 3), and
// the chip code that identification gives the camera. A chip protocol owns it for the
// camera's lifetime.
#include <cstdint>
#include <memory>

#include "Extension_Unit_Class/ExtUnit.h"
#include "platform/Guid.h"
#include "platform/Ks_Control.h"

class Extension_Unit_Base_Class {
public:
    // Takes over the camera's control channel (null: a camera without one, whose every
    // transfer answers E_POINTER). The bindings start unbound and the chip code 0.
    explicit Extension_Unit_Base_Class(std::unique_ptr<platform::Ks_Control> control = nullptr);
    // Releases the control channel; the bindings, which only borrow it, go with the object.
    virtual ~Extension_Unit_Base_Class();
    Extension_Unit_Base_Class(const Extension_Unit_Base_Class&) = delete;
    Extension_Unit_Base_Class& operator=(const Extension_Unit_Base_Class&) = delete;

    virtual std::uint32_t Get_Chip_Code();

    // Binds both units to this camera's control channel at the given GUIDs and nodes.
    void Bind_Units(const platform::GUID& first_guid, std::uint16_t first_node,
                    const platform::GUID& second_guid, std::uint16_t second_node);

    ExtUnit xu1; // first binding (node 2)
    ExtUnit xu2; // second binding (node 3, or node 2 in some probe tries)
    std::unique_ptr<platform::Ks_Control> pIKsControl;
    std::uint32_t Chip_Code = 0;
};
