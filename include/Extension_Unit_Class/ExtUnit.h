#pragma once
// One extension-unit binding of a camera: a (GUID, topology node) pair on the camera's control
// channel. It carries the chip protocols' request records to the camera as node properties.
#include <cstdint>

#include "Extension_Unit_Class/Ext_Unit_Request.h"
#include "platform/Guid.h"
#include "platform/Ks_Control.h"
#include "platform/Ks_Property.h"

class ExtUnit {
public:
    ExtUnit() = default;
    virtual ~ExtUnit();

    // Sends the second of two consecutive records and returns its result; the first (by
    // convention the GET_LEN of the same selector) is not sent.
    virtual int Send_Request_Pair(Ext_Unit_Request* pair);
    // The direction bit of bmRequestType decides: host-to-device is a set whatever bRequest
    // says; device-to-host is a get (GET_CUR), a length query into Inline_Data (GET_LEN), or
    // -1 without any request for another bRequest.
    virtual int Send_Request(Ext_Unit_Request* request);
    // The platform's result, unchanged; E_POINTER while unbound.
    virtual int Ks_Set_Property(std::uint16_t selector, std::uint16_t length, void* data);
    virtual int Ks_Get_Property(std::uint16_t selector, std::uint16_t length, void* data);
    virtual int Set_Value(std::uint32_t value);
    // Binds (or rebinds) the unit: control channel, GUID and node are replaced together.
    virtual int set_KsControl(platform::Ks_Control* control, platform::GUID property_set,
                              std::uint16_t node_id);
    // 0 with the control's length, or -1 for every failure (S_OK included: only the more-data
    // answer carries a length). E_POINTER for a null `length` or an unbound unit.
    virtual int Ks_Get_Length(std::uint16_t selector, std::uint32_t* length);

    std::uint16_t Node_Id = 0;
    platform::GUID Property_Set;
    platform::Ks_Control* pIKsControl = nullptr; // not owned: the camera device object owns it
    std::uint32_t Value = 0;                     // stored by Set_Value, read by nothing

private:
    // Builds the node property (GET or SET with TOPOLOGY) and makes the platform call.
    int Carry_Property(std::uint16_t selector, std::uint32_t direction, void* data, std::uint32_t length,
                       std::uint32_t& returned);
};
