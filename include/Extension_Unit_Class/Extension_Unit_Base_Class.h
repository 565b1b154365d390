#pragma once
// The camera device object: one per camera, holding the camera's video-input device, its
// capture filter and control channel, its two extension-unit bindings (the probes pair the
// first on node 2 and the second on node 3) and the chip code that identification gives the
// camera. A chip protocol owns it for the camera's lifetime.
#include <cstdint>
#include <memory>

#include "Extension_Unit_Class/ExtUnit.h"
#include "platform/Guid.h"
#include "platform/Ks_Control.h"
#include "platform/Video_Input.h"

struct Chip_Probe;

class Extension_Unit_Base_Class {
public:
    // A camera found by discovery: takes over its video-input device; Init binds the filter and
    // the control channel. The bindings start unbound and the chip code 0.
    explicit Extension_Unit_Base_Class(std::unique_ptr<platform::Video_Input_Device> moniker);
    // A camera whose control channel is already at hand (null: one without, whose every
    // transfer answers E_POINTER); it needs no Init.
    explicit Extension_Unit_Base_Class(std::unique_ptr<platform::Ks_Control> control = nullptr);
    // Releases the control channel, the filter and the device, in this order; the bindings,
    // which only borrow the channel, go with the object.
    virtual ~Extension_Unit_Base_Class();
    Extension_Unit_Base_Class(const Extension_Unit_Base_Class&) = delete;
    Extension_Unit_Base_Class& operator=(const Extension_Unit_Base_Class&) = delete;

    // Binds the device to its filter and the filter to its control channel. A step that fails
    // prints its line to standard error and ends Init: the probes then find no unit.
    virtual void Init();
    // Runs the chip probes in order until one recognises the camera: 0 with Chip_Code set, or
    // -1 when none does. The bindings stay where the successful probe left them.
    virtual int Identify();
    virtual std::uint32_t Get_Chip_Code();

    // The probes, in Identify's order. Each tries its pairings and, where they do not decide,
    // reads the identity registers through a temporary chip protocol; true with Chip_Code set
    // when it recognises the camera.
    bool Is_ZUNQ_56_2();
    bool Is_ZUN_3M_1();
    bool Is_ZUN_1080P_1();
    bool Is_ZUN_8M_1();
    bool Is_ZUNQ_SOC_550_0();
    bool Is_ZUNQ_1080p_3D();

    // Binds both units to this camera's control channel at the given GUIDs and nodes.
    void Bind_Units(const platform::GUID& first_guid, std::uint16_t first_node,
                    const platform::GUID& second_guid, std::uint16_t second_node);

    ExtUnit xu1; // first binding (node 2)
    ExtUnit xu2; // second binding (node 3, or node 2 in some probe tries)
    std::unique_ptr<platform::Ks_Control> pIKsControl;
    std::uint32_t Chip_Code = 0;
    std::unique_ptr<platform::Video_Input_Device> pIMoniker;
    std::unique_ptr<platform::Video_Input_Filter> pIBaseFilter;

private:
    bool Run_Probe(const Chip_Probe& probe);
};

// The one test step of every probe: binds `unit` to (guid, node) on `control` and asks the
// length of `selector`. 0 when the camera answers; otherwise a trace line and -1. The unit
// keeps the binding either way.
int Pair_Ext_Unit(platform::Ks_Control* control, ExtUnit& unit, const platform::GUID& guid,
                  std::uint16_t node, std::uint16_t selector);
