#include "Extension_Unit_Class/ExtUnit.h"

#include "platform/Result_Code.h"

ExtUnit::~ExtUnit() = default;

int ExtUnit::Send_Request_Pair(Ext_Unit_Request* pair) {
    if (!pair)
        return platform::E_POINTER;
    return Send_Request(pair + 1);
}

int ExtUnit::Send_Request(Ext_Unit_Request* request) {
    if (!request)
        return platform::E_POINTER;
    if ((request->bmRequestType & 0x80) == 0)
        return Ks_Set_Property(request->Selector, request->Length, request->Data);
    switch (request->bRequest) {
    case Ext_Unit_Request::GET_CUR:
        return Ks_Get_Property(request->Selector, request->Length, request->Data);
    case Ext_Unit_Request::GET_LEN:
        return Ks_Get_Length(request->Selector, &request->Inline_Data);
    default:
        return -1;
    }
}

int ExtUnit::Carry_Property(std::uint16_t selector, std::uint32_t direction, void* data, std::uint32_t length,
                            std::uint32_t& returned) {
    platform::KSP_NODE property;
    property.Property.Set = Property_Set;
    property.Property.Id = selector;
    property.Property.Flags = direction | platform::KSPROPERTY_TYPE_TOPOLOGY;
    property.NodeId = Node_Id;
    property.Reserved = 0;
    if (!pIKsControl)
        return platform::E_POINTER;
    return pIKsControl->Ks_Property(property, sizeof property, data, length, &returned);
}

int ExtUnit::Ks_Set_Property(std::uint16_t selector, std::uint16_t length, void* data) {
    std::uint32_t returned = 0;
    return Carry_Property(selector, platform::KSPROPERTY_TYPE_SET, data, length, returned);
}

int ExtUnit::Ks_Get_Property(std::uint16_t selector, std::uint16_t length, void* data) {
    std::uint32_t returned = 0;
    return Carry_Property(selector, platform::KSPROPERTY_TYPE_GET, data, length, returned);
}

int ExtUnit::Set_Value(std::uint32_t value) {
    Value = value;
    return 0;
}

int ExtUnit::set_KsControl(platform::Ks_Control* control, platform::GUID property_set,
                           std::uint16_t node_id) {
    pIKsControl = control;
    Property_Set = property_set;
    Node_Id = node_id;
    return 0;
}

int ExtUnit::Ks_Get_Length(std::uint16_t selector, std::uint32_t* length) {
    if (!length || !pIKsControl)
        return platform::E_POINTER;
    // A get without a buffer: the platform answers "more data" with the control's length.
    std::uint32_t returned = 0;
    if (Carry_Property(selector, platform::KSPROPERTY_TYPE_GET, nullptr, 0, returned) !=
        platform::E_MORE_DATA)
        return -1;
    *length = returned;
    return 0;
}
